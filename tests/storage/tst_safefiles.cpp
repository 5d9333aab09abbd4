// Files in a folder that others can write: links planted in the program's
// place, FIFOs and folders under its names, locks of programs that are gone,
// and what killed runs leave behind.
#include "storage/safefiles.h"
#include "support/folders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// What can stand in a file's place.
enum class Planted { Link, DanglingLink, Fifo, Folder };

// Plants `kind` at `path`; `outside` is the file a link leads to.
void plant(Planted kind, const QString& path, const QString& outside)
{
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
    case Planted::Link:
        QVERIFY(::symlink(QFile::encodeName(outside).constData(), name.constData()) == 0);
        break;
    case Planted::DanglingLink:
        QVERIFY(::symlink(QFile::encodeName(outside + u".nuovo"_s).constData(), name.constData()) == 0);
        break;
    case Planted::Fifo:
        QVERIFY(::mkfifo(name.constData(), 0666) == 0);
        break;
    case Planted::Folder:
        QVERIFY(QDir().mkdir(path));
        break;
    }
}

void addPlantedRows()
{
    QTest::addColumn<Planted>("planted");
    QTest::newRow("link to a file outside") << Planted::Link;
    QTest::newRow("dangling link") << Planted::DanglingLink;
    QTest::newRow("FIFO") << Planted::Fifo;
    QTest::newRow("folder") << Planted::Folder;
}

void setAge(const QString& path, qint64 seconds)
{
    struct timeval times[2] {};
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - seconds;
    QVERIFY(::lutimes(QFile::encodeName(path).constData(), times) == 0);
}

// A process id that no process has now: a child that has ended and been reaped.
qint64 goneProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestSafeFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFolderFixture> folder;
    std::unique_ptr<QTemporaryDir> elsewhere;
    QString outside; // a file outside the folder that must never change
    const QByteArray outsideBytes = "dati di un altro programma\n";

private slots:
    void init()
    {
        folder = std::make_unique<testsupport::ProgramFolderFixture>();
        elsewhere = std::make_unique<QTemporaryDir>();
        outside = elsewhere->filePath(u"altrove.txt"_s);
        writeFile(outside, outsideBytes);
    }
    void cleanup()
    {
        QCOMPARE(readFile(outside), outsideBytes);
        QVERIFY(!QFileInfo::exists(outside + u".nuovo"_s));
        folder.reset();
        elsewhere.reset();
    }

    // Whatever stands under a name, the opening neither follows it out of
    // the folder nor waits: a new file is made only where nothing is, an
    // existing one is opened only when it is a regular file of its own name.
    void openingRefusesWhatIsNotARegularFile_data() { addPlantedRows(); }
    void openingRefusesWhatIsNotARegularFile()
    {
        QFETCH(Planted, planted);
        const QString path = folder->file(u"Contatti.qzv"_s);
        plant(planted, path, outside);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(safefiles::createNew(path), -1);
        QCOMPARE(errno, EEXIST);
        QCOMPARE(safefiles::openRegular(path, O_RDWR | O_CREAT), -1);
        QCOMPARE(safefiles::openRegular(path, O_RDONLY), -1);
        QByteArray bytes;
        if (planted != Planted::Link)
            QVERIFY(!safefiles::readSmall(path, 1000, bytes));
        QVERIFY(clock.elapsed() < 1000);
    }

    void readSmallTakesARegularFileUpToItsLimit()
    {
        const QString path = folder->file(u"unins000.dll"_s);
        writeFile(path, QByteArray(100, 'x'));
        QByteArray bytes;
        QVERIFY(safefiles::readSmall(path, 100, bytes));
        QCOMPARE(bytes, QByteArray(100, 'x'));
        QVERIFY(!safefiles::readSmall(path, 99, bytes));
        QCOMPARE(errno, EFBIG);
        QVERIFY(!safefiles::readSmall(folder->file(u"manca"_s), 100, bytes));
        QCOMPARE(errno, ENOENT);
    }

    // A replacement puts a regular file in the target's place: a link there
    // is replaced, never written through; a folder there makes it fail. No
    // temporary file is left either way.
    void replacementNeverWritesThroughTheTarget_data() { addPlantedRows(); }
    void replacementNeverWritesThroughTheTarget()
    {
        QFETCH(Planted, planted);
        const QString path = folder->file(u"Esportazione.xls"_s);
        plant(planted, path, outside);
        safefiles::Replacement file(path);
        QVERIFY(file.open());
        QVERIFY(safefiles::writeAll(file.handle(), "nuovo", 5));
        const bool committed = file.commit();
        QCOMPARE(committed, planted != Planted::Folder);
        if (committed) {
            QVERIFY(!QFileInfo(path).isSymLink());
            QCOMPARE(readFile(path), QByteArray("nuovo"));
        }
        QCOMPARE(entries(folder->path()), QStringList { u"Esportazione.xls"_s });
    }

    // A planter that puts a link back in the target's place as fast as it
    // can, while files are replaced: no byte goes outside the folder.
    void replacementAgainstAPlanterInALoop()
    {
        const QString path = folder->file(u"Contatto.pdf"_s);
        std::atomic<bool> stop = false;
        std::thread planter([&] {
            const QByteArray name = QFile::encodeName(path), target = QFile::encodeName(outside);
            while (!stop) {
                ::unlink(name.constData());
                ::symlink(target.constData(), name.constData());
            }
        });
        QElapsedTimer clock;
        clock.start();
        int written = 0;
        for (int i = 0; i < 300 && clock.elapsed() < 2000; ++i) {
            safefiles::Replacement file(path);
            if (file.open() && safefiles::writeAll(file.handle(), "pdf", 3) && file.commit())
                ++written;
        }
        stop = true;
        planter.join();
        QVERIFY(written > 0);
    }

    void replacementCancelledLeavesNothing()
    {
        const QString path = folder->file(u"unins000.dll"_s);
        writeFile(path, "vecchio");
        {
            safefiles::Replacement file(path);
            QVERIFY(file.open());
            QVERIFY(safefiles::writeAll(file.handle(), "nuovo", 5));
        }
        QCOMPARE(entries(folder->path()), QStringList { u"unins000.dll"_s });
        QCOMPARE(readFile(path), QByteArray("vecchio"));
    }

    // The lock file: held by a live owner it is waited for, then busy; an
    // owner of this workstation that is gone, or a lock not renewed for
    // longer than any action, is taken over; release removes only its own.
    void lockFile()
    {
        const QString path = folder->file(u"Contatti.qzv.blocco"_s);
        safefiles::LockFile first, second;
        QCOMPARE(first.acquire(path, 0), safefiles::LockFile::Result::Taken);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(second.acquire(path, 200), safefiles::LockFile::Result::Busy);
        QVERIFY(clock.elapsed() >= 200 && clock.elapsed() < 2000);
        QVERIFY(!safefiles::LockFile::isStale(path));

        setAge(path, safefiles::LockFile::StaleSeconds + 10);
        QVERIFY(safefiles::LockFile::isStale(path));
        QCOMPARE(second.acquire(path, 0), safefiles::LockFile::Result::Taken);
        first.release(); // no longer its lock: it stays
        QVERIFY(QFileInfo::exists(path));
        second.release();
        QVERIFY(!QFileInfo::exists(path));

        // An owner of this workstation that has ended.
        QCOMPARE(first.acquire(path, 0), safefiles::LockFile::Result::Taken);
        const QByteArray owner = readFile(path);
        const QList<QByteArray> words = owner.split(' ');
        QVERIFY(words.size() >= 3);
        QCOMPARE(words[1].toLongLong(), qint64(::getpid()));
        first.release();
        writeFile(path, words[0] + ' ' + QByteArray::number(goneProcess()) + " altra\n");
        QVERIFY(safefiles::LockFile::isStale(path));
        QCOMPARE(second.acquire(path, 0), safefiles::LockFile::Result::Taken);
        second.release();

        // The same process number on another workstation is not judged.
        writeFile(path, "0badcafe " + QByteArray::number(goneProcess()) + " altra\n");
        QVERIFY(!safefiles::LockFile::isStale(path));
        QFile::remove(path);

        // Something else under the lock's name is a failure, not a wait.
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
        clock.restart();
        QCOMPARE(second.acquire(path, 5000), safefiles::LockFile::Result::Failed);
        QVERIFY(clock.elapsed() < 1000);
    }

    // The leftovers of killed runs go at the next start: this program's
    // temporary files whose process is gone, or that are old; a young one
    // of another workstation stays, and so does every file the program did
    // not make, whatever its age.
    void leftoversOfKilledRuns()
    {
        const QString dir = folder->path();
        const QString mine = safefiles::temporaryName(dir);
        writeFile(mine, "in corso");
        const QString host = QFileInfo(mine).fileName().section(u'.', 2, 2);
        const QString gone = u"%1/.quirvale-tmp.%2.%3.1.0000abcd"_s.arg(dir, host).arg(goneProcess());
        const QString otherYoung = u"%1/.quirvale-tmp.0badcafe.1.1.0000abcd"_s.arg(dir);
        const QString otherOld = u"%1/.quirvale-tmp.0badcafe.2.1.0000abcd"_s.arg(dir);
        const QString earlierCopy = dir + u"/.quirvale-copia-Ab12Cd"_s;
        const QString earlierStore = dir + u"/unins000.dll.4242-1"_s;
        const QStringList users
            = { dir + u"/.quirvale-tmp"_s, dir + u"/quirvale-tmp.0badcafe.2.1.0000abcd"_s, dir + u"/Contatti.qzv"_s,
                  dir + u"/Contatti.qzv.ripristino"_s, dir + u"/unins000.dll"_s, dir + u"/unins000.dll.bak"_s };
        for (const QString& path : { gone, otherYoung, otherOld, earlierCopy, earlierStore })
            writeFile(path, "resto");
        for (const QString& path : users) {
            writeFile(path, "dell'utente");
            setAge(path, 10 * 24 * 3600);
        }
        for (const QString& path : { otherOld, earlierCopy, earlierStore })
            setAge(path, 2 * 3600);
        QVERIFY(::symlink("altrove", QFile::encodeName(dir + u"/.quirvale-tmp.0badcafe.3.1.0000abcd"_s)) == 0);
        setAge(dir + u"/.quirvale-tmp.0badcafe.3.1.0000abcd"_s, 2 * 3600);
        const QString sub = dir + u"/.quirvale-tmp.0badcafe.4.1.0000abcd"_s;
        QVERIFY(QDir().mkdir(sub));
        setAge(sub, 2 * 3600);

        QCOMPARE(safefiles::cleanLeftovers(dir, 3600), 5);
        QStringList kept = { QFileInfo(mine).fileName(), QFileInfo(otherYoung).fileName(), QFileInfo(sub).fileName() };
        for (const QString& path : users)
            kept << QFileInfo(path).fileName();
        kept.sort();
        QCOMPARE(entries(dir), kept);
    }

    void uniqueNames()
    {
        const QString a = safefiles::uniqueName(u"Contatti.qzv.ripristino"_s);
        const QString b = safefiles::uniqueName(u"Contatti.qzv.ripristino"_s);
        QVERIFY(a != b);
        QVERIFY(safefiles::isUniqueNameOf(a, u"Contatti.qzv.ripristino"_s));
        QVERIFY(!safefiles::isUniqueNameOf(a, u"Contatti.qzv"_s));
        QVERIFY(!safefiles::isUniqueNameOf(u"Contatti.qzv.ripristino.bak"_s, u"Contatti.qzv.ripristino"_s));
        QVERIFY(!safefiles::isUniqueNameOf(u"Contatti.qzv.ripristino"_s, u"Contatti.qzv.ripristino"_s));
    }
};

QTEST_GUILESS_MAIN(TestSafeFiles)
#include "tst_safefiles.moc"
