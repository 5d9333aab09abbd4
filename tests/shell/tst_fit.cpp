// Every screen on a small screen: the window, frame included, lies inside
// the screen's available area, and so does every visible command, or the
// part of the scroll area that holds it. ctest runs this program once per
// screen of tests/shell/screens (a laptop with a panel, 1024 x 768, and
// 2560 x 1440 at scale factor 2).

#include "appointments/agendascreen.h"
#include "appointments/appointmentcard.h"
#include "contacts/contactcard.h"
#include "documents/documentcard.h"
#include "shell/mainmenu.h"
#include "shell/passwordgate.h"
#include "summaries/summariesmenu.h"
#include "support/programfixture.h"
#include "ui/style.h"
#include "ui/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using testsupport::control;

namespace {

// What keeps a command out of reach on the window as it is shown.
QStringList outOfReach(QWidget* window)
{
    QStringList faults;
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (!area.contains(frame))
        faults << u"%1: window %2,%3 %4x%5 outside %6x%7"_s.arg(window->objectName())
                      .arg(frame.x())
                      .arg(frame.y())
                      .arg(frame.width())
                      .arg(frame.height())
                      .arg(area.width())
                      .arg(area.height());
    const QRect inside(window->mapToGlobal(QPoint(0, 0)), window->size());
    const auto widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const QString name = w->objectName();
        const bool command = (qobject_cast<QAbstractButton*>(w) || qobject_cast<ui::LinkLabel*>(w))
            && (name.startsWith(u"cmd"_s) || name.startsWith(u"btn"_s) || name.startsWith(u"img"_s));
        // (the invisible control that takes the focus during a save has no size)
        if (!command || !w->isVisibleTo(window) || w->window() != window || w->size().isEmpty())
            continue;
        // A command in a scroll area is reached by scrolling it: the area must be in reach.
        QWidget* holder = w;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
            if (auto* scroll = qobject_cast<QScrollArea*>(p))
                holder = scroll;
        }
        QRect rect(holder->mapToGlobal(QPoint(0, 0)), holder->size());
        if (holder != w)
            rect.setSize(QSize(std::min(rect.width(), 40), std::min(rect.height(), 40)));
        if (!area.contains(rect) || !inside.contains(rect))
            faults << u"%1: %2 at %3,%4 %5x%6"_s.arg(window->objectName(), name)
                          .arg(rect.x())
                          .arg(rect.y())
                          .arg(rect.width())
                          .arg(rect.height());
    }
    return faults;
}

} // namespace

class TestFit : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ProgramFixture> program;

    QWidget* area(int which) const
    {
        switch (which) {
        case 0:
            return program->menu();
        case 1:
            return program->card();
        case 2:
            return program->agenda();
        case 3:
            return program->screens->contacts();
        case 4:
            return program->screens->summaries();
        case 5:
            return program->screens->documents();
        default:
            return program->gate();
        }
    }

private slots:
    void initTestCase() { ui::setUpApplication(*qApp); }
    void init() { program = std::make_unique<testsupport::ProgramFixture>(QDate(2024, 3, 10)); }
    void cleanup() { program.reset(); }

    // A window centred before it is shown (the print preview) leaves room
    // for the title bar and borders a window manager will add: with the
    // frame of a usual desktop it lies whole inside the screen.
    void centredWindowLeavesRoomForItsFrame()
    {
        QWidget window(nullptr, Qt::Window);
        window.resize(900, 760);
        ui::centreWindow(&window);
        const QRect area = window.screen()->availableGeometry();
        const QMargins usualFrame(4, 32, 4, 4);
        const QRect framed(window.pos(), window.size().grownBy(usualFrame));
        QVERIFY2(area.contains(framed),
            qPrintable(u"%1,%2 %3x%4 in %5x%6"_s.arg(framed.x())
                           .arg(framed.y())
                           .arg(framed.width())
                           .arg(framed.height())
                           .arg(area.width())
                           .arg(area.height())));
    }

    void everyCommandInReach_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("command"); // empty: the area itself
        QTest::newRow("password gate") << 6 << QString();
        QTest::newRow("main menu") << 0 << QString();
        QTest::newRow("appointment card") << 1 << QString();
        QTest::newRow("agenda") << 2 << QString();
        QTest::newRow("contact card") << 3 << QString();
        QTest::newRow("summaries menu") << 4 << QString();
        QTest::newRow("document card") << 5 << QString();
        QTest::newRow("appointment search") << 1 << u"cmdTrova"_s;
        QTest::newRow("appointments fulfilled") << 1 << u"cmdAssolti"_s;
        QTest::newRow("appointment export") << 1 << u"cmdEsporta"_s;
        QTest::newRow("appointment print confirm") << 1 << u"cmdStampa"_s;
        QTest::newRow("contact search") << 3 << u"cmdTrova"_s;
        QTest::newRow("contact export") << 3 << u"cmdEsporta"_s;
        QTest::newRow("contact preview") << 3 << u"cmdAnteprima"_s;
        QTest::newRow("document search") << 5 << u"cmdTrova"_s;
        QTest::newRow("document export") << 5 << u"cmdEsporta"_s;
        QTest::newRow("documents to complete") << 5 << u"cmdDaCompletare"_s;
        QTest::newRow("tools") << 0 << u"imgStrumenti"_s;
        QTest::newRow("settings") << 0 << u"imgImpostazioni"_s;
        QTest::newRow("sync") << 0 << u"icoSincronizza"_s;
        QTest::newRow("appointment exchange") << 1 << u"cmdScambio"_s;
        QTest::newRow("contact exchange") << 3 << u"cmdScambio"_s;
    }
    void everyCommandInReach()
    {
        QFETCH(int, which);
        QFETCH(QString, command);
        QWidget* screen = area(which);
        if (auto* working = qobject_cast<ui::AreaScreen*>(screen))
            working->open();
        else
            screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen));
        if (command.isEmpty()) {
            const QStringList faults = outOfReach(screen);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
            return;
        }
        QStringList faults;
        bool opened = false;
        testsupport::whenModal([&](QWidget* modal) {
            opened = true;
            if (!QTest::qWaitForWindowExposed(modal))
                faults << u"the dialog was never shown"_s;
            else
                faults = outOfReach(modal);
            testsupport::closeModals();
        });
        control<QAbstractButton>(screen, command)->click();
        QVERIFY(opened);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }
};

QTEST_MAIN(TestFit)
#include "tst_fit.moc"
