#pragma once
// The rules of the appointment lists: their lines, the due rule, the search
// criteria and the state rules, with the passes over the archive that use them.

#include "storage/records.h"

#include <QDate>
#include <QStringList>

#include <array>

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

// The agenda's pass: the lines of the due records in file order. Unreadable
// records are skipped. `complete` is false when the archive could not be
// read to its end; the lines read so far are kept.
struct DuePass {
    QStringList lines;
    bool complete = true;
};
DuePass dueLines(const QString& path, const QDate& today);

// The ten criteria of the appointment search, in screen order: date, time,
// type, purpose, details, contact, phone, mobile, place, notes.
using Criteria = std::array<QString, 10>;
// The lines of the records that match in file order: every criterion with
// something besides blanks must occur, as typed (not trimmed) with A to Z
// folded, in its field with A to Z folded. Throws AccessFailure.
QStringList searchLines(const QString& path, const Criteria& criteria);

enum class State { ToFulfil, Expired, Fulfilled };
// The state lists' pass; ends quietly on a failure. An unreadable date in the
// list of expired commitments skips that record.
QStringList stateLines(const QString& path, State state, const QDate& today);

// Every record whose line (built by `line`), trimmed, equals `selected`
// trimmed; in file order, so the last one is the one a card ends up with.
// Throws AccessFailure.
struct Found {
    QByteArray record;
    qint64 position;
};
QList<Found> recordsWithLine(const QString& path, const QString& selected, QString (*line)(const AppointmentView&));

} // namespace appointments
