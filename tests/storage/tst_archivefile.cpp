#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/safefiles.h"
#include "support/folders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {
constexpr int Size = 1265;

AppointmentRecord appointment(const QString& purpose)
{
    AppointmentRecord r;
    r.setText(AppointmentField::date, u"05/03/2024"_s);
    r.setText(AppointmentField::purpose, purpose);
    r.setFlag(AppointmentField::fulfilled, false);
    return r;
}

// Byte-range locks refused, as a share mounted without them refuses them,
// until the guard ends.
auto refuseLocks()
{
    ArchiveFile::setLockCall([](int, struct flock*) {
        errno = ENOLCK;
        return -1;
    });
    return qScopeGuard([] { ArchiveFile::setLockCall({}); });
}

QStringList purposes(const QString& path)
{
    QStringList seen;
    archive::readAll(path, Size, [&](const char* bytes, qint64) {
        seen << AppointmentRecord::fromBytes(bytes).text(AppointmentField::purpose);
    });
    return seen;
}
} // namespace

class TestArchiveFile : public QObject {
    Q_OBJECT

private slots:
    void missingFileIsCreatedEmptyByAReader()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = programFolder::file(programFolder::Appointments);
        int visited = 0;
        archive::readAll(path, Size, [&](const char*, qint64) { ++visited; });
        QCOMPARE(visited, 0);
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(archive::count(path, Size), 0);
    }

    void patterns()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        QCOMPARE(archive::append(path, Size, appointment(u"uno"_s).data()), 1);
        QCOMPARE(archive::append(path, Size, appointment(u"due"_s).data()), 2);
        QCOMPARE(archive::append(path, Size, appointment(u"tre"_s).data()), 3);
        archive::rewriteAt(path, Size, 2, appointment(u"DUE"_s).data());

        AppointmentRecord r;
        archive::readAt(path, Size, 2, r.data());
        QCOMPARE(r.text(AppointmentField::purpose), u"DUE"_s);

        QStringList seen;
        QList<qint64> positions;
        archive::readAll(path, Size, [&](const char* bytes, qint64 p) {
            seen << AppointmentRecord::fromBytes(bytes).text(AppointmentField::purpose);
            positions << p;
        });
        QCOMPARE(seen, (QStringList { u"uno"_s, u"DUE"_s, u"tre"_s }));
        QCOMPARE(positions, (QList<qint64> { 1, 2, 3 }));
        QCOMPARE(QFileInfo(path).size(), 3 * Size);
    }

    void trailingPartialRecord()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        QByteArray bytes;
        bytes += QByteArray(appointment(u"uno"_s).data(), Size);
        bytes += QByteArray(appointment(u"due"_s).data(), Size);
        bytes += QByteArray(100, 'Z');
        writeFile(path, bytes);

        QCOMPARE(archive::count(path, Size), 2);
        int visited = 0;
        archive::readAll(path, Size, [&](const char*, qint64) { ++visited; });
        QCOMPARE(visited, 2);
        QCOMPARE(archive::append(path, Size, appointment(u"tre"_s).data()), 3);
        const QByteArray after = readFile(path);
        QCOMPARE(after.size(), 3 * Size);
        QCOMPARE(after.mid(2 * Size, Size), QByteArray(appointment(u"tre"_s).data(), Size));
        QCOMPARE(after.left(2 * Size), bytes.left(2 * Size));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("read-only folder, no archive yet") << u"readonly-missing"_s;
        QTest::newRow("read-only folder and archive") << u"readonly-existing"_s;
        QTest::newRow("path is a folder") << u"folder"_s;
        QTest::newRow("read past the end") << u"past-end"_s;
        QTest::newRow("position zero") << u"position-zero"_s;
    }
    void failures()
    {
        QFETCH(QString, situation);
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        if (situation != u"readonly-missing"_s && situation != u"folder"_s)
            archive::append(path, Size, appointment(u"uno"_s).data());
        const QByteArray before = readFile(path);
        std::unique_ptr<testsupport::ReadOnlyFolder> readOnly;
        if (situation.startsWith(u"readonly"_s)) {
            readOnly = std::make_unique<testsupport::ReadOnlyFolder>(folder.path());
            if (!readOnly->ok())
                QSKIP("this file system cannot make a folder read-only");
        }
        if (situation == u"folder"_s)
            QVERIFY(QDir().mkdir(path));

        char buffer[Size];
        try {
            if (situation == u"past-end"_s)
                archive::readAt(path, Size, 2, buffer);
            else if (situation == u"position-zero"_s)
                archive::rewriteAt(path, Size, 0, buffer);
            else
                archive::append(path, Size, appointment(u"due"_s).data());
            QFAIL("no access failure");
        } catch (const AccessFailure& failure) {
            QCOMPARE(AccessFailure::message(),
                u"Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
                u"Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma."_s);
            QVERIFY(!failure.detail().isEmpty());
        }
        if (situation != u"folder"_s)
            QCOMPARE(readFile(path), before); // never truncated or replaced
    }

    void lockHeldTooLongIsAFailure()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        ArchiveFile writer;
        writer.open(path, Size, ArchiveFile::Access::Write);
        ArchiveFile::setLockTimeoutMs(200);
        QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::count(path, Size));
        ArchiveFile::setLockTimeoutMs(5000);
        writer.close();
        QCOMPARE(archive::count(path, Size), 0);
    }

    // A file system that refuses byte-range locks (some network shares) is
    // worked on without them; any other failure of the lock call is still a
    // failure.
    void fileSystemWithoutLocks_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("works");
        QTest::newRow("ENOLCK") << ENOLCK << true;
        QTest::newRow("EOPNOTSUPP") << EOPNOTSUPP << true;
        QTest::newRow("EINVAL") << EINVAL << true;
        QTest::newRow("EIO") << EIO << false;
    }
    void fileSystemWithoutLocks()
    {
        QFETCH(int, error);
        QFETCH(bool, works);
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        QCOMPARE(archive::append(path, Size, appointment(u"uno"_s).data()), 1);
        const QByteArray before = readFile(path);
        int calls = 0;
        ArchiveFile::setLockCall([&](int, struct flock*) {
            ++calls;
            errno = error;
            return -1;
        });
        const auto restore = qScopeGuard([] { ArchiveFile::setLockCall({}); });
        QStringList seen;
        const auto readAll = [&] {
            seen.clear();
            archive::readAll(path, Size, [&](const char* bytes, qint64) {
                seen << AppointmentRecord::fromBytes(bytes).text(AppointmentField::purpose);
            });
        };
        if (works) {
            QCOMPARE(archive::append(path, Size, appointment(u"due"_s).data()), 2);
            archive::rewriteAt(path, Size, 1, appointment(u"UNO"_s).data());
            AppointmentRecord r;
            archive::readAt(path, Size, 2, r.data());
            QCOMPARE(r.text(AppointmentField::purpose), u"due"_s);
            readAll();
            QCOMPARE(seen, (QStringList { u"UNO"_s, u"due"_s }));
        } else {
            QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::append(path, Size, appointment(u"due"_s).data()));
            QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::rewriteAt(path, Size, 1, appointment(u"UNO"_s).data()));
            QVERIFY_THROWS_EXCEPTION(AccessFailure, readAll());
            QVERIFY(seen.isEmpty());
            QCOMPARE(readFile(path), before);
        }
        QCOMPARE(calls, works ? 4 : 3);
    }

    // A lock held longer than the wait is told as the archive in use by
    // another workstation, not as missing privileges; the wait is shown
    // while it lasts.
    void lockHeldTooLongIsTheBusyMessage_data()
    {
        QTest::addColumn<bool>("byteRangeLocks");
        QTest::newRow("byte-range locks") << true;
        QTest::newRow("locks refused: the lock file") << false;
    }
    void lockHeldTooLongIsTheBusyMessage()
    {
        QFETCH(bool, byteRangeLocks);
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        archive::append(path, Size, appointment(u"uno"_s).data());
        std::optional<decltype(refuseLocks())> refused;
        if (!byteRangeLocks)
            refused.emplace(refuseLocks());
        QList<bool> told;
        ArchiveFile::setWaitCall([&](bool waiting) { told << waiting; });
        ArchiveFile::setLockTimeoutMs(700);
        const auto restore = qScopeGuard([] {
            ArchiveFile::setWaitCall({});
            ArchiveFile::setLockTimeoutMs(5000);
        });
        ArchiveFile holder;
        holder.open(path, Size, ArchiveFile::Access::Write);
        QCOMPARE(QFileInfo::exists(ArchiveFile::lockFilePath(path)), !byteRangeLocks);
        QElapsedTimer clock;
        clock.start();
        try {
            archive::append(path, Size, appointment(u"due"_s).data());
            QFAIL("no failure");
        } catch (const AccessFailure& failure) {
            QVERIFY(failure.busy());
            QCOMPARE(failure.text(),
                u"Attenzione: l'archivio è in uso da un'altra postazione.\n\r\n\r"
                u"Attendere che l'operazione in corso sia terminata e riprovare."_s);
        }
        QVERIFY(clock.elapsed() >= 700);
        QCOMPARE(told, (QList<bool> { true, false }));
        holder.close();
        QVERIFY(!QFileInfo::exists(ArchiveFile::lockFilePath(path)));
        QCOMPARE(archive::append(path, Size, appointment(u"due"_s).data()), 2);
        QCOMPARE(purposes(path), (QStringList { u"uno"_s, u"due"_s }));
    }

    // Where byte-range locks are refused, the lock file of a program that
    // has gone does not stop the others.
    void lockFileOfAGoneProgramIsTakenOver()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        archive::append(path, Size, appointment(u"uno"_s).data());
        const auto refused = refuseLocks();
        const QString lock = ArchiveFile::lockFilePath(path);
        QCOMPARE(lock, folder.file(u"a.qzv.blocco"_s));
        writeFile(lock, "0badcafe 1 altra\n"); // another workstation, not renewed for long
        struct timeval old[2] {};
        old[0].tv_sec = old[1].tv_sec = ::time(nullptr) - safefiles::LockFile::StaleSeconds - 5;
        QVERIFY(::utimes(QFile::encodeName(lock).constData(), old) == 0);
        ArchiveFile::setLockTimeoutMs(2000);
        const auto restore = qScopeGuard([] { ArchiveFile::setLockTimeoutMs(5000); });
        QCOMPARE(archive::append(path, Size, appointment(u"due"_s).data()), 2);
        QVERIFY(!QFileInfo::exists(lock));
    }

    // Things planted in the folder under the archive's or its notes' names:
    // the action fails at once with the access message, never waits, and
    // writes nothing outside the folder.
    void plantedInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO as the archive") << u"a.qzv"_s << u"fifo"_s;
        QTest::newRow("link as the archive") << u"a.qzv"_s << u"link"_s;
        QTest::newRow("dangling link as the archive") << u"a.qzv"_s << u"dangling"_s;
        QTest::newRow("FIFO as the note") << u"a.qzv.ripristino"_s << u"fifo"_s;
        QTest::newRow("folder as the note") << u"a.qzv.ripristino"_s << u"folder"_s;
        QTest::newRow("FIFO as a writer's note") << u"a.qzv.ripristino.0badcafe.1.1.0000abcd"_s << u"fifo"_s;
    }
    void plantedInPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        testsupport::ProgramFolderFixture folder;
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(u"altrove"_s);
        const QByteArray outsideBytes(3 * Size, 'o');
        writeFile(outside, outsideBytes);
        const QString path = folder.file(u"a.qzv"_s);
        if (name != u"a.qzv"_s)
            archive::append(path, Size, appointment(u"uno"_s).data());
        const QByteArray planted = QFile::encodeName(folder.file(name));
        if (kind == u"fifo"_s)
            QVERIFY(::mkfifo(planted.constData(), 0666) == 0);
        else if (kind == u"folder"_s)
            QVERIFY(::mkdir(planted.constData(), 0777) == 0);
        else if (kind == u"link"_s)
            QVERIFY(::symlink(QFile::encodeName(outside).constData(), planted.constData()) == 0);
        else
            QVERIFY(::symlink(QFile::encodeName(outside + u"2"_s).constData(), planted.constData()) == 0);
        QElapsedTimer clock;
        clock.start();
        char buffer[Size];
        QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::count(path, Size));
        QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::append(path, Size, appointment(u"due"_s).data()));
        QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::rewriteAt(path, Size, 1, appointment(u"UNO"_s).data()));
        QVERIFY_THROWS_EXCEPTION(AccessFailure, archive::readAt(path, Size, 1, buffer));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(readFile(outside), outsideBytes);
        QVERIFY(!QFileInfo::exists(outside + u"2"_s));
    }

    // A planter re-creates links, as fast as it can, at the names of the
    // notes (the one of earlier versions and names like a writer's) while
    // records are rewritten: every rewrite succeeds, and the file the links
    // lead to is never touched.
    void planterOfLinksAtTheNotes()
    {
        testsupport::ProgramFolderFixture folder;
        QTemporaryDir elsewhere;
        const QString outside = elsewhere.filePath(u"altrove"_s);
        const QByteArray outsideBytes(3 * Size, 'o');
        writeFile(outside, outsideBytes);
        const QString path = folder.file(u"a.qzv"_s);
        archive::append(path, Size, appointment(u"uno"_s).data());
        std::atomic<bool> stop = false;
        std::thread planter([&] {
            const QByteArray target = QFile::encodeName(outside);
            const QByteArray names[] = { QFile::encodeName(ArchiveFile::notePath(path)),
                QFile::encodeName(safefiles::uniqueName(ArchiveFile::notePath(path))) };
            while (!stop) {
                for (const QByteArray& name : names) {
                    ::unlink(name.constData());
                    ::symlink(target.constData(), name.constData());
                }
            }
        });
        QElapsedTimer clock;
        clock.start();
        int rewrites = 0;
        for (; rewrites < 200 && clock.elapsed() < 2000; ++rewrites)
            archive::rewriteAt(path, Size, 1, appointment(u"giro %1"_s.arg(rewrites)).data());
        stop = true;
        planter.join();
        QCOMPARE(purposes(path), QStringList { u"giro %1"_s.arg(rewrites - 1) });
        QCOMPARE(readFile(outside), outsideBytes);
    }

    // Three copies of the program on a share that refuses byte-range locks,
    // appending at once: the lock file serialises them and no card is lost
    // or written twice.
    void threeCopiesAppendingWithoutLocks()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        QProcess copies[3];
        const QString tags[3] = { u"A"_s, u"B"_s, u"C"_s };
        for (int i = 0; i < 3; ++i)
            copies[i].start(QString::fromUtf8(APPENDER_PATH), { path, tags[i], u"60"_s, u"nolocks"_s });
        for (QProcess& copy : copies) {
            QVERIFY(copy.waitForFinished(120000));
            QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy.exitCode(), 0);
        }
        QCOMPARE(QFileInfo(path).size(), 180 * Size);
        const QStringList seen = purposes(path);
        QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 180);
        QVERIFY(!QFileInfo::exists(ArchiveFile::lockFilePath(path)));
    }

    void twoCopiesAppendingAtOnce()
    {
        testsupport::ProgramFolderFixture folder;
        const QString path = folder.file(u"a.qzv"_s);
        QProcess first, second;
        first.start(QString::fromUtf8(APPENDER_PATH), { path, u"A"_s, u"500"_s });
        second.start(QString::fromUtf8(APPENDER_PATH), { path, u"B"_s, u"500"_s });
        QVERIFY(first.waitForFinished(240000));
        QVERIFY(second.waitForFinished(240000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        QCOMPARE(QFileInfo(path).size(), 1000 * Size);
        QSet<QString> purposes;
        archive::readAll(path, Size, [&](const char* bytes, qint64) {
            const AppointmentRecord r = AppointmentRecord::fromBytes(bytes);
            const QString purpose = r.text(AppointmentField::purpose);
            QCOMPARE(r.text(AppointmentField::notes), QString(250, purpose.at(0)));
            QVERIFY(r.isNo(AppointmentField::fulfilled));
            purposes.insert(purpose);
        });
        QCOMPARE(purposes.size(), 1000);
    }

    // A writer that waits for the lock while the archive is replaced (a
    // restore puts the old file aside and the backup's in its place) writes
    // into the archive that has the name, never into the file put aside.
    void aWriterFollowsAnArchiveReplacedWhileItWaits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Archivio_Appuntamenti.qzv"_s);
        const QString aside = dir.filePath(u"messo da parte.qzv"_s);
        const QString incoming = dir.filePath(u"dalla copia.qzv"_s);
        testsupport::writeFile(path, QByteArray(2 * AppointmentRecord::Size, 'v'));
        testsupport::writeFile(incoming, QByteArray(3 * AppointmentRecord::Size, 'n'));
        bool replaced = false;
        ArchiveFile::setLockCall([&](int fd, struct flock* lock) {
            if (!std::exchange(replaced, true)) {
                // What the restore does while this writer waits for it.
                if (::link(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0
                    || ::rename(QFile::encodeName(incoming).constData(), QFile::encodeName(path).constData()) != 0)
                    return -1;
            }
            return ::fcntl(fd, F_OFD_SETLK, lock);
        });
        AppointmentRecord r;
        r.setText(AppointmentField::purpose, u"salvata durante il ripristino"_s);
        const qint64 position = archive::append(path, AppointmentRecord::Size, r.data());
        ArchiveFile::setLockCall({});
        QVERIFY(replaced);
        QCOMPARE(position, 4);
        QCOMPARE(QFileInfo(path).size(), 4 * AppointmentRecord::Size);
        QCOMPARE(testsupport::readFile(aside), QByteArray(2 * AppointmentRecord::Size, 'v'));
    }
};

QTEST_GUILESS_MAIN(TestArchiveFile)
#include "tst_archivefile.moc"
