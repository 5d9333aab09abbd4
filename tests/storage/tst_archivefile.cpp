#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QTest>

#include <cerrno>

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
};

QTEST_GUILESS_MAIN(TestArchiveFile)
#include "tst_archivefile.moc"
