// The sync settings screen, reached from the main menu, and the sync
// without screens of the command line, against a real Radicale.
#include "shell/commandline.h"
#include "shell/mainmenu.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "support/programfixture.h"
#include "sync/davserver.h"
#include "sync/keyring.h"
#include "sync/standincodec.h"
#include "sync/syncscreen.h"
#include "sync/syncsettings.h"
#include "sync/syncsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace testsupport;

class TestSyncScreen : public QObject {
    Q_OBJECT

    QHash<QString, QString> keyring;

    void fill(QWidget* screen, const DavServer& server, const QString& password)
    {
        control<QLineEdit>(screen, u"txtServer"_s)->setText(server.url().toString());
        control<QLineEdit>(screen, u"txtUtente"_s)->clear();
        QTest::keyClicks(control<QLineEdit>(screen, u"txtUtente"_s), u"anna"_s);
        control<QLineEdit>(screen, u"txtPassword"_s)->clear();
        QTest::keyClicks(control<QLineEdit>(screen, u"txtPassword"_s), password);
    }

private slots:
    void initTestCase()
    {
        installStandInCodecs();
        davsync::keyring::setStore({ [this](const QString& key) { return keyring.value(key); },
            [this](const QString& key, const QString& password) {
                keyring.insert(key, password);
                return QString();
            } });
    }
    void init()
    {
        keyring.clear();
        qunsetenv("QUIRVALE_SYNC_PASSWORD");
    }

    void theMainMenuOpensTheSettings()
    {
        ProgramFixture program;
        QString opened;
        whenModal([&](QWidget* modal) {
            opened = modal->objectName();
            modal->close();
        });
        QTest::mouseClick(control<QToolButton>(program.menu(), u"icoSincronizza"_s), Qt::LeftButton);
        QCOMPARE(opened, u"frmSincronizzazione"_s);
        QCOMPARE(control<QToolButton>(program.menu(), u"icoSincronizza"_s)->text(), u"Sincronizza"_s);
    }

    void findsTheCollectionsAndTestsTheConnection()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        SyncScreen screen;
        screen.show();
        fill(&screen, server, u"segreta"_s);

        QTest::mouseClick(control<QPushButton>(&screen, u"cmdCerca"_s), Qt::LeftButton);
        QCOMPARE(program.messages.texts().value(0),
            u"Server %1, utente anna: calendari trovati 1, rubriche trovate 1."_s.arg(
                server.url().toString(QUrl::RemovePath)));
        auto* calendars = control<QComboBox>(&screen, u"txtCalendario"_s);
        QCOMPARE(calendars->count(), 1);
        QCOMPARE(calendars->currentData().toString(), server.calendar());
        QCOMPARE(control<QComboBox>(&screen, u"txtRubrica"_s)->currentData().toString(), server.addressBook());

        program.messages.clear();
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdProva"_s), Qt::LeftButton);
        QCOMPARE(program.messages.messages().size(), 1);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Information);
        const QString report = program.messages.texts()[0];
        QVERIFY2(report.contains(u"nome utente e password accettati"_s), qPrintable(report));
        QVERIFY2(report.contains(u"Calendario \"Agenda\": trovato."_s), qPrintable(report));
        QVERIFY2(report.contains(u"Rubrica \"Rubrica\": trovata."_s), qPrintable(report));
    }

    void theConnectionTestSaysWhatDoesNotWork_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("calendar"); // typed; empty: the one found
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrong password") << u"sbagliata"_s << QString() << u"(401)"_s;
        QTest::newRow("calendar that is not there") << u"segreta"_s << u"/anna/nessuno/"_s << u"non raggiungibile"_s;
    }
    void theConnectionTestSaysWhatDoesNotWork()
    {
        QFETCH(QString, password);
        QFETCH(QString, calendar);
        QFETCH(QString, expected);
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        SyncScreen screen;
        screen.show();
        fill(&screen, server, password);
        if (!calendar.isEmpty())
            control<QComboBox>(&screen, u"txtCalendario"_s)
                ->setEditText(server.url().resolved(QUrl(calendar)).toString());
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdProva"_s), Qt::LeftButton);
        QCOMPARE(program.messages.messages().size(), 1);
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Error);
        QVERIFY2(program.messages.texts()[0].contains(expected), qPrintable(program.messages.texts()[0]));
    }

    // Without a server address every command asks for it, and reaches for
    // no server.
    void eachCommandAsksForTheAddress_data()
    {
        QTest::addColumn<QString>("command");
        for (const char* command : { "cmdCerca", "cmdProva", "cmdSincronizza", "cmdSalva" })
            QTest::newRow(command) << QString::fromLatin1(command);
    }
    void eachCommandAsksForTheAddress()
    {
        QFETCH(QString, command);
        ProgramFixture program;
        SyncScreen screen;
        screen.show();
        QTest::keyClicks(control<QLineEdit>(&screen, u"txtUtente"_s), u"anna"_s);
        QTest::mouseClick(control<QPushButton>(&screen, command), Qt::LeftButton);
        QCOMPARE(program.messages.texts(), QStringList { u"Indicare l'indirizzo del server."_s });
        QCOMPARE(program.messages.messages()[0].kind, ui::MessageKind::Warning);
        QVERIFY(!QFile::exists(program.folder.file(davsync::Settings::FileName)));
    }

    // The minutes of the automatic sync agree with their number.
    void minutesAgree()
    {
        ProgramFixture program;
        SyncScreen screen;
        screen.show();
        auto* minutes = control<QSpinBox>(&screen, u"txtMinuti"_s);
        minutes->setValue(1);
        QCOMPARE(minutes->text(), u"1 minuto"_s);
        minutes->setValue(2);
        QCOMPARE(minutes->text(), u"2 minuti"_s);
    }

    void plainHttpToAnotherMachineOnlyWhenTicked()
    {
        ProgramFixture program;
        SyncScreen screen;
        screen.show();
        control<QLineEdit>(&screen, u"txtServer"_s)->setText(u"http://dav.ufficio.lan/"_s);
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdSalva"_s), Qt::LeftButton);
        QCOMPARE(program.messages.messages().value(0).kind, ui::MessageKind::Warning);
        QVERIFY(!QFile::exists(program.folder.file(davsync::Settings::FileName)));

        program.messages.clear();
        control<QCheckBox>(&screen, u"chkHttp"_s)->setChecked(true);
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdSalva"_s), Qt::LeftButton);
        QCOMPARE(program.messages.texts(), QStringList { u"Impostazioni di sincronizzazione salvate."_s });
        QCOMPARE(davsync::Settings::load().server, u"http://dav.ufficio.lan/"_s);
        QVERIFY(davsync::Settings::load().allowPlainHttp);
    }

    void syncsOnCommandAndShowsTheStatus()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(program.appointments(), 3);
        SyncScreen screen;
        screen.show();
        fill(&screen, server, u"segreta"_s);
        control<QComboBox>(&screen, u"txtCalendario"_s)->setEditText(server.calendar());
        control<QCheckBox>(&screen, u"chkAutomatica"_s)->setChecked(true);
        control<QSpinBox>(&screen, u"txtMinuti"_s)->setValue(30);

        QTest::mouseClick(control<QPushButton>(&screen, u"cmdSincronizza"_s), Qt::LeftButton);
        QCOMPARE(program.messages.texts().last(),
            u"Sincronizzazione riuscita: 3 inviati, 0 ricevuti, 0 conflitti, 0 eliminati sul server."_s);
        QVERIFY(control<QLabel>(&screen, u"lblStato"_s)->text().contains(u"riuscita."_s));
        QCOMPARE(server.storedEvents().size(), 3);
        // The password is in the keyring, never in the program folder.
        QCOMPARE(keyring.value(davsync::keyring::keyOf(server.url().toString(), u"anna"_s)), u"segreta"_s);
        QVERIFY(!readFile(program.folder.file(davsync::Settings::FileName)).contains("segreta"));
        const davsync::Settings kept = davsync::Settings::load();
        QVERIFY(kept.automatic);
        QCOMPARE(kept.minutes, 30);

        // Opened again, the screen shows what is kept.
        SyncScreen again;
        again.show();
        QCOMPARE(control<QLineEdit>(&again, u"txtPassword"_s)->text(), u"segreta"_s);
        QCOMPARE(control<QComboBox>(&again, u"txtCalendario"_s)->currentText(), server.calendar());
        QVERIFY(control<QLabel>(&again, u"lblStato"_s)->text().contains(u"3 inviati"_s));
    }

    void syncWithoutScreens()
    {
        ProgramFolderFixture folder;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(folder.file(programFolder::Appointments), 4);
        davsync::Settings settings;
        settings.calendar = server.calendar();
        QVERIFY(settings.save());
        const auto sync = [&](const QString& password) {
            qputenv("QUIRVALE_SYNC_PASSWORD", password.toUtf8());
            return shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path(),
                u"--server"_s, server.url().toString(), u"--user"_s, u"anna"_s });
        };
        QCOMPARE(sync(u"sbagliata"_s), std::optional<int>(1));
        QVERIFY(server.storedEvents().isEmpty());
        QCOMPARE(sync(u"segreta"_s), std::optional<int>(0));
        QCOMPARE(server.storedEvents().size(), 4);
        // Server and user stay in the settings for the next runs.
        qputenv("QUIRVALE_SYNC_PASSWORD", "segreta");
        QCOMPARE(shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path() }),
            std::optional<int>(0));
        QCOMPARE(davsync::Settings::load().user, u"anna"_s);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 4);
        // Unset, the password is missing: a message and a failure, not a run.
        qunsetenv("QUIRVALE_SYNC_PASSWORD");
        keyring.clear();
        QCOMPARE(shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path() }),
            std::optional<int>(1));
    }
};

QTEST_MAIN(TestSyncScreen)
#include "tst_syncscreen.moc"
