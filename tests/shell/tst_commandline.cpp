// The command line: which arguments start the screens, which run a command,
// and the exit codes of wrong arguments.
#include "shell/commandline.h"
#include "storage/archivefile.h"
#include "storage/records.h"
#include "support/folders.h"

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
