#pragma once
// The rules of the contacts register: the lines of its lists, the fields of
// its search, the province codes offered by the card.

#include "storage/exportrows.h"
#include "storage/listrows.h"
#include "storage/records.h"

#include <QStringList>

#include <array>

namespace contacts {

// Name 26, "  Tel. " phone 15, "  " occupation 25, "  Prod. " interests 30,
// "  " notes: the line of the contact search.
QString searchLine(const ContactView& r);
// The same with the pending issues in place of the notes: the line of the
// contacts to call back.
QString callBackLine(const ContactView& r);

// The fields of the search's criteria, in screen order: name, town of
// residence, partita IVA, codice fiscale, identity document, occupation,
// interests, zone, pending issues, notes.
inline constexpr std::array<ContactField, 10> SearchFields = { ContactField::fullName, ContactField::residenceTown,
    ContactField::vatNumber, ContactField::taxCode, ContactField::identityDocument, ContactField::occupation,
    ContactField::interests, ContactField::zone, ContactField::pendingIssues, ContactField::notes };

// The contacts to call back (the flag exactly "Sì"), in file order; an
// access failure ends the pass quietly, keeping the rows read so far.
lists::Rows callBackRows(const QString& path);

// The export of the whole register in file order: the position, then 25
// columns (town and province joined), the nine the user may retouch marked.
exports::Table<records::ContactLayout> exportTable();

// The 112 province codes the card offers, in the order of the list.
const QStringList& provinceCodes();

} // namespace contacts
