#pragma once
// The program's own conversions for the sync: an appointment travels as the
// iCalendar event of the calendar files and a contact as the vCard 3.0 of
// the address books, each under the UID its exports give it, so an
// appointment exported to a file and the same appointment on the server
// are one item to a phone.

#include <QString>

namespace davsync {

// Installs the conversions of both kinds: appointments as the events of the
// calendar export, contacts as the cards of the address-book export.
void installRecordCodecs();

} // namespace davsync
