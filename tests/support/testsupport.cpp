#include "support/testsupport.h"

#include "ui/services.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace testsupport {

namespace {

// Without a recorder, a message box or a file dialog would wait for a user:
// the test fails at once instead, and the program goes on as if the box had
// been closed.
ui::Answer unexpectedMessage(ui::MessageKind, const QString& text)
{
    QTest::qFail(qPrintable(u"unexpected message box: "_s + text), __FILE__, __LINE__);
    return ui::Answer::Closed;
}

QString unexpectedFileDialog(const QString& title, const QString&)
{
    QTest::qFail(qPrintable(u"unexpected file dialog: "_s + title), __FILE__, __LINE__);
    return QString();
}

int modalPatienceMs = 20000;

// A modal window that nobody answers within a few seconds is closed and
// fails the running test, which then ends instead of waiting for a user.
class ModalWatch : public QObject {
public:
    ModalWatch()
        : QObject(QCoreApplication::instance())
    {
        m_timer.setInterval(50);
        connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start();
    }

private:
    void look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            m_modal = nullptr;
            return;
        }
        if (modal != m_modal) {
            m_modal = modal;
            m_since.start();
            return;
        }
        if (m_since.elapsed() < modalPatienceMs)
            return;
        QTest::qFail(
            qPrintable(u"modal window left open: "_s + modal->objectName() + u" \""_s + modal->windowTitle() + u'"'),
            __FILE__, __LINE__);
        closeModals();
        m_modal = nullptr;
    }
    QTimer m_timer;
    QPointer<QWidget> m_modal;
    QElapsedTimer m_since;
};

void installGuards()
{
    ui::messages::setHandler(unexpectedMessage);
    ui::fileDialog::setHandler(unexpectedFileDialog);
    new ModalWatch; // for the whole run
}

} // namespace

void setModalPatience(int ms)
{
    modalPatienceMs = ms;
}

void closeModals()
{
    // Innermost first; a window that refuses to close is hidden.
    for (int i = 0; i < 20; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        if (modal->isVisible())
            modal->close();
        if (modal->isVisible())
            modal->hide();
    }
}

bool activate(QWidget* window)
{
    window = window->window();
    if (!window->isVisible())
        window->show();
    QApplication::setActiveWindow(window);
    return window->isActiveWindow();
}

MessageRecorder::MessageRecorder()
{
    ui::messages::setHandler([this](ui::MessageKind kind, const QString& text) {
        m_messages.append({ kind, text });
        if (onMessage)
            onMessage(m_messages.last());
        const bool question = kind == ui::MessageKind::Question;
        const bool choice = kind == ui::MessageKind::Choice;
        // Unanswered, the question to save a card's changes gives them up, as
        // leaving a card did before it asked.
        ui::Answer answer = question ? ui::Answer::Yes : choice ? ui::Answer::No : ui::Answer::Ok;
        if (!m_answers.isEmpty())
            answer = m_answers.takeFirst();
        const bool offered = question
            ? (answer == ui::Answer::Yes || answer == ui::Answer::No || answer == ui::Answer::Closed)
            : choice ? answer != ui::Answer::Ok
                     : answer == ui::Answer::Ok || answer == ui::Answer::Closed; // a notice has only OK
        if (!offered)
            qFatal("answer not offered by the message box: %s", qPrintable(text));
        return answer;
    });
}

MessageRecorder::~MessageRecorder()
{
    ui::messages::setHandler(unexpectedMessage);
}

QStringList MessageRecorder::texts() const
{
    QStringList t;
    for (const Message& m : m_messages)
        t << m.text;
    return t;
}

ShellRecorder::ShellRecorder()
{
    ui::desktop::setHandler([this](const QString& target) { opened << target; });
}

ShellRecorder::~ShellRecorder()
{
    ui::desktop::setHandler({});
}

SoundRecorder::SoundRecorder()
{
    ui::sound::setPlayer({ [this](const QString& path) {
                              played << path;
                              return true;
                          },
        [this] { ++stops; } });
}

SoundRecorder::~SoundRecorder()
{
    ui::sound::setPlayer({});
}

RunRecorder::RunRecorder()
{
    ui::run::setHandler([this] { ++ends; });
}

RunRecorder::~RunRecorder()
{
    ui::run::setHandler({});
}

namespace {
// The answers still waiting for their window.
QList<QPointer<QTimer>> waitingAnswers;
} // namespace

void forgetModalAnswers()
{
    for (const QPointer<QTimer>& timer : std::as_const(waitingAnswers))
        delete timer.data();
    waitingAnswers.clear();
}

void whenModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    waitingAnswers.append(timer);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
        // A check that failed in the answer leaves the window open: it is
        // closed, so the test ends at once instead of waiting in it.
        if (QTest::currentTestFailed())
            closeModals();
    });
    timer->start();
}

void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void pressKey(QWidget* widget, QKeyCombination combination)
{
    const Qt::Key key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (key == Qt::Key_Backspace)
        text = QString(QChar(8));
    else if (key == Qt::Key_Delete)
        text = QString(QChar(127));
    else if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier)) && key >= Qt::Key_Space
        && key <= Qt::Key_AsciiTilde)
        text = (modifiers & Qt::ShiftModifier) ? QString(QChar(key)) : QString(QChar(key)).toLower();
    QTest::sendKeyEvent(QTest::Click, widget, key, text, modifiers);
}

QStringList withoutSaveQuestion(QStringList texts)
{
    texts.removeAll(QStringLiteral("Salvare le modifiche alla scheda?"));
    return texts;
}

bool typeDate(QLineEdit* field, const QString& keys)
{
    bool taken = false;
    whenModal([&taken, keys](QWidget* picker) {
        auto* typed = picker->findChild<QLineEdit*>(QStringLiteral("txtDataDigitata"));
        if (!typed || typed->text() != keys.left(1))
            return; // left open: the test fails on it
        QTest::keyClicks(typed, keys.mid(1));
        QTest::keyClick(typed, Qt::Key_Return);
        taken = !picker->isVisible();
        if (!taken)
            picker->findChild<QPushButton*>(QStringLiteral("btnAnnulla"))->click();
    });
    QTest::keyClick(field, keys.at(0).toLatin1());
    return taken;
}

} // namespace testsupport

namespace {
void installTestGuards()
{
    testsupport::installGuards();
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installTestGuards)
