#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "appointments/appointmentrules.h"
#include "shell/mainmenu.h"
#include "support/layouts.h"
#include "support/programfixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QStyledItemDelegate>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;

class TestAgenda : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    QStringList listed() const { return testsupport::listedLines(program->agenda()); }
    bool showing(const QString& picture) const { return !control<QLabel>(program->agenda(), picture)->isHidden(); }

private slots:
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10)); }
    void cleanup() { program.reset(); }

    void dueRule_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QByteArray>("flag");
        QTest::addColumn<bool>("due");
        QTest::newRow("notice period begun") << u"15/03/2024"_s << u"5"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("notice period not yet") << u"15/03/2024"_s << u"4"_s << QByteArray("\x02No", 3) << false;
        QTest::newRow("overdue") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("overdue, fulfilled") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02S\xEC", 3) << false;
        QTest::newRow("today, no notice") << u"10/03/2024"_s << u"0"_s << QByteArray("\x02No", 3) << true;
        QTest::newRow("flag of zero bytes") << u"01/01/2024"_s << u"0"_s << QByteArray(3, '\0') << false;
        QTest::newRow("flag in other case") << u"01/01/2024"_s << u"0"_s << QByteArray("\x02NO", 3) << false;
        QTest::newRow("unreadable date") << u"31/02/2024"_s << u"0"_s << QByteArray("\x02No", 3) << false;
    }
    void dueRule()
    {
        QFETCH(QString, date);
        QFETCH(QString, notice);
        QFETCH(QByteArray, flag);
        QFETCH(bool, due);
        AppointmentRecord r = appointment(date, u"10"_s, u"00"_s, notice, u"Pagamento"_s, u"Rossi"_s);
        std::memcpy(r.data() + testsupport::appointmentBytes::Fulfilled, flag.constData(), 3);
        program->addAppointment(r);
        // A record after it that is due: an unreadable one never hides it.
        program->addAppointment(appointment(u"09/03/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"Sempre"_s, u"Verdi"_s));
        program->agenda()->open();
        const QStringList lines = listed();
        QCOMPARE(lines.size(), due ? 2 : 1);
        QVERIFY(lines.last().contains(u"Sempre"_s) || lines.first().contains(u"Sempre"_s));
    }

    void linesInDateAndTimeOrder()
    {
        program->addAppointment(
            appointment(u"12/03/2024"_s, u"16"_s, u"00"_s, u"5"_s, u"Pomeriggio"_s, u"Rossi"_s, false, u"333 1"_s));
        program->addAppointment(
            appointment(u"12/03/2024"_s, u"09"_s, u"30"_s, u"5"_s, QString(60, u'x'), u"Bianchi"_s));
        program->addAppointment(appointment(u"01/02/2024"_s, u"18"_s, u"00"_s, u"0"_s, u"Scaduto"_s, u"Neri"_s));
        program->agenda()->open();
        const QStringList lines = listed();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(u"Scaduto"_s));
        QCOMPARE(lines[1],
            u"ID: 202403120930  Data: 12/03/2024  Ora: 09:30  "_s + QString(45, u'x')
                + u"  Contatto: Bianchi                        Cel. "_s);
        QCOMPARE(lines[2],
            u"ID: 202403121600  Data: 12/03/2024  Ora: 16:00  Pomeriggio"_s + QString(35, u' ')
                + u"  Contatto: Rossi                          Cel. 333 1"_s);
    }

    // On screen the lines go without their sort key, so the reason shows;
    // each line's tooltip holds the whole commitment. The lines themselves
    // (their order, the search, the print) keep it.
    void shownWithoutTheSortKey()
    {
        program->addAppointment(appointment(
            u"12/03/2024"_s, u"09"_s, u"30"_s, u"5"_s, u"Consegna dichiarazione del condominio"_s, u"Bianchi"_s));
        program->agenda()->open();
        auto* view = testsupport::control<QListView>(program->agenda(), u"lstRecords"_s);
        const QModelIndex first = view->model()->index(0, 0);
        QVERIFY(first.data().toString().startsWith(u"ID: 202403120930  Data: "_s));
        auto* delegate = qobject_cast<QStyledItemDelegate*>(view->itemDelegate());
        QVERIFY(delegate);
        QVERIFY(delegate->displayText(first.data(), QLocale())
                    .startsWith(u"Data: 12/03/2024  Ora: 09:30  Consegna dichiarazione del condominio "_s));
        QCOMPARE(first.data(Qt::ToolTipRole).toString(),
            u"Data: 12/03/2024 Ora: 09:30 Consegna dichiarazione del condominio Contatto: Bianchi Cel."_s);
    }

    void picturesAndSound()
    {
        program->agenda()->open();
        QVERIFY(showing(u"imgAssenti"_s) && showing(u"imgAppuntamentiNO"_s));
        QVERIFY(!showing(u"imgPresenti"_s) && !showing(u"imgAppuntamentiSI"_s));
        QVERIFY(program->sounds.played.isEmpty());
        program->agenda()->close();

        program->addAppointment(appointment(u"10/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Oggi"_s, u"Rossi"_s));
        program->menu()->hide();
        program->agenda()->open();
        QVERIFY(showing(u"imgPresenti"_s) && showing(u"imgAppuntamentiSI"_s));
        QVERIFY(!showing(u"imgAssenti"_s) && !showing(u"imgAppuntamentiNO"_s));
        QCOMPARE(program->sounds.played, QStringList { program->folder.file(u"Avviso.mp3"_s) });
        program->agenda()->close();
        QCOMPARE(program->sounds.stops, 1);
        QVERIFY(program->menu()->isVisible());
    }

    void fulfilledOnTheCardLeavesTheAgenda()
    {
        program->addAppointment(appointment(u"09/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Unico"_s, u"Rossi"_s));
        program->agenda()->open();
        QCOMPARE(listed().size(), 1);
        control<QToolButton>(program->agenda(), u"btnArchivio"_s)->click();
        QVERIFY(program->card()->isVisible() && !program->agenda()->isVisible());
        control<QToolButton>(program->card(), u"cmdPrimo"_s)->click();
        control<QCheckBox>(program->card(), u"chkOttemperata"_s)->setChecked(true);
        control<QToolButton>(program->card(), u"cmdSalva"_s)->click();
        program->card()->close();
        QVERIFY(program->menu()->isVisible());
        program->sounds.played.clear();
        program->agenda()->open();
        QVERIFY(listed().isEmpty());
        QVERIFY(showing(u"imgAssenti"_s));
        QVERIFY(program->sounds.played.isEmpty());
    }

    void restoringTheWindowNeitherReloadsNorSoundsAgain()
    {
        program->addAppointment(appointment(u"10/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Oggi"_s, u"Rossi"_s));
        program->agenda()->open();
        QVERIFY(QTest::qWaitForWindowExposed(program->agenda()));
        QCOMPARE(program->sounds.played.size(), 1);
        program->addAppointment(appointment(u"09/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Ieri"_s, u"Rossi"_s));
        program->agenda()->showMinimized();
        program->agenda()->hide(); // what the window system does on minimising and restoring
        program->agenda()->showNormal();
        QCOMPARE(program->sounds.played.size(), 1);
        QCOMPARE(listed().size(), 1);
    }

    void goingToTheCardStopsTheSound()
    {
        program->addAppointment(appointment(u"10/03/2024"_s, u"10"_s, u"00"_s, u"0"_s, u"Oggi"_s, u"Rossi"_s));
        program->agenda()->open();
        QCOMPARE(program->sounds.stops, 0);
        control<QToolButton>(program->agenda(), u"btnArchivio"_s)->click();
        QCOMPARE(program->sounds.stops, 1);
        QVERIFY(program->card()->isVisible());
    }

    void calendarKeepsTheUsersDay()
    {
        auto* calendar = control<QCalendarWidget>(program->agenda(), u"calAppuntamenti"_s);
        QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 10));
        program->agenda()->open();
        calendar->setSelectedDate(QDate(2024, 4, 2));
        program->agenda()->close();
        program->agenda()->open();
        QCOMPARE(program->agenda()->selectedDate(), QDate(2024, 4, 2));
    }

    void printedListHoldsEveryLine()
    {
        for (int i = 1; i <= 3; ++i)
            program->addAppointment(
                appointment(u"0%1/03/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s, u"Impegno %1"_s.arg(i), u"Rossi"_s));
        program->agenda()->open();
        control<QToolButton>(program->agenda(), u"btnStampa"_s)->click();
        // The text layer of a PDF keeps the words, not every blank between them.
        const QString text = testsupport::pdfText(program->pdf).join(QString()).simplified();
        QVERIFY(text.contains(u"Riepilogo appuntamenti imminenti"_s));
        for (const QString& line : listed())
            QVERIFY2(text.contains(line.simplified()), qPrintable(line));
    }
};

QTEST_MAIN(TestAgenda)
#include "tst_agenda.moc"
