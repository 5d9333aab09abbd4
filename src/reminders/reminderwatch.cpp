#include "reminders/reminderwatch.h"

#include "storage/archivefile.h"

#include <QFileInfo>

#include <algorithm>

namespace reminders {

Watch::Watch(QString archive, QString ledger, Clock clock, QObject* parent)
    : QObject(parent)
    , m_archive(std::move(archive))
    , m_ledger(std::move(ledger))
    , m_clock(std::move(clock))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    m_fallback.setInterval(FallbackMs);
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, &Watch::checkArchive);
    connect(&m_fallback, &QTimer::timeout, this, &Watch::fallbackTick);
    connect(&m_wake, &QTimer::timeout, this, &Watch::wake);
}

void Watch::setMinutesBefore(int minutes)
{
    m_minutesBefore = std::clamp(minutes, 0, Settings::MaxMinutes);
    if (m_running)
        schedule(m_clock());
}

void Watch::start()
{
    if (m_running)
        return;
    m_running = true;
    read();
    watchFiles();
    m_fallback.start();
    wake();
}

void Watch::stop()
{
    m_running = false;
    m_settle.stop();
    m_fallback.stop();
    m_wake.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
}

void Watch::suspendUntil(const QDateTime& moment)
{
    m_suspendedUntil = moment;
    if (!m_running)
        return;
    if (moment.isValid())
        schedule(m_clock());
    else
        wake();
}

Watch::Stamp Watch::stamp() const
{
    const QFileInfo info(m_archive);
    if (!info.exists())
        return {};
    return { true, info.size(), info.lastModified().toMSecsSinceEpoch() };
}

void Watch::watchFiles()
{
    // A save that replaces the file ends the watch of the old one; the
    // folder's watch sees the new one arrive.
    const QString folder = QFileInfo(m_archive).absolutePath();
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    if (QFileInfo::exists(m_archive) && !m_watcher.files().contains(m_archive))
        m_watcher.addPath(m_archive);
}

void Watch::read()
{
    m_stamp = stamp();
    ++m_reads;
    Scan scan = reminders::scan(m_archive);
    if (!scan.complete) {
        // The archive could not be read to its end (held by a long save,
        // a share gone): the slow timer reads it again, and until then the
        // commitments of the last whole read stand, or what was found.
        m_stamp.size = -2;
        if (scan.commitments.size() < m_all.size())
            return;
    }
    m_all = std::move(scan.commitments);
    m_all.shrink_to_fit();
    planDay(m_clock().date());
}

void Watch::planDay(const QDate& day)
{
    m_plannedDay = day;
    m_day = ofTheDay(m_all, day);
    const qsizetype due = dueCount(m_all, day);
    if (due != m_dueToday) {
        m_dueToday = due;
        emit dueTodayChanged(due);
    }
}

void Watch::checkArchive()
{
    if (!m_running)
        return;
    watchFiles();
    if (stamp() == m_stamp)
        return;
    read();
    wake();
}

void Watch::fallbackTick()
{
    checkArchive();
    if (m_running && m_nextWake.isValid() && m_clock() >= m_nextWake)
        wake();
}

void Watch::wake()
{
    if (!m_running)
        return;
    const QDateTime now = m_clock();
    if (now.date() != m_plannedDay)
        planDay(now.date());
    if (m_suspendedUntil.isValid() && now < m_suspendedUntil) {
        schedule(now);
        return;
    }
    if (m_suspendedUntil.isValid()) {
        m_suspendedUntil = QDateTime();
        emit resumed();
    }
    QStringList keys;
    const QList<Reminder> given = collect(now, keys);
    if (!keys.isEmpty()) {
        m_ledger.add(keys, now.date());
        emit remind(given);
    }
    schedule(now);
}

QList<Reminder> Watch::dueNow()
{
    const QDateTime now = m_clock();
    if (m_reads == 0)
        read();
    if (now.date() != m_plannedDay)
        planDay(now.date());
    QStringList keys;
    return collect(now, keys);
}

QList<Reminder> Watch::collect(const QDateTime& now, QStringList& keys)
{
    QList<Reminder> given;
    // The record of what was given is read only when something this
    // program has not given yet may be due.
    if (dueAt(m_day, now, m_minutesBefore, m_ledger.remembered()).isEmpty())
        return given;
    const QList<Due> due = dueAt(m_day, now, m_minutesBefore, m_ledger.given(now.date()));
    // Each record as it is now, in one opening of the archive: fulfilled or
    // moved since the last read, it is left alone.
    AppointmentRecord record;
    try {
        ArchiveFile file;
        file.open(m_archive, AppointmentRecord::Size, ArchiveFile::Access::Read);
        const qint64 count = file.recordCount();
        for (const Due& d : due) {
            if (d.commitment.position > count)
                continue;
            file.readRecord(d.commitment.position - 1, record.data());
            const AppointmentView view(record.data());
            if (!stillDue(view, d.commitment)) {
                if (m_running)
                    m_settle.start();
                continue;
            }
            given.append({ d.kind, d.commitment.position, texts(view, d.kind) });
            keys += d.keys;
        }
    } catch (const AccessFailure&) {
        // What was read stands; the rest is tried again at the next wake.
    }
    return given;
}

void Watch::schedule(const QDateTime& now)
{
    m_nextWake = nextMoment(m_day, now, m_minutesBefore);
    if (m_suspendedUntil.isValid() && m_suspendedUntil > now)
        m_nextWake = m_suspendedUntil;
    if (m_running)
        m_wake.start(int(std::clamp<qint64>(now.msecsTo(m_nextWake), 0, 24LL * 3600 * 1000)));
}

} // namespace reminders
