// The command line: which arguments start the screens, which run a command,
// and the exit codes of wrong arguments.
#include "shell/commandline.h"

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
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
