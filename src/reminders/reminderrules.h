#pragma once
// The rules of the desktop reminders: which commitments of the appointments
// archive are worth a reminder, what to remind of at a given moment, the
// texts of a reminder, the record of the reminders already given (kept
// beside the archives, shared by every workstation of the program folder),
// the reminder settings and the entry that starts the program at login.

#include "storage/records.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace reminders {

// A reminder when the notice period begins (and on every day of it up to the
// commitment's date), and another a few minutes before its time.
enum class Kind { Notice, Soon };

// A commitment not yet fulfilled, as one read of the archive keeps it:
// small, so that a million of them stay in memory.
struct Commitment {
    qint64 position = 0;
    qint64 noticeStart = 0; // Julian day: date − notice days (the agenda's rule)
    qint64 day = 0;         // Julian day of its date
    int minute = -1;        // minutes after midnight; -1 when the time cannot be read

    QDate date() const { return QDate::fromJulianDay(day); }
    bool hasTime() const { return minute >= 0; }
    QDateTime moment() const;
    // The moment of the reminder `minutesBefore` minutes before its time.
    QDateTime soonMoment(int minutesBefore) const;
};

// The commitment behind a record: not fulfilled (exactly "No") with a
// readable date and notice days; anything else has none.
std::optional<Commitment> commitment(const AppointmentView& record, qint64 position);

// One read of the archive. `complete` is false when it could not be read to
// its end; the commitments read so far are kept.
struct Scan {
    std::vector<Commitment> commitments;
    bool complete = true;
};
Scan scan(const QString& archivePath);

// The commitments in the agenda today: notice period begun, not fulfilled.
qsizetype dueCount(const std::vector<Commitment>& commitments, const QDate& today);

// The commitments that may be reminded of on `today`: in their notice period
// and not past, or with their time on today or early tomorrow. The moments
// of a day are decided on this short list.
std::vector<Commitment> ofTheDay(const std::vector<Commitment>& commitments, const QDate& today);

// What a reminder is recorded under once given: the day, the kind, the
// record and its date and time, so a commitment moved to another date or
// time is reminded of again.
QString key(const Commitment& c, Kind kind, const QDate& day);

struct Due {
    Commitment commitment;
    Kind kind;
    QStringList keys; // recorded once it is given
};
// The reminders due at `now` and not in `given`. A commitment enters once per
// day while in its notice period, up to its date; its minutes-before
// reminder from `minutesBefore` minutes before its time to the time itself.
// When both fall at once only the minutes-before one is given, and the
// notice is counted as given with it.
QList<Due> dueAt(
    const std::vector<Commitment>& day, const QDateTime& now, int minutesBefore, const QSet<QString>& given);
// The next moment after `now` at which something of `day` falls due, or the
// next midnight, when the list of the day is made again.
QDateTime nextMoment(const std::vector<Commitment>& day, const QDateTime& now, int minutesBefore);

// The texts of a reminder, Italian: the purpose, the date and time, the contact.
struct Texts {
    QString title;
    QString body;
};
Texts texts(const AppointmentView& record, Kind kind);
// Whether the record still is the commitment a reminder was decided for:
// not fulfilled, same date and time.
bool stillDue(const AppointmentView& record, const Commitment& c);

// The record of the reminders given, a text file beside the archives, one
// key a line. Every workstation of the program folder reads it before
// reminding and adds to it afterwards; it is written whole to a temporary
// file and renamed over the old one, so a reader never sees half of it.
// Lines of past days are dropped when it is written.
class Ledger {
public:
    explicit Ledger(QString path);
    // The keys recorded for `today` or a later day, on the file or by this program.
    QSet<QString> given(const QDate& today);
    // The keys this program recorded: what the file holds besides can only
    // be more.
    const QSet<QString>& remembered() const { return m_own; }
    // Records the keys; false when the file could not be written (they are
    // still remembered for this run).
    bool add(const QStringList& keys, const QDate& today);
    static const QString FileName;

private:
    QString m_path;
    QSet<QString> m_own;
};

// The reminder settings, kept in the program folder.
struct Settings {
    bool enabled = true;
    int minutesBefore = 15;
    static constexpr int MaxMinutes = 1440;
    static Settings load(const QString& path);
    bool save(const QString& path) const;
    static const QString FileName;
};

// The XDG autostart entry that starts the program when the user logs in.
namespace autostart {
// ~/.config/autostart/quirvale.desktop, under $XDG_CONFIG_HOME when set.
QString entryPath();
bool isOn();
// Writes the entry for `program` (with `icon`) or removes it; false when the
// file system refused.
bool set(bool on, const QString& program, const QString& icon);
} // namespace autostart

} // namespace reminders
