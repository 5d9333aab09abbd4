// The record-to-item map of an archive: it follows what this program writes,
// and stops naming a record that anything else changed (an older copy of the
// program, an archive copied or restored over this one without its map, an
// archive cut short), so that nothing is ever written over a record in the
// name of an item the record may no longer be.
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using itemmap::ItemMap;
using testsupport::ProgramFolderFixture;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

QString path()
{
    return programFolder::file(programFolder::Appointments);
}

QByteArray numbered(int n)
{
    AppointmentRecord record;
    record.setText(AppointmentField::date, u"%1/03/2024"_s.arg(n % 28 + 1, 2, 10, QChar(u'0')));
    record.setText(AppointmentField::purpose, u"Appuntamento %1"_s.arg(n));
    return QByteArray(record.data(), AppointmentRecord::Size);
}

QByteArray recordAt(qint64 position)
{
    QByteArray bytes(AppointmentRecord::Size, '\0');
    archive::readAt(path(), AppointmentRecord::Size, position, bytes.data());
    return bytes;
}

ItemMap load()
{
    return ItemMap::load(path(), records::AppointmentLayout::Capacities, u'A');
}

// Writes the map whole, as the exchanges do, under the archive's lock.
void save(const ItemMap& map)
{
    ArchiveFile file;
    file.open(path(), AppointmentRecord::Size, ArchiveFile::Access::Write);
    map.save(file);
    file.close();
}

// Three records, each named by an item of its own.
void threeNamedRecords()
{
    for (int n = 1; n <= 3; ++n)
        archive::append(path(), AppointmentRecord::Size, numbered(n).constData());
    ItemMap map = load();
    for (int n = 1; n <= 3; ++n) {
        const QByteArray record = recordAt(n);
        map.set(n, u"telefono-%1"_s.arg(n), record.constData(), record.constData());
    }
    save(map);
}

// Bytes written over a record by a program that knows no map.
void writeBehindTheMap(qint64 position, const QByteArray& record)
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek((position - 1) * AppointmentRecord::Size));
    QCOMPARE(file.write(record), record.size());
}

} // namespace

class TestItemMap : public QObject {
    Q_OBJECT

private slots:
    void followsWhatThisProgramWrites()
    {
        ProgramFolderFixture folder;
        threeNamedRecords();
        // A card saved on another workstation of the folder, and a new one.
        QByteArray edited = numbered(2);
        edited[200] = 'x';
        archive::rewriteAt(path(), AppointmentRecord::Size, 2, edited.constData());
        archive::append(path(), AppointmentRecord::Size, numbered(4).constData());
        const ItemMap map = load();
        for (int n = 1; n <= 3; ++n) {
            const ItemMap::Entry* entry = map.certain(n, recordAt(n).constData());
            QVERIFY2(entry, qPrintable(QString::number(n)));
            QCOMPARE(entry->uid, u"telefono-%1"_s.arg(n));
        }
        QCOMPARE(map.byUid(u"telefono-2"_s)->position, 2);
        QVERIFY(!map.byPosition(4));
        // Written again whole, it still names the same records.
        save(map);
        QVERIFY(load().certain(2, recordAt(2).constData()));
    }

    // What this program did not write, the map no longer vouches for.
    void stopsNamingWhatItDidNotSee_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<int>>("stillNamed");
        QTest::newRow("rewritten by an older copy of the program") << u"older"_s << QList<int> { 1, 3 };
        QTest::newRow("archive copied back from before the last record") << u"copied"_s << QList<int> { 1, 2 };
        QTest::newRow("archive cut short, then a new record") << u"cut"_s << QList<int> { 1 };
        QTest::newRow("archive cut short, then a new record, map written again")
            << u"cut and saved"_s << QList<int> { 1 };
    }
    void stopsNamingWhatItDidNotSee()
    {
        QFETCH(QString, change);
        QFETCH(QList<int>, stillNamed);
        ProgramFolderFixture folder;
        archive::append(path(), AppointmentRecord::Size, numbered(1).constData());
        archive::append(path(), AppointmentRecord::Size, numbered(2).constData());
        const QByteArray copy = readFile(path());
        archive::append(path(), AppointmentRecord::Size, numbered(3).constData());
        {
            ItemMap map = load();
            for (int n = 1; n <= 3; ++n)
                map.set(n, u"telefono-%1"_s.arg(n), recordAt(n).constData(), nullptr);
            save(map);
        }
        if (change == u"older"_s) {
            writeBehindTheMap(2, numbered(20));
        } else if (change == u"copied"_s) {
            // The copy has the first two records; a third is made again.
            writeFile(path(), copy);
            archive::append(path(), AppointmentRecord::Size, numbered(30).constData());
        } else {
            QVERIFY(::truncate(QFile::encodeName(path()).constData(), AppointmentRecord::Size) == 0);
            archive::append(path(), AppointmentRecord::Size, numbered(40).constData());
            if (change == u"cut and saved"_s)
                save(load());
        }
        const ItemMap map = load();
        const qint64 count = archive::count(path(), AppointmentRecord::Size);
        for (int n = 1; n <= 3; ++n) {
            const bool named = n <= count && map.certain(n, recordAt(n).constData());
            QVERIFY2(named == stillNamed.contains(n), qPrintable(u"record %1"_s.arg(n)));
        }
        // A record the map no longer names gets a UID of its own, never the old one.
        ItemMap again = load();
        for (int n = 1; n <= count; ++n)
            if (!stillNamed.contains(n))
                QVERIFY(!again.uidFor(n, recordAt(n).constData()).startsWith(u"telefono-"_s));
    }

    // UIDs of this folder are never made of the position alone: after a
    // restore, the record that takes a position is another item.
    void newUidsAreNeverGivenTwice()
    {
        ProgramFolderFixture folder;
        archive::append(path(), AppointmentRecord::Size, numbered(1).constData());
        ItemMap first = load();
        const QString uid = first.uidFor(1, recordAt(1).constData());
        QVERIFY(uid.startsWith(u"A1-"_s) && uid.endsWith(u"@quirvale"_s));
        QCOMPARE(first.uidFor(1, recordAt(1).constData()), uid);
        save(first);
        QCOMPARE(load().uidFor(1, recordAt(1).constData()), uid);
        // The same position holding another record (an archive put back without its map).
        writeBehindTheMap(1, numbered(7));
        ItemMap second = load();
        const QString other = second.uidFor(1, recordAt(1).constData());
        QVERIFY(other != uid);
    }

    // The first map of a folder that earlier copies of the program used:
    // the UIDs they gave (from the positions of a folder that had exported,
    // from the imports) are kept, so that calendars that received them see
    // the same items.
    void earlierUidsAreKept()
    {
        ProgramFolderFixture folder;
        for (int n = 1; n <= 3; ++n)
            archive::append(path(), AppointmentRecord::Size, numbered(n).constData());
        writeFile(folder.file(programFolder::Identity), "1b4e28ba-2fa1-11d2-883f-0016d3cca427\n");
        writeFile(folder.file(u"Archivio_Appuntamenti.uid"_s), "2\tevento-del-telefono@example.com\n");
        const ItemMap map = load();
        QCOMPARE(map.certain(1, recordAt(1).constData())->uid, u"A1-1b4e28ba-2fa1-11d2-883f-0016d3cca427@quirvale"_s);
        QCOMPARE(map.certain(2, recordAt(2).constData())->uid, u"evento-del-telefono@example.com"_s);
        QCOMPARE(map.certain(3, recordAt(3).constData())->uid, u"A3-1b4e28ba-2fa1-11d2-883f-0016d3cca427@quirvale"_s);
        save(map);
        QVERIFY(!QFile::exists(folder.file(u"Archivio_Appuntamenti.uid"_s)));
        const ItemMap again = load();
        QCOMPARE(again.byUid(u"evento-del-telefono@example.com"_s)->position, 2);
        QCOMPARE(again.byPosition(3)->uid, u"A3-1b4e28ba-2fa1-11d2-883f-0016d3cca427@quirvale"_s);
    }

    // The map's file as another reader sees it: one line a record, the UID
    // escaped so that no UID can break a line.
    void uidsWithTabsAndLineBreaksStayWhole()
    {
        ProgramFolderFixture folder;
        archive::append(path(), AppointmentRecord::Size, numbered(1).constData());
        ItemMap map = load();
        map.set(1, u"a\tb\nc%d"_s, recordAt(1).constData(), nullptr);
        save(map);
        const QByteArray file = readFile(ItemMap::pathOf(path()));
        QVERIFY(file.startsWith("Quirvale elementi 1\n"));
        QCOMPARE(file.count('\n'), 2);
        QVERIFY(file.contains("\ta%09b%0Ac%25d\n"));
        QCOMPARE(load().byPosition(1)->uid, u"a\tb\nc%d"_s);
    }
};

QTEST_GUILESS_MAIN(TestItemMap)
#include "tst_itemmap.moc"
