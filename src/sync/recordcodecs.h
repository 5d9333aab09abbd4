#pragma once
// The program's own conversions for the sync: an appointment travels as the
// iCalendar event of the calendar files and a contact as the vCard 3.0 of
// the address books, each under the UID its exports give it, so an
// appointment exported to a file and the same appointment on the server
// are one item to a phone.

#include <QString>

namespace davsync {

// Installs the conversions of both kinds for the program folder `folder`.
// The folder's identity is read, or made, when the first UID is needed.
void installRecordCodecs(const QString& folder);

} // namespace davsync
