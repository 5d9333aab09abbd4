#include "appointments/appointmentcard.h"
#include "appointments/appointmentsearch.h"
#include "support/programfixture.h"
#include "ui/linelist.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::appointment;
using testsupport::control;

class TestSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;
    std::unique_ptr<AppointmentSearch> search;

    QStringList listed() const { return testsupport::listedLines(search.get()); }
    void type(const QString& criterion, const QString& text)
    {
        testsupport::typeText(control<QLineEdit>(search.get(), criterion), text);
    }
    void run() { control<QPushButton>(search.get(), u"btnCerca"_s)->click(); }

private slots:
    void init()
    {
        program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10));
        using F = AppointmentField;
        AppointmentRecord a
            = appointment(u"05/03/2024"_s, u"09"_s, u"15"_s, u"0"_s, u"Firma contratto"_s, u"ROSSI Mario"_s);
        a.setText(F::place, u"Roma"_s);
        AppointmentRecord b = appointment(u"20/03/2024"_s, u"11"_s, u"00"_s, u"0"_s, u"Consegna"_s, u"Grossi Anna"_s);
        b.setText(F::place, u"Milano"_s);
        AppointmentRecord c = appointment(u"02/04/2024"_s, u"09"_s, u"45"_s, u"0"_s, u"Visita"_s, u"Rossini e figli"_s);
        c.setText(F::place, u"ROMA"_s);
        AppointmentRecord d = appointment(u"01/12/2023"_s, u"16"_s, u"00"_s, u"0"_s, u"Rossi"_s, u"Bianchi"_s);
        for (const auto& r : { a, b, c, d })
            program->addAppointment(r);
        program->card()->open();
        search = std::make_unique<AppointmentSearch>(
            [this](const AppointmentRecord& r, qint64 p) { program->card()->showRecord(r, p); }, program->card());
        search->show();
        QVERIFY(QTest::qWaitForWindowExposed(search.get()));
    }
    void cleanup()
    {
        search.reset();
        program.reset();
    }

    void criteria_data()
    {
        QTest::addColumn<QStringList>("typed"); // criterion, text, criterion, text...
        QTest::addColumn<QStringList>("purposes");
        // Lines start with the date as day/month/year and sort as text.
        QTest::newRow("no criterion") << QStringList()
                                      << QStringList { u"Rossi"_s, u"Visita"_s, u"Firma contratto"_s, u"Consegna"_s };
        QTest::newRow("contact and place") << QStringList { u"txtContatto"_s, u"ROSSI"_s, u"txtLuogo"_s, u"Roma"_s }
                                           << QStringList { u"Visita"_s, u"Firma contratto"_s };
        QTest::newRow("contact with a trailing blank")
            << QStringList { u"txtContatto"_s, u"rossi "_s } << QStringList { u"Firma contratto"_s, u"Consegna"_s };
        QTest::newRow("month of a year") << QStringList { u"txtData"_s, u"03/2024"_s }
                                         << QStringList { u"Firma contratto"_s, u"Consegna"_s };
        QTest::newRow("hour") << QStringList { u"txtOra"_s, u"09:"_s }
                              << QStringList { u"Visita"_s, u"Firma contratto"_s };
        QTest::newRow("a blank criterion does not count")
            << QStringList { u"txtContatto"_s, u"grossi"_s, u"txtNote"_s, u"   "_s } << QStringList { u"Consegna"_s };
    }
    void criteria()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, purposes);
        for (qsizetype i = 0; i + 1 < typed.size(); i += 2)
            type(typed[i], typed[i + 1]);
        run();
        QVERIFY(control<QWidget>(search.get(), u"panContainer"_s)->isVisible());
        QVERIFY(!control<QWidget>(search.get(), u"panAvvio"_s)->isVisible());
        QCOMPARE(control<QLabel>(search.get(), u"lblTrovate"_s)->text(),
            u"Il presente riepilogo contiene %1 schede."_s.arg(purposes.size()));
        const QStringList lines = listed();
        QCOMPARE(lines.size(), purposes.size());
        // Day first: the lines sort as text, not by date.
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].contains(u"Causale: "_s + purposes[i]), qPrintable(lines[i]));
    }

    void lineLayout()
    {
        type(u"txtCausale"_s, u"visita"_s);
        run();
        QCOMPARE(listed(),
            QStringList { u"Data: 02/04/2024  Ora: 09:45  Causale: Visita"_s + QString(48, u' ')
                + u"  Contatto: Rossini e figli                Cel. "_s });
    }

    // A double click on a line, or Enter on it from the keyboard.
    void lineLoadsOntoTheCard_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("doppio clic") << false;
        QTest::newRow("Invio") << true;
    }
    void lineLoadsOntoTheCard()
    {
        QFETCH(bool, byKeyboard);
        run();
        auto* view = control<QListView>(search.get(), u"lstRecords"_s);
        const int row = int(listed().indexOf(listed().filter(u"Visita"_s).first()));
        view->setCurrentIndex(view->model()->index(row, 0));
        const QPoint at = view->visualRect(view->currentIndex()).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (byKeyboard)
            QTest::keyClick(view, Qt::Key_Return);
        else
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!search->isVisible());
        QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), u"3"_s);
        QCOMPARE(control<QLineEdit>(program->card(), u"txtCausale"_s)->text(), u"Visita"_s);
        control<QLineEdit>(program->card(), u"txtNote"_s)->setText(u"rivista"_s);
        control<QToolButton>(program->card(), u"cmdSalva"_s)->click();
        QCOMPARE(program->messages.texts().last(),
            u"Le modifiche apportate alla scheda corrente sono state salvate in archivio."_s);
        QCOMPARE(AppointmentRecord::fromBytes(program->appointmentBytes(3).constData()).text(AppointmentField::notes),
            u"rivista"_s);
    }

    void equalLinesLoadTheirOwnRecords()
    {
        AppointmentRecord twin
            = appointment(u"02/04/2024"_s, u"09"_s, u"45"_s, u"0"_s, u"Visita"_s, u"Rossini e figli"_s);
        twin.setText(AppointmentField::notes, u"il gemello"_s);
        program->addAppointment(twin); // position 5, the same line as position 3
        type(u"txtCausale"_s, u"visita"_s);
        run();
        auto* view = control<QListView>(search.get(), u"lstRecords"_s);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
        QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), u"3"_s);
        QCOMPARE(control<QLineEdit>(program->card(), u"txtNote"_s)->text(), QString());
    }

    // Below the lines, the double click loads the selected line (the first
    // one after a search), as a double click on the line itself would.
    void doubleClickBelowTheLinesLoadsTheSelectedLine()
    {
        run();
        auto* view = control<QListView>(search.get(), u"lstRecords"_s);
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        const QString position = selected.first().data(ui::LineListModel::PositionRole).toString();
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->viewport()->rect().bottomLeft() + QPoint(5, -5));
        QVERIFY(!search->isVisible());
        QVERIFY(!position.isEmpty());
        QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), position);
    }

    void missingArchiveIsCreated()
    {
        QFile::remove(program->appointments());
        run();
        QVERIFY(listed().isEmpty());
        QVERIFY(QFileInfo::exists(program->appointments()));
    }

    void accessFailureStaysOnTheCriteria()
    {
        QFile::remove(program->appointments());
        QDir().mkdir(program->appointments()); // a folder where the archive should be
        run();
        QCOMPARE(program->messages.messages().size(), 1);
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Plain);
        QVERIFY(control<QWidget>(search.get(), u"panAvvio"_s)->isVisible());
    }

    void enterCycleWithFocusFrames()
    {
        QVERIFY(testsupport::activate(search.get()));
        const QStringList cycle = { u"txtData"_s, u"txtOra"_s, u"txtTipologia"_s, u"txtCausale"_s, u"txtDettagli"_s,
            u"txtContatto"_s, u"txtTel"_s, u"txtCel"_s, u"txtLuogo"_s, u"txtNote"_s, u"txtData"_s };
        control<QLineEdit>(search.get(), cycle.first())->setFocus();
        for (qsizetype i = 0; i < cycle.size(); ++i) {
            QCOMPARE(search->focusWidget()->objectName(), cycle[i]);
            int framed = 0;
            for (int f = 1; f <= 10; ++f)
                framed
                    += control<QFrame>(search.get(), u"effCampo%1"_s.arg(f, 2, 10, QChar(u'0')))->isVisible() ? 1 : 0;
            QCOMPARE(framed, 1);
            QTest::keyClick(search->focusWidget(), Qt::Key_Return);
        }
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
