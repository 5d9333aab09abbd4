#pragma once
// Contacts as vCards: written as 3.0 (what phones read) or 4.0, read from
// 2.1 (quoted-printable, CHARSET=), 3.0 and 4.0.
//
// A small reader and writer of our own: Debian 12 has no maintained vCard
// library for Qt 6 or plain C++ (its address-book libraries are built on
// Qt 5 desktops), and the format is a few content-line rules that the
// calendar files share (exchange/contentlines.h).
//
// What goes out: FN and N (split from "Cognome e nome"), BDAY, the address
// with province and CAP (ADR), the three telephones with their type (TEL),
// the e-mail and the PEC (EMAIL, the PEC typed X-PEC), the occupation
// (TITLE), the notes (NOTE); the other fields of the card as X-QUIRVALE-
// properties. The codice fiscale, partita IVA, IBAN and the identity
// document go out (X-CODICE-FISCALE, X-PARTITA-IVA, X-IBAN,
// X-QUIRVALE-DOCUMENTO) only when asked; the payment card and the
// attachments never do.

#include "exchange/incoming.h"
#include "storage/records.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <span>

namespace exchange::vcard {

struct Options {
    bool version4 = false;      // vCard 4.0 instead of 3.0
    bool includeFiscal = false; // codice fiscale, partita IVA, IBAN and the identity document
    // A card kept as it came (patchedCardItem()) goes out in its own
    // version, 3.0 or 4.0, whatever `version4` says.
    bool ownVersion = false;
};

// Appends the vCard of `record` with `uid`. False, and nothing appended,
// when the record has no name.
bool appendCard(QByteArray& out, const ContactView& record, QByteArrayView uid, const Options& options);
// One contact as a whole item (what an address-book server stores); empty
// when the record has no name.
QByteArray cardItem(const ContactRecord& record, const QString& uid, const Options& options);

// The card `original` (as a file or a server gave it) with the fields
// `edited` of `record` written over it: the lines those fields were read
// from become the record's, and every other line goes out as it came (the
// company, further telephones and e-mails, photos, other programs'
// properties, the whole text of a field the card cuts). A card of another
// version than the one asked for (always one of vCard 2.1) has every field
// written over it and its version changed, without the lines only 2.1
// reads. Empty when the record has no name or the original is not a card.
QByteArray patchedCardItem(const QByteArray& original, const ContactRecord& record, const QString& uid, Options options,
    std::span<const int> edited);

// "Rossi Mario" -> family "Rossi", given "Mario"; the particles of Italian
// surnames stay with the surname ("De Luca Marco" -> "De Luca", "Marco").
std::pair<QString, QString> splitName(const QString& fullName);

// Every card of a file (or item text) as a contact record, in file order;
// cards that cannot become one carry their reason. Throws FileDamage
// naming the line of a file that cannot be read.
QList<Incoming> readCards(const QByteArray& file);

// The fields that a card never carries, so an update keeps them; the fiscal
// ones too when the card does not carry them.
QList<int> keptFields(bool fiscalCarried);

} // namespace exchange::vcard
