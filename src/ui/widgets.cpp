#include "ui/widgets.h"

#include "ui/services.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace ui {

LinkLabel::LinkLabel(QWidget* parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void LinkLabel::setColour(const QString& colour)
{
    setStyleSheet(u"color: %1;"_s.arg(colour));
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        setColour(u"#c0392b"_s);
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) {
        setColour(u"#00008b"_s);
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::click()
{
    setColour(u"#00008b"_s);
    emit clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QLabel::keyPressEvent(event);
}

namespace {

QIcon drawnIcon(const QString& word)
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = QColor::fromHsv(int(qHash(word) % 360), 120, 170);
    p.setBrush(colour);
    p.setPen(colour.darker(130));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    p.setPen(Qt::white);
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(30);
    p.setFont(font);
    p.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, word.isEmpty() ? u"?"_s : word.left(1).toUpper());
    return QIcon(pixmap);
}

} // namespace

QIcon themeIcon(const QString& names, const QString& word)
{
    const auto list = names.split(u';', Qt::SkipEmptyParts);
    for (const QString& name : list) {
        if (name.startsWith(u':')) {
            QIcon icon(name);
            if (!icon.availableSizes().isEmpty() || !icon.pixmap(32).isNull())
                return icon;
        } else if (QIcon::hasThemeIcon(name)) {
            return QIcon::fromTheme(name);
        }
    }
    return drawnIcon(word.isEmpty() ? names : word);
}

void applyIcons(QWidget* root)
{
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const QString names = w->property("iconName").toString();
        if (names.isEmpty())
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setIcon(themeIcon(names, button->text()));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            const int side = label->property("iconSize").isValid() ? label->property("iconSize").toInt() : 32;
            label->setPixmap(themeIcon(names, label->text()).pixmap(side, side));
        }
    }
}

StatusHints::StatusHints(QWidget* screen, QLabel* statusLine)
    : QObject(screen)
    , m_screen(screen)
    , m_line(statusLine)
{
    watch(screen);
    const auto children = screen->findChildren<QWidget*>();
    for (QWidget* w : children)
        watch(w);
}

void StatusHints::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    widget->setMouseTracking(true);
}

namespace {
bool isInputField(QObject* object)
{
    for (QObject* o = object; o; o = o->parent()) {
        if (qobject_cast<QLineEdit*>(o) || qobject_cast<QComboBox*>(o) || qobject_cast<QAbstractSpinBox*>(o))
            return true;
        if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            break;
    }
    return false;
}
} // namespace

void StatusHints::add(QWidget* control, const QString& hint)
{
    m_hints.insert(control, hint);
}

void StatusHints::add(std::initializer_list<std::pair<QWidget*, QString>> hints)
{
    for (const auto& [control, hint] : hints)
        add(control, hint);
}

bool StatusHints::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Enter && event->type() != QEvent::MouseMove && event->type() != QEvent::Leave)
        return false;
    // A move that a button passed on to the widgets around it is decided by
    // the widget under the pointer, which saw it first.
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (static_cast<QWidget*>(watched)->childAt(move->position().toPoint()))
            return false;
    }
    // The control the pointer is over: the watched widget or the hinted
    // control it belongs to (the edit inside a drop-down, for instance).
    QObject* control = watched;
    while (control && !m_hints.contains(control) && control != m_screen)
        control = control->parent();
    const bool hinted = control && m_hints.contains(control);
    if (event->type() == QEvent::Leave) {
        // Leaving a control for the background of the same screen empties the
        // line; leaving the window keeps it.
        if (hinted && m_screen->window()->geometry().contains(QCursor::pos()))
            m_line->clear();
        return false;
    }
    // Over an input field without a hint of its own the line stays as it is.
    if (!hinted && isInputField(watched))
        return false;
    // A window that appears under a still pointer is entered without any
    // motion: only a move over the background empties the line.
    if (!hinted && event->type() == QEvent::Enter)
        return false;
    const QString text = hinted ? m_hints.value(control) : QString();
    if (m_line->text() != text)
        m_line->setText(text);
    return false;
}

namespace {

class FocusFrameFilter : public QObject {
public:
    FocusFrameFilter(QWidget* field, QFrame* frame)
        : QObject(field)
        , m_field(field)
        , m_frame(frame)
    {
        if (frame->parentWidget() != field->parentWidget())
            frame->setParent(field->parentWidget());
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        frame->setFocusPolicy(Qt::NoFocus);
        frame->hide();
        place();
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        // The frame goes first when the screen is destroyed; the field may
        // still lose the focus afterwards.
        if (!m_frame)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            place();
            m_frame->show();
            break;
        case QEvent::FocusOut:
            m_frame->hide();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            place();
            break;
        case QEvent::Hide:
            m_frame->hide();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void place()
    {
        m_frame->setGeometry(m_field->geometry().adjusted(-3, -3, 3, 3));
        m_frame->stackUnder(m_field);
    }
    QWidget* m_field;
    QPointer<QFrame> m_frame;
};

// Enter or Return on a command clicks it once; a held key does not repeat
// the click.
class EnterClicks : public QObject {
public:
    explicit EnterClicks(QAbstractButton* button)
        : QObject(button)
        , m_button(button)
    {
        button->setProperty(Installed, true);
        button->installEventFilter(this);
    }
    static bool installedOn(const QAbstractButton* button) { return button->property(Installed).toBool(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (!key->isAutoRepeat() && m_button)
            m_button->click();
        return true;
    }

private:
    static constexpr const char* Installed = "enterClicks";
    QPointer<QAbstractButton> m_button;
};

class EnterFilter : public QObject {
public:
    EnterFilter(QWidget* field, QWidget* target)
        : QObject(field)
        , m_target(target)
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_target) {
                m_target->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
        return false;
    }

private:
    QPointer<QWidget> m_target;
};

// Keys that move the cursor, select, delete, undo or use the clipboard: they
// edit what is there and never type a character of their own.
bool isEditingKey(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
        return true;
    default:
        break;
    }
    static const QKeySequence::StandardKey editing[] = {
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Cut,
        QKeySequence::Copy,
        QKeySequence::Paste,
        QKeySequence::SelectAll,
        QKeySequence::Deselect,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
    };
    for (const QKeySequence::StandardKey standard : editing) {
        if (key->matches(standard))
            return true;
    }
    return false;
}

bool onlyDigits(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

class DigitsFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (isTypedCharacter(key))
            return !onlyDigits(key->text());
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return false;
        default:
            return !isEditingKey(key);
        }
    }
};

} // namespace

bool isTypedCharacter(const QKeyEvent* key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (isEditingKey(key))
        return false;
    const QString text = key->text();
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

void attachFocusFrame(QWidget* field, QFrame* frame)
{
    new FocusFrameFilter(field, frame);
}

void setEnterMovesTo(QWidget* field, QWidget* target)
{
    new EnterFilter(field, target);
    // The Enter that brought the focus to a command runs it when pressed again.
    auto* button = qobject_cast<QAbstractButton*>(target);
    if (button && !EnterClicks::installedOn(button))
        new EnterClicks(button);
}

void setEnterCycle(const QList<QWidget*>& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i)
        setEnterMovesTo(fields[i], fields[(i + 1) % fields.size()]);
}

void setDigitsOnly(QLineEdit* edit)
{
    edit->installEventFilter(new DigitsFilter(edit));
    // Pasted text (keyboard or menu) keeps its digits only.
    rewriteWhileTyping(edit, [](const QString& text) {
        QString digits;
        for (const QChar c : text) {
            if (c >= u'0' && c <= u'9')
                digits += c;
        }
        return digits;
    });
}

void rewriteWhileTyping(QLineEdit* edit, std::function<QString(const QString&)> rule)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, rule = std::move(rule)](const QString& text) {
        const QString rewritten = rule(text);
        if (rewritten == text)
            return;
        // The cursor stays after the same typed characters.
        const int cursor = int(rule(text.left(edit->cursorPosition())).size());
        edit->setText(rewritten);
        edit->setCursorPosition(std::min(cursor, int(rewritten.size())));
    });
}

AreaScreen::AreaScreen(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
}

void AreaScreen::setHome(QWidget* home)
{
    m_home = home;
}

void AreaScreen::open()
{
    opening();
    if (m_maximised) {
        showMaximized();
    } else {
        keepInsideScreen(this);
        show();
    }
    activateWindow();
}

void AreaScreen::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!mayLeave())
        return;
    areaClosing();
    if (m_home)
        m_home->show();
    hide();
}

namespace {

// The window's frame around its contents: what the window manager has drawn,
// or before it has, room for a title bar and thin borders.
QMargins frameOf(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (window->isVisible() && frame != inner)
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom());
    return QMargins(4, 32, 4, 4);
}

QRect availableArea(const QWidget* window, const QWidget* over = nullptr)
{
    QScreen* screen = over && over->screen() ? over->screen()
        : window->screen()                   ? window->screen()
                                             : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The largest size of a window's contents whose frame fits the area.
QSize roomFor(const QWidget* window, const QRect& area)
{
    const QMargins frame = frameOf(window);
    return QSize(area.width() - frame.left() - frame.right(), area.height() - frame.top() - frame.bottom());
}

} // namespace

void centreWindow(QWidget* window, QWidget* over)
{
    const QRect area = availableArea(window, over);
    if (area.isEmpty())
        return;
    const QSize room = roomFor(window, area);
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    // Before the window manager has framed it, the frame is the usual one:
    // centring the bare window would put its title bar's height below the screen.
    QRect frame = window->frameGeometry();
    if (!window->isVisible())
        frame = window->geometry().marginsAdded(frameOf(window));
    frame.moveCenter(area.center());
    frame.moveLeft(std::max(frame.left(), area.left()));
    frame.moveTop(std::max(frame.top(), area.top()));
    window->move(frame.topLeft());
}

void keepInsideScreen(QWidget* window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty() || window->isMaximized() || window->isFullScreen())
        return;
    const QSize room = roomFor(window, area);
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    QRect frame = window->frameGeometry();
    if (!window->isVisible())
        frame = window->geometry().marginsAdded(frameOf(window));
    const int x = std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top())
        window->move(window->pos() + QPoint(x - frame.left(), y - frame.top()));
}

void fitToScreen(QWidget* window)
{
    // The form's size, or more when its layout needs more.
    const QSize design = window->size().expandedTo(window->minimumSizeHint());
    if (auto* main = qobject_cast<QBoxLayout*>(window->layout())) {
        int body = -1;
        for (int i = 0; i < main->count(); ++i) {
            if (main->itemAt(i)->widget() && (body < 0 || main->stretch(i) > main->stretch(body)))
                body = i;
        }
        if (body >= 0 && !qobject_cast<QScrollArea*>(main->itemAt(body)->widget())) {
            QWidget* content = main->itemAt(body)->widget();
            auto* scroll = new QScrollArea(window);
            scroll->setObjectName(u"scrCorpo"_s);
            scroll->setFrameShape(QFrame::NoFrame);
            scroll->setWidgetResizable(true);
            scroll->setFocusPolicy(Qt::NoFocus);
            delete main->replaceWidget(content, scroll);
            scroll->setWidget(content);
            // The scroll area shows the body's own background.
            scroll->viewport()->setAutoFillBackground(false);
        }
    }
    const QRect area = availableArea(window);
    QSize size = design;
    if (!area.isEmpty())
        size = size.boundedTo(roomFor(window, area));
    window->setMinimumSize(QSize(0, 0));
    window->resize(size.expandedTo(window->minimumSizeHint().boundedTo(size)));
}

void setFixedDialog(QWidget* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setFixedSize(dialog->size());
}

void bindCommandKeys(QWidget* screen, bool escCloses)
{
    struct Binding {
        QKeySequence key;
        QStringList commands;
    };
    QList<Binding> bindings = {
        { QKeySequence(Qt::CTRL | Qt::Key_N), { u"cmdNuovo"_s } },
        { QKeySequence(Qt::CTRL | Qt::Key_S), { u"cmdSalva"_s } },
        { QKeySequence(Qt::CTRL | Qt::Key_D), { u"cmdDuplica"_s } },
        { QKeySequence(Qt::CTRL | Qt::Key_F), { u"cmdTrova"_s } },
        { QKeySequence(Qt::CTRL | Qt::Key_P), { u"cmdStampa"_s, u"btnStampa"_s } },
        { QKeySequence(Qt::ALT | Qt::Key_Home), { u"cmdPrimo"_s } },
        { QKeySequence(Qt::ALT | Qt::Key_Left), { u"cmdIndietro"_s } },
        { QKeySequence(Qt::ALT | Qt::Key_Right), { u"cmdAvanti"_s } },
        { QKeySequence(Qt::ALT | Qt::Key_End), { u"cmdUltimo"_s } },
    };
    if (escCloses)
        bindings.append({ QKeySequence(Qt::Key_Escape),
            { u"cmdEsci"_s, u"imgEsci"_s, u"btnEsci"_s, u"btnChiudi"_s, u"btnAnnulla"_s } });
    for (const Binding& binding : std::as_const(bindings)) {
        QList<QPointer<QWidget>> commands;
        for (const QString& name : binding.commands) {
            QWidget* command = screen->objectName() == name ? screen : screen->findChild<QWidget*>(name);
            if (!command || !(qobject_cast<QAbstractButton*>(command) || qobject_cast<LinkLabel*>(command)))
                continue;
            commands.append(command);
            const QString keyText = binding.key.toString(QKeySequence::NativeText);
            QString tip = command->toolTip();
            if (tip.isEmpty()) {
                tip = command->property("text").toString();
                tip.remove(u'&');
            }
            command->setToolTip(tip.isEmpty() ? keyText : tip + u" ("_s + keyText + u')');
        }
        if (commands.isEmpty())
            continue;
        // One shortcut per key and screen: two of them would block each other.
        auto* shortcut = new QShortcut(binding.key, screen);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, screen, [commands] {
            for (const QPointer<QWidget>& command : commands) {
                if (!command || !command->isVisible() || !command->isEnabled())
                    continue;
                if (auto* button = qobject_cast<QAbstractButton*>(command.data()))
                    button->click();
                else if (auto* link = qobject_cast<LinkLabel*>(command.data()))
                    link->click();
                return;
            }
        });
    }
}

namespace {

const char* const HelpTopicProperty = "helpTopic";
QString defaultHelpTopic;

// F1 wherever the keyboard is, on every screen of the run: the key reaches
// the field that has the focus, whatever shortcuts the screen has or a popup
// of the field took.
class HelpKey : public QObject {
public:
    using QObject::QObject;

    static void install()
    {
        static QPointer<HelpKey> installed;
        if (installed || !QCoreApplication::instance())
            return;
        installed = new HelpKey(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(installed);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        if (m_showing)
            return true;
        auto* widget = static_cast<QWidget*>(watched);
        const QString topic = helpTopicFor(widget);
        if (topic.isEmpty())
            return false;
        m_showing = true;
        help::show(widget->window(), topic);
        m_showing = false;
        return true;
    }

private:
    bool m_showing = false; // the help's own window asks for no help
};

} // namespace

void setHelpTopic(QWidget* screen, const QString& topic)
{
    HelpKey::install();
    const bool first = !screen->property(HelpTopicProperty).isValid();
    screen->setProperty(HelpTopicProperty, topic);
    if (!first)
        return;
    const QString keyText = QKeySequence(Qt::Key_F1).toString(QKeySequence::NativeText);
    for (const QString& name : { u"cmdGuida"_s, u"imgGuida"_s }) {
        auto* command = screen->findChild<QAbstractButton*>(name);
        if (!command)
            continue;
        QObject::connect(command, &QAbstractButton::clicked, screen,
            [screen] { help::show(screen, screen->property(HelpTopicProperty).toString()); });
        QString tip = command->toolTip();
        if (tip.isEmpty()) {
            tip = command->text();
            tip.remove(u'&');
        }
        command->setToolTip(tip.isEmpty() ? keyText : tip + u" ("_s + keyText + u')');
    }
}

void setDefaultHelpTopic(const QString& topic)
{
    HelpKey::install();
    defaultHelpTopic = topic;
}

QString helpTopicFor(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant topic = w->property(HelpTopicProperty);
        if (topic.isValid())
            return topic.toString();
    }
    return defaultHelpTopic;
}

namespace {

int itemIndex(const QComboBox* box, const QString& text)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool beginsAnItem(const QComboBox* box, const QString& text)
{
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

bool listKey(QComboBox* box, const QKeyEvent* key)
{
    if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) && !(key->modifiers() & Qt::AltModifier)) {
        if (box->count() == 0)
            return true;
        const int at = itemIndex(box, listItemFor(box, box->currentText().trimmed()));
        const int next = key->key() == Qt::Key_Down ? (at < 0 ? 0 : std::min(at + 1, box->count() - 1))
                                                    : (at < 0 ? box->count() - 1 : std::max(at - 1, 0));
        box->setCurrentIndex(next);
        box->setEditText(box->itemText(next));
        if (QLineEdit* edit = box->lineEdit())
            edit->selectAll();
        return true;
    }
    if (!isTypedCharacter(key))
        return false;
    QLineEdit* edit = box->lineEdit();
    if (!edit)
        return true;
    QString text = edit->text();
    const int from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    text.replace(from, edit->hasSelectedText() ? edit->selectedText().size() : 0, key->text());
    const auto fits = [box, edit](const QString& t) {
        return (edit->maxLength() <= 0 || t.size() <= edit->maxLength())
            && (beginsAnItem(box, t) || (t.size() == 1 && beginsAnItem(box, u'0' + t)));
    };
    if (fits(text))
        edit->insert(key->text());
    else if (itemIndex(box, edit->text()) >= 0 && fits(key->text())) // typing after a whole value starts anew
        edit->setText(key->text());
    return true;
}

QString listItemFor(const QComboBox* box, const QString& text)
{
    if (text.isEmpty())
        return text;
    if (const int at = itemIndex(box, text); at >= 0)
        return box->itemText(at);
    int only = -1;
    for (int i = 0; i < box->count(); ++i) {
        if (!box->itemText(i).startsWith(text, Qt::CaseInsensitive))
            continue;
        if (only >= 0) {
            only = -2;
            break;
        }
        only = i;
    }
    if (only >= 0)
        return box->itemText(only);
    if (const int at = itemIndex(box, u'0' + text); at >= 0)
        return box->itemText(at);
    return text;
}

} // namespace ui
