// The actions planned from the three states: the last sync's record, the
// archive now, the server now.
#include "sync/syncplan.h"
#include "sync/syncrun.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using davsync::Action;
using T = davsync::Action::Type;

Q_DECLARE_METATYPE(davsync::Action)

namespace {

// One item, synced as record 1 with digest "d" at href "/c/u.ics" with ETag "e".
davsync::SyncState::ItemRow synced(bool removed = false)
{
    return { u"u"_s, u"/c/u.ics"_s, "\"e\"", 1, "d", removed };
}

QString newHref(qint64 position)
{
    return u"/c/f-app-%1.ics"_s.arg(position);
}

} // namespace

class TestSyncPlan : public QObject {
    Q_OBJECT
private slots:
    void oneKnownItem_data()
    {
        QTest::addColumn<QByteArray>("localDigest"); // the record's digest now
        QTest::addColumn<QByteArray>("serverEtag");  // empty: not listed
        QTest::addColumn<bool>("complete");          // the listing is the whole collection
        QTest::addColumn<bool>("removedRow");        // known to be gone from the server
        QTest::addColumn<QList<Action>>("expected");
        const QString href = u"/c/u.ics"_s;
        QTest::newRow("nothing changed") << QByteArray("d") << QByteArray("\"e\"") << true << false << QList<Action> {};
        QTest::newRow("not in a delta") << QByteArray("d") << QByteArray() << false << false << QList<Action> {};
        QTest::newRow("changed here") << QByteArray("x") << QByteArray("\"e\"") << true << false
                                      << QList<Action> { { T::UploadChanged, u"u"_s, href, "\"e\"", 1 } };
        QTest::newRow("changed there") << QByteArray("d") << QByteArray("\"f\"") << false << false
                                       << QList<Action> { { T::Rewrite, u"u"_s, href, "\"f\"", 1 } };
        QTest::newRow("changed on both sides") << QByteArray("x") << QByteArray("\"f\"") << false << false
                                               << QList<Action> { { T::Conflict, u"u"_s, href, "\"f\"", 1 } };
        QTest::newRow("gone there") << QByteArray("d") << QByteArray() << true << false
                                    << QList<Action> { { T::Removed, u"u"_s, href, "\"e\"", 1 } };
        QTest::newRow("gone there, changed here") << QByteArray("x") << QByteArray() << true << false
                                                  << QList<Action> { { T::UploadNew, u"u"_s, href, {}, 1 } };
        QTest::newRow("reported gone, unchanged")
            << QByteArray("d") << QByteArray() << true << true << QList<Action> {};
        QTest::newRow("reported gone, changed here") << QByteArray("x") << QByteArray() << true << true
                                                     << QList<Action> { { T::UploadNew, u"u"_s, href, {}, 1 } };
    }
    void oneKnownItem()
    {
        QFETCH(QByteArray, localDigest);
        QFETCH(QByteArray, serverEtag);
        QFETCH(bool, complete);
        QFETCH(bool, removedRow);
        QFETCH(QList<Action>, expected);
        davsync::Changes server;
        server.complete = complete;
        if (!serverEtag.isEmpty())
            server.present.insert(u"/c/u.ics"_s, serverEtag);
        const QList<Action> actions
            = davsync::plan({ synced(removedRow) }, { { 1, localDigest } }, {}, server, newHref);
        QCOMPARE(actions, expected);
    }

    void aDeltaThatListsTheItemAsRemoved()
    {
        davsync::Changes server;
        server.removed = { u"/c/u.ics"_s };
        QCOMPARE(davsync::plan({ synced() }, { { 1, "d" } }, {}, server, newHref),
            (QList<Action> { { T::Removed, u"u"_s, u"/c/u.ics"_s, "\"e\"", 1 } }));
    }

    void newOnEitherSide()
    {
        davsync::Changes server;
        server.complete = true;
        server.present.insert(u"/c/u.ics"_s, "\"e\"");
        server.present.insert(u"/c/phone.ics"_s, "\"p\"");
        // Record 3 was sent, but the state lost it: compared, never fetched as new.
        server.present.insert(newHref(3), "\"s\"");
        const QList<Action> actions = davsync::plan(
            { synced() }, { { 1, "d" }, { 2, "n" }, { 3, "m" }, { 4, "copy" } }, { 4 }, server, newHref);
        QCOMPARE(actions.size(), 3);
        QVERIFY(actions.contains(Action { T::UploadNew, {}, {}, {}, 2 }));
        QVERIFY(actions.contains(Action { T::Download, {}, u"/c/phone.ics"_s, "\"p\"", 0 }));
        QVERIFY(actions.contains(Action { T::Conflict, {}, newHref(3), "\"s\"", 3 }));
    }

    // The summary of a run agrees each word with its number.
    void summaryText_data()
    {
        QTest::addColumn<QList<int>>("counts"); // sent, received, conflicts, removed, unreadable
        QTest::addColumn<QString>("text");
        QTest::newRow("ones") << QList<int> { 1, 1, 1, 1, 1 }
                              << u"Sincronizzazione riuscita: 1 inviato, 1 ricevuto, 1 conflitto, 1 eliminato sul "
                                 u"server. 1 elemento del server non leggibile."_s;
        QTest::newRow("several") << QList<int> { 2, 0, 3, 0, 4 }
                                 << u"Sincronizzazione riuscita: 2 inviati, 0 ricevuti, 3 conflitti, 0 eliminati sul "
                                    u"server. 4 elementi del server non leggibili."_s;
    }
    void summaryText()
    {
        QFETCH(QList<int>, counts);
        QFETCH(QString, text);
        davsync::Summary summary;
        summary.sent = counts[0];
        summary.received = counts[1];
        summary.conflicts = counts[2];
        summary.removed = counts[3];
        summary.unreadable = counts[4];
        QCOMPARE(davsync::describe(summary), text);
    }
};

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
