#pragma once
// The four identifier checks. Each needs no screen.

#include <QString>

#include <optional>

namespace checks {

// Codice fiscale: the check character of the first fifteen characters, with
// the published tables for odd and even positions (the seven signs between
// '9' and 'A' are worth 0). nullopt when a character is outside the tables.
std::optional<QChar> taxCodeCheckCharacter(QStringView firstFifteen);
// A sixteen-character code whose last character is its check character.
bool taxCodeValid(const QString& code);

// Partita IVA: eleven digits whose last one is the check digit of the first ten.
bool vatNumberValid(const QString& number);
// The VAT office of a three-digit office code; empty when not in the table.
QString vatOffice(const QString& code);

// Payment card: 0 when the Luhn check over the digits of the first twenty
// characters fails (or there is none), otherwise the first digit minus 2.
int cardKind(const QString& number);
// The issuer of a card of kind 1 to 4 by its first two characters; empty
// when no issuer matches.
QString cardIssuer(int kind, const QString& number);

// IBAN: the remainder modulo 97 computed piece by piece, never on more than
// nine digits; 0 when the text cannot be turned into digits. Valid IBANs give 1.
int ibanRemainder(const QString& iban);

} // namespace checks
