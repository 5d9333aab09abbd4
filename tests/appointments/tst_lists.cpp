#include "appointments/appointmentcard.h"
#include "support/layouts.h"
#include "support/programfixture.h"
#include "ui/linelist.h"
#include "ui/listscreen.h"

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;

class TestLists : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    static QStringList listed(QWidget* screen) { return testsupport::listedLines(screen); }
    ui::ListDefinition list(appointments::State state) const { return program->card()->stateList(state); }
    static void doubleClickRow(QListView* view, int row)
    {
        const QRect rect = row < 0 ? QRect(view->viewport()->rect().bottomLeft() - QPoint(-5, 5), QSize(1, 1))
                                   : view->visualRect(view->model()->index(row, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
        program->card()->open();
    }
    void cleanup() { program.reset(); }

    void states_data()
    {
        QTest::addColumn<int>("screen"); // 0 to fulfil, 1 expired, 2 fulfilled
        QTest::addColumn<QStringList>("purposes");
        QTest::newRow("to fulfil") << 0 << QStringList { u"ieri"_s, u"oggi"_s };
        QTest::newRow("expired") << 1 << QStringList { u"ieri"_s };
        QTest::newRow("fulfilled") << 2 << QStringList { u"assolto"_s };
    }
    void states()
    {
        QFETCH(int, screen);
        QFETCH(QStringList, purposes);
        program->addAppointment(appointment(u"10/03/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"oggi"_s, u"A"_s));
        program->addAppointment(appointment(u"09/03/2024"_s, u"23"_s, u"00"_s, u"0"_s, u"ieri"_s, u"B"_s));
        program->addAppointment(appointment(u"01/01/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"assolto"_s, u"C"_s, true));
        AppointmentRecord odd = appointment(u"01/01/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"nessuno"_s, u"D"_s);
        std::memset(odd.data() + testsupport::appointmentBytes::Fulfilled, 0, 3);
        program->addAppointment(odd);
        const appointments::State state = screen == 0 ? appointments::State::ToFulfil
            : screen == 1                             ? appointments::State::Expired
                                                      : appointments::State::Fulfilled;
        ui::ListScreen list(this->list(state), program->card());
        list.show();
        QStringList found;
        for (const QString& line : listed(&list))
            found << line.mid(line.indexOf(u"Causale: "_s) + 9).section(u' ', 0, 0);
        QCOMPARE(found, purposes);
    }

    void dayFirstOrderAndEachTwinLoadsItsOwnRecord_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("notes");
        QTest::newRow("first twin") << 0 << u"2"_s << u""_s;
        QTest::newRow("second twin") << 1 << u"3"_s << u"il gemello"_s;
        QTest::newRow("below the lines") << -1 << u""_s << u""_s;
    }
    void dayFirstOrderAndEachTwinLoadsItsOwnRecord()
    {
        QFETCH(int, row);
        QFETCH(QString, position);
        QFETCH(QString, notes);
        program->addAppointment(appointment(u"02/01/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"gennaio"_s, u"Rossi"_s));
        program->addAppointment(appointment(u"01/12/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"dicembre"_s, u"Rossi"_s));
        AppointmentRecord twin = appointment(u"01/12/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"dicembre"_s, u"Rossi"_s);
        twin.setText(AppointmentField::notes, u"il gemello"_s);
        program->addAppointment(twin);
        ui::ListScreen list(this->list(appointments::State::ToFulfil), program->card());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const QStringList lines = listed(&list);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(u"dicembre"_s) && lines[2].contains(u"gennaio"_s));
        QCOMPARE(lines[0], lines[1]);
        doubleClickRow(control<QListView>(&list, u"lstRecords"_s), row);
        QVERIFY(!list.isVisible());
        QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), position);
        QCOMPARE(control<QLineEdit>(program->card(), u"txtNote"_s)->text(), notes);
    }

    void findOnTheScreen()
    {
        ui::ListScreen list(this->list(appointments::State::Fulfilled), program->card());
        list.show();
        control<QPushButton>(&list, u"btnTrova"_s)->click();
        QCOMPARE(program->messages.texts(),
            QStringList { u"Ricerca non applicabile: la lista non contiene nessuna voce."_s });
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Plain);
    }

    void enterInTheFindBoxThenOnTrova()
    {
        for (int i = 1; i <= 3; ++i)
            program->addAppointment(
                appointment(u"0%1/01/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s, u"Voce%1"_s.arg(i), u"Rossi"_s, true));
        ui::ListScreen list(this->list(appointments::State::Fulfilled), program->card());
        list.show();
        auto* find = control<QLineEdit>(&list, u"txtTrova"_s);
        testsupport::typeText(find, u"voce"_s);
        QTest::keyClick(find, Qt::Key_Return);
        auto* trova = control<QPushButton>(&list, u"btnTrova"_s);
        QCOMPARE(list.focusWidget(), trova);
        QTest::keyClick(trova, Qt::Key_Return);
        // One find: the first line that holds the word, not the one after it.
        const QModelIndexList selected = control<QListView>(&list, u"lstRecords"_s)->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().row(), 0);
        QTest::keyClick(trova, Qt::Key_Enter);
        QCOMPARE(control<QListView>(&list, u"lstRecords"_s)->selectionModel()->selectedRows().first().row(), 1);
        QVERIFY(program->messages.texts().isEmpty());
    }

    void printedListHoldsEveryLineWithItsTitle()
    {
        for (int i = 1; i <= 4; ++i)
            program->addAppointment(
                appointment(u"0%1/03/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s, u"Voce %1"_s.arg(i), u"Rossi"_s));
        ui::ListScreen list(this->list(appointments::State::Expired), program->card());
        list.show();
        control<QPushButton>(&list, u"btnStampa"_s)->click();
        const QString text = testsupport::pdfText(program->pdf).join(QString()).simplified();
        QVERIFY(text.contains(u"Riepilogo impegni scaduti e non assolti"_s));
        for (int i = 1; i <= 4; ++i)
            QVERIFY(text.contains(u"Causale: Voce %1"_s.arg(i)));
    }
};

QTEST_MAIN(TestLists)
#include "tst_lists.moc"
