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
// properties. The codice fiscale, partita IVA and IBAN go out (X-CODICE-
// FISCALE, X-PARTITA-IVA, X-IBAN) only when asked; the payment card and the
// attachments never do.

#include "exchange/incoming.h"
#include "storage/records.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace exchange::vcard {

struct Options {
    bool version4 = false;      // vCard 4.0 instead of 3.0
    bool includeFiscal = false; // codice fiscale, partita IVA and IBAN
};

// Appends the vCard of `record` with `uid`. False, and nothing appended,
// when the record has no name.
bool appendCard(QByteArray& out, const ContactView& record, QByteArrayView uid, const Options& options);
// One contact as a whole item (what an address-book server stores); empty
// when the record has no name.
QByteArray cardItem(const ContactRecord& record, const QString& uid, const Options& options);

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
