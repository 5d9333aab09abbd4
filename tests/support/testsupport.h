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

class QWidget;

class QLineEdit;

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
// for it within `exec()`), as a user answering it would. When a check in
// `action` fails, the modal windows are closed so the test ends at once.
//
// For the whole run of a test program: a message box or file dialog with no
// recorder installed fails the test instead of waiting, and so does a modal
// window that nobody answers within twenty seconds (it is then closed).
void whenModal(std::function<void(QWidget*)> action);
// How long a modal window may stay unanswered before it fails the test.
void setModalPatience(int ms);
// Closes every open modal window, the innermost first.
void closeModals();
// Drops the answers of whenModal whose window never opened (the program
// fixture does so at the end of each test), so none answers a later test.
void forgetModalAnswers();

// `texts` without the question a changed card asks before it is left
// ("Salvare le modifiche alla scheda?"), for tests of what follows it.
QStringList withoutSaveQuestion(QStringList texts);

// Types `keys` into the date field `field` as a user would: the first key
// opens the date picker, which gets it, the others go into its date field,
// then Enter. A date the picker refuses leaves it open: it is closed with
// "Annulla". True when the picker took the date.
bool typeDate(QLineEdit* field, const QString& keys);

// Makes `window` (shown if it is not) the active window at once, as a click
// on it would, without waiting for the window system: its focus widget gets
// the focus. True when it is active.
bool activate(QWidget* window);

// Types a text into a widget key by key, accented letters included.
void typeText(QWidget* widget, const QString& text);
// Presses and releases a key with its modifiers, carrying the character a
// desktop keyboard sends with it: the printable character when neither Ctrl
// nor Alt is held, 8 for Backspace and 127 for Delete.
void pressKey(QWidget* widget, QKeyCombination key);

} // namespace testsupport
