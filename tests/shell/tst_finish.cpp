// What a user meets on every screen rather than in one area: the status line
// when a card opens, the focus after a save, the double click on a list, the
// fixed dialogs, the focus highlight, the name the print dialog proposes, and
// the test run's own guards against boxes nobody answers.

#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "documents/documentcard.h"
#include "support/programfixture.h"
#include "ui/listscreen.h"
#include "ui/report.h"
#include "ui/style.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QListView>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;

namespace {

const QString Ready = u"Pronto per archiviare una nuova scheda..."_s;

} // namespace

class TestFinish : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    // 0 appointment card, 1 contact card, 2 document card
    ui::AreaScreen* card(int which) const
    {
        if (which == 0)
            return program->card();
        if (which == 1)
            return program->screens->contacts();
        return program->screens->documents();
    }
    // The required fields of each card, filled.
    void fillRequired(int which) const
    {
        const auto set = [this, which](const QString& name, const QString& text) {
            control<QLineEdit>(card(which), name)->setText(text);
        };
        if (which == 0) {
            set(u"txtData"_s, u"05/03/2024"_s);
            set(u"txtTipologia"_s, u"Riunione"_s);
            set(u"txtCausale"_s, u"Verifica"_s);
            set(u"txtContatto"_s, u"Rossi Mario"_s);
        } else if (which == 1) {
            set(u"txtCliente"_s, u"Rossi Mario"_s);
        } else {
            set(u"txtDocumento"_s, u"Contratto"_s);
            set(u"txtProduttore"_s, u"Rossi Mario"_s);
            set(u"txtDataPro"_s, u"05/03/2024"_s);
        }
    }
    static void cards_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("appointment card") << 0;
        QTest::newRow("contact card") << 1;
        QTest::newRow("document card") << 2;
    }
    // Whether a widget, drawn as it is, shows the focus colour anywhere.
    static bool showsFocusColour(QWidget* widget)
    {
        const QImage image = widget->grab().toImage();
        const QColor focus(0xe0, 0x7b, 0x39);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - focus.red()) + std::abs(c.green() - focus.green())
                        + std::abs(c.blue() - focus.blue())
                    < 24)
                    return true;
            }
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        // The program's look, with its focus highlight.
        ui::setUpApplication(*qApp);
    }
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10)); }
    void cleanup()
    {
        report::printer::setDialogHandler({});
        program.reset();
    }

    void statusLineKeptWhenACardOpensUnderAStillPointer_data() { cards_data(); }
    void statusLineKeptWhenACardOpensUnderAStillPointer()
    {
        QFETCH(int, which);
        ui::AreaScreen* screen = card(which);
        screen->open();
        auto* line = control<QLabel>(screen, u"panInfo"_s);
        QCOMPARE(line->text(), Ready);
        // The window system enters the new window and the widget under the
        // pointer, which has not moved.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(screen, &enter);
        QApplication::sendEvent(control<QWidget>(screen, u"panCorpo"_s), &enter);
        QCOMPARE(line->text(), Ready);
        // A real move over the background empties it.
        QMouseEvent move(
            QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(control<QWidget>(screen, u"panCorpo"_s), &move);
        QCOMPARE(line->text(), QString());
    }

    void focusComesBackAfterASave_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("field");
        QTest::newRow("appointment card") << 0 << u"txtNote"_s;
        QTest::newRow("contact card") << 1 << u"txtNote"_s;
        QTest::newRow("document card") << 2 << u"txtOggetto"_s;
    }
    void focusComesBackAfterASave()
    {
        QFETCH(int, which);
        QFETCH(QString, field);
        ui::AreaScreen* screen = card(which);
        screen->open();
        QVERIFY(testsupport::activate(screen));
        fillRequired(which);
        auto* edit = control<QLineEdit>(screen, field);
        edit->setFocus();
        control<QToolButton>(screen, u"cmdSalva"_s)->click();
        QCOMPARE(program->messages.texts(), QStringList { u"La scheda corrente è stata inserita in archivio."_s });
        QCOMPARE(screen->focusWidget(), edit);
        // Typing goes on in the field.
        testsupport::typeText(edit, u"x"_s);
        QCOMPARE(edit->text(), u"x"_s);
    }

    void doubleClickBelowTheLinesLoadsTheSelectedLine_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("position");
        QTest::newRow("second line selected") << 1 << u"2"_s;
        QTest::newRow("no line selected") << -1 << u""_s;
    }
    void doubleClickBelowTheLinesLoadsTheSelectedLine()
    {
        QFETCH(int, selected);
        QFETCH(QString, position);
        program->card()->open();
        for (int i = 1; i <= 2; ++i)
            program->addAppointment(testsupport::appointment(
                u"0%1/01/2024"_s.arg(i), u"10"_s, u"00"_s, u"0"_s, u"Voce%1"_s.arg(i), u"Rossi"_s, true));
        ui::ListScreen list(program->card()->stateList(appointments::State::Fulfilled), program->card());
        list.show();
        auto* view = control<QListView>(&list, u"lstRecords"_s);
        if (selected >= 0)
            QTest::mouseClick(
                view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(selected, 0)).center());
        const QPoint below = view->viewport()->rect().bottomLeft() + QPoint(5, -5);
        QVERIFY(!view->indexAt(below).isValid());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(!list.isVisible());
        QCOMPARE(control<QLabel>(program->card(), u"lblPosizione"_s)->text(), position);
    }

    // The fixed dialogs: no window buttons, no resizing.
    void fixedDialogsHaveNoWindowButtons_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("command");
        QTest::newRow("contact search") << 1 << u"cmdTrova"_s;
        QTest::newRow("contact export") << 1 << u"cmdEsporta"_s;
        QTest::newRow("contacts to recontact") << 1 << u"cmdRicontatta"_s;
        QTest::newRow("document search") << 2 << u"cmdTrova"_s;
        QTest::newRow("documents to complete") << 2 << u"cmdDaCompletare"_s;
        QTest::newRow("document export") << 2 << u"cmdEsporta"_s;
        QTest::newRow("document print confirm") << 2 << u"cmdStampa"_s;
        QTest::newRow("appointment print confirm") << 0 << u"cmdStampa"_s;
        QTest::newRow("appointments fulfilled") << 0 << u"cmdAssolti"_s;
    }
    void fixedDialogsHaveNoWindowButtons()
    {
        QFETCH(int, which);
        QFETCH(QString, command);
        ui::AreaScreen* screen = card(which);
        screen->open();
        if (which == 0)
            fillRequired(0);
        Qt::WindowFlags flags;
        QSize minimum, maximum;
        QString name;
        testsupport::whenModal([&](QWidget* modal) {
            name = modal->objectName();
            flags = modal->windowFlags();
            minimum = modal->minimumSize();
            maximum = modal->maximumSize();
            testsupport::closeModals();
        });
        control<QToolButton>(screen, command)->click();
        QVERIFY2(!name.isEmpty(), "no dialog opened");
        QVERIFY2(flags & Qt::CustomizeWindowHint, qPrintable(name));
        QVERIFY2(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)),
            qPrintable(name));
        QCOMPARE(minimum, maximum);
    }

    void everyEditBoxShowsTheFocusHighlight_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("field");
        QTest::newRow("contact card, province of residence") << 1 << u"txtProvRes"_s;
        QTest::newRow("contact card, province of birth") << 1 << u"txtProvNasc"_s;
        QTest::newRow("appointment card, purpose") << 0 << u"txtCausale"_s;
        QTest::newRow("appointment card, hour") << 0 << u"txtOreApp"_s;
        QTest::newRow("list, find box") << 3 << u"txtTrova"_s;
    }
    void everyEditBoxShowsTheFocusHighlight()
    {
        QFETCH(int, which);
        QFETCH(QString, field);
        std::unique_ptr<ui::ListScreen> list;
        QWidget* screen = nullptr;
        if (which == 3) {
            program->card()->open();
            list = std::make_unique<ui::ListScreen>(
                program->card()->stateList(appointments::State::Fulfilled), program->card());
            screen = list.get();
        } else {
            card(which)->open();
            screen = card(which);
        }
        QVERIFY(testsupport::activate(screen));
        auto* box = control<QWidget>(screen, field);
        QVERIFY(box->isVisible());
        screen->setFocus(); // away from the box
        QVERIFY(!showsFocusColour(box));
        box->setFocus();
        QVERIFY(box->hasFocus());
        QVERIFY(showsFocusColour(box));
    }

    // The print dialog proposes the title of the screen that prints as the
    // file to print to, never a template's own name.
    void printDialogProposesTheScreenTitle_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("document");
        QTest::newRow("document card") << 2 << u"cmdStampa"_s << u"Archivio Documenti"_s;
        QTest::newRow("list") << 0 << u"cmdAssolti"_s << u"Riepilogo impegni assolti"_s;
    }
    void printDialogProposesTheScreenTitle()
    {
        QFETCH(int, which);
        QFETCH(QString, command);
        QFETCH(QString, document);
        ui::AreaScreen* screen = card(which);
        screen->open();
        report::printer::setPdfTarget(QString());
        QStringList proposed;
        report::printer::setDialogHandler([&proposed](QPrinter& printer, QWidget*) {
            proposed << printer.docName();
            return false; // the user cancels
        });
        testsupport::whenModal([](QWidget* modal) {
            control<QPushButton>(modal, u"btnStampa"_s)->click();
            testsupport::closeModals();
        });
        control<QToolButton>(screen, command)->click();
        QCOMPARE(proposed, QStringList { document });
    }

    // The keys run the commands' own click paths, on every card.
    void keysRunTheCommands_data() { cards_data(); }
    void keysRunTheCommands()
    {
        QFETCH(int, which);
        QStringList helped;
        ui::help::setHandler([&helped](QWidget*, const QString& topic) { helped << topic; });
        ui::AreaScreen* screen = card(which);
        screen->open();
        QVERIFY(testsupport::activate(screen));
        auto* position = control<QLabel>(screen, u"lblPosizione"_s);
        const auto press = [screen](QKeyCombination key) {
            QWidget* target = screen->focusWidget() ? screen->focusWidget() : screen;
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        };
        QVERIFY(control<QWidget>(screen, u"cmdSalva"_s)->toolTip().endsWith(u"(Ctrl+S)"_s));
        // Named as the keyboard's keys are named in Italian ("Alt+Destra").
        const QString next = QKeySequence(Qt::ALT | Qt::Key_Right).toString(QKeySequence::NativeText);
        QVERIFY(control<QWidget>(screen, u"cmdAvanti"_s)->toolTip().endsWith(u'(' + next + u')'));

        press(Qt::CTRL | Qt::Key_S); // the required-field check of the command itself
        QCOMPARE(program->messages.messages().size(), 1);
        QCOMPARE(program->messages.messages().first().kind, ui::MessageKind::Warning);
        fillRequired(which);
        press(Qt::CTRL | Qt::Key_S);
        press(Qt::CTRL | Qt::Key_D);
        fillRequired(which); // what a duplicate leaves empty
        press(Qt::CTRL | Qt::Key_S);
        QCOMPARE(program->messages.texts().mid(1),
            (QStringList { u"La scheda corrente è stata inserita in archivio."_s,
                u"E' ora possibile apportare le proprie modifiche alla scheda corrente.\n\r\n\r"
                u"Al termine premere Salva per inserire la scheda in archivio."_s,
                u"La scheda corrente è stata inserita in archivio."_s }));
        QCOMPARE(position->text(), u"2"_s);
        press(Qt::ALT | Qt::Key_Home);
        QCOMPARE(position->text(), u"1"_s);
        press(Qt::ALT | Qt::Key_Right);
        QCOMPARE(position->text(), u"2"_s);
        press(Qt::ALT | Qt::Key_Left);
        QCOMPARE(position->text(), u"1"_s);
        press(Qt::ALT | Qt::Key_End);
        QCOMPARE(position->text(), u"2"_s);
        press(Qt::CTRL | Qt::Key_N);
        QCOMPARE(position->text(), QString());
        press(Qt::Key_F1);
        QCOMPARE(helped.size(), 1);
        press(Qt::Key_Escape);
        QVERIFY(!screen->isVisible());
        ui::help::setHandler({});
    }

    void escClosesAListAsChiudiWould()
    {
        program->card()->open();
        ui::ListScreen list(program->card()->stateList(appointments::State::Fulfilled), program->card());
        list.show();
        QVERIFY(testsupport::activate(&list));
        QVERIFY(control<QWidget>(&list, u"btnStampa"_s)->toolTip().endsWith(u"(Ctrl+P)"_s));
        QTest::keyClick(control<QWidget>(&list, u"txtTrova"_s), Qt::Key_Escape);
        QVERIFY(!list.isVisible());
    }

    // The run's own guards: a message box nobody records and a modal window
    // nobody answers fail the test instead of waiting for a user.
    void anUnexpectedMessageBoxFailsAtOnce()
    {
        program.reset(); // no recorder
        QElapsedTimer clock;
        clock.start();
        QEXPECT_FAIL("", "no recorder answers this box", Continue);
        ui::messages::plain(u"Nessuno risponde"_s);
        QVERIFY(clock.elapsed() < 2000);
    }
    void aModalWindowNobodyAnswersIsClosed()
    {
        QDialog dialog;
        dialog.setObjectName(u"frmSenzaRisposta"_s);
        QElapsedTimer clock;
        clock.start();
        testsupport::setModalPatience(300);
        QEXPECT_FAIL("", "nobody answers this window", Continue);
        dialog.exec();
        testsupport::setModalPatience(20000);
        QVERIFY(clock.elapsed() < 10000);
    }
};

QTEST_MAIN(TestFinish)
#include "tst_finish.moc"
