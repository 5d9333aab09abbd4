// What an office does across the program's exchanges, one after the other,
// against a real calendar server and a second real client of it
// (vdirsyncer): imports, edits and imports again, backups and restores, a
// move to another computer, and syncs between them. After each sequence the
// other client holds every item once.

#include "backup/backuprules.h"
#include "exchange/exchangeplan.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "support/folders.h"
#include "sync/davserver.h"
#include "sync/recordcodecs.h"
#include "sync/secondclient.h"
#include "sync/syncrun.h"
#include "sync/syncsupport.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace testsupport;
using namespace exchange;

namespace {

const QDateTime Moment(QDate(2026, 12, 1), QTime(9, 0));
const ical::Range Year2024 { QDate(2024, 1, 1), QDate(2024, 12, 31) };

// A phone's calendar: three events, the second with an attendee and an alarm.
QByteArray phoneCalendar()
{
    QByteArray file = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefono//IT\r\n";
    for (int n = 1; n <= 3; ++n) {
        file += "BEGIN:VEVENT\r\nUID:telefono-" + QByteArray::number(n)
            + "@example.it\r\nDTSTAMP:20240301T080000Z\r\nDTSTART;TZID=Europe/Rome:2024031" + QByteArray::number(n)
            + "T100000\r\nDTEND;TZID=Europe/Rome:2024031" + QByteArray::number(n) + "T113000\r\nSUMMARY:Dal telefono "
            + QByteArray::number(n) + "\r\n";
        if (n == 2)
            file += "ATTENDEE;CN=Ferri Cristina:mailto:cristina@example.it\r\n"
                    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Promemoria\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
        file += "END:VEVENT\r\n";
    }
    return file + "END:VCALENDAR\r\n";
}

QByteArray phoneAddressBook()
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bianchi@example.it\r\nFN:Bianchi Maria\r\nN:Bianchi;Maria;;;\r\n"
           "ORG:Studio Bianchi\r\nTEL;TYPE=CELL:333 1111111\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:verdi@example.it\r\nFN:Verdi Paolo\r\nN:Verdi;Paolo;;;\r\n"
           "EMAIL:paolo@example.it\r\nEND:VCARD\r\n";
}

qint64 appointments()
{
    return archive::count(programFolder::file(programFolder::Appointments), AppointmentRecord::Size);
}

qint64 contacts()
{
    return archive::count(programFolder::file(programFolder::Contacts), ContactRecord::Size);
}

void appendAppointments(int from, int to)
{
    for (int n = from; n <= to; ++n) {
        AppointmentRecord record = numberedAppointment(n);
        archive::append(programFolder::file(programFolder::Appointments), AppointmentRecord::Size, record.data());
    }
}

davsync::Summary sync(const DavServer& server)
{
    return davsync::synchronize(settingsFor(server), u"segreta"_s, 0);
}

// The UIDs of a calendar or address-book file.
QSet<QByteArray> uidsOf(const QString& path)
{
    QSet<QByteArray> uids;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return uids;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("UID:"))
            uids.insert(line.trimmed());
    return uids;
}

} // namespace

class TestOfficeSequences : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { davsync::installRecordCodecs(); }

    // A phone's calendar and address book imported, completed in the
    // office, imported again, synced; the other client changes an event;
    // synced again: every item once everywhere, the office's edits and the
    // phone's attendee and alarm in what the other client holds.
    void importEditImportAgainAndSync()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        SecondClient other(server);
        QCOMPARE(applyImport(planCalendarFile(phoneCalendar(), Year2024)).added, 3);
        QCOMPARE(applyImport(planContactsFile(phoneAddressBook())).added, 2);
        const QString path = programFolder::file(programFolder::Appointments);
        AppointmentRecord second
            = AppointmentRecord::fromBytes(readFile(path).mid(AppointmentRecord::Size).constData());
        second.setText(AppointmentField::place, u"Sala riunioni"_s);
        second.setText(AppointmentField::amount, u"150,00"_s);
        archive::rewriteAt(path, AppointmentRecord::Size, 2, second.data());

        const Plan again = planCalendarFile(phoneCalendar(), Year2024);
        QCOMPARE(again.count(PlanEntry::Action::Add) + again.count(PlanEntry::Action::Update), 0);
        applyImport(again);
        QCOMPARE(sync(server).sent, 5);
        QString output;
        QVERIFY2(other.sync(&output), qPrintable(output));
        QCOMPARE(other.events().size(), 3);
        QCOMPARE(other.cards().size(), 2);
        QCOMPARE(other.duplicates(), QStringList());
        QByteArray edited;
        for (const QByteArray& item : other.events())
            if (item.contains("Dal telefono 2"))
                edited = item;
        for (const QByteArray& kept : { QByteArray("LOCATION:Sala riunioni"), QByteArray("X-QUIRVALE-IMPORTO:150\\,00"),
                 QByteArray("ATTENDEE;CN=Ferri Cristina"), QByteArray("TRIGGER:-PT15M"),
                 QByteArray("DTEND;TZID=Europe/Rome:20240312T113000") })
            QVERIFY2(edited.contains(kept), QByteArray(kept + " not in\n" + edited).constData());

        // The other client renames the third event.
        const QString third
            = QDir(other.folder(true)).filePath(QDir(other.folder(true)).entryList(QDir::Files).value(0));
        QFile file(third);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray text = file.readAll();
        const qsizetype at = text.indexOf("SUMMARY:Dal telefono ");
        QVERIFY(at >= 0);
        text.insert(at + int(qstrlen("SUMMARY:")), "Rinviato - ");
        file.resize(0);
        file.write(text);
        file.close();
        QVERIFY2(other.sync(&output), qPrintable(output));
        QCOMPARE(sync(server).received, 1);
        QCOMPARE(appointments(), 3);
        QCOMPARE(sync(server).sent + sync(server).received, 0);
        QVERIFY2(other.sync(&output), qPrintable(output));
        QCOMPARE(other.events().size(), 3);
        QCOMPARE(other.duplicates(), QStringList());
    }

    // Synced, backed up, then a phone's calendar imported and synced; the
    // backup put back, new appointments written, the phone's calendar
    // imported again and a sync: nothing written over, nothing twice.
    void backupImportRestoreNewRecordsImportAndSync()
    {
        ProgramFolderFixture folder;
        QTemporaryDir backups;
        DavServer server;
        QVERIFY(server.start());
        SecondClient other(server);
        appendAppointments(1, 3);
        QCOMPARE(sync(server).sent, 3);
        const backup::Result made = backup::makeBackup(folder.path(), backups.path(), 10, Moment);
        QVERIFY2(made.ok(), qPrintable(made.message));

        QCOMPARE(applyImport(planCalendarFile(phoneCalendar(), Year2024)).added, 3);
        QCOMPARE(sync(server).sent, 3);
        const backup::Result restored = backup::restore(folder.path(), made.file, Moment.addSecs(3600));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        QCOMPARE(appointments(), 3);
        appendAppointments(4, 5);

        applyImport(planCalendarFile(phoneCalendar(), Year2024));
        const davsync::Summary after = sync(server);
        QCOMPARE(after.conflicts, 0);
        QCOMPARE(appointments(), 8);
        QCOMPARE(server.storedEvents().size(), 8);
        QCOMPARE(sync(server).sent + sync(server).received, 0);
        QString output;
        QVERIFY2(other.sync(&output), qPrintable(output));
        QCOMPARE(other.events().size(), 8);
        QCOMPARE(other.duplicates(), QStringList());
    }

    // The folder moved to another computer as the README says, by a backup
    // restored there or by copying its files by hand: the sync there has
    // nothing to do, an export names every record as before, and what the
    // new computer adds reaches the other client once.
    void moveToAnotherComputerThenSync_data()
    {
        QTest::addColumn<bool>("byHand");
        QTest::newRow("backup restored there") << false;
        QTest::newRow("files copied by hand") << true;
    }
    void moveToAnotherComputerThenSync()
    {
        QFETCH(bool, byHand);
        ProgramFolderFixture here;
        QTemporaryDir files;
        DavServer server;
        QVERIFY(server.start());
        SecondClient other(server);
        appendAppointments(1, 3);
        QCOMPARE(applyImport(planCalendarFile(phoneCalendar(), Year2024)).added, 3);
        QCOMPARE(applyImport(planContactsFile(phoneAddressBook())).added, 2);
        QCOMPARE(sync(server).sent, 8);
        const QString before = files.filePath(u"prima.ics"_s);
        exportCalendar(before, Moment);

        ProgramFolderFixture there;
        if (byHand) {
            const QStringList names = { u"Archivio_Appuntamenti.qzv"_s, u"Archivio_Appuntamenti.elementi"_s,
                u"Contatti.qzv"_s, u"Contatti.elementi"_s, u"Identita_Cartella.txt"_s, u"Sincronizzazione.db"_s,
                u"Sincronizzazione.ini"_s };
            for (const QString& name : names)
                if (QFile::exists(QDir(here.path()).filePath(name)))
                    QVERIFY2(QFile::copy(QDir(here.path()).filePath(name), there.file(name)), qPrintable(name));
        } else {
            const backup::Result made = backup::makeBackup(here.path(), files.path(), 10, Moment);
            QVERIFY2(made.ok(), qPrintable(made.message));
            const backup::Result restored = backup::restore(there.path(), made.file, Moment);
            QVERIFY2(restored.ok(), qPrintable(restored.message));
        }
        const davsync::Summary first = sync(server);
        QCOMPARE(first.sent + first.received + first.conflicts, 0);
        const QString after = files.filePath(u"dopo.ics"_s);
        exportCalendar(after, Moment);
        QCOMPARE(uidsOf(after), uidsOf(before));
        QCOMPARE(uidsOf(after).size(), 6);

        appendAppointments(4, 4);
        QCOMPARE(sync(server).sent, 1);
        QString output;
        QVERIFY2(other.sync(&output), qPrintable(output));
        QCOMPARE(other.events().size(), 7);
        QCOMPARE(other.cards().size(), 2);
        QCOMPARE(other.duplicates(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestOfficeSequences)
#include "tst_officesequences.moc"
