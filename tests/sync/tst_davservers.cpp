// The sync against what real servers do each their own way, on Radicale
// and on Xandikos: items already there under the folder's UIDs, sync tokens
// refused or not offered, single items refused, an item removed while the
// sync runs, cancelled events and groups of contacts as phones write them.
#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
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

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace testsupport;
using davsync::DavError;
using Software = DavServer::Software;

namespace {

QByteArray itemAt(const QString& url, QByteArray* etag = nullptr)
{
    QByteArray body;
    return otherClient(u"GET"_s, url, {}, {}, &body, etag) == 200 ? body : QByteArray();
}

bool written(int status)
{
    return status == 201 || status == 204;
}

QStringList purposesIn(const QString& path)
{
    QStringList purposes;
    archive::readAll(path, AppointmentRecord::Size, [&](const char* bytes, qint64) {
        purposes.append(AppointmentRecord::fromBytes(bytes).text(AppointmentField::purpose));
    });
    return purposes;
}

// The stand-in codec's line of a field, as it carries it.
QByteArray fieldLine(int field, const QString& text)
{
    return "X-QV-" + QByteArray::number(field) + ':' + text.toUtf8().toBase64();
}

void addServers()
{
    QTest::addColumn<Software>("software");
    QTest::newRow("Radicale") << Software::Radicale;
    QTest::newRow("Xandikos") << Software::Xandikos;
}

} // namespace

class TestDavServers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installStandInCodecs(); }
    void cleanup()
    {
        davsync::network::setHandler({});
        installStandInCodecs();
    }

    // The calendar went to a phone once as a file, and the phone put it into
    // the account; then the sync is turned on. Each item carries the UID of
    // its record: it is that record, compared as any other, and neither the
    // archive nor the server gets a second copy. What the phone changed comes in.
    void itemsAlreadyThereUnderOurUidsAreThoseRecords_data() { addServers(); }
    void itemsAlreadyThereUnderOurUidsAreThoseRecords()
    {
        QFETCH(Software, software);
        ProgramFolderFixture folder;
        const QString appointments = folder.file(programFolder::Appointments);
        writeAppointments(appointments, 3);
        // The items as the folder writes them, with their UIDs.
        DavServer first;
        QVERIFY(first.start());
        QCOMPARE(davsync::synchronize(settingsFor(first), u"segreta"_s, 0).sent, 3);
        DavServer server(software);
        QVERIFY(server.start());
        int n = 0;
        for (const QString& name : first.storedEvents()) {
            QByteArray text = itemAt(first.calendar() + name);
            QVERIFY(!text.isEmpty());
            if (text.contains(fieldLine(6, u"Visita n. 2, città"_s)))
                text.replace(fieldLine(6, u"Visita n. 2, città"_s), fieldLine(6, u"Visita spostata dal telefono"_s));
            QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + u"telefono-%1.ics"_s.arg(++n), text)));
        }
        QFile::remove(folder.file(davsync::SyncState::FileName));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.conflicts, 0);
        QCOMPARE(summary.sent, 0);
        QCOMPARE(server.storedEvents().size(), 3);
        const QStringList purposes = purposesIn(appointments);
        QCOMPARE(purposes.size(), 3);
        QCOMPARE(purposes.value(1), u"Visita spostata dal telefono"_s);

        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts + again.removed, 0);
        QCOMPARE(server.storedEvents().size(), 3);
    }

    // A UID the collection holds under another name is refused by both
    // servers, each in its own way (Xandikos inside a multi-status answer):
    // a refusal, never taken for success.
    void aUidTakenUnderAnotherNameIsRefused_data() { addServers(); }
    void aUidTakenUnderAnotherNameIsRefused()
    {
        QFETCH(Software, software);
        DavServer server(software);
        QVERIFY(server.start());
        const QByteArray event = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                                 "UID:doppio-1\r\nDTSTAMP:20240301T080000Z\r\nDTSTART:20240305T093000\r\n"
                                 "SUMMARY:Riunione\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + u"primo.ics"_s, event)));
        davsync::DavClient client(server.url(), u"anna"_s, u"segreta"_s);
        const QString second = QUrl(server.calendar()).path() + u"secondo.ics"_s;
        try {
            client.put(second, event, "text/calendar; charset=utf-8", QByteArray());
            QFAIL("the server's refusal was taken for success");
        } catch (const DavError& error) {
            QCOMPARE(error.kind(), DavError::Kind::Conflict);
        }
        QCOMPARE(server.storedEvents(), QStringList { u"primo.ics"_s });
    }

    // A sync token the server no longer knows (Radicale after its cache
    // was removed, or answering 403 or 412; Xandikos fails on one), or a
    // server without sync-collection (501): the sync goes on from the whole
    // listing, every time, and stores a token only when the server gives one.
    void aTokenRefusedOrNoSyncCollectionFallsBackToTheListing_data()
    {
        QTest::addColumn<Software>("software");
        QTest::addColumn<int>("refusal"); // 0: the server's own answer to a token it does not know
        QTest::addColumn<bool>("cacheRemoved");
        QTest::newRow("Radicale, cache removed") << Software::Radicale << 0 << true;
        QTest::newRow("Radicale, unknown token") << Software::Radicale << 0 << false;
        QTest::newRow("Xandikos, unknown token") << Software::Xandikos << 0 << false;
        QTest::newRow("403") << Software::Radicale << 403 << false;
        QTest::newRow("412") << Software::Radicale << 412 << false;
        QTest::newRow("no sync-collection") << Software::Radicale << 501 << false;
    }
    void aTokenRefusedOrNoSyncCollectionFallsBackToTheListing()
    {
        QFETCH(Software, software);
        QFETCH(int, refusal);
        QFETCH(bool, cacheRemoved);
        ProgramFolderFixture folder;
        DavServer server(software);
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 2);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);

        if (cacheRemoved) {
            server.removeCache();
        } else if (refusal == 0) {
            davsync::SyncState state(folder.file(davsync::SyncState::FileName), 0);
            state.setToken(davsync::Kind::Appointments, "http://radicale.org/ns/sync/0123456789abcdef");
        }
        int refused = 0;
        if (refusal) {
            davsync::network::setHandler([&](const davsync::network::Request& request) {
                const bool fromAToken = !request.body.contains("<d:sync-token></d:sync-token>");
                if (request.method == "REPORT" && request.body.contains("sync-collection")
                    && (refusal == 501 || fromAToken)) {
                    ++refused;
                    return davsync::network::Response { refusal, davsync::network::Failure::None, {}, {}, {} };
                }
                return davsync::network::sendDirect(request);
            });
        }
        const QByteArray event = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\nBEGIN:VEVENT\r\n"
                                 "UID:tel-%1\r\nDTSTAMP:20240301T080000Z\r\nDTSTART:20240305T093000\r\n"
                                 "SUMMARY:Chiamata %1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        for (int round = 1; round <= 2; ++round) {
            QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + u"tel-%1.ics"_s.arg(round),
                QByteArray(event).replace("%1", QByteArray::number(round)))));
            const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
            QCOMPARE(summary.received, 1);
            QCOMPARE(summary.sent + summary.conflicts + summary.removed, 0);
            QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 2 + round);
        }
        if (refusal)
            QVERIFY(refused >= 2);
        davsync::SyncState state(folder.file(davsync::SyncState::FileName), 0);
        QCOMPARE(state.token(davsync::Kind::Appointments).isEmpty(), refusal == 501);
    }

    // One item the server refuses for good (malformed for it, forbidden,
    // too big) is skipped and named; the rest goes, and the skipped one is
    // tried again at the next sync. A server that refuses every item
    // refuses the collection: the sync stops with its message.
    void oneItemRefusedForGoodIsSkippedAndNamed_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("400") << 400 << u"contenuto non accettato, 400"_s;
        QTest::newRow("403") << 403 << u"non consentito, 403"_s;
        QTest::newRow("413") << 413 << u"troppo grande, 413"_s;
    }
    void oneItemRefusedForGoodIsSkippedAndNamed()
    {
        QFETCH(int, status);
        QFETCH(QString, reason);
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 5);
        const QByteArray second = fieldLine(6, u"Visita n. 2, città"_s);
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            if (request.method == "PUT" && request.body.contains(second))
                return davsync::network::Response { status, davsync::network::Failure::None, {}, {}, {} };
            return davsync::network::sendDirect(request);
        });
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.sent, 4);
        QCOMPARE(summary.refused, 1);
        QCOMPARE(server.storedEvents().size(), 4);
        QVERIFY2(summary.notes.contains(u"Appuntamento n. 2: il server non lo accetta (%1); resta nell'archivio e "
                                        u"sarà riprovato alla prossima sincronizzazione."_s.arg(reason)),
            qPrintable(summary.notes.join(u'\n')));
        QVERIFY(davsync::describe(summary).contains(u"1 record non accettato dal server."_s));

        davsync::network::setHandler({});
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent, 1);
        QCOMPARE(again.refused, 0);
        QCOMPARE(server.storedEvents().size(), 5);
    }
    void aServerThatRefusesEveryItemStopsTheSync()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 40);
        int puts = 0;
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            if (request.method == "PUT") {
                ++puts;
                return davsync::network::Response { 403, davsync::network::Failure::None, {}, {}, {} };
            }
            return davsync::network::sendDirect(request);
        });
        try {
            davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
            QFAIL("a server that refuses everything was reported as a sync");
        } catch (const DavError& error) {
            QCOMPARE(error.kind(), DavError::Kind::Forbidden);
        }
        QVERIFY(puts < 40);
    }

    // A phone removes an item the program sent a moment before, in the same
    // sync: the removal is reported (once), the record stays in the archive,
    // and the item is not made again on the server.
    void anItemRemovedRightAfterItWasSentIsReported_data() { addServers(); }
    void anItemRemovedRightAfterItWasSentIsReported()
    {
        QFETCH(Software, software);
        ProgramFolderFixture folder;
        DavServer server(software);
        QVERIFY(server.start());
        const QString appointments = folder.file(programFolder::Appointments);
        writeAppointments(appointments, 2);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);
        archive::append(appointments, AppointmentRecord::Size, numberedAppointment(3).data());
        bool removed = false;
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            davsync::network::Response response = davsync::network::sendDirect(request);
            if (request.method == "PUT" && response.status / 100 == 2 && !removed) {
                removed = true;
                QByteArray ignored;
                otherClient(u"DELETE"_s, request.url.toString(), {}, {}, &ignored);
            }
            return response;
        });
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        davsync::network::setHandler({});
        QVERIFY(removed);
        QCOMPARE(summary.sent, 1);
        const davsync::Summary next = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.removed + next.removed, 1);
        QVERIFY((summary.notes + next.notes)
                    .contains(u"Appuntamento n. 3: eliminato sul server, il record resta nell'archivio."_s));
        QCOMPARE(next.sent, 0);
        QCOMPARE(server.storedEvents().size(), 2);
        QCOMPARE(archive::count(appointments, AppointmentRecord::Size), 3);
        const davsync::Summary later = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(later.sent + later.received + later.removed, 0);
    }

    // A conflict settled by the office, each way, with the program's own
    // conversions: the record keeps its version or takes the server's, or
    // the copy becomes an appointment of its own; a copy no longer wanted
    // stays in the archive, out of use, and never travels.
    void aConflictIsSettledEachWay_data()
    {
        QTest::addColumn<davsync::Settle>("how");
        QTest::addColumn<QString>("place"); // the record's place afterwards
        QTest::addColumn<int>("sent");      // by the next sync
        QTest::addColumn<int>("items");     // on the server then
        QTest::newRow("keep the archive") << davsync::Settle::KeepArchive << u"Ufficio di Bologna"_s << 0 << 1;
        QTest::newRow("keep the server") << davsync::Settle::KeepServer << u"Studio di Rimini"_s << 1 << 1;
        QTest::newRow("keep both") << davsync::Settle::KeepBoth << u"Ufficio di Bologna"_s << 1 << 2;
    }
    void aConflictIsSettledEachWay()
    {
        QFETCH(davsync::Settle, how);
        QFETCH(QString, place);
        QFETCH(int, sent);
        QFETCH(int, items);
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 1);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 1);
        AppointmentRecord here = numberedAppointment(1);
        here.setText(AppointmentField::place, u"Ufficio di Bologna"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 1, here.data());
        QByteArray etag;
        const QString url = server.calendar() + itemName(true, 1);
        QByteArray there = itemAt(url, &etag);
        there.replace("END:VEVENT", "LOCATION:Studio di Rimini\r\nEND:VEVENT");
        QVERIFY(written(otherClient(u"PUT"_s, url, there, etag)));
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).conflicts, 1);

        const QList<davsync::OpenConflict> open = davsync::openConflicts(0);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open[0].original, 1);
        QCOMPARE(open[0].copy, 2);
        const auto record = [&](qint64 position) {
            QByteArray bytes(AppointmentRecord::Size, '\0');
            archive::readAt(path, AppointmentRecord::Size, position, bytes.data());
            return AppointmentRecord::fromBytes(bytes.constData());
        };
        QVERIFY(record(2).text(AppointmentField::notes).startsWith(u"Copia in conflitto dal server del "_s));
        davsync::settleConflict(open[0].id, how, 0);

        QCOMPARE(record(1).text(AppointmentField::place), place);
        QCOMPARE(record(1).text(AppointmentField::notes), QString());
        if (how == davsync::Settle::KeepBoth) {
            QCOMPARE(record(2).text(AppointmentField::notes), QString());
            QCOMPARE(record(2).text(AppointmentField::fulfilled), u"No"_s);
        } else {
            QVERIFY2(record(2).text(AppointmentField::notes).startsWith(u"Copia in conflitto risolta il "_s),
                qPrintable(record(2).text(AppointmentField::notes)));
            QCOMPARE(record(2).text(AppointmentField::fulfilled), u"Sì"_s);
            QCOMPARE(record(2).text(AppointmentField::noticeDays), u"0"_s);
        }
        QVERIFY(davsync::openConflicts(0).isEmpty());
        try {
            davsync::settleConflict(open[0].id, how, 0);
            QFAIL("a conflict was settled twice");
        } catch (const davsync::SyncFailure& failure) {
            QCOMPARE(failure.message(), u"Questa copia in conflitto è già stata risolta."_s);
        }

        const davsync::Summary next = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(next.sent, sent);
        QCOMPARE(next.conflicts + next.received, 0);
        QCOMPARE(server.storedEvents().size(), items);
        QVERIFY(itemAt(url).contains(QByteArray("LOCATION:" + place.toUtf8())));
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
        QCOMPARE(archive::count(path, AppointmentRecord::Size), 2);
    }

    // An invitation imported from a file moves a synced appointment while a
    // phone changes its title and place: the sync compares with what the
    // server last agreed on, not with the file, so the new time stays, the
    // place comes in, and the title changed on both sides gives a copy.
    void aFileImportedBetweenSyncsIsAnOfficeChange()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const QString path = folder.file(programFolder::Appointments);
        const QByteArray invitation
            = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Studio//IT\r\nBEGIN:VEVENT\r\nUID:invito-6@studio\r\n"
              "DTSTAMP:20261201T080000Z\r\nDTSTART;TZID=Europe/Rome:20261218T080000\r\nSUMMARY:Riunione soci\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n";
        const auto importFile = [&](const QByteArray& text) {
            const exchange::Plan plan = exchange::planCalendarFile(text, { QDate(2026, 12, 1), QDate(2027, 12, 1) });
            exchange::applyImport(plan);
        };
        importFile(invitation);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 1);

        QByteArray etag;
        const QString url = server.calendar() + u"invito-6%40studio.ics"_s;
        QByteArray there = itemAt(url, &etag);
        QVERIFY2(!there.isEmpty(), qPrintable(server.storedEvents().join(u' ')));
        there.replace("SUMMARY:Riunione soci", "SUMMARY:Riunione soci (telefono)\r\nLOCATION:Sala grande");
        QVERIFY(written(otherClient(u"PUT"_s, url, there, etag)));
        QByteArray moved = invitation;
        moved.replace("T080000", "T150000").replace("SUMMARY:Riunione soci", "SUMMARY:Riunione soci spostata");
        importFile(moved);

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.conflicts, 1);
        QByteArray bytes(AppointmentRecord::Size, '\0');
        archive::readAt(path, AppointmentRecord::Size, 1, bytes.data());
        const AppointmentRecord record = AppointmentRecord::fromBytes(bytes.constData());
        QCOMPARE(record.text(AppointmentField::hour), u"15"_s);
        QCOMPARE(record.text(AppointmentField::purpose), u"Riunione soci spostata"_s);
        QCOMPARE(record.text(AppointmentField::place), u"Sala grande"_s);
        const QByteArray sent = itemAt(url);
        QVERIFY2(sent.contains("T150000"), sent.constData());
        QVERIFY(sent.contains("LOCATION:Sala grande"));
        QCOMPARE(purposesIn(path).value(1), u"Riunione soci (telefono)"_s);
    }

    // Events imported from a file that gave them no UID go to the server
    // with the one the folder knows them by: no server refuses them, and a
    // phone can tell them again.
    void eventsImportedWithoutUidTravelWithTheirOwn_data() { addServers(); }
    void eventsImportedWithoutUidTravelWithTheirOwn()
    {
        QFETCH(Software, software);
        ProgramFolderFixture folder;
        DavServer server(software);
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const QByteArray file = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vecchio gestionale//IT\r\n"
                                "BEGIN:VEVENT\r\nDTSTART:20261214T090000\r\nSUMMARY:Udienza\r\nEND:VEVENT\r\n"
                                "BEGIN:VEVENT\r\nDTSTART:20261215T100000\r\nSUMMARY:Perizia\r\nEND:VEVENT\r\n"
                                "END:VCALENDAR\r\n";
        exchange::applyImport(exchange::planCalendarFile(file, { QDate(2026, 12, 1), QDate(2027, 12, 1) }));
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.refused, 0);
        QCOMPARE(summary.sent, 2);
        const QStringList stored = server.storedEvents();
        QCOMPARE(stored.size(), 2);
        for (const QString& name : stored) {
            const QByteArray item = itemAt(server.calendar() + name);
            QVERIFY2(item.contains("\r\nUID:"), item.constData());
        }
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.conflicts, 0);
    }

    // A phone removes an item and puts it back under another name (a
    // delete and an import on the phone): the same record, neither a
    // second one nor a removal; the office's next edit goes to the new name.
    void anItemPutBackUnderAnotherNameIsTheSameRecord_data() { addServers(); }
    void anItemPutBackUnderAnotherNameIsTheSameRecord()
    {
        QFETCH(Software, software);
        ProgramFolderFixture folder;
        DavServer server(software);
        QVERIFY(server.start());
        const QString path = folder.file(programFolder::Appointments);
        writeAppointments(path, 2);
        QCOMPARE(davsync::synchronize(settingsFor(server), u"segreta"_s, 0).sent, 2);
        const QString url = server.calendar() + itemName(true, 1);
        const QByteArray text = itemAt(url);
        QByteArray ignored;
        QCOMPARE(otherClient(u"DELETE"_s, url, {}, {}, &ignored) / 100, 2);
        QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + u"ripreso.ics"_s, text)));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.removed, 0);
        QCOMPARE(summary.conflicts, 0);
        QCOMPARE(archive::count(path, AppointmentRecord::Size), 2);

        AppointmentRecord edited = numberedAppointment(1);
        edited.setText(AppointmentField::notes, u"Richiamare"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 1, edited.data());
        const davsync::Summary next = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(next.sent, 1);
        QCOMPARE(next.refused + next.conflicts + next.removed, 0);
        QVERIFY(itemAt(server.calendar() + u"ripreso.ics"_s).contains(fieldLine(14, u"Richiamare"_s)));
        QCOMPARE(server.storedEvents().size(), 2);
        QCOMPARE(archive::count(path, AppointmentRecord::Size), 2);
    }

    // A server that writes the hrefs of its changes with their characters
    // decoded ("@" for "%40") is not taken to have removed what was sent.
    void hrefsWrittenAnotherWayAreTheSameItems()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 2);
        davsync::network::setHandler([](const davsync::network::Request& request) {
            davsync::network::Response response = davsync::network::sendDirect(request);
            if (request.method == "REPORT")
                response.body.replace("%40", "@");
            return response;
        });
        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.sent, 2);
        QCOMPARE(summary.removed, 0);
        QVERIFY2(summary.notes.isEmpty(), qPrintable(summary.notes.join(u'\n')));
    }

    // A meeting cancelled on a phone stays in the agenda, marked, and the
    // office is told; a group of contacts (as Apple and vCard 4 write one)
    // is no contact and is left alone, not reported as unreadable.
    void aCancelledMeetingIsMarkedAndAGroupIsNoContact_data() { addServers(); }
    void aCancelledMeetingIsMarkedAndAGroupIsNoContact()
    {
        QFETCH(Software, software);
        ProgramFolderFixture folder;
        DavServer server(software);
        QVERIFY(server.start());
        davsync::installRecordCodecs();
        const QByteArray cancelled
            = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.2//EN\r\nBEGIN:VEVENT\r\n"
              "UID:riunione-1\r\nDTSTAMP:20261201T080000Z\r\nDTSTART;TZID=Europe/Rome:20261215T100000\r\n"
              "DTEND;TZID=Europe/Rome:20261215T110000\r\nSUMMARY:Riunione di bilancio\r\nSTATUS:CANCELLED\r\n"
              "SEQUENCE:2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        QVERIFY(written(otherClient(u"PUT"_s, server.calendar() + u"riunione-1.ics"_s, cancelled)));
        const QByteArray group = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.2//EN\r\n"
                                 "N:Clienti VIP\r\nFN:Clienti VIP\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
                                 "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:persona-1\r\nUID:gruppo-1\r\nEND:VCARD\r\n";
        QVERIFY(written(otherClient(u"PUT"_s, server.addressBook() + u"gruppo-1.vcf"_s, group)));
        const QByteArray group4 = "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Fornitori\r\n"
                                  "MEMBER:urn:uuid:persona-1\r\nUID:gruppo-2\r\nEND:VCARD\r\n";
        QVERIFY(written(otherClient(u"PUT"_s, server.addressBook() + u"gruppo-2.vcf"_s, group4)));
        const QByteArray person = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Verdi;Luisa;;;\r\nFN:Luisa Verdi\r\n"
                                  "TEL;TYPE=CELL:333 1234567\r\nUID:persona-1\r\nEND:VCARD\r\n";
        QVERIFY(written(otherClient(u"PUT"_s, server.addressBook() + u"persona-1.vcf"_s, person)));

        const davsync::Summary summary = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(summary.unreadable, 0);
        QCOMPARE(summary.received, 2);
        QCOMPARE(purposesIn(folder.file(programFolder::Appointments)),
            QStringList { u"ANNULLATO - Riunione di bilancio"_s });
        QVERIFY2(summary.notes.contains(u"Appuntamento del 15/12/2026 \"Riunione di bilancio\": annullato sul server; "
                                        u"la causale ora comincia con \"ANNULLATO -\"."_s),
            qPrintable(summary.notes.join(u'\n')));
        QCOMPARE(archive::count(folder.file(programFolder::Contacts), ContactRecord::Size), 1);
        const davsync::Summary again = davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
        QCOMPARE(again.sent + again.received + again.unreadable + again.conflicts, 0);
    }
};

QTEST_GUILESS_MAIN(TestDavServers)
#include "tst_davservers.moc"
