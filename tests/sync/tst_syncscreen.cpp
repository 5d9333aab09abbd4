// The sync settings screen, reached from the main menu, and the sync
// without screens of the command line, against a real Radicale.
#include "appointments/appointmentcard.h"
#include "shell/commandline.h"
#include "shell/mainmenu.h"
#include "shell/passwordgate.h"
#include "storage/archivefile.h"
#include "storage/programfolder.h"
#include "support/programfixture.h"
#include "sync/backgroundsync.h"
#include "sync/davserver.h"
#include "sync/keyring.h"
#include "sync/network.h"
#include "sync/standincodec.h"
#include "sync/syncscreen.h"
#include "sync/syncsettings.h"
#include "sync/syncsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace testsupport;

namespace {

QByteArray itemAtServer(const QString& url)
{
    QByteArray body;
    return otherClient(u"GET"_s, url, {}, {}, &body) == 200 ? body : QByteArray();
}

// The value of a field of the stand-in items, decoded.
QString field(const QByteArray& item, int f)
{
    for (const QByteArray& line : standin::unfolded(item))
        if (line.startsWith(QByteArray("X-QV-" + QByteArray::number(f) + ':')))
            return QString::fromUtf8(QByteArray::fromBase64(line.mid(line.indexOf(':') + 1)));
    return QString();
}

} // namespace

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

    int keyringReads = 0;

    // The place of the third appointment changed here and, differently, on
    // the server's item at `item`: a conflict for the next sync.
    static bool placeChangedOnBothSides(const ProgramFixture& program, const QString& item)
    {
        AppointmentRecord here = numberedAppointment(3);
        here.setText(AppointmentField::place, u"Ufficio di Bologna"_s);
        archive::rewriteAt(program.appointments(), AppointmentRecord::Size, 3, here.data());
        QByteArray etag;
        QByteArray body;
        if (otherClient(u"GET"_s, item, {}, {}, &body, &etag) != 200)
            return false;
        body.replace(QByteArray("END:VEVENT"),
            QByteArray("X-QV-12:" + u"Studio di Rimini"_s.toUtf8().toBase64() + "\r\nEND:VEVENT"));
        return otherClient(u"PUT"_s, item, body, etag) / 100 == 2;
    }

    // Three appointments synced with `server`, the settings kept in the folder.
    static davsync::Settings syncedWithThree(const ProgramFixture& program, const DavServer& server)
    {
        writeAppointments(program.appointments(), 3);
        const davsync::Settings settings = settingsFor(server);
        if (!settings.save())
            qFatal("the sync settings cannot be saved");
        davsync::synchronize(settings, u"segreta"_s, 0);
        return settings;
    }

private slots:
    void init()
    {
        // The command line puts the program's own conversions in.
        installStandInCodecs();
        keyring.clear();
        keyringReads = 0;
        davsync::keyring::setStore({ [this](const QString& key) {
                                        ++keyringReads;
                                        return keyring.value(key);
                                    },
            [this](const QString& key, const QString& password) {
                keyring.insert(key, password);
                return QString();
            } });
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

    // "Cerca" on another server replaces the collections of the one before,
    // and the connection test then tries the new ones.
    void searchingAnotherServerReplacesTheCollections()
    {
        ProgramFixture program;
        DavServer before;
        DavServer after(DavServer::Software::Xandikos);
        QVERIFY(before.start());
        QVERIFY(after.start());
        SyncScreen screen;
        screen.show();
        fill(&screen, before, u"segreta"_s);
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdCerca"_s), Qt::LeftButton);
        QCOMPARE(control<QComboBox>(&screen, u"txtCalendario"_s)->currentData().toString(), before.calendar());

        control<QLineEdit>(&screen, u"txtServer"_s)->setText(after.url().toString());
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdCerca"_s), Qt::LeftButton);
        QCOMPARE(control<QComboBox>(&screen, u"txtCalendario"_s)->currentData().toString(), after.calendar());
        QCOMPARE(control<QComboBox>(&screen, u"txtRubrica"_s)->currentData().toString(), after.addressBook());
        program.messages.clear();
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdProva"_s), Qt::LeftButton);
        QCOMPARE(program.messages.messages().value(0).kind, ui::MessageKind::Information);
        QVERIFY2(!program.messages.texts()[0].contains(before.url().toString(QUrl::RemovePath)),
            qPrintable(program.messages.texts()[0]));
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
        QTRY_VERIFY(!program.messages.texts().isEmpty());
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

    // The command line sets a sync up from an empty folder: the calendar
    // and the address book are found on the server, as "Cerca" finds them;
    // another server given later replaces them, and the items go there.
    void theCommandLineSetsUpASync()
    {
        ProgramFolderFixture folder;
        DavServer first;
        DavServer second(DavServer::Software::Xandikos);
        QVERIFY(first.start());
        QVERIFY(second.start());
        writeAppointments(folder.file(programFolder::Appointments), 3);
        writeContacts(folder.file(programFolder::Contacts), 2);
        qputenv("QUIRVALE_SYNC_PASSWORD", "segreta");
        const auto sync = [&](const DavServer& server) {
            return shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path(),
                u"--server"_s, server.url().toString(), u"--user"_s, u"anna"_s });
        };
        QCOMPARE(sync(first), std::optional<int>(0));
        QCOMPARE(davsync::Settings::load().calendar, first.calendar());
        QCOMPARE(davsync::Settings::load().addressBook, first.addressBook());
        QCOMPARE(first.storedEvents().size(), 3);
        QCOMPARE(first.storedCards().size(), 2);

        QCOMPARE(sync(second), std::optional<int>(0));
        QCOMPARE(davsync::Settings::load().calendar, second.calendar());
        QCOMPARE(davsync::Settings::load().addressBook, second.addressBook());
        QCOMPARE(second.storedEvents().size(), 3);
        QCOMPARE(second.storedCards().size(), 2);
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 3);

        // A calendar given on the command line is the one used.
        QCOMPARE(shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path(),
                     u"--server"_s, first.url().toString(), u"--calendar"_s, first.calendar() }),
            std::optional<int>(0));
        QCOMPARE(davsync::Settings::load().calendar, first.calendar());
        QCOMPARE(davsync::Settings::load().addressBook, first.addressBook());
        QCOMPARE(archive::count(folder.file(programFolder::Appointments), AppointmentRecord::Size), 3);
        QCOMPARE(archive::count(folder.file(programFolder::Contacts), ContactRecord::Size), 2);
        QCOMPARE(first.storedEvents().size(), 3);
        qunsetenv("QUIRVALE_SYNC_PASSWORD");
    }

    // The sync on command runs away from the window: while the server holds
    // its answer the window takes typing and shows the sync's progress; its
    // end is told in a box. The keyring is asked once.
    void theWindowKeepsAnsweringDuringASync()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        writeAppointments(program.appointments(), 3);
        QSemaphore held;
        std::atomic<int> puts = 0;
        davsync::network::setHandler([&](const davsync::network::Request& request) {
            if (request.method == "PUT" && puts++ == 1)
                held.acquire();
            return davsync::network::sendDirect(request);
        });
        const auto released = qScopeGuard([&] {
            held.release(10);
            BackgroundSync::shared().stopAndWait();
            davsync::network::setHandler({});
        });
        SyncScreen screen;
        screen.show();
        fill(&screen, server, u"segreta"_s);
        control<QComboBox>(&screen, u"txtCalendario"_s)->setEditText(server.calendar());
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdSincronizza"_s), Qt::LeftButton);
        QVERIFY(BackgroundSync::shared().running());
        QTRY_COMPARE(puts.load(), 2);
        QTRY_VERIFY(control<QProgressBar>(&screen, u"prgSincronizzazione"_s)->isVisible());
        QCOMPARE(control<QLabel>(&screen, u"lblStato"_s)->text(), u"Sincronizzazione in corso: appuntamenti."_s);
        QVERIFY(!control<QPushButton>(&screen, u"cmdSincronizza"_s)->isEnabled());
        QVERIFY(control<QPushButton>(&screen, u"cmdChiudi"_s)->isEnabled());
        // The window takes what is typed while the server keeps the sync waiting.
        auto* user = control<QLineEdit>(&screen, u"txtUtente"_s);
        QTest::keyClicks(user, u"x"_s);
        QCOMPARE(user->text(), u"annax"_s);
        QVERIFY(program.messages.texts().isEmpty());

        held.release();
        QTRY_COMPARE(program.messages.texts().size(), 1);
        QCOMPARE(program.messages.texts()[0],
            u"Sincronizzazione riuscita: 3 inviati, 0 ricevuti, 0 conflitti, 0 eliminati sul server."_s);
        QVERIFY(!control<QProgressBar>(&screen, u"prgSincronizzazione"_s)->isVisible());
        QVERIFY(control<QPushButton>(&screen, u"cmdSincronizza"_s)->isEnabled());

        // Asked once in the session, also when it has nothing.
        davsync::Settings other = davsync::Settings::load();
        other.user = u"bruno"_s;
        for (int i = 0; i < 3; ++i)
            QVERIFY(davsync::keyring::password(other).isEmpty());
        QCOMPARE(keyringReads, 1);
    }

    // A conflict copy opens beside its record from the list; the office
    // keeps the server's version: the record takes it (and the server at
    // the next sync), the copy stays in the archive out of use and never
    // travels.
    void aConflictIsSettledFromTheScreen()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        const davsync::Settings settings = syncedWithThree(program, server);
        const QString item = server.calendar() + itemName(true, 3);
        QVERIFY(placeChangedOnBothSides(program, item));
        QCOMPARE(davsync::synchronize(settings, u"segreta"_s, 0).conflicts, 1);

        SyncScreen screen;
        screen.show();
        QVERIFY(control<QLabel>(&screen, u"lblStato"_s)->text().contains(u"Copie in conflitto da risolvere: 1."_s));
        QStringList compared;
        whenModal([&](QWidget* list) {
            QCOMPARE(list->objectName(), u"frmConflitti"_s);
            whenModal([&](QWidget* conflict) {
                QCOMPARE(conflict->objectName(), u"frmConflitto"_s);
                auto* grid = control<QTableWidget>(conflict, u"grdConfronto"_s);
                for (int row = 0; row < grid->rowCount(); ++row)
                    if (grid->item(row, 1)->font().bold())
                        compared << grid->item(row, 0)->text() + u": "_s + grid->item(row, 1)->text() + u" / "_s
                                + grid->item(row, 2)->text();
                QTest::mouseClick(control<QPushButton>(conflict, u"cmdTieniServer"_s), Qt::LeftButton);
            });
            auto* view = control<QListView>(list, u"lstRecords"_s);
            QTest::mouseDClick(
                view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        });
        QTest::mouseClick(control<QPushButton>(&screen, u"cmdConflitti"_s), Qt::LeftButton);
        QCOMPARE(compared.size(), 2);
        QCOMPARE(compared[0], u"Luogo: Ufficio di Bologna / Studio di Rimini"_s);
        QVERIFY(compared[1].startsWith(u"Note:  / Copia in conflitto dal server del "_s));
        QVERIFY(!control<QPushButton>(&screen, u"cmdConflitti"_s)->isEnabled());

        const auto record = [&](qint64 position) {
            return AppointmentRecord::fromBytes(program.appointmentBytes(position).constData());
        };
        QCOMPARE(record(3).text(AppointmentField::place), u"Studio di Rimini"_s);
        QCOMPARE(record(3).text(AppointmentField::notes), QString());
        QVERIFY(record(4).text(AppointmentField::notes).startsWith(u"Copia in conflitto risolta il "_s));
        QCOMPARE(record(4).text(AppointmentField::fulfilled), u"Sì"_s);
        const davsync::Summary after = davsync::synchronize(settings, u"segreta"_s, 0);
        QCOMPARE(after.sent, 1);
        QCOMPARE(after.conflicts, 0);
        QCOMPARE(server.storedEvents().size(), 3);
        QCOMPARE(field(itemAtServer(item), 12), u"Studio di Rimini"_s);
        QCOMPARE(davsync::synchronize(settings, u"segreta"_s, 0).sent, 0);
    }

    // "Apri la copia" closes the sync screen and opens the copy on its card,
    // over the main menu; the conflict stays to be settled.
    void aConflictCopyOpensOnItsCard()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        const davsync::Settings settings = syncedWithThree(program, server);
        const QString item = server.calendar() + itemName(true, 3);
        QVERIFY(placeChangedOnBothSides(program, item));
        QCOMPARE(davsync::synchronize(settings, u"segreta"_s, 0).conflicts, 1);

        program.gate()->hide();
        program.menu()->show();
        whenModal([&](QWidget* sync) {
            whenModal([&](QWidget* list) {
                whenModal([&](QWidget* conflict) {
                    QTest::mouseClick(control<QPushButton>(conflict, u"cmdApriCopia"_s), Qt::LeftButton);
                });
                auto* view = control<QListView>(list, u"lstRecords"_s);
                QTest::mouseDClick(
                    view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
            });
            QTest::mouseClick(control<QPushButton>(sync, u"cmdConflitti"_s), Qt::LeftButton);
        });
        QTest::mouseClick(control<QToolButton>(program.menu(), u"icoSincronizza"_s), Qt::LeftButton);
        QVERIFY(program.card()->isVisible());
        QCOMPARE(control<QLabel>(program.card(), u"lblPosizione"_s)->text(), u"4"_s);
        QCOMPARE(control<QLineEdit>(program.card(), u"txtLuogo"_s)->text(), u"Studio di Rimini"_s);
        QCOMPARE(davsync::openConflicts(0).size(), 1);
    }

    // The records whose items the server removed are listed; one opens on
    // its card, over the main menu.
    void aRecordRemovedOnTheServerOpensOnItsCard()
    {
        ProgramFixture program;
        DavServer server;
        QVERIFY(server.start());
        const davsync::Settings settings = syncedWithThree(program, server);
        QByteArray ignored;
        QCOMPARE(otherClient(u"DELETE"_s, server.calendar() + itemName(true, 2), {}, {}, &ignored) / 100, 2);
        QCOMPARE(davsync::synchronize(settings, u"segreta"_s, 0).removed, 1);

        program.gate()->hide();
        program.menu()->show();
        QStringList lines;
        whenModal([&](QWidget* sync) {
            QCOMPARE(sync->objectName(), u"frmSincronizzazione"_s);
            whenModal([&](QWidget* list) {
                QCOMPARE(list->objectName(), u"frmEliminati"_s);
                lines = listedLines(list);
                auto* view = control<QListView>(list, u"lstRecords"_s);
                QTest::mouseDClick(
                    view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
            });
            QTest::mouseClick(control<QPushButton>(sync, u"cmdEliminati"_s), Qt::LeftButton);
        });
        QTest::mouseClick(control<QToolButton>(program.menu(), u"icoSincronizza"_s), Qt::LeftButton);
        QCOMPARE(lines, QStringList { u"Appuntamento n. 2   03/01/2024 10:30   Visita n. 2, città"_s });
        QVERIFY(program.card()->isVisible());
        QCOMPARE(control<QLabel>(program.card(), u"lblPosizione"_s)->text(), u"2"_s);
        QCOMPARE(control<QLineEdit>(program.card(), u"txtCausale"_s)->text(), u"Visita n. 2, città"_s);
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
        init();
        QCOMPARE(shell::commandline::run({ u"Quirvale"_s, u"--sync"_s, u"--program-folder"_s, folder.path() }),
            std::optional<int>(1));
    }
};

QTEST_MAIN(TestSyncScreen)
#include "tst_syncscreen.moc"
