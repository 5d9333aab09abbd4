// The sync against a real Radicale: discovery, the first upload, changes on
// each side, items of other clients, both sides changing one item, a server
// that goes away half way, two programs on one folder, a wrong password.
#include "backup/backuprules.h"
#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "support/folders.h"
#include "sync/davclient.h"
#include "sync/davserver.h"
#include "sync/network.h"
#include "sync/recordcodecs.h"
#include "sync/standincodec.h"
#include "sync/syncrun.h"
#include "sync/syncstate.h"
#include "sync/syncsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

using namespace Qt::Literals::StringLiterals;
using namespace testsupport;
using davsync::DavError;

namespace {

QList<AppointmentRecord> appointmentsIn(const QString& path)
{
    QList<AppointmentRecord> found;
    archive::readAll(path, AppointmentRecord::Size,
        [&](const char* bytes, qint64) { found.append(AppointmentRecord::fromBytes(bytes)); });
    return found;
}

QByteArray itemAt(const DavServer&, const QString& collection, const QString& uid, QByteArray* etag = nullptr)
{
    QByteArray body;
    const int status = otherClient(u"GET"_s, collection + uid, {}, {}, &body, etag);
    return status == 200 ? body : QByteArray();
}

// The value of an X-QV property of an item, decoded.
QString field(const QByteArray& item, int f)
{
    for (const QByteArray& line : standin::unfolded(item))
        if (line.startsWith(QByteArray("X-QV-" + QByteArray::number(f) + ':')))
            return QString::fromUtf8(QByteArray::fromBase64(line.mid(line.indexOf(':') + 1)));
    return QString();
}

// Puts `count` events of a phone on the server with plain HTTP requests.
void seedPhoneEvents(const DavServer& server, int count)
{
    for (int n = 1; n <= count; ++n) {
        davsync::network::Request put;
        put.method = "PUT";
        put.url = QUrl(server.calendar() + u"tel-%1.ics"_s.arg(n));
        put.headers = { { "Authorization", "Basic " + QByteArray("anna:segreta").toBase64() },
            { "Content-Type", "text/calendar" } };
        put.body = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\nUID:tel-"
            + QByteArray::number(n) + "\r\nDTSTAMP:20240301T080000Z\r\nDTSTART:20240305T093000\r\nSUMMARY:Chiamata "
            + QByteArray::number(n) + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QCOMPARE(davsync::network::sendDirect(put).status, 201);
    }
}

QSet<QString> purposesIn(const QString& path)
{
    QSet<QString> purposes;
    for (const AppointmentRecord& record : appointmentsIn(path))
        purposes.insert(record.text(AppointmentField::purpose));
    return purposes;
}

bool written(int status)
{
    return status == 201 || status == 204;
}

} // namespace

class TestDavSync : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installStandInCodecs(); }
    void cleanup() { davsync::network::setHandler({}); }

    void discoveryFindsTheUsersCollections()
    {
        DavServer server;
        QVERIFY(server.start());
        davsync::DavClient client(server.url(), u"anna"_s, u"segreta"_s);
        const davsync::Discovery found = client.discover();
        QCOMPARE(found.principal.path(), u"/anna/"_s);
        QCOMPARE(found.calendars.size(), 1);
        QCOMPARE(found.calendars[0].url.toString(), server.calendar());
        QCOMPARE(found.calendars[0].name, u"Agenda"_s);
        QCOMPARE(found.addressBooks.size(), 1);
        QCOMPARE(found.addressBooks[0].url.toString(), server.addressBook());
    }

    // A server that sends discovery to another host, or from https down to
    // plain http: nothing reaches that address, and the message names it.
    void credentialsNeverGoToAnotherAddress_data()
    {
        QTest::addColumn<QString>("to");
        QTest::newRow("another host") << u"http://127.0.0.2:%1/anna/"_s;
        QTest::newRow("another port") << u"http://127.0.0.1:1/anna/"_s;
    }
    void credentialsNeverGoToAnotherAddress()
    {
        QFETCH(QString, to);
        DavServer server;
        QVERIFY(server.start());
        const QUrl other(to.contains(u'%') ? to.arg(server.url().port()) : to);
        QStringList elsewhere;
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            if (request.url.host() != server.url().host() || request.url.port() != server.url().port()) {
                elsewhere << request.url.toString();
                return davsync::network::Response { 207, davsync::network::Failure::None, {}, {}, {} };
            }
            if (request.url.path().startsWith(u"/.well-known/"_s)) {
                davsync::network::Response moved;
                moved.status = 301;
                moved.headers.insert("location", other.toString().toUtf8());
                return moved;
            }
            return davsync::network::sendDirect(request);
        });
        davsync::DavClient client(server.url(), u"anna"_s, u"segreta"_s);
        try {
            client.discover();
            QFAIL("discovery followed the server to another address");
        } catch (const DavError& error) {
            QCOMPARE(error.kind(), DavError::Kind::OtherHost);
            QVERIFY2(error.message().contains(other.toString(QUrl::RemovePath | QUrl::StripTrailingSlash)),
                qPrintable(error.message()));
        }
        QCOMPARE(elsewhere, QStringList());
    }

    void wrongPasswordIsReportedAndChangesNothing()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 3);
        try {
            davsync::synchronize(settingsFor(server), u"sbagliata"_s, 0);
            QFAIL("the sync went through with a wrong password");
        } catch (const DavError& error) {
            QCOMPARE(error.kind(), DavError::Kind::Unauthorized);
            QVERIFY2(error.message().contains(server.url().toString(QUrl::RemovePath)), qPrintable(error.message()));
            QVERIFY(error.message().contains(u"password"_s));
        }
        QVERIFY(server.storedEvents().isEmpty());
        davsync::SyncState state(folder.file(davsync::SyncState::FileName));
        const auto last = state.lastRun();
        QVERIFY(last && !last->ok);
    }

    void plainHttpOnlyToThisMachineOrWhenAllowed_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("https") << u"https://dav.example.it/"_s << false << true;
        QTest::newRow("localhost") << u"http://localhost:5232/"_s << false << true;
        QTest::newRow("loopback") << u"http://127.0.0.1:5232/"_s << false << true;
        QTest::newRow("loopback v6") << u"http://[::1]:5232/"_s << false << true;
        QTest::newRow("other machine") << u"http://dav.example.it/"_s << false << false;
        QTest::newRow("other machine allowed") << u"http://dav.example.it/"_s << true << true;
        QTest::newRow("not web") << u"ftp://dav.example.it/"_s << true << false;
    }
    void plainHttpOnlyToThisMachineOrWhenAllowed()
    {
        QFETCH(QString, address);
        QFETCH(bool, allowed);
        QFETCH(bool, accepted);
        bool passed = true;
        try {
            davsync::checkAddress(QUrl(address), allowed);
        } catch (const DavError&) {
            passed = false;
        }
        QCOMPARE(passed, accepted);
    }

    void serverFailuresGiveTheirMessages_data()
    {
        QTest::addColumn<int>("status");  // the answer to every request
        QTest::addColumn<int>("failure"); // davsync::network::Failure
        QTest::addColumn<int>("kind");    // DavError::Kind
        QTest::addColumn<QString>("says");
        using F = davsync::network::Failure;
        using K = DavError::Kind;
        QTest::newRow("401") << 401 << int(F::None) << int(K::Unauthorized) << u"password"_s;
        QTest::newRow("403") << 403 << int(F::None) << int(K::Forbidden) << u"permessi"_s;
        QTest::newRow("404") << 404 << int(F::None) << int(K::NotFound) << u"non trova"_s;
        QTest::newRow("500") << 500 << int(F::None) << int(K::ServerError) << u"(500)"_s;
        QTest::newRow("503") << 503 << int(F::None) << int(K::ServerError) << u"riprovare più tardi"_s;
        QTest::newRow("timeout") << 0 << int(F::Timeout) << int(K::Timeout) << u"non risponde in tempo"_s;
        QTest::newRow("certificate") << 0 << int(F::Certificate) << int(K::Certificate) << u"certificato"_s;
        QTest::newRow("no connection") << 0 << int(F::Unreachable) << int(K::Unreachable) << u"raggiungere"_s;
    }
    void serverFailuresGiveTheirMessages()
    {
        QFETCH(int, status);
        QFETCH(int, failure);
        QFETCH(int, kind);
        QFETCH(QString, says);
        ProgramFolderFixture folder;
        writeAppointments(folder.file(programFolder::Appointments), 2);
        davsync::network::setHandler([&](const davsync::network::Request&) {
            davsync::network::Response response;
            response.status = status;
            response.failure = davsync::network::Failure(failure);
            return response;
        });
        davsync::Settings settings;
        settings.server = u"https://dav.ufficio.example/"_s;
        settings.user = u"anna"_s;
        settings.calendar = u"https://dav.ufficio.example/anna/agenda/"_s;
        try {
            davsync::synchronize(settings, u"segreta"_s, 0);
            QFAIL("the sync went through");
        } catch (const DavError& error) {
            QCOMPARE(int(error.kind()), kind);
            QVERIFY2(error.message().contains(u"https://dav.ufficio.example"_s), qPrintable(error.message()));
            QVERIFY2(error.message().contains(says), qPrintable(error.message()));
        }
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 2);
    }

    void anItemChangedThereWhileSendingFollowsTheConflictRule()
    {
        // The server's item changes between the listing and the send: the
        // send is refused (412) and the conflict rule keeps both versions.
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 2);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        AppointmentRecord here = numberedAppointment(1);
        here.setText(AppointmentField::place, u"Sede"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 1, here.data());

        bool changedThere = false;
        int refused = 0;
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            if (request.method == "PUT" && !changedThere) {
                changedThere = true;
                QByteArray etag;
                QByteArray there = itemAt(server, server.calendar(), itemName(true, 1), &etag);
                there.replace(QByteArray("END:VEVENT"),
                    QByteArray("X-QV-12:" + u"Filiale"_s.toUtf8().toBase64() + "\r\nEND:VEVENT"));
                otherClient(u"PUT"_s, server.calendar() + itemName(true, 1), there, etag);
            }
            const davsync::network::Response response = davsync::network::sendDirect(request);
            refused += response.status == 412;
            return response;
        });
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(refused, 1);
        QCOMPARE(summary.conflicts, 1);
        QCOMPARE(field(itemAt(server, server.calendar(), itemName(true, 1)), int(AppointmentField::place)), u"Sede"_s);
        const QList<AppointmentRecord> records = appointmentsIn(path);
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[2].text(AppointmentField::place), u"Filiale"_s);
    }

    void firstUploadThenNothingToDo()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        // Radicale checks every new item against all the others, so a first upload
        // takes time that grows with the square of the items: 1,000 and 10,000 are in bench_sync.
        writeAppointments(folder.file(programFolder::Appointments), 300);
        writeContacts(folder.file(programFolder::Contacts), 200);

        const davsync::Summary first = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(first.sent, 500);
        QCOMPARE(first.received, 0);
        QCOMPARE(server.storedEvents().size(), 300);
        QCOMPARE(server.storedCards().size(), 200);
        const QByteArray item = itemAt(server, server.calendar(), itemName(true, 7));
        QVERIFY(item.contains(
            QByteArray("UID:" + QUrl::fromPercentEncoding(itemName(true, 7).chopped(4).toLatin1()).toUtf8())));
        QCOMPARE(field(item, int(AppointmentField::purpose)), u"Visita n. 7, città"_s);
        QCOMPARE(field(itemAt(server, server.addressBook(), itemName(false, 9)), int(ContactField::residenceTown)),
            u"Forlì"_s);

        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent, 0);
        QCOMPARE(again.received, 0);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 300);
        QCOMPARE(archive::count(folder.file(programFolder::Contacts), ContactRecord::Size), 200);
    }

    void aChangeOnEachSideReachesTheOther()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 5);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);

        // Here: record 2 gets new notes.
        AppointmentRecord here = numberedAppointment(2);
        here.setText(AppointmentField::notes, u"portare i documenti"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 2, here.data());
        // There: another client moves item 4 to another purpose.
        QByteArray etag;
        QByteArray there = itemAt(server, server.calendar(), itemName(true, 4), &etag);
        there.replace(QByteArray("X-QV-6:" + u"Visita n. 4, città"_s.toUtf8().toBase64()),
            QByteArray("X-QV-6:" + u"Riunione spostata"_s.toUtf8().toBase64()));
        QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + itemName(true, 4), there, etag)));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.sent, 1);
        QCOMPARE(summary.received, 1);
        QCOMPARE(summary.conflicts, 0);
        QCOMPARE(field(itemAt(server, server.calendar(), itemName(true, 2)), int(AppointmentField::notes)),
            u"portare i documenti"_s);
        const QList<AppointmentRecord> records = appointmentsIn(path);
        QCOMPARE(records.size(), 5);
        QCOMPARE(records[3].text(AppointmentField::purpose), u"Riunione spostata"_s);
        QCOMPARE(records[1].text(AppointmentField::notes), u"portare i documenti"_s);
    }

    void anItemOfAnotherClientLandsInTheArchive()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 2);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        const QByteArray event = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                                 "UID:telefono-1\r\nDTSTAMP:20240301T080000Z\r\nDTSTART:20240305T093000\r\n"
                                 "SUMMARY:Dentista\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QCOMPARE(otherClient(u"PUT"_s, server.calendar() + u"telefono-1.ics"_s, event), 201);

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.received, 1);
        QCOMPARE(summary.sent, 0);
        const QList<AppointmentRecord> records = appointmentsIn(path);
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[2].text(AppointmentField::purpose), u"Dentista"_s);
        QCOMPARE(records[2].text(AppointmentField::date), u"05/03/2024"_s);
        QCOMPARE(records[2].text(AppointmentField::hour), u"09"_s);
        // The new record is now an item like the others: nothing travels again.
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received, 0);
        QCOMPARE(appointmentsIn(path).size(), 3);
    }

    // Both sides changed one item. Each in a field of its own: the server's
    // change comes into the archive, the office's goes to the server, and
    // there is nothing to settle. Both in the same field: the archive's text
    // goes to the server and the server's version stays in the archive as a
    // conflict copy. Either way the next sync has nothing to do.
    void bothSidesChanged_data()
    {
        QTest::addColumn<int>("changed");   // the field the office changes, to "Ufficio di Bologna"
        QTest::addColumn<QString>("place"); // the place the server and the archive then hold
        QTest::addColumn<bool>("copy");     // a conflict copy kept
        QTest::newRow("other fields") << int(AppointmentField::notes) << u"Studio di Rimini"_s << false;
        QTest::newRow("the same field") << int(AppointmentField::place) << u"Ufficio di Bologna"_s << true;
    }
    void bothSidesChanged()
    {
        QFETCH(int, changed);
        QFETCH(QString, place);
        QFETCH(bool, copy);
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 3);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);

        AppointmentRecord here = numberedAppointment(3);
        here.setText(AppointmentField(changed), u"Ufficio di Bologna"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 3, here.data());
        QByteArray etag;
        QByteArray there = itemAt(server, server.calendar(), itemName(true, 3), &etag);
        there.replace(QByteArray("END:VEVENT"),
            QByteArray("X-QV-12:" + u"Studio di Rimini"_s.toUtf8().toBase64() + "\r\nEND:VEVENT"));
        QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + itemName(true, 3), there, etag)));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.conflicts, copy ? 1 : 0);
        const QByteArray item = itemAt(server, server.calendar(), itemName(true, 3));
        QCOMPARE(field(item, int(AppointmentField::place)), place);
        QCOMPARE(field(item, changed), u"Ufficio di Bologna"_s);
        const QList<AppointmentRecord> records = appointmentsIn(path);
        QCOMPARE(records.size(), copy ? 4 : 3);
        QCOMPARE(records[2].text(AppointmentField::place), place);
        QCOMPARE(records[2].text(AppointmentField(changed)), u"Ufficio di Bologna"_s);
        {
            davsync::SyncState state(folder.file(davsync::SyncState::FileName));
            QCOMPARE(state.conflicts().size(), copy ? 1 : 0);
            if (copy) {
                QCOMPARE(records[3].text(AppointmentField::place), u"Studio di Rimini"_s);
                QVERIFY(records[3].text(AppointmentField::notes).startsWith(u"Copia in conflitto"_s));
                QCOMPARE(state.conflicts()[0].position, 4);
            }
        }

        // The copy stays here: the next sync sends nothing and copies nothing again.
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
        QCOMPARE(server.storedEvents().size(), 3);
    }

    void anItemDeletedOnTheServerIsReportedAndKept()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 3);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(otherClient(u"DELETE"_s, server.calendar() + itemName(true, 2)), 200);

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.removed, 1);
        QVERIFY(summary.notes.join(u'\n').contains(u"n. 2"_s));
        QCOMPARE(appointmentsIn(path).size(), 3);
        // Reported once, and not sent again while it stays as it is.
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.removed + again.sent, 0);
        QCOMPARE(server.storedEvents().size(), 2);
    }

    void aServerStoppedHalfWayLosesNothingAndDoublesNothing()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 120);
        // Items of another client, to be fetched after the sends.
        seedPhoneEvents(server, 60);

        for (const QByteArray& stopAt : { QByteArray("PUT"), QByteArray("REPORT") }) {
            int seen = 0;
            davsync::network::setHandler([&](const davsync::network::Request& request) {
                // The server goes away after 70 sends, or after the first fetch of new items.
                const bool last = request.method == stopAt && ++seen == (stopAt == "PUT" ? 70 : 2);
                davsync::network::Response response = davsync::network::sendDirect(request);
                if (last)
                    server.stop();
                return response;
            });
            QVERIFY_THROWS_EXCEPTION(DavError, davsync::synchronize(settingsFor(server), u"segreta"_s, 0));
            davsync::network::setHandler({});
            QVERIFY(server.start());
        }
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);

        QCOMPARE(server.storedEvents().size(), 180);
        const QList<AppointmentRecord> records = appointmentsIn(path);
        QCOMPARE(records.size(), 180);
        QSet<QString> purposes;
        for (const AppointmentRecord& record : records)
            purposes.insert(record.text(AppointmentField::purpose));
        QCOMPARE(purposes.size(), 180);
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
    }

    void aSendWhoseRecordWasLostIsNotSentTwice()
    {
        // The program killed after the server took an item, before the state recorded it.
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 4);
        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QFile::remove(folder.file(davsync::SyncState::FileName));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.conflicts, 0);
        QCOMPARE(summary.received, 0);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 4);
        QCOMPARE(server.storedEvents().size(), 4);
    }

    void aProgramKilledWhileWritingTheArchiveDoublesNothing()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        seedPhoneEvents(server, 150);
        const QString path = folder.file(programFolder::Appointments);
        QProcess worker;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QUIRVALE_SYNC_PASSWORD"_s, u"segreta"_s);
        worker.setProcessEnvironment(environment);
        worker.start(QString::fromUtf8(SYNC_WORKER_PATH),
            { folder.path(), server.url().toString(), server.calendar(), server.addressBook() });
        QVERIFY(worker.waitForStarted());
        // Killed as soon as the first fetched records reach the archive.
        while (worker.state() == QProcess::Running && QFileInfo(path).size() == 0)
            QThread::usleep(500);
        worker.kill();
        worker.waitForFinished();
        QVERIFY(QFileInfo(path).size() < 150 * AppointmentRecord::Size);

        davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(archive::count(path, AppointmentRecord::Size), 150);
        QCOMPARE(purposesIn(path).size(), 150);
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
    }

    // The program's own conversions: an appointment goes out as the event of
    // its calendar export, under the same UID, a contact as its vCard without
    // the fiscal data; a phone's repeating event and its change of a card
    // come back into the records, what the card does not carry kept.
    void theProgramsOwnItemsTravelBothWays()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const auto restore = qScopeGuard([] { installStandInCodecs(); });
        const QString appointments = folder.file(programFolder::Appointments);
        const QString contacts = folder.file(programFolder::Contacts);
        writeAppointments(appointments, 2);
        AppointmentRecord undated = numberedAppointment(3);
        undated.setText(AppointmentField::date, QString());
        archive::append(appointments, AppointmentRecord::Size, undated.data());
        ContactRecord contact = numberedContact(1);
        contact.setText(ContactField::taxCode, u"RSSMRA80A01D704X"_s);
        contact.setText(ContactField::mobilePhone, u"333 1234567"_s);
        writeFile(contacts, QByteArray(contact.data(), ContactRecord::Size));

        const davsync::Summary first = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(first.sent, 3);
        QVERIFY(first.notes.join(u'\n').contains(u"Appuntamento n. 3: senza una data valida"_s));
        // Each record is named by the archive's map, the same the files use.
        const auto uidOf = [](const QString& archive, std::span<const int> capacities, QChar prefix) {
            const itemmap::ItemMap map = itemmap::ItemMap::load(archive, capacities, prefix);
            const itemmap::ItemMap::Entry* entry = map.byPosition(1);
            return entry ? entry->uid : QString();
        };
        const QString uid = uidOf(appointments, records::AppointmentLayout::Capacities, u'A');
        QVERIFY(uid.endsWith(u"@quirvale"_s));
        QCOMPARE(server.storedEvents().size(), 2);
        const QByteArray event = itemAt(server, server.calendar(), uid + u".ics"_s);
        QVERIFY2(event.contains("BEGIN:VEVENT"), event.constData());
        QVERIFY(event.contains(QByteArray("UID:" + uid.toUtf8())));
        QVERIFY(event.contains("SUMMARY:Visita n. 1\\, città"));
        QVERIFY(event.contains("DTSTART;TZID=Europe/Rome:20240102T0930"));
        // The calendar export names the same appointment with the same UID.
        const QString exported = folder.file(u"agenda.ics"_s);
        exchange::exportCalendar(exported, QDateTime::currentDateTime());
        QVERIFY(readFile(exported).contains(QByteArray("UID:" + uid.toUtf8())));
        const QString cardUid = uidOf(contacts, records::ContactLayout::Capacities, u'C');
        QVERIFY(cardUid.endsWith(u"@quirvale"_s));
        QByteArray etag;
        QByteArray card = itemAt(server, server.addressBook(), cardUid + u".vcf"_s, &etag);
        QVERIFY2(card.contains("FN:Rossi Mario 1"), card.constData());
        QVERIFY(!card.contains("RSSMRA80A01D704X"));

        // A phone adds a weekly event and changes the card's mobile number.
        const QByteArray weekly = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                                  "UID:settimanale-1\r\nDTSTAMP:20240301T080000Z\r\nDTSTART:20200106T150000\r\n"
                                  "RRULE:FREQ=WEEKLY;COUNT=3\r\nSUMMARY:Corso\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QCOMPARE(otherClient(u"PUT"_s, server.calendar() + u"settimanale-1.ics"_s, weekly), 201);
        card.replace("333 1234567", "347 7654321");
        QVERIFY(written(otherClient(u"PUT"_s, server.addressBook() + cardUid + u".vcf"_s, card, etag)));

        const davsync::Summary second = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(second.received, 2);
        QCOMPARE(second.conflicts, 0);
        const QList<AppointmentRecord> records = appointmentsIn(appointments);
        QCOMPARE(records.size(), 4);
        // A series that has ended comes in as its first occurrence.
        QCOMPARE(records[3].text(AppointmentField::purpose), u"Corso"_s);
        QCOMPARE(records[3].text(AppointmentField::date), u"06/01/2020"_s);
        QCOMPARE(records[3].text(AppointmentField::time), u"15:00"_s);
        const ContactRecord changed = ContactRecord::fromBytes(readFile(contacts).constData());
        QCOMPARE(changed.text(ContactField::mobilePhone), u"347 7654321"_s);
        QCOMPARE(changed.text(ContactField::taxCode), u"RSSMRA80A01D704X"_s);

        const davsync::Summary third = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(third.received + third.conflicts, 0);
        QCOMPARE(archive::count(appointments, AppointmentRecord::Size), 4);
    }

    // A conflict copy kept by an earlier sync, whose place now holds another
    // record (the archive put back from a backup, or copied): that record
    // is the archive's own and is sent; the copy's row names nothing now.
    void aConflictCopyNoLongerThereNamesNothing()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 2);
        {
            davsync::SyncState state(folder.file(davsync::SyncState::FileName));
            state.addConflict({ davsync::Kind::Appointments, u"perso"_s, 2, "\"1\"", QDateTime::currentDateTime(),
                "un altro record" });
        }
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);
        QCOMPARE(server.storedEvents().size(), 2);
        davsync::SyncState state(folder.file(davsync::SyncState::FileName));
        QVERIFY(state.conflicts().isEmpty());
    }

    // A phone's repeating event with an alarm and an attendee, and a card
    // with its company and photo: edited in the office and synced back, each
    // keeps all that the card cannot hold, with the office's change in it.
    void aPhonesItemEditedHereKeepsWhatTheCardCannotHold()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const auto restore = qScopeGuard([] { installStandInCodecs(); });
        const QByteArray event = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Google Inc//Google Calendar//EN\r\n"
                                 "BEGIN:VEVENT\r\nUID:corso-1@google.example\r\nDTSTAMP:20240301T080000Z\r\n"
                                 "DTSTART:20240108T170000Z\r\nDTEND:20240108T183000Z\r\n"
                                 "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nSUMMARY:Corso di aggiornamento\r\n"
                                 "ATTENDEE;CN=Ferri Cristina;PARTSTAT=ACCEPTED:mailto:cristina@example.it\r\n"
                                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Corso\r\nTRIGGER:-PT30M\r\n"
                                 "END:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        const QByteArray card
            = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bianchi-1@google.example\r\n"
              "FN:Bianchi Maria\r\nN:Bianchi;Maria;;;\r\nORG:Studio Bianchi\r\n"
              "TEL;TYPE=CELL:333 1111111\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/\r\n"
              "END:VCARD\r\n";
        QCOMPARE(otherClient(u"PUT"_s, server.calendar() + u"corso-1.ics"_s, event), 201);
        QCOMPARE(otherClient(u"PUT"_s, server.addressBook() + u"bianchi-1.vcf"_s, card), 201);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).received, 2);

        const QString appointments = folder.file(programFolder::Appointments);
        const QString contacts = folder.file(programFolder::Contacts);
        AppointmentRecord appointment = appointmentsIn(appointments).value(0);
        QCOMPARE(appointment.text(AppointmentField::purpose), u"Corso di aggiornamento"_s);
        appointment.setText(AppointmentField::place, u"Sala riunioni"_s);
        archive::rewriteAt(appointments, AppointmentRecord::Size, 1, appointment.data());
        ContactRecord contact = ContactRecord::fromBytes(readFile(contacts).constData());
        contact.setText(ContactField::zone, u"Centro"_s);
        contact.setText(ContactField::mobilePhone, u"347 2222222"_s);
        archive::rewriteAt(contacts, ContactRecord::Size, 1, contact.data());
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);

        const QByteArray there = itemAt(server, server.calendar(), u"corso-1.ics"_s);
        for (const QByteArray& kept : { QByteArray("RRULE:FREQ=WEEKLY;BYDAY=MO\r\n"),
                 QByteArray("DTSTART:20240108T170000Z\r\n"), QByteArray("DTEND:20240108T183000Z\r\n"),
                 QByteArray("ATTENDEE;CN=Ferri Cristina;PARTSTAT=ACCEPTED:mailto:cristina@example.it\r\n"),
                 QByteArray("TRIGGER:-PT30M\r\n"), QByteArray("LOCATION:Sala riunioni\r\n"),
                 QByteArray("UID:corso-1@google.example\r\n") })
            QVERIFY2(there.contains(kept), QByteArray(kept + "\nnot in\n" + there).constData());
        const QByteArray cardThere = itemAt(server, server.addressBook(), u"bianchi-1.vcf"_s);
        for (const QByteArray& kept : { QByteArray("ORG:Studio Bianchi\r\n"), QByteArray("PHOTO;ENCODING=b;TYPE=JPEG:"),
                 QByteArray("TEL;TYPE=CELL,VOICE:347 2222222\r\n"), QByteArray("X-QUIRVALE-ZONA:Centro\r\n") })
            QVERIFY2(cardThere.contains(kept), QByteArray(kept + "\nnot in\n" + cardThere).constData());
        QVERIFY(!cardThere.contains("333 1111111"));

        // Nothing left to do, and nothing doubled.
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
        QCOMPARE(archive::count(appointments, AppointmentRecord::Size), 1);
        QCOMPARE(server.storedEvents().size(), 1);
    }

    // A backup put back after a sync, then new appointments in the places
    // of the lost ones: those go to the server as new items, the lost ones
    // come back from the server into the archive, and no item of the server
    // is written over by another record. A sync after that has nothing to do.
    void syncAfterARestoreWritesOverNothing_data()
    {
        QTest::addColumn<bool>("byHand"); // the archive alone copied back, its map and the state left as they were
        QTest::newRow("restore of a backup") << false;
        QTest::newRow("archive copied back by hand") << true;
    }
    void syncAfterARestoreWritesOverNothing()
    {
        QFETCH(bool, byHand);
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        const QString appointments = folder.file(programFolder::Appointments);
        writeAppointments(appointments, 2);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);
        QTemporaryDir backups;
        const backup::Result made
            = backup::makeBackup(folder.path(), backups.path(), 10, QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
        QVERIFY2(made.ok(), qPrintable(made.message));
        const QByteArray copied = readFile(appointments);

        for (int n = 3; n <= 5; ++n)
            archive::append(appointments, AppointmentRecord::Size, numberedAppointment(n).data());
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 3);
        QMap<QString, QByteArray> before;
        for (const QString& name : server.storedEvents())
            before.insert(name, itemAt(server, server.calendar(), name));
        QCOMPARE(before.size(), 5);

        if (byHand) {
            writeFile(appointments, copied);
        } else {
            const backup::Result restored
                = backup::restore(folder.path(), made.file, QDateTime(QDate(2024, 3, 11), QTime(9, 0)));
            QVERIFY2(restored.ok(), qPrintable(restored.message));
        }
        QCOMPARE(archive::count(appointments, AppointmentRecord::Size), 2);
        for (int n = 103; n <= 105; ++n)
            archive::append(appointments, AppointmentRecord::Size, numberedAppointment(n).data());

        const davsync::Summary after = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(after.sent, 3);
        QCOMPARE(after.received, 3);
        QCOMPARE(after.conflicts, 0);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(itemAt(server, server.calendar(), it.key()), it.value());
        QCOMPARE(server.storedEvents().size(), 8);
        const QList<AppointmentRecord> records = appointmentsIn(appointments);
        QCOMPARE(records.size(), 8);
        QSet<QString> purposes;
        for (const AppointmentRecord& record : records)
            purposes.insert(record.text(AppointmentField::purpose));
        QCOMPARE(purposes.size(), 8);

        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
    }

    void twoProgramsOnOneFolderSyncOneAfterTheOther()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 80);
        writeContacts(folder.file(programFolder::Contacts), 20);
        QList<QProcess*> workers;
        for (int i = 0; i < 2; ++i) {
            auto* worker = new QProcess(this);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"QUIRVALE_SYNC_PASSWORD"_s, u"segreta"_s);
            worker->setProcessEnvironment(environment);
            worker->start(QString::fromUtf8(SYNC_WORKER_PATH),
                { folder.path(), server.url().toString(), server.calendar(), server.addressBook() });
            workers.append(worker);
        }
        for (QProcess* worker : workers) {
            QVERIFY(worker->waitForFinished(120000));
            QCOMPARE(worker->exitCode(), 0);
        }
        const QByteArray first = workers[0]->readAllStandardOutput();
        const QByteArray second = workers[1]->readAllStandardOutput();
        // One sent everything, the other waited and found nothing to do.
        QCOMPARE(QSet<QByteArray>({ first.trimmed(), second.trimmed() }), QSet<QByteArray>({ "100 0", "0 0" }));
        QCOMPARE(server.storedEvents().size(), 80);
        QCOMPARE(server.storedCards().size(), 20);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 80);
    }

    // A program killed in the middle of a sync leaves its lock behind: the
    // next sync on this workstation takes it over at once (its owner is
    // provably gone) and finishes the work, nothing doubled, whatever the
    // moment: after the first item the server took, after a group of rows
    // was recorded, after the last.
    void aLockLeftByAKilledSyncIsTakenOverAtOnce_data()
    {
        QTest::addColumn<int>("endAfter");
        QTest::newRow("after the first send") << 1;
        QTest::newRow("half way") << 30;
        QTest::newRow("after a group was recorded") << 51;
        QTest::newRow("after the last send") << 60;
    }
    void aLockLeftByAKilledSyncIsTakenOverAtOnce()
    {
        QFETCH(int, endAfter);
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 60);
        QProcess worker;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QUIRVALE_SYNC_PASSWORD"_s, u"segreta"_s);
        environment.insert(u"QUIRVALE_TEST_END_AFTER_PUTS"_s, QString::number(endAfter));
        worker.setProcessEnvironment(environment);
        worker.start(QString::fromUtf8(SYNC_WORKER_PATH),
            { folder.path(), server.url().toString(), server.calendar(), server.addressBook() });
        QVERIFY(worker.waitForFinished(60000));
        QCOMPARE(worker.exitCode(), 9);
        const QString lock = folder.file(programFolder::SyncLock);
        QVERIFY(QFileInfo::exists(lock));
        QCOMPARE(server.storedEvents().size(), endAfter);

        QElapsedTimer waited;
        waited.start();
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QVERIFY2(waited.elapsed() < 20000, qPrintable(QString::number(waited.elapsed())));
        QCOMPARE(summary.received + summary.conflicts, 0);
        QCOMPARE(server.storedEvents().size(), 60);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 60);
        QVERIFY(!QFileInfo::exists(lock));
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
    }

    // Two programs on one folder, each adding appointments and syncing in
    // turn while the other does: the state database, which only the holder
    // of the sync's lock opens, is sound at the end and names every item
    // once, and the server holds every appointment once.
    void twoProgramsSyncingInTurnKeepTheStateSound()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 20);
        constexpr int Rounds = 6;
        QList<QProcess*> workers;
        for (int i = 0; i < 2; ++i) {
            auto* worker = new QProcess(this);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"QUIRVALE_SYNC_PASSWORD"_s, u"segreta"_s);
            worker->setProcessEnvironment(environment);
            worker->start(QString::fromUtf8(SYNC_WORKER_PATH),
                { folder.path(), server.url().toString(), server.calendar(), server.addressBook(),
                    QString::number(Rounds) });
            workers.append(worker);
        }
        for (QProcess* worker : workers) {
            QVERIFY(worker->waitForFinished(180000));
            QVERIFY2(worker->exitCode() == 0, worker->readAllStandardError().constData());
        }
        const davsync::Summary last = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(last.sent + last.received, 0);
        constexpr int Total = 20 + 2 * Rounds;
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), Total);
        QCOMPARE(server.storedEvents().size(), Total);
        // Read by SQLite itself, outside the program.
        QProcess check;
        check.start(u"/usr/bin/python3"_s,
            { u"-c"_s,
                u"import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); "
                u"print(db.execute('PRAGMA integrity_check').fetchone()[0], "
                u"db.execute(\"SELECT COUNT(*), COUNT(DISTINCT position) FROM items WHERE kind = 'appuntamenti'\").fetchone())"_s,
                folder.file(davsync::SyncState::FileName) });
        QVERIFY(check.waitForFinished(30000));
        QCOMPARE(check.readAllStandardOutput().trimmed(),
            QByteArray("ok (%1, %1)").replace("%1", QByteArray::number(Total)));
    }
};

QTEST_GUILESS_MAIN(TestDavSync)
#include "tst_davsync.moc"
