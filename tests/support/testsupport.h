#pragma once
// Helpers of the tests of screens: recorded messages, desktop opens, sounds
// and ends of the run, answers to modal screens, typing.

#include "support/folders.h"
#include "ui/services.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace testsupport {

// Replaces the message boxes for its lifetime: records every message and
// answers from a queue (Yes or OK when the queue is empty). An answer that
// the box would not offer ends the test run.
class MessageRecorder {
public:
    struct Message {
        ui::MessageKind kind;
        QString text;
    };
    MessageRecorder();
    ~MessageRecorder();
    void queueAnswer(ui::Answer answer) { m_answers.append(answer); }
    const QList<Message>& messages() const { return m_messages; }
    QStringList texts() const;
    void clear() { m_messages.clear(); }
    // Runs while a message box would be open, as the user would see it.
    std::function<void(const Message&)> onMessage;

private:
    QList<Message> m_messages;
    QList<ui::Answer> m_answers;
};

// Records what the program hands to the desktop to open.
class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    QStringList opened;
};

// Records the sounds played instead of playing them.
class SoundRecorder {
public:
    SoundRecorder();
    ~SoundRecorder();
    QStringList played;
    int stops = 0;
};

// Counts the ends of the run instead of ending it.
class RunRecorder {
public:
    RunRecorder();
    ~RunRecorder();
    int ends = 0;
};

// Runs `action` on the next modal window as soon as it is shown (and waits
// for it within `exec()`), as a user answering it would.
void whenModal(std::function<void(QWidget*)> action);

// Types a text into a widget key by key, accented letters included.
void typeText(QWidget* widget, const QString& text);
// Presses and releases a key with its modifiers, carrying the character a
// desktop keyboard sends with it: the printable character when neither Ctrl
// nor Alt is held, 8 for Backspace and 127 for Delete.
void pressKey(QWidget* widget, QKeyCombination key);

} // namespace testsupport
