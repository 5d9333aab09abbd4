#include "support/testsupport.h"

#include "ui/services.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace testsupport {

MessageRecorder::MessageRecorder()
{
    ui::messages::setHandler([this](ui::MessageKind kind, const QString& text) {
        m_messages.append({ kind, text });
        if (onMessage)
            onMessage(m_messages.last());
        const bool question = kind == ui::MessageKind::Question;
        ui::Answer answer = question ? ui::Answer::Yes : ui::Answer::Ok;
        if (!m_answers.isEmpty())
            answer = m_answers.takeFirst();
        const bool offered = question
            ? (answer == ui::Answer::Yes || answer == ui::Answer::No || answer == ui::Answer::Closed)
            : kind == ui::MessageKind::Plain ? (answer == ui::Answer::Ok || answer == ui::Answer::Closed)
                                             : answer != ui::Answer::Yes && answer != ui::Answer::No;
        if (!offered)
            qFatal("answer not offered by the message box: %s", qPrintable(text));
        return answer;
    });
}

MessageRecorder::~MessageRecorder()
{
    ui::messages::setHandler({});
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

void whenModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
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

} // namespace testsupport
