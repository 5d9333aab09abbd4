// The archive check: each kind of damage planted in a folder is found where
// it lies, a clean folder is called clean, nothing is written, the damaged
// bytes go out as they are, and a cancel stops the pass.
#include "backup/archivecheck.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/records.h"
#include "support/folders.h"
#include "support/layouts.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;
namespace bytesAt = testsupport::appointmentBytes;

namespace {

const QString Attachments = u"Documenti_Allegati"_s;

QByteArray appointments(int count)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) {
        AppointmentRecord r;
        r.setText(AppointmentField::date, u"05/03/2024"_s);
        r.setText(AppointmentField::noticeDays, u"0"_s);
        r.setText(AppointmentField::purpose, u"Visita %1"_s.arg(i));
        r.setFlag(AppointmentField::fulfilled, false);
        bytes.append(r.data(), AppointmentRecord::Size);
    }
    return bytes;
}

// A clean folder: three appointments, two contacts and a document whose
// attachments are all in the folder.
void makeClean(const QString& folder)
{
    const QDir home(folder);
    writeFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s), appointments(3));
    ContactRecord c1, c2;
    c1.setText(ContactField::fullName, u"Rossi"_s);
    c1.setText(ContactField::attachedFile1, u"carta identità.pdf"_s);
    c2.setText(ContactField::fullName, u"Bianchi"_s);
    writeFile(home.filePath(u"Contatti.qzv"_s), QByteArray(c1.data(), 3372) + QByteArray(c2.data(), 3372));
    DocumentRecord d;
    d.setText(DocumentField::documentName, u"Contratto"_s);
    d.setText(DocumentField::digitalCopyFile, u"contratto.pdf"_s);
    d.setText(DocumentField::attachedFile3, u"carta identità.pdf"_s);
    writeFile(home.filePath(u"Archivio_Documenti.qzv"_s), QByteArray(d.data(), 3991));
    home.mkpath(Attachments);
    writeFile(home.filePath(Attachments + u"/carta identità.pdf"_s), "id");
    writeFile(home.filePath(Attachments + u"/contratto.pdf"_s), "contract");
}

QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readFile(QDir(folder).filePath(name)));
    for (const QString& name : QDir(QDir(folder).filePath(Attachments)).entryList(QDir::Files | QDir::Hidden))
        files.insert(Attachments + u'/' + name, {});
    return files;
}

} // namespace

class TestArchiveCheck : public QObject {
    Q_OBJECT

private slots:
    void cleanFolderIsClean()
    {
        testsupport::ProgramFolderFixture folder;
        makeClean(folder.path());
        const auto before = contents(folder.path());
        const backup::check::Report report = backup::check::run(folder.path());
        QVERIFY(report.clean());
        QCOMPARE(report.archives.size(), 3);
        QCOMPARE(report.archives[0].records, 3);
        QCOMPARE(report.archives[1].records, 2);
        QCOMPARE(report.archives[2].records, 1);
        QCOMPARE(report.lines().last(), u"Nessun problema trovato: gli archivi sono integri."_s);
        QCOMPARE(contents(folder.path()), before);
    }

    // A folder without any archive (a share not mounted, a wrong path, a
    // restore of an empty backup) is not called sound, and the check
    // creates none.
    void missingArchivesAreNotCreated()
    {
        testsupport::ProgramFolderFixture folder;
        const backup::check::Report report = backup::check::run(folder.path());
        QVERIFY(!report.clean());
        QVERIFY(report.noArchives());
        QVERIFY(!report.archives[0].present);
        QVERIFY(report.lines().last().startsWith(u"Nella cartella non c'è nessun archivio del programma"_s));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
    }

    void eachPlantedDamageIsFound_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("line");
        QTest::newRow("length byte") << u"length"_s
                                     << u"Archivio_Appuntamenti.qzv: record 2 illeggibile: campo 7 (lunghezza 251), "
                                        u"campo 16 (lunghezza 255)."_s;
        QTest::newRow("a date that is no date")
            << u"invalid"_s
            << u"Archivio_Appuntamenti.qzv: record 2 con valori che il programma non può leggere: Data "
               u"\"25/11/-471\", Ore \"24\", Preavviso \"\", Importo \"cento euro\"; correggerli dalla scheda."_s;
        QTest::newRow("a birth date that is no date")
            << u"invalid contact"_s
            << u"Contatti.qzv: record 1 con valori che il programma non può leggere: Data di nascita "
               u"\"31/02/1980\"; correggerli dalla scheda."_s;
        QTest::newRow("a record of zeros")
            << u"zeros"_s
            << u"Archivio_Appuntamenti.qzv: record 2 illeggibile: tutti i byte a zero (un tratto del disco "
               u"azzerato?)."_s;
        QTest::newRow("a flipped bit in a name")
            << u"flipped"_s
            << u"Contatti.qzv: record 1 con valori che il programma non può leggere: Cognome e nome (caratteri "
               u"non validi); correggerli dalla scheda."_s;
        QTest::newRow("partial tail") << u"tail"_s << u"Contatti.qzv: record incompleto alla fine (1000 byte)."_s;
        QTest::newRow("rewrite note") << u"note"_s
                                      << u"Archivio_Documenti.qzv: è rimasta una nota di riscrittura "
                                         u"(Archivio_Documenti.qzv.ripristino)."_s;
        QTest::newRow("rewrite note of a writer") << u"writer note"_s
                                                  << u"Archivio_Documenti.qzv: è rimasta una nota di riscrittura "
                                                     u"(Archivio_Documenti.qzv.ripristino.0a1b2c3d.1.1.abcdef12)."_s;
        QTest::newRow("unreadable map")
            << u"map"_s
            << u"Archivio_Appuntamenti.elementi: il file non si può leggere; le schede già scambiate con "
               u"calendari, rubriche o server arriverebbero di nuovo come schede nuove."_s;
        QTest::newRow("missing attachment")
            << u"missing"_s << u"Allegato mancante: contratto.pdf (Archivio_Documenti.qzv, record 1)."_s;
        // A file no record names is a note, no damage.
        QTest::newRow("orphan file") << u"orphan"_s << u"Nota: file allegato che nessun record indica: vecchio.odt."_s;
    }
    void eachPlantedDamageIsFound()
    {
        QFETCH(QString, damage);
        QFETCH(QString, line);
        testsupport::ProgramFolderFixture folder;
        makeClean(folder.path());
        const QDir home(folder.path());
        if (damage == u"length"_s) {
            QByteArray bytes = readFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s));
            bytes[bytesAt::RecordSize + bytesAt::Purpose] = char(251);
            bytes[bytesAt::RecordSize + bytesAt::Fulfilled] = char(255);
            writeFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s), bytes);
        } else if (damage == u"invalid"_s) {
            QByteArray bytes = readFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s));
            AppointmentRecord r = AppointmentRecord::fromBytes(bytes.constData() + AppointmentRecord::Size);
            r.setText(AppointmentField::date, u"25/11/-471"_s);
            r.setText(AppointmentField::hour, u"24"_s);
            r.setText(AppointmentField::noticeDays, QString()); // the agenda would never list it
            r.setText(AppointmentField::amount, u"cento euro"_s);
            bytes.replace(
                AppointmentRecord::Size, AppointmentRecord::Size, QByteArray(r.data(), AppointmentRecord::Size));
            writeFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s), bytes);
        } else if (damage == u"invalid contact"_s) {
            QByteArray bytes = readFile(home.filePath(u"Contatti.qzv"_s));
            ContactRecord r = ContactRecord::fromBytes(bytes.constData());
            r.setText(ContactField::birthDate, u"31/02/1980"_s);
            bytes.replace(0, ContactRecord::Size, QByteArray(r.data(), ContactRecord::Size));
            writeFile(home.filePath(u"Contatti.qzv"_s), bytes);
        } else if (damage == u"zeros"_s) {
            QByteArray bytes = readFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s));
            bytes.replace(AppointmentRecord::Size, AppointmentRecord::Size, QByteArray(AppointmentRecord::Size, '\0'));
            writeFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s), bytes);
        } else if (damage == u"flipped"_s) {
            QByteArray bytes = readFile(home.filePath(u"Contatti.qzv"_s));
            bytes[1] = char(bytes[1] ^ 0x40); // "Rossi": the R becomes a control character
            writeFile(home.filePath(u"Contatti.qzv"_s), bytes);
        } else if (damage == u"tail"_s) {
            QFile file(home.filePath(u"Contatti.qzv"_s));
            QVERIFY(file.open(QIODevice::Append));
            file.write(QByteArray(1000, 'x'));
        } else if (damage == u"note"_s) {
            writeFile(ArchiveFile::notePath(home.filePath(u"Archivio_Documenti.qzv"_s)), "QZVR cut short");
        } else if (damage == u"writer note"_s) {
            writeFile(home.filePath(u"Archivio_Documenti.qzv.ripristino.0a1b2c3d.1.1.abcdef12"_s), "QZVR cut short");
        } else if (damage == u"map"_s) {
            writeFile(home.filePath(u"Archivio_Appuntamenti.elementi"_s), "non una mappa");
        } else if (damage == u"missing"_s) {
            QFile::remove(home.filePath(Attachments + u"/contratto.pdf"_s));
        } else {
            writeFile(home.filePath(Attachments + u"/vecchio.odt"_s), "orphan");
        }
        const auto before = contents(folder.path());

        const backup::check::Report report = backup::check::run(folder.path());
        const bool note = damage == u"orphan"_s;
        QCOMPARE(report.clean(), note);
        const QStringList lines = report.lines();
        QVERIFY2(lines.contains(line), qPrintable(lines.join(u'\n')));
        // Only that finding beside the three counts (and, for a note, the all-clear).
        QCOMPARE(lines.size(), note ? 5 : 4);
        QCOMPARE(contents(folder.path()), before);
    }

    // The record-to-item map is read against its archive: a record changed
    // behind the program's back is named as no longer certain, and that is
    // no damage.
    void theMapIsReadAgainstItsArchive()
    {
        testsupport::ProgramFolderFixture folder;
        makeClean(folder.path());
        const QDir home(folder.path());
        const QString path = home.filePath(u"Archivio_Appuntamenti.qzv"_s);
        itemmap::ItemMap map = itemmap::ItemMap::load(path, records::AppointmentLayout::Capacities, u'A');
        const QByteArray bytes = readFile(path);
        for (int p = 1; p <= 3; ++p)
            map.uidFor(p, bytes.constData() + (p - 1) * AppointmentRecord::Size);
        {
            ArchiveFile file;
            file.open(path, AppointmentRecord::Size, ArchiveFile::Access::Write);
            map.save(file);
        }
        QByteArray changed = bytes;
        changed[AppointmentRecord::Size + bytesAt::Purpose + 1] = 'W'; // as an older copy would write it
        writeFile(path, changed);
        const backup::check::Report report = backup::check::run(folder.path());
        QVERIFY(report.clean());
        QVERIFY2(report.lines().contains(
                     u"Archivio_Appuntamenti.elementi: 3 schede scambiate con calendari, rubriche o server. 1 "
                     u"elemento non corrisponde più alla scheda indicata (archivio ripristinato, copiato o "
                     u"modificato da un'altra versione del programma): nessun elemento ricevuto sovrascriverà "
                     u"quelle schede, arriverà come scheda nuova."_s),
            qPrintable(report.lines().join(u'\n')));
    }

    // The damaged record and the partial tail go out byte for byte, each
    // after its heading line.
    void damagedBytesGoToAFile()
    {
        testsupport::ProgramFolderFixture folder;
        makeClean(folder.path());
        const QDir home(folder.path());
        QByteArray bytes = readFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s));
        bytes[2 * bytesAt::RecordSize + bytesAt::Date] = char(200);
        bytes += "partial";
        writeFile(home.filePath(u"Archivio_Appuntamenti.qzv"_s), bytes);
        // A link planted under the name the user gives is replaced, never written through.
        QTemporaryDir elsewhere;
        const QString victim = QDir(elsewhere.path()).filePath(u"altrui.txt"_s);
        writeFile(victim, "da non toccare");
        const QString out = QDir(elsewhere.path()).filePath(u"danneggiati.bin"_s);
        QVERIFY(QFile::link(victim, out));

        QString error;
        const backup::check::Report report = backup::check::run(folder.path(), {}, out, &error);
        QVERIFY(error.isEmpty());
        QCOMPARE(report.archives[0].damagedRecords, 1);
        QCOMPARE(report.archives[0].damaged[0].position, 3);
        QCOMPARE(report.archives[0].damaged[0].fields, QList<int>({ 1 }));
        const QByteArray expected = "Archivio_Appuntamenti.qzv record 3 offset 2530 bytes 1265\n"
            + bytes.mid(2 * bytesAt::RecordSize, bytesAt::RecordSize)
            + "\nArchivio_Appuntamenti.qzv record 4 offset 3795 bytes 7\npartial\n";
        QCOMPARE(readFile(out), expected);
        QVERIFY(!QFileInfo(out).isSymLink());
        QCOMPARE(readFile(victim), QByteArray("da non toccare"));
    }

    void cancelStopsThePass()
    {
        testsupport::ProgramFolderFixture folder;
        writeFile(folder.file(u"Archivio_Appuntamenti.qzv"_s), appointments(3000));
        int steps = 0;
        backup::Progress progress;
        progress.step = [&](qint64 done, qint64 total) {
            QVERIFY(done <= total);
            ++steps;
        };
        progress.cancelled = [&] { return steps >= 1; };
        const backup::check::Report report = backup::check::run(folder.path(), progress);
        QVERIFY(report.cancelled);
        QCOMPARE(steps, 1);
        QCOMPARE(report.lines().last(), u"Verifica annullata: i risultati sono parziali."_s);
    }
};

QTEST_GUILESS_MAIN(TestArchiveCheck)
#include "tst_archivecheck.moc"
