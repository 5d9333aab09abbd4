// The command line: which arguments start the screens, which run a command,
// and the exit codes of wrong arguments.
#include "shell/commandline.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "support/folders.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
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

    // The window works on the folder of --program-folder, and opens on
    // nothing it does not understand.
    void windowArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("onTheFolder");
        QTest::newRow("none") << QStringList {} << true << false;
        QTest::newRow("folder") << QStringList { u"--program-folder"_s, u"FOLDER"_s } << true << true;
        QTest::newRow("missing folder") << QStringList { u"--program-folder"_s, u"/nessuna/cartella"_s } << false
                                        << false;
        QTest::newRow("folder without its value") << QStringList { u"--program-folder"_s } << false << false;
        QTest::newRow("unknown argument") << QStringList { u"--nessuno"_s } << false << false;
    }
    void windowArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, opens);
        QFETCH(bool, onTheFolder);
        QTemporaryDir folder;
        arguments.replaceInStrings(u"FOLDER"_s, folder.path());
        arguments.prepend(u"Quirvale"_s);
        programFolder::setOverride(QString());
        const QString own = programFolder::path();
        const QString problem = shell::commandline::takeWindowArguments(arguments);
        QCOMPARE(problem.isEmpty(), opens);
        QVERIFY(problem.isEmpty() || problem.startsWith(u"Errore: "_s));
        QCOMPARE(QDir(programFolder::path()), QDir(onTheFolder ? folder.path() : own));
        programFolder::setOverride(QString());
    }

    // The backup, the restore and the check from a scheduled job: the same
    // work as the screen, told by exit codes.
    void backupRestoreAndCheck()
    {
        QTemporaryDir home, target;
        const QString folder = home.path();
        // Two appointments as the card writes them.
        AppointmentRecord visit;
        visit.setText(AppointmentField::date, u"05/03/2024"_s);
        visit.setText(AppointmentField::noticeDays, u"0"_s);
        visit.setText(AppointmentField::purpose, u"Visita"_s);
        visit.setFlag(AppointmentField::fulfilled, false);
        const QByteArray two = QByteArray(visit.data(), 1265).repeated(2);
        testsupport::writeFile(QDir(folder).filePath(u"Archivio_Appuntamenti.qzv"_s), two);
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
        QByteArray bytes = two;
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

    // The exchanges with calendar and address-book files: Italian messages on
    // the standard error, and nothing written when they fail.
    void exchangeExitCodes_data()
    {
        const QString fixtures = QStringLiteral(FIXTURES_DIR);
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("appointments"); // in the archive afterwards
        QTest::newRow("import") << QStringList { u"--import-ics"_s, fixtures + u"/allday.ics"_s } << 0 << 1;
        QTest::newRow("import, a preview only")
            << QStringList { u"--import-ics"_s, fixtures + u"/allday.ics"_s, u"--preview"_s } << 0 << 0;
        QTest::newRow("repeats in a range") << QStringList { u"--import-ics"_s, fixtures + u"/recurring.ics"_s,
            u"--from"_s, u"01/03/2024"_s, u"--to"_s, u"20/03/2024"_s }
                                            << 0 << 2;
        QTest::newRow("damaged file") << QStringList { u"--import-ics"_s, fixtures + u"/damaged-unclosed.ics"_s } << 1
                                      << 0;
        QTest::newRow("missing file") << QStringList { u"--import-vcf"_s, u"/nessun/file.vcf"_s } << 1 << 0;
        QTest::newRow("export into a missing folder")
            << QStringList { u"--export-vcf"_s, u"/nessuna/cartella/rubrica.vcf"_s } << 1 << 0;
        QTest::newRow("wrong range date")
            << QStringList { u"--import-ics"_s, fixtures + u"/recurring.ics"_s, u"--from"_s, u"31/02/2024"_s } << 2
            << 0;
        QTest::newRow("range upside down") << QStringList { u"--import-ics"_s, fixtures + u"/recurring.ics"_s,
            u"--from"_s, u"01/03/2024"_s, u"--to"_s, u"01/02/2024"_s }
                                           << 2 << 0;
        QTest::newRow("a contacts option with the calendar export")
            << QStringList { u"--export-ics"_s, u"/tmp/agenda-mai-scritta.ics"_s, u"--vcard4"_s } << 2 << 0;
    }
    void exchangeExitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(int, appointments);
        testsupport::ProgramFolderFixture folder;
        const auto result = run(QStringList { u"Quirvale"_s, u"--program-folder"_s, folder.path() } + arguments);
        QVERIFY(result);
        QCOMPARE(*result, code);
        QCOMPARE(archive::count(folder.file(u"Archivio_Appuntamenti.qzv"_s), AppointmentRecord::Size), appointments);
    }

    // A preview only reads: a folder that had no archive still has none.
    void aPreviewWritesNothing_data()
    {
        const QString fixtures = QStringLiteral(FIXTURES_DIR);
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("calendar") << QStringList { u"--import-ics"_s, fixtures + u"/allday.ics"_s };
        QTest::newRow("address book") << QStringList { u"--import-vcf"_s, fixtures + u"/addressbook30.vcf"_s };
    }
    void aPreviewWritesNothing()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir folder;
        const auto result = run(QStringList { u"Quirvale"_s, u"--program-folder"_s, folder.path() } + arguments
            + QStringList { u"--preview"_s });
        QCOMPARE(result, std::optional<int>(0));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void exportThenImportElsewhereTwice()
    {
        testsupport::ProgramFolderFixture source;
        run({ u"Quirvale"_s, u"--program-folder"_s, source.path(), u"--import-vcf"_s,
            QStringLiteral(FIXTURES_DIR) + u"/addressbook30.vcf"_s });
        const QString vcf = source.file(u"copia.vcf"_s);
        QCOMPARE(
            *run({ u"Quirvale"_s, u"--program-folder"_s, source.path(), u"--export-vcf"_s, vcf, u"--vcard4"_s }), 0);
        QVERIFY(testsupport::readFile(vcf).startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n"));
        testsupport::ProgramFolderFixture target;
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(*run({ u"Quirvale"_s, u"--program-folder"_s, target.path(), u"--import-vcf"_s, vcf }), 0);
            QCOMPARE(archive::count(target.file(u"Contatti.qzv"_s), ContactRecord::Size), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
