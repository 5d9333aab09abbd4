#pragma once
// Small pieces every screen uses: links, command pictures, the status-line
// hints, focus frames, the Enter cycle, typed characters and the digits-only
// filter, and the area screens that are shown and hidden for the whole run.

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <utility>

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLineEdit;

namespace ui {

// A text or picture that acts on a click. While the mouse button is held on
// it the text shows another colour; a click turns it dark blue.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent = nullptr);
    // What a click on it does.
    void click();
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setColour(const QString& colour);
    bool m_pressed = false;
};

// An icon of the desktop's theme by its freedesktop name ("document-save"),
// trying the names in turn; when none exists, a drawn picture that always
// shows something.
QIcon themeIcon(const QString& names, const QString& word = QString());

// Gives every button and picture under `root` the icon named by its "iconName"
// property.
void applyIcons(QWidget* root);

// The status line: over a control that has a hint it shows the hint; over
// anything else on the screen it is emptied.
class StatusHints : public QObject {
    Q_OBJECT
public:
    StatusHints(QWidget* screen, QLabel* statusLine);
    void add(QWidget* control, const QString& hint);
    void add(std::initializer_list<std::pair<QWidget*, QString>> hints);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    QWidget* m_screen;
    QLabel* m_line;
    QHash<QObject*, QString> m_hints;
};

// A frame drawn around an input field while the field has the focus.
void attachFocusFrame(QWidget* field, QFrame* frame);

// Enter in one of the fields moves the focus to the next, the last one back
// to the first. A field may be a null pointer's place holder for none.
void setEnterCycle(const QList<QWidget*>& fields);
// Enter in `field` moves the focus to `target`. When `target` is a command
// (a button), Enter or Return on it then clicks it, once per press.
void setEnterMovesTo(QWidget* field, QWidget* target);

// Whether a key press types a character of its own: a printable character,
// with neither Ctrl nor Alt held, from a key that is not an editing key.
// Delete, Backspace, the arrows, Home, End, the selection keys, undo, cut,
// copy and paste are editing keys, whatever character the keyboard sends
// with them (Delete sends the control character 127). Key filters of input
// fields decide on typed characters with this and let editing keys pass.
bool isTypedCharacter(const QKeyEvent* key);

// The keys of a drop-down list whose value is one of its items. A typed
// character is taken when the text then still begins an item ("1", "13";
// "ma", "mar"), any other is refused; Up and Down choose the item after or
// before the one the text shows, from the text as it is (the first or last
// item when it shows none); Alt with an arrow opens the list. True when the
// key was handled here.
bool listKey(QComboBox* box, const QKeyEvent* key);
// The item a text left in such a list stands for: the item itself whatever
// its case, the only item it begins, or the item it is with a leading zero
// ("9" for "09"); the text unchanged when it stands for none.
QString listItemFor(const QComboBox* box, const QString& text);

// Only the digits 0 to 9 can be typed; Enter, Tab and the editing keys work
// as usual, and pasting from the keyboard passes when the clipboard holds
// digits only. Every other key press is discarded.
void setDigitsOnly(QLineEdit* edit);

// After every change the user makes, the text of `edit` becomes rule(text)
// (upper case, blanks removed...) with the cursor kept after the same
// typed characters. Changes made by the program are left alone.
void rewriteWhileTyping(QLineEdit* edit, std::function<QString(const QString&)> rule);

// A working area: one instance for the whole run, shown and hidden, never
// modal. Closing it hides it and shows its home screen (the main menu).
class AreaScreen : public QWidget {
    Q_OBJECT
public:
    explicit AreaScreen(QWidget* parent = nullptr);
    // The screen that closing the area shows again.
    void setHome(QWidget* home);
    QWidget* home() const { return m_home; }
    // The command that opens the area: its opening steps, then the window.
    // A window brought back by the window system (restored from the task
    // bar) is only shown, so nothing typed on it is lost.
    void open();
    // Working areas with many fields open maximised.
    void setOpensMaximised(bool maximised) { m_maximised = maximised; }
    // Before the area is left for another screen or the end of the run: a
    // changed card asks whether to save it. False when the user stays.
    bool mayBeLeft() { return !isVisible() || mayLeave(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    // What opening the area does before it is shown (a new card, a fresh list).
    virtual void opening() { }
    // Runs when the area is closed, before the home screen is shown.
    virtual void areaClosing() { }
    // Whether the area may be closed now (a card with changes asks first).
    virtual bool mayLeave() { return true; }

private:
    QPointer<QWidget> m_home;
    bool m_maximised = false;
};

// Centres a window on the screen that shows `over` (or the primary screen),
// inside the area the desktop leaves to windows.
void centreWindow(QWidget* window, QWidget* over = nullptr);

// A screen that fits the screen it is on, whatever its size and scale: the
// body of the form (the widget its main layout stretches most) scrolls in a
// scroll area "scrCorpo" when the window is smaller than the form, while the
// title, the command bars and the status line stay in view; the window
// opens at the form's size or, when that is larger, at the available area's.
void fitToScreen(QWidget* window);
// Moves and if need be shrinks a window, frame included, into the available
// area of its screen (the area without the desktop's panels).
void keepInsideScreen(QWidget* window);

// The keys of the commands, on `screen` and its children found by their
// names: F1 help (cmdGuida, imgGuida), Ctrl+N new (cmdNuovo), Ctrl+S save
// (cmdSalva), Ctrl+D duplicate (cmdDuplica), Ctrl+F find (cmdTrova), Ctrl+P
// print (cmdStampa, btnStampa), Alt+Home, Alt+Left, Alt+Right, Alt+End the
// four arrows (cmdPrimo, cmdIndietro, cmdAvanti, cmdUltimo) and, when
// `escCloses`, Esc closing the screen (cmdEsci, imgEsci, btnEsci, btnChiudi,
// btnAnnulla). A key clicks the first of its commands that is visible and
// enabled, so it runs the command's own click path; each command's tooltip
// names its key.
void bindCommandKeys(QWidget* screen, bool escCloses = true);

// The help of a screen: its help command (cmdGuida or imgGuida, when it has
// one) and F1 from any of its fields open this topic. A screen without a topic
// of its own shows the one of the screen it was opened from, and the first
// screens the program's overview (`setDefaultHelpTopic`).
void setHelpTopic(QWidget* screen, const QString& topic);
void setDefaultHelpTopic(const QString& topic);
// The topic F1 opens from this widget.
QString helpTopicFor(const QWidget* widget);

// A dialog of fixed size with a title bar and no window buttons: it cannot
// be resized, maximised or closed from the title bar, only by its commands
// (and Esc, as its closing command would).
void setFixedDialog(QWidget* dialog);

} // namespace ui
