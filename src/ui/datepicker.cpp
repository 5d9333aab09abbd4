#include "ui/datepicker.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_datepicker.h"

#include <QKeyEvent>
#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

namespace ui {

namespace {

class PickedDateKeys : public QObject {
public:
    PickedDateKeys(QLineEdit* field, std::function<void(const QString&)> pick)
        : QObject(field)
        , m_field(field)
        , m_pick(std::move(pick))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35)
            return false;
        switch (key->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            m_field->clear();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            return false;
        default: {
            // What the key types, when it types a part of a date.
            QString typed;
            for (const QChar c : key->text())
                if (c.isDigit() || c == u'/')
                    typed += c;
            m_pick(typed);
            return true;
        }
        }
    }

private:
    QLineEdit* m_field;
    std::function<void(const QString&)> m_pick;
};

} // namespace

void setPickedDateField(QLineEdit* field, std::function<void(const QString&)> pick)
{
    field->installEventFilter(new PickedDateKeys(field, std::move(pick)));
}

DatePicker::DatePicker(QLineEdit* target, QWidget* parent, const QString& typed)
    : QDialog(parent)
    , m_ui(new Ui::DatePicker)
    , m_target(target)
{
    m_ui->setupUi(this);
    applyIcons(this);
    setFixedSize(size());
    auto* calendar = m_ui->calAppuntamenti;
    // Typing goes into the date field above, never into the calendar's own
    // editor, which takes any year and a date left half typed.
    calendar->setDateEditEnabled(false);
    calendar->setDateRange(QDate(FirstYear, 1, 1), QDate(LastYear, 12, 31));
    calendar->setSelectedDate(clock::today());
    calendar->setFirstDayOfWeek(Qt::Monday);
    connect(m_ui->btnImportaData, &QPushButton::clicked, this, &DatePicker::btnImportaDataClick);
    connect(calendar, &QCalendarWidget::activated, this, &DatePicker::btnImportaDataClick);
    connect(calendar, &QCalendarWidget::selectionChanged, this, &DatePicker::calendarChanged);
    connect(m_ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->txtDataDigitata, &QLineEdit::textEdited, this, &DatePicker::typedChanged);
    m_ui->txtDataDigitata->setText(typed);
    m_ui->txtDataDigitata->installEventFilter(this);
    typedChanged(typed);
    m_ui->txtDataDigitata->setFocus();
}

DatePicker::~DatePicker() = default;

bool DatePicker::eventFilter(QObject* watched, QEvent* event)
{
    // The key that opened the picker stays, and the next ones follow it:
    // the first focus, given as by Tab, would select it for replacing.
    if (watched == m_ui->txtDataDigitata && event->type() == QEvent::FocusIn && !m_focused) {
        m_focused = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_ui->txtDataDigitata->deselect();
                m_ui->txtDataDigitata->end(false);
            },
            Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void DatePicker::typedChanged(const QString& text)
{
    // The calendar follows a date typed whole.
    const std::optional<QDate> date = texts::parseDate(text);
    if (!date || date->year() < FirstYear || date->year() > LastYear)
        return;
    m_following = true;
    m_ui->calAppuntamenti->setSelectedDate(*date);
    m_following = false;
}

void DatePicker::calendarChanged()
{
    // A day chosen in the calendar replaces what was typed.
    if (!m_following)
        m_ui->txtDataDigitata->setText(texts::formatDate(m_ui->calAppuntamenti->selectedDate()));
}

void DatePicker::btnImportaDataClick()
{
    if (!m_target)
        return;
    QDate date = m_ui->calAppuntamenti->selectedDate();
    if (const QString typed = m_ui->txtDataDigitata->text().trimmed(); !typed.isEmpty()) {
        const std::optional<QDate> parsed = texts::parseDate(typed);
        if (!parsed || parsed->year() < FirstYear || parsed->year() > LastYear) {
            messages::warning(u"La data \"%1\" non è valida: scriverla come gg/mm/aaaa, per esempio %2, con "
                              u"un anno tra il %3 e il %4."_s.arg(typed, texts::formatDate(clock::today()))
                                  .arg(FirstYear)
                                  .arg(LastYear));
            m_ui->txtDataDigitata->setFocus();
            m_ui->txtDataDigitata->selectAll();
            return;
        }
        date = *parsed;
    }
    m_target->setText(texts::formatDate(date));
    accept();
}

} // namespace ui
