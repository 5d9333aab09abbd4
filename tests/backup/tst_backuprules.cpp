// Backup and restore of a program folder: what the backup holds, read back
// by Python's zipfile and hashlib; a backup taken while another process
// appends and rewrites; a damaged backup and a busy archive refused before
// anything is touched; a restore killed at random moments, and a swap cut at
// each of its steps, leaving the old set or the new one whole.
#include "../faults/churn.h"

#include "backup/backuprules.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "support/folders.h"
#include "support/layouts.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <optional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr int Size = AppointmentRecord::Size;
const QDateTime Moment(QDate(2024, 3, 10), QTime(9, 30, 0));
const QString Attachments = u"Documenti_Allegati"_s;

// The members of a folder and their bytes; folders as "NAME/".
using Snapshot = QMap<QString, QByteArray>;

Snapshot snapshot(const QString& folder)
{
    Snapshot files;
    for (const QString& name : { u"Archivio_Appuntamenti.qzv"_s, u"Contatti.qzv"_s, u"Archivio_Documenti.qzv"_s,
             u"unins000.dll"_s, u"Archivio_Appuntamenti.qzv.ripristino"_s }) {
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            files.insert(name, readFile(QDir(folder).filePath(name)));
    }
    const QString attachments = QDir(folder).filePath(Attachments);
    if (QFileInfo(attachments).isDir()) {
        files.insert(Attachments + u'/', {});
        QDirIterator it(attachments, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(Attachments + u'/' + QDir(attachments).relativeFilePath(path), readFile(path));
        }
    }
    return files;
}

// A whole set: `records` appointments of generation `generation`, a contact
// and a document of 3372 and 3991 bytes, a password store and attachments.
Snapshot makeSet(const QString& folder, int records, int generation, const QString& tag)
{
    QByteArray appointments;
    for (int p = 1; p <= records; ++p)
        appointments.append(churn::record(p, generation).data(), Size);
    writeFile(QDir(folder).filePath(u"Archivio_Appuntamenti.qzv"_s), appointments);
    writeFile(QDir(folder).filePath(u"Contatti.qzv"_s), QByteArray(3372 - tag.toUtf8().size(), 'c') + tag.toUtf8());
    writeFile(QDir(folder).filePath(u"Archivio_Documenti.qzv"_s), QByteArray(2 * 3991, 'd'));
    writeFile(QDir(folder).filePath(u"unins000.dll"_s), "[Accesso]\nValore=" + tag.toUtf8() + '\n');
    QDir(folder).mkpath(Attachments);
    writeFile(QDir(folder).filePath(Attachments + u"/lettera "_s + tag + u".pdf"_s), "PDF " + tag.toUtf8());
    writeFile(QDir(folder).filePath(Attachments + u"/perizia è.txt"_s), QByteArray(70000, 'p') + tag.toUtf8());
    return snapshot(folder);
}

// Python reads the backup: every listed member with its size and SHA-256,
// nothing unlisted, each member equal to the file of `folder`. Returns the
// members' names, or the error.
QString pythonCheck(const QString& backupFile, const QString& folder)
{
    const QString script = uR"(
import zipfile, hashlib, sys, os
z = zipfile.ZipFile(sys.argv[1]); root = sys.argv[2]
assert z.testzip() is None
names = [n for n in z.namelist() if n != 'Contenuto.txt']
lines = z.read('Contenuto.txt').decode('utf-8').split('\n')
assert lines[0] == 'Quirvale copia di sicurezza 1', lines[0]
listed = {}
for l in lines[1:]:
    if l:
        n, s, h = l.split('\t'); listed[n] = (int(s), h)
assert sorted(listed) == sorted(names), (sorted(listed), sorted(names))
for n in names:
    d = z.read(n)
    assert listed[n] == (len(d), hashlib.sha256(d).hexdigest()), n
    assert d == open(os.path.join(root, n), 'rb').read(), n
print('|'.join(sorted(names)), end='')
)"_s;
    QProcess python;
    python.start(u"python3"_s, { u"-c"_s, script, backupFile, folder });
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return u"python: "_s + QString::fromUtf8(python.readAllStandardError());
    return QString::fromUtf8(python.readAllStandardOutput());
}

// Runs a Python script with its arguments; its standard output, or nothing
// when it failed (its error then goes to the test's log).
std::optional<QByteArray> python(const QString& script, const QStringList& arguments)
{
    QProcess process;
    process.start(u"python3"_s, QStringList { u"-c"_s, script } + arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning("python: %s", process.readAllStandardError().constData());
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({ u"Ripristino*"_s }, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString worker()
{
    return QString::fromUtf8(WORKER_PATH);
}

QString backupWorker()
{
    return QString::fromUtf8(BACKUP_WORKER_PATH);
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(path));
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

} // namespace

class TestBackupRules : public QObject {
    Q_OBJECT

private slots:
    void backupHoldsTheSetWithItsManifest()
    {
        QTemporaryDir home, target;
        const Snapshot set = makeSet(home.path(), 5, 0, u"uno"_s);
        writeFile(QDir(home.path()).filePath(u"Riepilogo_Appuntamenti.xls"_s), "not part of the set");
        // An attachment being copied in by another program: not a file of the set yet.
        writeFile(QDir(home.path()).filePath(Attachments + u"/.quirvale-tmp.pc2.4242.1.abcdef12"_s), "half");

        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(result.file, QDir(target.path()).filePath(u"Quirvale_copia_2024-03-10_09-30-00.zip"_s));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files), { u"Quirvale_copia_2024-03-10_09-30-00.zip"_s });
        QCOMPARE(pythonCheck(result.file, home.path()),
            u"Archivio_Appuntamenti.qzv|Archivio_Documenti.qzv|Contatti.qzv|Documenti_Allegati/lettera uno.pdf|"
            u"Documenti_Allegati/perizia è.txt|Identita_Cartella.txt|unins000.dll"_s);
        // The backup wrote nothing in the program folder but the folder's identity.
        Snapshot withTemporary = set;
        withTemporary.insert(Attachments + u"/.quirvale-tmp.pc2.4242.1.abcdef12"_s, "half");
        QCOMPARE(snapshot(home.path()), withTemporary);
    }

    // Every file of the folder's table that holds data goes into a backup,
    // the archives' maps and the folder's identity included; a restore of a
    // backup made without the identity or the settings leaves the folder's
    // own in place, and puts the maps aside with the archives they named.
    void theWholeDataSetTravels()
    {
        QTemporaryDir home, target, other;
        makeSet(home.path(), 3, 0, u"uno"_s);
        const QStringList data = { u"Archivio_Appuntamenti.elementi"_s, u"Identita_Cartella.txt"_s,
            u"Sincronizzazione.db"_s, u"Sincronizzazione.ini"_s, u"Impostazioni.ini"_s, u"Promemoria_Inviati.txt"_s };
        for (const QString& name : data)
            writeFile(QDir(home.path()).filePath(name), name.toUtf8() + " di uno\n");
        for (const QString& name : { u"Guida.pdf"_s, u"Contatto.pdf"_s, u"Contatti.xls"_s, u"Avviso.mp3"_s })
            writeFile(QDir(home.path()).filePath(name), "not part of the set");
        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment);
        QVERIFY2(result.ok(), qPrintable(result.message));
        const QStringList members = pythonCheck(result.file, home.path()).split(u'|');
        for (const QString& name : data)
            QVERIFY2(members.contains(name), qPrintable(name));
        QCOMPARE(members.size(), data.size() + 6);

        // A folder with an identity and settings of its own, and a map that
        // names its own records, gets a backup made without any of them.
        makeSet(other.path(), 5, 2, u"altro"_s);
        writeFile(QDir(other.path()).filePath(u"Identita_Cartella.txt"_s), "identità dell'altro\n");
        writeFile(QDir(other.path()).filePath(u"Sincronizzazione.ini"_s), "impostazioni dell'altro\n");
        writeFile(QDir(other.path()).filePath(u"Contatti.elementi"_s), "mappa dell'altro\n");
        QTemporaryDir bare, bareTarget;
        makeSet(bare.path(), 2, 1, u"nudo"_s);
        const backup::Result made = backup::makeBackup(bare.path(), bareTarget.path(), 10, Moment);
        QVERIFY(made.ok());
        // As an earlier program wrote it: without the folder's identity.
        QVERIFY(
            python(u"import sys, zipfile\n"
                   u"old = zipfile.ZipFile(sys.argv[1])\n"
                   u"with zipfile.ZipFile(sys.argv[2], 'w') as new:\n"
                   u"    for info in old.infolist():\n"
                   u"        if info.filename == 'Identita_Cartella.txt': continue\n"
                   u"        data = old.read(info.filename)\n"
                   u"        if info.filename == 'Contenuto.txt':\n"
                   u"            data = b''.join(l for l in data.splitlines(True) if not l.startswith(b'Identita_'))\n"
                   u"        new.writestr(info, data)\n"_s,
                { made.file, made.file + u".senza"_s }));
        QVERIFY(QFile::remove(made.file) && QFile::rename(made.file + u".senza"_s, made.file));
        const backup::Result restored = backup::restore(other.path(), made.file, Moment.addDays(1));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        QCOMPARE(
            readFile(QDir(other.path()).filePath(u"Identita_Cartella.txt"_s)), QByteArray("identità dell'altro\n"));
        QCOMPARE(
            readFile(QDir(other.path()).filePath(u"Sincronizzazione.ini"_s)), QByteArray("impostazioni dell'altro\n"));
        QVERIFY(!QFileInfo::exists(QDir(other.path()).filePath(u"Contatti.elementi"_s)));
        QCOMPARE(readFile(QDir(restored.file).filePath(u"Contatti.elementi"_s)), QByteArray("mappa dell'altro\n"));
    }

    // The README tells the people who use the program what every file of the
    // folder is: each name of the folder's table is there.
    void theReadmeNamesEveryFileOfTheFolder()
    {
        const QByteArray readme = readFile(QStringLiteral(README_PATH));
        const qsizetype from = readme.indexOf("### I file della cartella del programma");
        const qsizetype to = readme.indexOf("### ", from + 4);
        QVERIFY(from >= 0 && to > from);
        const QByteArray section = readme.mid(from, to - from);
        for (const programFolder::Entry& entry : programFolder::table())
            QVERIFY2(section.contains(QByteArray('`' + entry.name.toUtf8())), qPrintable(entry.name));
    }

    // A partial record at the end and a half-done rewrite are left out: the
    // backup holds what every reader sees, whole records.
    void backupHoldsWholeRecordsOnly()
    {
        QTemporaryDir home, target, restored;
        makeSet(home.path(), 3, 0, u"uno"_s);
        const QString path = QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s);
        QByteArray bytes = readFile(path);
        const QByteArray whole = bytes;
        // Record 2 half rewritten to generation 1, with its rewrite note, and half an append.
        QByteArray note = "QZVR";
        note += QByteArray("\xf1\x04\x00\x00", 4) + QByteArray("\x01\x00\x00\x00\x00\x00\x00\x00", 8);
        note += bytes.mid(Size, Size) + QByteArray(churn::record(2, 1).data(), Size);
        quint64 hash = 0xcbf29ce484222325ULL;
        for (char c : note) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
        for (int i = 0; i < 8; ++i)
            note += char((hash >> (8 * i)) & 0xff);
        writeFile(ArchiveFile::notePath(path), note);
        bytes.replace(Size, Size / 2, QByteArray(churn::record(2, 1).data(), Size / 2));
        bytes += QByteArray(churn::record(4, 0).data(), 100);
        writeFile(path, bytes);

        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment);
        QVERIFY2(result.ok(), qPrintable(result.message));
        const backup::Result back = backup::restore(restored.path(), result.file, Moment);
        QVERIFY2(back.ok(), qPrintable(back.message));
        QCOMPARE(readFile(QDir(restored.path()).filePath(u"Archivio_Appuntamenti.qzv"_s)), whole);
    }

    void keepsTheLastBackups()
    {
        QTemporaryDir home, target;
        makeSet(home.path(), 1, 0, u"uno"_s);
        writeFile(QDir(target.path()).filePath(u"appunti.txt"_s), "mine");
        QStringList removed;
        for (int i = 0; i < 5; ++i) {
            const backup::Result result = backup::makeBackup(home.path(), target.path(), 3, Moment.addDays(i));
            QVERIFY2(result.ok(), qPrintable(result.message));
            removed += result.removed;
        }
        // Two in the same second get a suffix; the oldest go first.
        QVERIFY(backup::makeBackup(home.path(), target.path(), 3, Moment.addDays(4)).ok());
        QCOMPARE(QDir(target.path()).entryList(QDir::Files, QDir::Name),
            QStringList({ u"Quirvale_copia_2024-03-13_09-30-00.zip"_s, u"Quirvale_copia_2024-03-14_09-30-00.zip"_s,
                u"Quirvale_copia_2024-03-14_09-30-00_2.zip"_s, u"appunti.txt"_s }));
        QCOMPARE(removed,
            QStringList({ u"Quirvale_copia_2024-03-10_09-30-00.zip"_s, u"Quirvale_copia_2024-03-11_09-30-00.zip"_s }));
        // The temporary file of a backup cut short goes a day later, not before.
        const QString stale = QDir(target.path()).filePath(u"Quirvale_copia_2024-03-01_09-30-00.zip.tmp"_s);
        const QString young = QDir(target.path()).filePath(u"Quirvale_copia_2024-03-02_09-30-00.zip.tmp"_s);
        writeFile(stale, "cut");
        writeFile(young, "being written");
        QFile file(stale);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(backup::makeBackup(home.path(), target.path(), 4, Moment.addDays(10)).removed,
            { u"Quirvale_copia_2024-03-01_09-30-00.zip.tmp"_s });
        QVERIFY(QFile::exists(young));
        QFile::remove(young);
        QFile::remove(QDir(target.path()).filePath(u"Quirvale_copia_2024-03-20_09-30-00.zip"_s));

        // A clock set back: the backup just written stays all the same.
        const backup::Result early = backup::makeBackup(home.path(), target.path(), 3, Moment.addDays(-5));
        QCOMPARE(early.removed, { u"Quirvale_copia_2024-03-13_09-30-00.zip"_s });
        QCOMPARE(QDir(target.path()).entryList(QDir::Files, QDir::Name),
            QStringList({ u"Quirvale_copia_2024-03-05_09-30-00.zip"_s, u"Quirvale_copia_2024-03-14_09-30-00.zip"_s,
                u"Quirvale_copia_2024-03-14_09-30-00_2.zip"_s, u"appunti.txt"_s }));
    }

    // While a restore unpacks and swaps, a program starting on the folder
    // clears nothing of it and a second restore is refused: the first one
    // ends with the backup's set, whole.
    void aStartAndASecondRestoreDuringARestore()
    {
        QTemporaryDir source, target, home;
        const Snapshot newSet = makeSet(source.path(), 40, 1, u"nuovo"_s);
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        QVERIFY(made.ok());
        makeSet(home.path(), 9, 3, u"vecchio"_s);

        // The restore waits, half way through its unpacking, for the others to try.
        QSemaphore unpacking, goOn;
        bool waited = false;
        backup::Progress progress;
        progress.step = [&](qint64, qint64) {
            if (!std::exchange(waited, true)) {
                unpacking.release();
                goOn.acquire();
            }
        };
        backup::Result first;
        std::unique_ptr<QThread> restoring(
            QThread::create([&] { first = backup::restore(home.path(), made.file, Moment.addDays(1), progress); }));
        restoring->start();
        QVERIFY(unpacking.tryAcquire(1, 20000));
        QVERIFY(backup::restoreRunning(home.path()));
        QVERIFY(!backup::finishPendingRestore(home.path())); // a start
        QCOMPARE(QDir(home.path()).entryList({ u"Ripristino_temporaneo_*"_s }, QDir::Dirs).size(), 1);
        const backup::Result second = backup::restore(home.path(), made.file, Moment.addDays(2));
        QCOMPARE(second.outcome, backup::Result::Outcome::Refused);
        QVERIFY2(second.message.contains(u"in corso un ripristino"_s), qPrintable(second.message));
        const backup::Result copy = backup::makeBackup(home.path(), target.path(), 10, Moment.addDays(2));
        QVERIFY(!copy.ok());
        goOn.release();
        QVERIFY(restoring->wait(20000));
        QVERIFY2(first.ok(), qPrintable(first.message));
        QCOMPARE(snapshot(home.path()), newSet);
        QCOMPARE(leftovers(home.path()), QStringList());
        QVERIFY(!backup::restoreRunning(home.path()));
    }

    // A folder without its archives (a share not mounted, a wrong path) is
    // not backed up, and the backups already there stay; a backup without
    // archives is restored over a folder with archives only when the user
    // says so.
    void aFolderWithoutArchives()
    {
        QTemporaryDir home, empty, target;
        makeSet(home.path(), 3, 1, u"vero"_s);
        QVERIFY(backup::makeBackup(home.path(), target.path(), 3, Moment).ok());
        for (int i = 1; i <= 3; ++i) {
            const backup::Result result = backup::makeBackup(empty.path(), target.path(), 3, Moment.addDays(i));
            QCOMPARE(result.outcome, backup::Result::Outcome::Failed);
            QVERIFY2(result.message.contains(u"nessun archivio"_s), qPrintable(result.message));
        }
        QCOMPARE(QDir(target.path()).entryList(QDir::Files), { u"Quirvale_copia_2024-03-10_09-30-00.zip"_s });

        // A backup of only the password store, as an older program wrote of an empty folder.
        writeFile(QDir(empty.path()).filePath(u"unins000.dll"_s), "[Accesso]\nValore=x\n");
        const QString old = QDir(target.path()).filePath(u"Quirvale_copia_2024-01-01_09-30-00.zip"_s);
        QVERIFY(python(u"import sys, zipfile, hashlib\n"
                       u"data = open(sys.argv[2], 'rb').read()\n"
                       u"with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                       u"    z.writestr('unins000.dll', data)\n"
                       u"    z.writestr('Contenuto.txt', 'Quirvale copia di sicurezza 1\\nunins000.dll\\t%d\\t%s\\n' "
                       u"% (len(data), hashlib.sha256(data).hexdigest()))\n"_s,
            { old, QDir(empty.path()).filePath(u"unins000.dll"_s) }));
        const Snapshot before = snapshot(home.path());
        QStringList asked;
        backup::Progress refuse;
        refuse.confirm = [&asked](const QString& question) {
            asked << question;
            return false;
        };
        const backup::Result refused = backup::restore(home.path(), old, Moment.addDays(5), refuse);
        QCOMPARE(refused.outcome, backup::Result::Outcome::Refused);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(snapshot(home.path()), before);
        QCOMPARE(backup::restore(home.path(), old, Moment.addDays(5)).outcome, backup::Result::Outcome::Refused);
        backup::Progress agree;
        agree.confirm = [](const QString&) { return true; };
        QVERIFY(backup::restore(home.path(), old, Moment.addDays(6), agree).ok());
        QVERIFY(!QFile::exists(QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s)));
    }

    // Two folders backing up into one place each keep their own last
    // backups; one dated in the future (a clock that was ahead) goes in its
    // turn instead of staying for ever.
    void rotationCountsOnlyThisFoldersBackups()
    {
        QTemporaryDir office, home, target;
        makeSet(office.path(), 2, 1, u"ufficio"_s);
        makeSet(home.path(), 2, 2, u"casa"_s);
        const auto backupsOf = [&](const QString& folder) {
            QStringList names;
            const QByteArray identity = readFile(QDir(folder).filePath(u"Identita_Cartella.txt"_s)).trimmed();
            for (const QString& name : QDir(target.path()).entryList({ u"*.zip"_s }, QDir::Files, QDir::Name)) {
                const auto held = python(u"import sys, zipfile\n"
                                         u"print(zipfile.ZipFile(sys.argv[1]).read('Identita_Cartella.txt')"
                                         u".decode().strip(), end='')"_s,
                    { QDir(target.path()).filePath(name) });
                if (held == identity)
                    names << name;
            }
            return names;
        };
        QVERIFY(backup::makeBackup(office.path(), target.path(), 2, Moment.addYears(1)).ok()); // clock ahead
        for (int day = 0; day < 4; ++day) {
            QVERIFY(backup::makeBackup(office.path(), target.path(), 2, Moment.addDays(day)).ok());
            QVERIFY(backup::makeBackup(home.path(), target.path(), 2, Moment.addDays(day).addSecs(60)).ok());
        }
        QCOMPARE(backupsOf(home.path()),
            QStringList({ u"Quirvale_copia_2024-03-12_09-31-00.zip"_s, u"Quirvale_copia_2024-03-13_09-31-00.zip"_s }));
        QCOMPARE(backupsOf(office.path()),
            QStringList({ u"Quirvale_copia_2024-03-12_09-30-00.zip"_s, u"Quirvale_copia_2024-03-13_09-30-00.zip"_s }));
    }

    // A backup writing to a slow target holds no workstation's save up: the
    // archives are read under their locks at the disks' speed, and the
    // target is written after the locks are let go.
    void aSlowTargetHoldsNoSaveUp()
    {
        QTemporaryDir home, target;
        makeSet(home.path(), 200, 0, u"lento"_s);
        const QString archive = QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s);
        bool tried = false, saved = false;
        backup::Progress progress;
        progress.step = [&](qint64, qint64) {
            // The first bytes reach the target: a save on another workstation now.
            if (std::exchange(tried, true))
                return;
            ArchiveFile::setLockTimeoutMs(2000);
            try {
                archive::append(archive, Size, churn::record(201, 0).data());
                saved = true;
            } catch (const AccessFailure&) {
            }
            ArchiveFile::setLockTimeoutMs(60000);
        };
        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment, progress);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QVERIFY(tried);
        QVERIFY(saved);
        QCOMPARE(QFileInfo(archive).size(), 201 * Size);
        QTemporaryDir restored;
        QVERIFY(backup::restore(restored.path(), result.file, Moment.addDays(1)).ok());
        QCOMPARE(QFileInfo(QDir(restored.path()).filePath(u"Archivio_Appuntamenti.qzv"_s)).size(), 200 * Size);
    }

    // The attachments folder as a link to another disk: the backup holds
    // what it points to and says so; a link that leads nowhere makes no
    // backup; a restore puts a real folder in its place.
    void attachmentsFolderAsALink()
    {
        QTemporaryDir home, disk, target, other;
        makeSet(home.path(), 2, 0, u"link"_s);
        const QString attachments = QDir(home.path()).filePath(Attachments);
        QVERIFY(QDir(attachments).removeRecursively());
        writeFile(QDir(disk.path()).filePath(u"verbale.pdf"_s), "verbale");
        QVERIFY(QDir(disk.path()).mkpath(u"sub"_s));
        writeFile(QDir(disk.path()).filePath(u"sub/perizia.txt"_s), "perizia");
        QVERIFY(QFile::link(disk.path(), attachments));

        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QVERIFY2(result.message.contains(u"è un collegamento a"_s), qPrintable(result.message));
        const QString members = pythonCheck(result.file, home.path());
        QVERIFY2(members.contains(u"Documenti_Allegati/verbale.pdf|Documenti_Allegati/sub/perizia.txt"_s)
                || members.contains(u"Documenti_Allegati/sub/perizia.txt|Documenti_Allegati/verbale.pdf"_s),
            qPrintable(members));

        makeSet(other.path(), 1, 1, u"altro"_s);
        const QString otherAttachments = QDir(other.path()).filePath(Attachments);
        QVERIFY(QDir(otherAttachments).removeRecursively());
        QVERIFY(QFile::link(disk.path(), otherAttachments));
        const backup::Result restored = backup::restore(other.path(), result.file, Moment.addDays(1));
        QVERIFY2(restored.ok(), qPrintable(restored.message));
        QVERIFY(!QFileInfo(otherAttachments).isSymLink());
        QCOMPARE(readFile(QDir(otherAttachments).filePath(u"sub/perizia.txt"_s)), QByteArray("perizia"));
        QCOMPARE(readFile(QDir(disk.path()).filePath(u"verbale.pdf"_s)), QByteArray("verbale")); // the disk untouched

        QVERIFY(QFile::remove(attachments));
        QVERIFY(QFile::link(QDir(disk.path()).filePath(u"staccato"_s), attachments));
        const backup::Result dangling = backup::makeBackup(home.path(), target.path(), 10, Moment.addDays(2));
        QCOMPARE(dangling.outcome, backup::Result::Outcome::Failed);
        QVERIFY2(dangling.message.contains(u"non si raggiunge"_s), qPrintable(dangling.message));
    }

    // A backup that unpacks far beyond what its manifest declares stops at
    // the first byte too many; a cut one, and a folder given for a file,
    // are told in Italian. The folder is left as it was each time.
    void refusedBackupsAreToldInItalian_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::newRow("bomb") << u"bomb"_s << u"è più grande di quanto indica l'elenco del contenuto"_s;
        QTest::newRow("cut in half") << u"cut"_s << u"Ripristino rifiutato: "_s;
        QTest::newRow("a folder") << u"folder"_s << u"è una cartella"_s;
    }
    void refusedBackupsAreToldInItalian()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QTemporaryDir source, target, home;
        makeSet(source.path(), 3, 1, u"nuovo"_s);
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        QVERIFY(made.ok());
        makeSet(home.path(), 2, 3, u"vecchio"_s);
        const Snapshot before = snapshot(home.path());
        QString file = made.file;
        if (kind == u"bomb"_s) {
            // 64 MB of zeros that deflate to little, declared as one record.
            file = QDir(target.path()).filePath(u"Quirvale_copia_2024-01-01_09-30-00.zip"_s);
            QVERIFY(python(u"import sys, zipfile, hashlib\n"
                           u"with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                           u"    z.writestr('Archivio_Appuntamenti.qzv', bytes(64 << 20))\n"
                           u"    z.writestr('Contenuto.txt', 'Quirvale copia di sicurezza "
                           u"1\\nArchivio_Appuntamenti.qzv\\t1265\\t%s\\n' "
                           u"% hashlib.sha256(bytes(1265)).hexdigest())\n"_s,
                { file }));
        } else if (kind == u"cut"_s) {
            QFile zip(file);
            QVERIFY(zip.resize(zip.size() / 2));
        } else {
            file = target.path();
        }
        const backup::Result result = backup::restore(home.path(), file, Moment.addDays(1));
        QVERIFY(!result.ok());
        QVERIFY2(result.message.contains(said), qPrintable(result.message));
        static const QRegularExpression english(u"\\b(error|Error|CRC bad|Truncated|Unrecognized|file data)\\b"_s);
        QVERIFY2(!result.message.contains(english), qPrintable(result.message));
        QCOMPARE(snapshot(home.path()), before);
        QCOMPARE(leftovers(home.path()), QStringList());
    }

    // An attachment removed or renamed by another program while the backup
    // runs (a copy being made took its temporary name away) is no failure:
    // the backup holds the files that are there.
    void anAttachmentGoneDuringTheBackup()
    {
        QTemporaryDir home, target;
        makeSet(home.path(), 2, 0, u"via"_s);
        const QString going = QDir(home.path()).filePath(Attachments + u"/perizia è.txt"_s);
        bool removed = false;
        backup::Progress progress;
        progress.step = [&](qint64, qint64) {
            if (!std::exchange(removed, true))
                QFile::remove(going);
        };
        const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment, progress);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QVERIFY(removed);
        const QString members = pythonCheck(result.file, home.path());
        QVERIFY2(members.contains(u"lettera via.pdf"_s) && !members.contains(u"perizia"_s), qPrintable(members));
    }

    void restorePutsTheOldSetAside()
    {
        QTemporaryDir source, target, home;
        const Snapshot newSet = makeSet(source.path(), 4, 1, u"nuovo"_s);
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        QVERIFY(made.ok());
        const Snapshot oldSet = makeSet(home.path(), 9, 3, u"vecchio"_s);
        writeFile(QDir(home.path()).filePath(Attachments + u"/solo vecchio.doc"_s), "old only");
        const Snapshot oldWithExtra = snapshot(home.path());

        const backup::Result result = backup::restore(home.path(), made.file, Moment.addDays(1));
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(snapshot(home.path()), newSet);
        QCOMPARE(result.file, QDir(home.path()).filePath(u"Prima_del_ripristino_2024-03-11_09-30-00"_s));
        QCOMPARE(snapshot(result.file), oldWithExtra);
        QCOMPARE(leftovers(home.path()), QStringList());
        Q_UNUSED(oldSet);
    }

    // One changed byte in a member's data (deflated or stored) or in the
    // manifest: the restore refuses, and the program folder is as it was.
    void changedByteIsRefused_data()
    {
        QTest::addColumn<QString>("member");
        QTest::newRow("archive record") << u"Archivio_Appuntamenti.qzv"_s;
        QTest::newRow("attachment") << u"Documenti_Allegati/lettera nuovo.pdf"_s;
        QTest::newRow("password store") << u"unins000.dll"_s;
        QTest::newRow("manifest") << u"Contenuto.txt"_s;
    }
    void changedByteIsRefused()
    {
        QFETCH(QString, member);
        QTemporaryDir source, target, home;
        makeSet(source.path(), 4, 1, u"nuovo"_s);
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        QVERIFY(made.ok());
        const Snapshot oldSet = makeSet(home.path(), 9, 3, u"vecchio"_s);

        // Where the member's data lie in the file, as Python's zipfile reads it.
        const auto offset = python(u"import sys, zipfile, struct\n"
                                   u"z = zipfile.ZipFile(sys.argv[1])\n"
                                   u"i = z.getinfo(sys.argv[2])\n"
                                   u"f = open(sys.argv[1], 'rb'); f.seek(i.header_offset)\n"
                                   u"h = f.read(30); n, e = struct.unpack('<HH', h[26:30])\n"
                                   u"print(i.header_offset + 30 + n + e + i.compress_size // 2, end='')\n"_s,
            { made.file, member });
        QVERIFY(offset);
        bool number = false;
        const qsizetype at = offset->toLongLong(&number);
        QVERIFY(number);
        QByteArray bytes = readFile(made.file);
        bytes[at] = char(bytes[at] ^ 0x01);
        writeFile(made.file, bytes);

        const backup::Result result = backup::restore(home.path(), made.file, Moment);
        QCOMPARE(result.outcome, backup::Result::Outcome::Refused);
        QVERIFY2(result.message.startsWith(u"Ripristino rifiutato: "_s), qPrintable(result.message));
        QCOMPARE(snapshot(home.path()), oldSet);
        QCOMPARE(leftovers(home.path()), QStringList());
        QCOMPARE(QDir(home.path()).entryList({ u"Prima_del_ripristino*"_s }, QDir::Dirs), QStringList());
    }

    // A backup made elsewhere whose manifest agrees but whose names lead out
    // of the program folder, or name no file of the set, is refused whole.
    void foreignNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent folder") << u"../fuori.txt"_s;
        QTest::newRow("out through the attachments") << u"Documenti_Allegati/../../fuori.txt"_s;
        QTest::newRow("absolute") << u"/tmp/quirvale-assoluto.txt"_s;
        QTest::newRow("not of the set") << u"programma.sh"_s;
    }
    void foreignNamesAreRefused()
    {
        QFETCH(QString, name);
        QTemporaryDir home, target;
        const Snapshot oldSet = makeSet(home.path(), 2, 3, u"vecchio"_s);
        const QString file = QDir(target.path()).filePath(u"Quirvale_copia_2024-03-10_09-30-00.zip"_s);
        const QString script = uR"(
import zipfile, hashlib, sys
data = b'contenuto'
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('unins000.dll', b'x')
    zi = zipfile.ZipInfo(sys.argv[2]); z.writestr(zi, data)
    z.writestr('Contenuto.txt', 'Quirvale copia di sicurezza 1\nunins000.dll\t1\t%s\n%s\t%d\t%s\n' % (
        hashlib.sha256(b'x').hexdigest(), sys.argv[2], len(data), hashlib.sha256(data).hexdigest()))
)"_s;
        QProcess python;
        python.start(u"python3"_s, { u"-c"_s, script, file, name });
        QVERIFY(python.waitForFinished(30000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());

        const backup::Result result = backup::restore(home.path(), file, Moment);
        QCOMPARE(result.outcome, backup::Result::Outcome::Refused);
        QVERIFY2(result.message.contains(u"file inatteso"_s), qPrintable(result.message));
        QCOMPARE(snapshot(home.path()), oldSet);
        QCOMPARE(leftovers(home.path()), QStringList());
        QVERIFY(!QFile::exists(QDir(home.path()).filePath(u"../fuori.txt"_s)));
        QVERIFY(!QFile::exists(u"/tmp/quirvale-assoluto.txt"_s));
    }

    void busyArchiveIsRefused()
    {
        QTemporaryDir source, target, home;
        makeSet(source.path(), 4, 1, u"nuovo"_s);
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        const Snapshot oldSet = makeSet(home.path(), 9, 3, u"vecchio"_s);
        ArchiveFile::setLockTimeoutMs(200);
        ArchiveFile writer; // another copy of the program in the middle of a save
        writer.open(QDir(home.path()).filePath(u"Contatti.qzv"_s), 3372, ArchiveFile::Access::Write);

        const backup::Result result = backup::restore(home.path(), made.file, Moment);
        writer.close();
        ArchiveFile::setLockTimeoutMs(5000);
        QCOMPARE(result.outcome, backup::Result::Outcome::Refused);
        QVERIFY2(result.message.contains(u"un'altra postazione sta scrivendo"_s), qPrintable(result.message));
        QCOMPARE(snapshot(home.path()), oldSet);
        QCOMPARE(leftovers(home.path()), QStringList());
    }

    // Another process appends and rewrites without pause while backups are
    // taken: each backup restores to an archive whose every record is whole.
    void backupDuringAppendsAndRewrites()
    {
        QTemporaryDir home, target;
        const QString path = QDir(home.path()).filePath(u"Archivio_Appuntamenti.qzv"_s);
        QProcess child;
        child.start(worker(), { u"churn"_s, path, QString::number(QRandomGenerator::global()->generate()) });
        QVERIFY(child.waitForReadyRead(30000));
        QThread::msleep(100);
        QList<QString> files;
        for (int i = 0; i < 6; ++i) {
            const backup::Result result = backup::makeBackup(home.path(), target.path(), 10, Moment.addSecs(i));
            QVERIFY2(result.ok(), qPrintable(result.message));
            files << result.file;
            QThread::msleep(30);
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        const int told = int(child.readAllStandardOutput().count('\n'));
        QVERIFY2(told > 20, "the other process wrote while the backups ran");

        qint64 previous = 0;
        for (const QString& file : files) {
            QTemporaryDir restored;
            const backup::Result back = backup::restore(restored.path(), file, Moment);
            QVERIFY2(back.ok(), qPrintable(back.message));
            const QByteArray bytes = readFile(QDir(restored.path()).filePath(u"Archivio_Appuntamenti.qzv"_s));
            QCOMPARE(bytes.size() % Size, 0);
            for (qint64 p = 1; p <= bytes.size() / Size; ++p) {
                const auto tag = churn::tag(bytes.constData() + (p - 1) * Size);
                QVERIFY2(tag && tag->first == p, qPrintable(u"record %1 of %2 is not whole"_s.arg(p).arg(file)));
            }
            QVERIFY(bytes.size() / Size >= previous);
            previous = bytes.size() / Size;
        }
    }

    // A restore killed at random moments by SIGKILL; the next start
    // finishes or clears what it left: the folder then holds the old set or
    // the new one, exactly.
    void restoreKilledAtRandomMoments()
    {
        QTemporaryDir source, target, pristine;
        const Snapshot newSet = makeSet(source.path(), 400, 1, u"nuovo"_s);
        for (int i = 0; i < 20; ++i)
            writeFile(QDir(source.path()).filePath(Attachments + u"/scansione %1.pdf"_s.arg(i)),
                QByteArray(40000, char('a' + i)));
        const Snapshot newWithScans = snapshot(source.path());
        const backup::Result made = backup::makeBackup(source.path(), target.path(), 10, Moment);
        QVERIFY(made.ok());
        const Snapshot oldSet = makeSet(pristine.path(), 300, 2, u"vecchio"_s);
        Q_UNUSED(newSet);

        // How long a whole restore takes here, to spread the kills over it.
        qint64 whole = 0;
        {
            QTemporaryDir home;
            copyFolder(pristine.path(), home.path());
            QElapsedTimer timer;
            timer.start();
            QProcess child;
            child.start(backupWorker(), { u"restore"_s, home.path(), made.file });
            QVERIFY(child.waitForFinished(60000));
            QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
            whole = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
            QCOMPARE(snapshot(home.path()), newWithScans);
        }

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int olds = 0, news = 0;
        for (int round = 0; round < 30; ++round) {
            QTemporaryDir home;
            copyFolder(pristine.path(), home.path());
            QProcess child;
            child.start(backupWorker(), { u"restore"_s, home.path(), made.file });
            QVERIFY(child.waitForReadyRead(30000));
            QThread::usleep(random.bounded(quint32(whole)));
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(30000));

            backup::finishPendingRestore(home.path()); // what the next start does
            const Snapshot now = snapshot(home.path());
            const QString context = u"round %1, seed %2"_s.arg(round).arg(seed);
            QVERIFY2(now == oldSet || now == newWithScans, qPrintable(context));
            (now == oldSet ? olds : news)++;
            QVERIFY2(
                leftovers(home.path()).isEmpty(), qPrintable(context + u": "_s + leftovers(home.path()).join(u", "_s)));
        }
        qInfo("%d kills left the old set, %d the new one (a whole restore: %lld us)", olds, news, whole);
    }

    // The swap cut after each of its steps, as the marker file describes
    // it: the next start finishes it, and the new set is whole.
    void swapCutAtEachStep_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("marker written, nothing moved") << 0;
        QTest::newRow("first archive linked aside") << 1;
        QTest::newRow("first archive in place") << 2;
        QTest::newRow("attachments moved aside") << 3;
        QTest::newRow("attachments in place, marker left") << 4;
    }
    void swapCutAtEachStep()
    {
        QFETCH(int, steps);
        QTemporaryDir home, fresh;
        const Snapshot oldSet = makeSet(home.path(), 3, 2, u"vecchio"_s);
        const Snapshot newSet = makeSet(fresh.path(), 2, 1, u"nuovo"_s);
        QDir h(home.path());
        h.mkdir(u"Ripristino_temporaneo_1"_s);
        h.mkdir(u"Prima_del_ripristino_1"_s);
        const QString staging = h.filePath(u"Ripristino_temporaneo_1"_s);
        const QString aside = h.filePath(u"Prima_del_ripristino_1"_s);
        const QStringList members = { u"Documenti_Allegati"_s, u"Archivio_Appuntamenti.qzv"_s, u"Contatti.qzv"_s,
            u"Archivio_Documenti.qzv"_s, u"unins000.dll"_s };
        for (const QString& name : members)
            QVERIFY(QFile::rename(QDir(fresh.path()).filePath(name), QDir(staging).filePath(name)));
        QByteArray marker = "staging\tRipristino_temporaneo_1\naside\tPrima_del_ripristino_1\n";
        for (const QString& name : members)
            marker += "in\t" + name.toUtf8() + '\n';
        marker += "end\n";
        writeFile(h.filePath(u"Ripristino_in_corso.txt"_s), marker);
        // The steps of the swap for the attachments folder and the first archive.
        const QString archive = u"Archivio_Appuntamenti.qzv"_s;
        if (steps >= 1)
            QCOMPARE(::link(QFile::encodeName(h.filePath(archive)).constData(),
                         QFile::encodeName(QDir(aside).filePath(archive)).constData()),
                0);
        if (steps >= 2) {
            QFile::remove(h.filePath(archive));
            QVERIFY(QFile::rename(QDir(staging).filePath(archive), h.filePath(archive)));
        }
        if (steps >= 3)
            QVERIFY(h.rename(Attachments, QDir(aside).filePath(Attachments)));
        if (steps >= 4)
            QVERIFY(h.rename(QDir(staging).filePath(Attachments), Attachments));

        QVERIFY(backup::finishPendingRestore(home.path()));
        QCOMPARE(snapshot(home.path()), newSet);
        QCOMPARE(leftovers(home.path()), QStringList());
        Snapshot aside0 = snapshot(aside);
        QCOMPARE(aside0.value(archive), oldSet.value(archive));
        QCOMPARE(aside0.value(u"unins000.dll"_s), oldSet.value(u"unins000.dll"_s));
        QCOMPARE(aside0.value(Attachments + u"/lettera vecchio.pdf"_s),
            oldSet.value(Attachments + u"/lettera vecchio.pdf"_s));
        QVERIFY(!backup::finishPendingRestore(home.path()));
    }
};

QTEST_GUILESS_MAIN(TestBackupRules)
#include "tst_backuprules.moc"
