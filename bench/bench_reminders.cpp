// The reminders on a big archive, against a raw sequential read of the same
// file in the same run:
//   bench_reminders [records]        (default: 1000000)
// The first read, the read after a change, and the CPU time of an hour with
// the archive unchanged: the injected clock and the reminders' timers are
// advanced from one timer's moment to the next, as the event loop would
// fire them, without waiting the hour. Then a busy hour: the first hour
// watched on a day when about 1,400 commitments fall at 18:xx and thousands
// more are in their notice period, with its reminders given.
#include "benchsupport.h"

#include "reminders/reminderwatch.h"
#include "storage/archivefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Hour {
    double cpu = 0;
    qint64 reads = 0;
    int ticks = 0;
    int wakes = 0;
    int reminders = 0;
};

// One hour from `start`: the slow timer every five minutes, the wake timer at
// its moment, whichever comes first.
Hour runHour(reminders::Watch& watch, QDateTime& now, const QDateTime& start)
{
    Hour h;
    const auto connection = QObject::connect(
        &watch, &reminders::Watch::remind, [&h](const QList<reminders::Reminder>& r) { h.reminders += r.size(); });
    now = start;
    const qint64 readsBefore = watch.reads();
    const double before = cpuMs();
    watch.wake(); // the wake timer set before the hour
    ++h.wakes;
    const QDateTime end = start.addSecs(3600);
    QDateTime fallback = start.addMSecs(reminders::Watch::FallbackMs);
    while (true) {
        const QDateTime wake = watch.nextWake();
        const QDateTime next = std::min(wake, fallback);
        if (next > end)
            break;
        now = next;
        if (next == fallback) {
            watch.fallbackTick();
            fallback = fallback.addMSecs(reminders::Watch::FallbackMs);
            ++h.ticks;
        } else {
            watch.wake();
            ++h.wakes;
        }
    }
    h.cpu = cpuMs() - before;
    h.reads = watch.reads() - readsBefore;
    QObject::disconnect(connection);
    return h;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Archivio_Appuntamenti.qzv"_s);
    bench::generate(path, records);
    std::printf("archive: %d records, %.1f MB\n", records, QFile(path).size() / 1e6);

    const double raw = bench::bestOf(3, [&] { sink = sink + bench::rawRead(path); });
    std::printf("raw sequential read:                %9.1f ms\n", raw);
    const auto report = [raw](const char* what, double ms, const char* note = "") {
        std::printf("%-36s %9.1f ms  (%.2f x raw)%s\n", what, ms, ms / raw, note);
    };

    QDateTime now(QDate(2025, 3, 10), QTime(9, 0));
    reminders::Watch watch(path, folder.filePath(u"Promemoria_Inviati.txt"_s), [&now] { return now; });
    QElapsedTimer t;
    t.start();
    watch.start();
    report("first read (start):", t.nsecsElapsed() / 1e6);
    std::printf("  reads: %lld, commitments due today: %lld, peak memory %.0f MB\n", qint64(watch.reads()),
        qint64(watch.dueToday()), bench::peakMegabytes());

    // Another workstation saves a commitment: one read, at the watch's signal.
    AppointmentRecord added;
    added.setText(AppointmentField::date, u"10/03/2025"_s);
    added.setText(AppointmentField::hour, u"11"_s);
    added.setText(AppointmentField::minute, u"00"_s);
    added.setText(AppointmentField::noticeDays, u"0"_s);
    added.setText(AppointmentField::purpose, u"Nuovo"_s);
    added.setFlag(AppointmentField::fulfilled, false);
    archive::append(path, AppointmentRecord::Size, added.data());
    t.restart();
    const qint64 readsBefore = watch.reads();
    watch.checkArchive();
    report("after a change (one read):", t.nsecsElapsed() / 1e6);
    std::printf("  reads for the change: %lld\n", watch.reads() - readsBefore);

    const Hour idle = runHour(watch, now, QDateTime(QDate(2025, 3, 10), QTime(12, 0)));
    std::printf("%-36s %9.3f ms CPU  (%.5f x raw)  reads %lld, slow-timer ticks %d, "
                "wakes %d, reminders %d\n",
        "idle hour, archive unchanged:", idle.cpu, idle.cpu / raw, idle.reads, idle.ticks, idle.wakes, idle.reminders);

    // A new day: the day's list is made again from memory, not from the file.
    const Hour busy = runHour(watch, now, QDateTime(QDate(2031, 3, 11), QTime(17, 30)));
    std::printf("%-36s %9.3f ms CPU  (%.5f x raw)  reads %lld, slow-timer ticks %d, "
                "wakes %d, reminders %d\n",
        "busy hour (full day, from 17:30):", busy.cpu, busy.cpu / raw, busy.reads, busy.ticks, busy.wakes,
        busy.reminders);
    return 0;
}
