#pragma once
// The reminders at work: one read of the appointments archive after each
// change of the file, and a timer set to the next moment something falls
// due. While the archive is unchanged nothing reads it: the file is watched,
// and a slow timer looks at its size and time for the shares where watching
// does not work.

#include "reminders/reminderrules.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace reminders {

// A reminder to give now, with the record's texts.
struct Reminder {
    Kind kind;
    qint64 position;
    Texts texts;
};

class Watch : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // `archive` is the appointments archive, `ledger` the record of the
    // reminders given; `clock` tells the moment.
    Watch(QString archive, QString ledger, Clock clock, QObject* parent = nullptr);

    void setMinutesBefore(int minutes);
    int minutesBefore() const { return m_minutesBefore; }
    // The first read, then the watch and the timers.
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    // No reminder until `moment`; an invalid moment resumes them.
    void suspendUntil(const QDateTime& moment);
    QDateTime suspendedUntil() const { return m_suspendedUntil; }

    // The commitments the agenda lists today.
    qsizetype dueToday() const { return m_dueToday; }
    // The moment the wake timer is set for.
    QDateTime nextWake() const { return m_nextWake; }
    // How many times the archive was read.
    qint64 reads() const { return m_reads; }

    // What the watch and the timers do; a driver advancing the clock calls
    // them as the timers would.
    // The archive is read again when its size or time differ from the last read.
    void checkArchive();
    // The slow timer: the archive's check, and the wake when its moment passed
    // while the timer could not fire (the machine asleep).
    void fallbackTick();
    // Gives the reminders due now and sets the timer for the next moment.
    void wake();
    // The reminders due now, not yet given, without giving them: one read of
    // the archive when it was not read yet (the command line's listing).
    QList<Reminder> dueNow();

    // How long a change seen by the watch settles before the read, and the
    // period of the slow timer.
    static constexpr int SettleMs = 500;
    static constexpr int FallbackMs = 5 * 60 * 1000;

signals:
    void remind(const QList<reminders::Reminder>& reminders);
    void dueTodayChanged(qsizetype count);
    // The suspension ran out.
    void resumed();

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modified = -1;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stamp() const;
    void read();
    void planDay(const QDate& day);
    void schedule(const QDateTime& now);
    void watchFiles();
    // The reminders due at `now` with the keys that record them.
    QList<Reminder> collect(const QDateTime& now, QStringList& keys);

    QString m_archive;
    Ledger m_ledger;
    Clock m_clock;
    int m_minutesBefore = 15;
    bool m_running = false;
    QDateTime m_suspendedUntil;
    QDateTime m_nextWake;
    qint64 m_reads = 0;
    qsizetype m_dueToday = 0;
    Stamp m_stamp;
    std::vector<Commitment> m_all;
    std::vector<Commitment> m_day;
    QDate m_plannedDay;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_fallback;
    QTimer m_wake;
};

} // namespace reminders
