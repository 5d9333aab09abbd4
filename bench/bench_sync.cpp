// Figures for the sync with a calendar server, against a local Radicale and
// against a raw sequential read of the same archive in the same run:
//   bench_sync [first] [unchanged]      (default: 10000 100000)
// Prints the first sync of `first` appointments and as many contacts, a sync
// with nothing to do, one with one change and one with 10 changes, each with
// its requests to the server and the time the program itself took (the
// rest is the server's), and an incremental sync of `unchanged`
// appointments with nothing changed, with the bytes that one read of the
// archive takes.
// Radicale checks each new item against every other item of the collection,
// so the server's share of a first sync grows with the square of the items.
#include "benchsupport.h"

#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "sync/davserver.h"
#include "sync/network.h"
#include "sync/standincodec.h"
#include "sync/syncrun.h"
#include "sync/syncstate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

volatile qint64 sink = 0;

// Bytes this process has read so far (all files and sockets).
qint64 bytesRead()
{
    QFile io(u"/proc/self/io"_s);
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

davsync::Settings settingsFor(const testsupport::DavServer& server, bool contacts = false)
{
    davsync::Settings settings;
    settings.server = server.url().toString();
    settings.user = u"anna"_s;
    settings.calendar = server.calendar();
    if (contacts)
        settings.addressBook = server.addressBook();
    return settings;
}

// The requests of the sync and the time spent waiting for their answers.
struct Traffic {
    int requests = 0;
    double waitedMs = 0;
};
Traffic traffic;

void countTraffic()
{
    davsync::network::setHandler([](const davsync::network::Request& request) {
        QElapsedTimer t;
        t.start();
        davsync::network::Response response = davsync::network::sendDirect(request);
        ++traffic.requests;
        traffic.waitedMs += t.nsecsElapsed() / 1e6;
        return response;
    });
}

double timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int first = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int unchanged = argc > 2 ? std::atoi(argv[2]) : 100000;
    testsupport::installStandInCodecs();

    {
        QTemporaryDir folder;
        programFolder::setOverride(folder.path());
        testsupport::DavServer server;
        if (!server.start())
            qFatal("Radicale does not start");
        const QString path = programFolder::file(programFolder::Appointments);
        bench::generate(path, first);
        bench::generateContacts(programFolder::file(programFolder::Contacts), first);
        const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
        std::printf("\nfirst sync: %d appointments, %.1f MB, and %d contacts; raw sequential read of the "
                    "appointments %.1f ms\n",
            first, QFile(path).size() / 1e6, first, raw);
        countTraffic();
        davsync::Summary summary;
        const auto run = [&](const char* what) {
            traffic = {};
            const double ms
                = timed([&] { summary = davsync::synchronize(settingsFor(server, true), u"segreta"_s, 0); });
            std::printf("%-28s %10.1f ms  (%d sent, %d requests, the program's own %.1f ms, %.1f x raw)\n", what, ms,
                summary.sent, traffic.requests, ms - traffic.waitedMs, ms / raw);
        };
        run("first sync:");
        run("nothing to do:");

        const auto change = [&](int n, int round) {
            QByteArray record(AppointmentRecord::Size, '\0');
            archive::readAt(path, AppointmentRecord::Size, 1 + n * (first / 10), record.data());
            AppointmentRecord changed = AppointmentRecord::fromBytes(record.constData());
            changed.setText(AppointmentField::notes, u"Cambiato per il banco di prova, giro %1"_s.arg(round));
            archive::rewriteAt(path, AppointmentRecord::Size, 1 + n * (first / 10), changed.data());
        };
        change(0, 1);
        run("one change:");
        for (int n = 0; n < 10; ++n)
            change(n, 2);
        run("10 changes:");
        davsync::network::setHandler({});
        programFolder::setOverride(QString());
    }

    {
        // Nothing changed on either side since the last sync: the state knows
        // every record, the server's sync token says nothing is new.
        QTemporaryDir folder;
        programFolder::setOverride(folder.path());
        testsupport::DavServer server;
        if (!server.start())
            qFatal("Radicale does not start");
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0); // the token of the empty collection
        const QString path = programFolder::file(programFolder::Appointments);
        bench::generate(path, unchanged);
        {
            const davsync::ItemCodec* codec = davsync::codecs::find(davsync::Kind::Appointments);
            davsync::SyncState state(programFolder::file(davsync::SyncState::FileName));
            state.begin();
            archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64 position) {
                const QString uid = u"banco-app-%1"_s.arg(position);
                state.saveItem(davsync::Kind::Appointments,
                    { uid, u"/anna/agenda/"_s + uid + u".ics"_s, "\"e\"", position,
                        davsync::recordDigest(bytes, codec->capacities), false });
            });
            state.commit();
        }
        const qint64 archiveBytes = QFile(path).size();
        const qint64 stateBytes = QFile(programFolder::file(davsync::SyncState::FileName)).size();
        const double raw = bench::bestOf(5, [&] { sink = sink + bench::rawRead(path); });
        std::printf("\nunchanged: %d appointments, %.1f MB; state %.1f MB; raw sequential read %.1f ms\n", unchanged,
            archiveBytes / 1e6, stateBytes / 1e6, raw);
        davsync::Summary summary;
        const qint64 before = bytesRead();
        const double ms = timed([&] { summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0); });
        const qint64 read = bytesRead() - before;
        std::printf("incremental, nothing new:    %10.1f ms  (%d sent, %d received, %.1f x raw)\n", ms, summary.sent,
            summary.received, ms / raw);
        std::printf("bytes read by the sync:      %10.1f MB  (archive %.1f MB + state %.1f MB: %.2f reads of the "
                    "archive at most)\n",
            read / 1e6, archiveBytes / 1e6, stateBytes / 1e6, double(read - stateBytes) / archiveBytes);
        programFolder::setOverride(QString());
    }
    return 0;
}
