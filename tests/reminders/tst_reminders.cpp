// The desktop reminders in the running program, on a private session bus
// where this test owns org.freedesktop.Notifications and records every call:
// the notice and the minutes-before reminder at their moments, once across
// restarts, nothing for a commitment fulfilled or moved, the click that opens
// the record, another process's save, the tray's menu and the settings.
#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "reminders/desktopreminders.h"
#include "shell/mainmenu.h"
#include "shell/passwordgate.h"
#include "storage/archivefile.h"
#include "storage/passwordstore.h"
#include "storage/programfolder.h"
#include "support/programfixture.h"
#include "ui/linelist.h"
#include "ui/notifications.h"

#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;

} // namespace

// The notification service as a desktop offers it, on a connection of its own.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        uint id;
    };
    QList<Call> calls;

    NotificationServer()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"notification-server"_s))
    {
        m_bus.registerObject(Path, this, QDBusConnection::ExportAllSlots);
    }
    ~NotificationServer() override { QDBusConnection::disconnectFromBus(u"notification-server"_s); }
    bool connected() const { return m_bus.isConnected(); }
    bool own() { return m_bus.registerService(Service); }
    void release() { m_bus.unregisterService(Service); }
    // The user clicks the notification.
    void click(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Service, u"ActionInvoked"_s);
        signal << id << u"default"_s;
        m_bus.send(signal);
    }

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
        const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.append({ app, icon, summary, body, actions, hints, uint(100 + calls.size()) });
        return calls.last().id;
    }
    QStringList GetCapabilities() { return { u"actions"_s, u"body"_s }; }

private:
    QDBusConnection m_bus;
};

class TestReminders : public QObject {
    Q_OBJECT

    NotificationServer* server = nullptr;
    std::unique_ptr<testsupport::ProgramFixture> program;

    reminders::DesktopReminders* reminders() const { return program->screens->reminders(); }
    void at(int hour, int minute, int second = 0)
    {
        ui::clock::setFixed(QDateTime(QDate(2024, 3, 10), QTime(hour, minute, second)));
    }
    // Every call the program sent has reached the service: a call sent after
    // them is answered only once they were.
    void settle()
    {
        const QDBusPendingCall ping = QDBusConnection::sessionBus().asyncCall(
            QDBusMessage::createMethodCall(Service, Path, Service, u"GetCapabilities"_s), 5000);
        QTRY_VERIFY(ping.isFinished());
    }
    QStringList summaries() const
    {
        QStringList s;
        for (const auto& call : server->calls)
            s << call.summary;
        return s;
    }
    qint64 addToday(const QString& hour, const QString& minute, const QString& purpose, bool fulfilled = false)
    {
        return program->addAppointment(
            appointment(u"10/03/2024"_s, hour, minute, u"0"_s, purpose, u"Rossi"_s, fulfilled));
    }
    QAction* action(const QString& name) const { return reminders()->menu()->findChild<QAction*>(name); }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        server = new NotificationServer;
        QVERIFY(server->connected());
    }
    void cleanupTestCase() { delete server; }
    void init()
    {
        QVERIFY(server->own());
        server->calls.clear();
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
    }
    void cleanup()
    {
        program.reset();
        server->release();
    }

    void noticeOnceWithItsTextsAndSound()
    {
        program->addAppointment(
            appointment(u"15/03/2024"_s, u"10"_s, u"30"_s, u"5"_s, u"Firma <contratto>"_s, u"Rossi & figli"_s));
        reminders()->start();
        settle();
        QCOMPARE(server->calls.size(), 1);
        const auto& call = server->calls.first();
        QCOMPARE(call.app, u"Quirvale 5.0"_s);
        QCOMPARE(call.summary, u"Impegno in scadenza: Firma <contratto>"_s);
        // The body goes as markup-safe text.
        QCOMPARE(call.body, u"Data: 15/03/2024 ore 10:30\nContatto: Rossi &amp; figli"_s);
        QVERIFY(call.actions.contains(u"default"_s));
        QCOMPARE(program->sounds.played, QStringList { programFolder::file(u"Avviso.mp3"_s) });
        at(12, 0);
        reminders()->watch().wake();
        reminders()->watch().fallbackTick();
        settle();
        QCOMPARE(server->calls.size(), 1);
        QVERIFY(program->messages.messages().isEmpty());
    }

    void minutesBeforeAtTheRightMinute()
    {
        addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        reminders()->start();
        settle();
        QCOMPARE(summaries(), QStringList { u"Impegno in scadenza: Udienza"_s });
        QCOMPARE(reminders()->watch().nextWake(), QDateTime(QDate(2024, 3, 10), QTime(10, 15)));
        at(10, 14, 59);
        reminders()->watch().wake();
        settle();
        QCOMPARE(server->calls.size(), 1);
        at(10, 15);
        reminders()->watch().wake();
        settle();
        QCOMPARE(summaries().last(), u"Impegno alle 10:30: Udienza"_s);
        QCOMPARE(server->calls.size(), 2);
    }

    // A second run, or a second workstation on the same program folder.
    void restartDoesNotRepeat()
    {
        addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        reminders()->start();
        at(10, 16);
        reminders()->watch().wake();
        settle();
        QCOMPARE(server->calls.size(), 2);
        reminders::DesktopReminders again;
        again.start();
        at(10, 20);
        again.watch().wake();
        settle();
        QCOMPARE(server->calls.size(), 2);
    }

    void fulfilledOrMovedBeforeItsTime_data()
    {
        QTest::addColumn<bool>("fulfilled");
        QTest::newRow("fulfilled") << true;
        QTest::newRow("moved to 11:30") << false;
    }
    void fulfilledOrMovedBeforeItsTime()
    {
        QFETCH(bool, fulfilled);
        const qint64 p = addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        reminders()->start();
        settle();
        QCOMPARE(server->calls.size(), 1);
        // Saved on the card a moment before the reminder, before the watch has read it again.
        const AppointmentRecord changed = fulfilled
            ? appointment(u"10/03/2024"_s, u"10"_s, u"30"_s, u"0"_s, u"Udienza"_s, u"Rossi"_s, true)
            : appointment(u"10/03/2024"_s, u"11"_s, u"30"_s, u"0"_s, u"Udienza"_s, u"Rossi"_s);
        archive::rewriteAt(program->appointments(), AppointmentRecord::Size, p, changed.data());
        at(10, 15);
        reminders()->watch().wake();
        settle();
        QCOMPARE(server->calls.size(), 1);
        reminders()->watch().checkArchive();
        at(11, 15);
        reminders()->watch().wake();
        settle();
        // Moved, it is a commitment of its own: its notice again, then its reminder.
        const QStringList expected = fulfilled
            ? QStringList()
            : QStringList { u"Impegno in scadenza: Udienza"_s, u"Impegno alle 11:30: Udienza"_s };
        QCOMPARE(summaries().mid(1), expected);
    }

    void clickOpensTheRecord_data()
    {
        QTest::addColumn<bool>("fulfilledSince");
        QTest::newRow("in the agenda: selected there") << false;
        QTest::newRow("fulfilled since: on the card") << true;
    }
    void clickOpensTheRecord()
    {
        QFETCH(bool, fulfilledSince);
        addToday(u"08"_s, u"00"_s, u"Colazione"_s);
        const qint64 p
            = program->addAppointment(appointment(u"12/03/2024"_s, u"10"_s, u"30"_s, u"3"_s, u"Firma"_s, u"Neri"_s));
        program->menu()->show();
        reminders()->start();
        settle();
        QCOMPARE(server->calls.size(), 2);
        if (fulfilledSince) {
            archive::rewriteAt(program->appointments(), AppointmentRecord::Size, p,
                appointment(u"12/03/2024"_s, u"10"_s, u"30"_s, u"3"_s, u"Firma"_s, u"Neri"_s, true).data());
        }
        const auto call = std::find_if(server->calls.begin(), server->calls.end(),
            [](const NotificationServer::Call& c) { return c.summary.contains(u"Firma"_s); });
        server->click(call->id);
        if (fulfilledSince) {
            QTRY_VERIFY(program->card()->isVisible());
            QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), u"2"_s);
            QVERIFY(!program->agenda()->isVisible());
        } else {
            QTRY_VERIFY(program->agenda()->isVisible());
            const QModelIndex selected = control<QListView>(program->agenda(), u"lstRecords"_s)->currentIndex();
            QCOMPARE(selected.data(ui::LineListModel::PositionRole).toLongLong(), p);
        }
        QVERIFY(!program->menu()->isVisible());
    }

    void anotherProcessSavesADueCommitment()
    {
        reminders()->start();
        QCOMPARE(reminders()->watch().reads(), 1);
        QProcess saver;
        saver.start(QStringLiteral(SAVER_PATH),
            { program->appointments(), u"14/03/2024"_s, u"09"_s, u"00"_s, u"4"_s, u"Rinnovo"_s });
        QVERIFY(saver.waitForFinished(10000));
        QCOMPARE(saver.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(server->calls.size(), 1, reminders::Watch::SettleMs + 4000);
        QCOMPARE(server->calls.first().summary, u"Impegno in scadenza: Rinnovo"_s);
        QCOMPARE(reminders()->watch().reads(), 2);
    }

    void noServiceNoError()
    {
        server->release();
        addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        reminders()->start();
        at(10, 15);
        reminders()->watch().wake();
        settle();
        QVERIFY(server->calls.isEmpty());
        QVERIFY(program->messages.messages().isEmpty());
        program->agenda()->open();
        QCOMPARE(testsupport::listedLines(program->agenda()).size(), 1);
    }

    void manyAtOnceComeAsOne()
    {
        for (int i = 0; i < 5; ++i)
            addToday(u"18"_s, QString::number(10 + i), u"Chiamata %1"_s.arg(i));
        reminders()->start();
        settle();
        QCOMPARE(summaries(), QStringList { u"5 impegni da ricordare"_s });
        server->click(server->calls.first().id);
        QTRY_VERIFY(program->agenda()->isVisible());
    }

    void trayMenuAndToolTip()
    {
        addToday(u"09"_s, u"30"_s, u"Udienza"_s);
        program->addAppointment(appointment(u"01/03/2024"_s, u"09"_s, u"00"_s, u"0"_s, u"Scaduto"_s, u"Verdi"_s));
        reminders()->start();
        settle();
        QStringList texts;
        for (QAction* a : reminders()->menu()->actions())
            if (!a->isSeparator())
                texts << a->text();
        QCOMPARE(texts, (QStringList { u"Apri agenda"_s, u"Sospendi promemoria per un'ora"_s, u"Esci"_s }));
        QCOMPARE(reminders()->toolTip(), u"Quirvale 5.0 - 2 impegni in scadenza oggi"_s);

        action(u"cmdSospendi"_s)->trigger();
        QVERIFY(reminders()->toolTip().endsWith(u"Promemoria sospesi fino alle 10:05"_s));
        at(9, 15);
        reminders()->watch().wake();
        program->addAppointment(appointment(u"16/03/2024"_s, u"09"_s, u"00"_s, u"6"_s, u"Nuovo"_s, u"Verdi"_s));
        reminders()->watch().checkArchive();
        settle();
        QCOMPARE(summaries(), QStringList { u"Impegno in scadenza: Udienza"_s });
        at(10, 6);
        reminders()->watch().wake();
        settle();
        QCOMPARE(summaries().last(), u"Impegno in scadenza: Nuovo"_s);
        QVERIFY(!action(u"cmdSospendi"_s)->isChecked());

        program->menu()->show();
        action(u"cmdApriAgenda"_s)->trigger();
        QVERIFY(program->agenda()->isVisible());
        QVERIFY(!program->menu()->isVisible());
        action(u"cmdEsci"_s)->trigger();
        QCOMPARE(program->runs.ends, 1);
    }

    // A changed card left by the tray's "Apri agenda" or "Esci" asks first:
    // Sì saves it, No gives the changes up, Annulla stays on the card.
    void trayAsksBeforeAChangedCardIsLeft_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        for (const char* command : { "cmdApriAgenda", "cmdEsci" }) {
            QTest::addRow("%s, Sì", command) << QString::fromLatin1(command) << int(ui::Answer::Yes);
            QTest::addRow("%s, No", command) << QString::fromLatin1(command) << int(ui::Answer::No);
            QTest::addRow("%s, Annulla", command) << QString::fromLatin1(command) << int(ui::Answer::Cancel);
        }
    }
    void trayAsksBeforeAChangedCardIsLeft()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        const qint64 p = addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        reminders()->start();
        settle();
        program->card()->open();
        program->card()->card().showRecordAt(p);
        control<QLineEdit>(program->card(), u"txtNote"_s)->setText(u"portare il fascicolo"_s);
        program->messages.clear();
        program->messages.queueAnswer(ui::Answer(answer));
        action(command)->trigger();
        QCOMPARE(program->messages.texts().value(0), u"Salvare le modifiche alla scheda?"_s);
        const bool stays = answer == int(ui::Answer::Cancel);
        if (command == u"cmdApriAgenda"_s) {
            QCOMPARE(program->card()->isVisible(), stays);
            QCOMPARE(program->agenda()->isVisible(), !stays);
        } else {
            QCOMPARE(program->runs.ends, stays ? 0 : 1);
        }
        const AppointmentRecord saved = AppointmentRecord::fromBytes(program->appointmentBytes(p).constData());
        QCOMPARE(saved.text(AppointmentField::notes),
            answer == int(ui::Answer::Yes) ? u"portare il fascicolo"_s : QString());
    }

    void gateStartsThemUnlessTurnedOff_data()
    {
        QTest::addColumn<bool>("turnedOff");
        QTest::newRow("new program folder") << false;
        QTest::newRow("turned off") << true;
    }
    void gateStartsThemUnlessTurnedOff()
    {
        QFETCH(bool, turnedOff);
        if (turnedOff) {
            testsupport::writeFile(program->folder.file(u"Impostazioni.ini"_s), "[Promemoria]\nAttivi=No\n");
            program->screens.reset();
            program->screens = std::make_unique<shell::Screens>(); // a new run reads the settings
        }
        testsupport::writeFile(password::storePath(), "[Accesso]\nValore=434CFACC53A491EB\n");
        addToday(u"10"_s, u"30"_s, u"Udienza"_s);
        program->gate()->show();
        auto* field = control<QLineEdit>(program->gate(), u"txtPassword"_s);
        testsupport::typeText(field, u"quirvale"_s);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(program->menu()->isVisible());
        QVERIFY(reminders()->isStarted());
        QCOMPARE(reminders()->watch().isRunning(), !turnedOff);
        settle();
        QCOMPARE(server->calls.size(), turnedOff ? 0 : 1);
    }

    void settingsScreen()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString entry = config.filePath(u"autostart/quirvale.desktop"_s);
        reminders()->start();
        program->menu()->show();
        const auto change = [&](bool reminders, int minutes, bool atLogin) {
            testsupport::whenModal([&](QWidget* screen) {
                QCOMPARE(screen->objectName(), u"frmImpostazioni"_s);
                auto* on = control<QCheckBox>(screen, u"chkPromemoria"_s);
                QCOMPARE(on->text(), u"Promemoria sul desktop"_s);
                if (on->isChecked() != reminders)
                    QTest::mouseClick(on, Qt::LeftButton, {}, QPoint(4, on->height() / 2));
                auto* spin = control<QSpinBox>(screen, u"txtMinuti"_s);
                QCOMPARE(spin->isEnabled(), reminders);
                spin->setValue(minutes);
                auto* login = control<QCheckBox>(screen, u"chkAvvioAutomatico"_s);
                if (login->isChecked() != atLogin)
                    QTest::mouseClick(login, Qt::LeftButton, {}, QPoint(4, login->height() / 2));
                control<QPushButton>(screen, u"cmdOK"_s)->click();
            });
            control<QToolButton>(program->menu(), u"imgImpostazioni"_s)->click();
        };
        QVERIFY(reminders()->settings().enabled);
        QCOMPARE(reminders()->settings().minutesBefore, 15);
        change(true, 30, true);
        QCOMPARE(reminders()->watch().minutesBefore(), 30);
        QVERIFY(QFile::exists(entry));
        change(false, 30, false);
        QVERIFY(!reminders()->watch().isRunning());
        QVERIFY(!QFile::exists(entry));
        QVERIFY(testsupport::readFile(program->folder.file(u"Impostazioni.ini"_s)).contains("Attivi=No"));
        QVERIFY(program->messages.messages().isEmpty());
        qunsetenv("XDG_CONFIG_HOME");
    }

    void settingsThatCannotBeSaved()
    {
        reminders()->start();
        program->menu()->show();
        testsupport::ReadOnlyFolder locked(program->folder.path());
        QVERIFY(locked.ok());
        bool stillOpen = false;
        testsupport::whenModal([&](QWidget* screen) {
            QTest::mouseClick(control<QCheckBox>(screen, u"chkPromemoria"_s), Qt::LeftButton, {}, QPoint(4, 8));
            control<QPushButton>(screen, u"cmdOK"_s)->click();
            stillOpen = screen->isVisible();
            control<QPushButton>(screen, u"cmdAnnulla"_s)->click();
        });
        control<QToolButton>(program->menu(), u"imgImpostazioni"_s)->click();
        QVERIFY(stillOpen);
        QCOMPARE(program->messages.texts(),
            QStringList { u"Impossibile salvare le impostazioni nella cartella del programma."_s });
        QVERIFY(!QFile::exists(program->folder.file(u"Impostazioni.ini"_s)));
        QVERIFY(reminders()->watch().isRunning());
        QVERIFY(reminders()->settings().enabled);
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
