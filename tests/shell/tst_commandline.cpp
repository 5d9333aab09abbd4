// The command line: which arguments start the screens, which run a command,
// and the exit codes of wrong arguments.
#include "shell/commandline.h"
#include "storage/archivefile.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QDir>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using shell::commandline::run;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void argumentsWithoutCommandStartTheScreens()
    {
        QVERIFY(!run({ u"Quirvale"_s }));
        QVERIFY(!run({ u"Quirvale"_s, u"-platform"_s, u"xcb"_s }));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::newRow("usage") << QStringList { u"--aiuto"_s } << 0;
        QTest::newRow("help in English too") << QStringList { u"--help"_s } << 0;
        QTest::newRow("unknown argument") << QStringList { u"--aiuto"_s, u"--nessuno"_s } << 2;
        QTest::newRow("folder without its value") << QStringList { u"--aiuto"_s, u"--program-folder"_s } << 2;
        QTest::newRow("missing folder") << QStringList { u"--aiuto"_s, u"--program-folder"_s, u"/nessuna/cartella"_s }
                                        << 1;
        QTest::newRow("two commands") << QStringList { u"--aiuto"_s, u"--help"_s } << 2;
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        arguments.prepend(u"Quirvale"_s);
        const auto result = run(arguments);
        QVERIFY(result);
        QCOMPARE(*result, code);
    }

    // The backup, the restore and the check from a scheduled job: the same
    // work as the screen, told by exit codes.
    void backupRestoreAndCheck()
    {
        QTemporaryDir home, target;
        const QString folder = home.path();
        testsupport::writeFile(QDir(folder).filePath(u"Archivio_Appuntamenti.qzv"_s), QByteArray(2 * 1265, '\0'));
        testsupport::writeFile(QDir(folder).filePath(u"unins000.dll"_s), "[Accesso]\n");
        const auto command = [&](QStringList arguments) {
            arguments.prepend(u"Quirvale"_s);
            arguments << u"--program-folder"_s << folder;
            return run(arguments).value_or(-1);
        };
        QCOMPARE(command({ u"--check"_s }), 0);
        QCOMPARE(command({ u"--backup"_s, target.path(), u"--keep"_s, u"0"_s }), 2);
        QCOMPARE(command({ u"--backup"_s, target.path(), u"--keep"_s, u"2"_s }), 0);
        const QStringList made = QDir(target.path()).entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        QVERIFY(made[0].startsWith(u"Quirvale_copia_"_s) && made[0].endsWith(u".zip"_s));
        QCOMPARE(command({ u"--backup"_s, QDir(target.path()).filePath(u"nessuna"_s) }), 1);

        // One length byte past its capacity: damage, and its bytes written out.
        QByteArray bytes(2 * 1265, '\0');
        bytes[1265] = char(11);
        testsupport::writeFile(QDir(folder).filePath(u"Archivio_Appuntamenti.qzv"_s), bytes);
        const QString out = QDir(target.path()).filePath(u"danni.bin"_s);
        QCOMPARE(command({ u"--check"_s, u"--damaged"_s, out }), 3);
        QCOMPARE(testsupport::readFile(out).size(), qsizetype(57 + 1 + 1265 + 1));

        QCOMPARE(command({ u"--restore"_s, QDir(target.path()).filePath(made[0]) }), 0);
        QCOMPARE(command({ u"--check"_s }), 0);
        QCOMPARE(command({ u"--restore"_s, out }), 1); // not a backup
        QCOMPARE(QDir(folder).entryList({ u"Prima_del_ripristino_*"_s }, QDir::Dirs).size(), 1);
    }

    // The reminders due now, listed by the program itself, and none given.
    void reminderList()
    {
        testsupport::ProgramFolderFixture folder;
        using F = AppointmentField;
        AppointmentRecord r;
        r.setText(F::date, QDate::currentDate().toString(u"dd/MM/yyyy"_s));
        r.setText(F::noticeDays, u"0"_s);
        r.setText(F::purpose, u"Scadenza F24"_s);
        r.setText(F::contact, u"Studio Verdi"_s);
        r.setFlag(F::fulfilled, false);
        archive::append(folder.file(u"Archivio_Appuntamenti.qzv"_s), AppointmentRecord::Size, r.data());
        QProcess program;
        program.start(QStringLiteral(PROGRAM_PATH), { u"--promemoria"_s, u"--program-folder"_s, folder.path() });
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
            u"Impegno in scadenza: Scadenza F24 - Data: "_s + r.text(F::date) + u"; Contatto: Studio Verdi\n"_s);
        QVERIFY(!QFile::exists(folder.file(u"Promemoria_Inviati.txt"_s)));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
