#pragma once
// The rules of the appointment lists: their lines, the due rule, the search
// criteria and the state rules, with the passes over the archive that use
// them, and the column tables of the appointment exports.

#include "storage/exportrows.h"
#include "storage/listrows.h"
#include "storage/records.h"

#include <QDate>
#include <QStringList>

#include <array>
#include <optional>

namespace appointments {

// "Data: ... Ora: ... Causale: ... Contatto: ... Cel. ...": the line of the
// search and of the state lists.
QString listLine(const AppointmentView& r);
// "ID: key  Data: ...": the line of the agenda, in date and time order.
QString agendaLine(const AppointmentView& r);

enum class Due { Yes, No, Unreadable };
// Not fulfilled (exactly "No") and date − notice days ≤ today. A record whose
// date or notice days cannot be read is Unreadable.
Due dueState(const AppointmentView& r, const QDate& today);
// The first day of the notice period: date − notice days, whatever the
// fulfilled flag says; nothing when the date or the notice days cannot be read.
std::optional<QDate> noticeStart(const AppointmentView& r);

// The agenda's pass: the rows of the due records in file order. Unreadable
// records are skipped. `complete` is false when the archive could not be
// read to its end; the rows read so far are kept.
struct DuePass {
    lists::Rows rows;
    bool complete = true;
};
DuePass dueRows(const QString& path, const QDate& today);

// The fields of the appointment search's criteria, in screen order: date,
// time, type, purpose, details, contact, phone, mobile, place, notes.
inline constexpr std::array<AppointmentField, 10> SearchFields = { AppointmentField::date, AppointmentField::time,
    AppointmentField::commitmentType, AppointmentField::purpose, AppointmentField::details, AppointmentField::contact,
    AppointmentField::phone, AppointmentField::mobile, AppointmentField::place, AppointmentField::notes };

enum class State { ToFulfil, Expired, Fulfilled };
// Whether a record belongs to a state list. An unreadable date keeps a
// record out of the list of expired commitments.
bool inState(const AppointmentView& r, State state, const QDate& today);
// The state lists' pass; ends quietly on a failure, keeping the rows read so far.
lists::Rows stateRows(const QString& path, State state, const QDate& today);

using ExportTable = exports::Table<records::AppointmentLayout>;

// The archive export: the record position, then thirteen fields.
ExportTable archiveTable();

enum class Selection { Imminent, Day, Month };
// The selection lists: a running number, fourteen fields with the
// chronological key last, sorted by the key without regard to case. In the
// imminent list a record whose date or notice days cannot be read is left out.
ExportTable selectionTable(Selection selection, const QDate& today, const QDate& selectedDay);

} // namespace appointments
