#include "appointments/archivioscadenze.h"
#include "summaries/linelist.h"
#include "summaries/statelist.h"
#include "support/cardfixture.h"

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

    static QStringList listed(QWidget* screen)
    {
        QStringList lines;
        auto* model = control<QListView>(screen, u"lstRecords"_s)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines;
    }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
        frmArchivio_Scadenze->show();
    }
    void cleanup() { program.reset(); }

    void find_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("lastWord");
        QTest::addColumn<int>("found");
        // Lines: 0 rossi, 1 bianchi, 2 ROSSI, 3 verdi
        QTest::newRow("new word starts at the first line") << 2 << u"rossi"_s << u""_s << 0;
        QTest::newRow("no selection counts as the first") << -1 << u"verdi"_s << u""_s << 3;
        QTest::newRow("same word goes on") << 0 << u"rossi"_s << u"rossi"_s << 2;
        QTest::newRow("same word wraps") << 2 << u"rossi"_s << u"rossi"_s << 0;
        QTest::newRow("capitals typed find small letters") << 3 << u"BIANCHI"_s << u""_s << 1;
        QTest::newRow("only match is the selected line") << 1 << u"bianchi"_s << u"bianchi"_s << 1;
        QTest::newRow("no match keeps the selection") << 3 << u"gialli"_s << u""_s << 3;
        QTest::newRow("empty word matches nothing") << 2 << u""_s << u""_s << 2;
        QTest::newRow("accented letters do not fold") << 0 << u"è"_s << u""_s << 0;
    }
    void find()
    {
        QFETCH(int, selected);
        QFETCH(QString, word);
        QFETCH(QString, lastWord);
        QFETCH(int, found);
        const QStringList lines = {u"Data: rossi"_s, u"Data: bianchi È"_s, u"Data: ROSSI"_s, u"Data: verdi"_s};
        QCOMPARE(summaries::findLine(lines, selected, word, lastWord), found);
    }

    void sortWithoutRegardToCase()
    {
        QStringList lines = {u"b"_s, u"B"_s, u"a"_s, u"_x"_s, u"C"_s};
        summaries::sortLines(lines, summaries::LineOrder::CaseFoldAZ);
        QCOMPARE(lines, (QStringList {u"_x"_s, u"a"_s, u"b"_s, u"B"_s, u"C"_s})); // '_' (95) before 'a' (97)
        summaries::sortLines(lines, summaries::LineOrder::Text);
        QCOMPARE(lines, (QStringList {u"B"_s, u"C"_s, u"_x"_s, u"a"_s, u"b"_s}));
    }

    void states_data()
    {
        QTest::addColumn<int>("screen"); // 0 to fulfil, 1 expired, 2 fulfilled
        QTest::addColumn<QStringList>("purposes");
        QTest::newRow("to fulfil") << 0 << QStringList {u"ieri"_s, u"oggi"_s};
        QTest::newRow("expired") << 1 << QStringList {u"ieri"_s};
        QTest::newRow("fulfilled") << 2 << QStringList {u"assolto"_s};
    }
    void states()
    {
        QFETCH(int, screen);
        QFETCH(QStringList, purposes);
        program->addAppointment(appointment(u"10/03/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"oggi"_s, u"A"_s));
        program->addAppointment(appointment(u"09/03/2024"_s, u"23"_s, u"00"_s, u"0"_s, u"ieri"_s, u"B"_s));
        program->addAppointment(appointment(u"01/01/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"assolto"_s, u"C"_s, true));
        AppointmentRecord odd = appointment(u"01/01/2024"_s, u"08"_s, u"00"_s, u"0"_s, u"nessuno"_s, u"D"_s);
        std::memset(odd.data() + 1262, 0, 3);
        program->addAppointment(odd);
        std::unique_ptr<QDialog> list;
        if (screen == 0)
            list = std::make_unique<TfrmConfermati>(frmArchivio_Scadenze);
        else if (screen == 1)
            list = std::make_unique<TfrmScaduti>(frmArchivio_Scadenze);
        else
            list = std::make_unique<TfrmAssolti>(frmArchivio_Scadenze);
        list->show();
        QStringList found;
        for (const QString& line : listed(list.get()))
            found << line.mid(line.indexOf(u"Causale: "_s) + 9).section(u' ', 0, 0);
        QCOMPARE(found, purposes);
    }

    void dayFirstOrderAndTheLaterTwinLoads()
    {
        program->addAppointment(appointment(u"02/01/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"gennaio"_s, u"Rossi"_s));
        program->addAppointment(appointment(u"01/12/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"dicembre"_s, u"Rossi"_s));
        AppointmentRecord twin = appointment(u"01/12/2025"_s, u"10"_s, u"00"_s, u"0"_s, u"dicembre"_s, u"Rossi"_s);
        twin.setText(AppointmentField::notes, u"il gemello"_s);
        program->addAppointment(twin);
        TfrmConfermati list(frmArchivio_Scadenze);
        list.show();
        const QStringList lines = listed(&list);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].contains(u"dicembre"_s) && lines[2].contains(u"gennaio"_s));
        auto* view = control<QListView>(&list, u"lstRecords"_s);
        view->setCurrentIndex(view->model()->index(0, 0));
        emit view->doubleClicked(view->currentIndex());
        QVERIFY(!list.isVisible());
        QCOMPARE(control<QLabel>(frmArchivio_Scadenze, u"lblPosizione"_s)->text(), u"3"_s);
        QCOMPARE(control<QLineEdit>(frmArchivio_Scadenze, u"txtNote"_s)->text(), u"il gemello"_s);
    }

    void findOnTheScreen()
    {
        TfrmAssolti list(frmArchivio_Scadenze);
        list.show();
        control<QPushButton>(&list, u"btnTrova"_s)->click();
        QCOMPARE(program->messages.texts(), QStringList {u"Ricerca non applicabile: la lista non contiene nessuna voce."_s});
    }

    void enterInTheFindBoxThenOnTrova()
    {
        for (int i = 1; i <= 3; ++i)
            program->addAppointment(appointment(u"0%1/01/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s,
                                                u"Voce%1"_s.arg(i), u"Rossi"_s, true));
        TfrmAssolti list(frmArchivio_Scadenze);
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
            program->addAppointment(appointment(u"0%1/03/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s,
                                                u"Voce %1"_s.arg(i), u"Rossi"_s));
        TfrmScaduti list(frmArchivio_Scadenze);
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
