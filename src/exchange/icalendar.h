#pragma once
// Appointments as iCalendar (RFC 5545) events.
//
// An appointment becomes a VEVENT at its date and time in Europe/Rome: the
// purpose as SUMMARY, the notes as DESCRIPTION, the kind of commitment as
// CATEGORIES, the contact as CONTACT, the place as LOCATION, the notice days
// as a VALARM some days before, and the fields no standard property holds
// (details, telephones, e-mail, amount, fulfilled) as X-QUIRVALE-
// properties. The record has no end: an event lasts one hour (DURATION:PT1H),
// what a calendar shows as an ordinary appointment; an appointment with no
// valid time goes out as an all-day event.
//
// Reading goes through libical: every VEVENT of a file, converted to the
// local time of Europe/Rome; a repeating event gives its occurrences in a
// range of dates.

#include "exchange/incoming.h"
#include "storage/records.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <span>

namespace exchange::ical {

// The opening of a calendar file with the time zone of its events, and its end.
QByteArray calendarBegin();
QByteArray calendarEnd();

// Appends the VEVENT of `record` with `uid`; `stamp` is the moment of the
// export (DTSTAMP). False, and nothing appended, when the record has no
// valid date.
bool appendEvent(QByteArray& out, const AppointmentView& record, QByteArrayView uid, const QDateTime& stamp);

// One appointment as a whole calendar item (what a calendar server stores):
// the calendar, its time zone and the one event. Empty when the record has
// no valid date.
QByteArray eventItem(const AppointmentRecord& record, const QString& uid, const QDateTime& stamp);

// The calendar item `original` (one event and its exceptions, as a file or
// a server gave it) with the fields `edited` of `record` written over its
// event: the properties and alarms those fields travel in become the
// record's, and everything else goes out as it came (the end or the span of
// days, attendees, the repeat rule, other programs' properties, the whole
// text of a field the card cuts). A moved start keeps the event's length.
// Empty when the record has no valid date or the original holds no event.
QByteArray patchedEventItem(const QByteArray& original, const AppointmentRecord& record, const QString& uid,
    const QDateTime& stamp, std::span<const int> edited);

// Appends the events of a calendar item to a calendar being written, after
// the time zones they need that `zones` (the TZIDs written so far, which it
// extends) does not hold yet.
void appendItemEvents(QByteArray& out, QByteArrayView item, QSet<QByteArray>& zones);

// The dates whose occurrences a repeating event gives, both included.
struct Range {
    QDate from;
    QDate to;
    // From `today` to the same day twelve months later.
    static Range nextTwelveMonths(const QDate& today);
};

// Every event of a calendar file (or item text) as an appointment record,
// in file order; events that cannot become one carry their reason. Throws
// FileDamage naming the line of a file that cannot be read.
QList<Incoming> readEvents(const QByteArray& file, const Range& range);

} // namespace exchange::ical
