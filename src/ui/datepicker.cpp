#include "ui/datepicker.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_datepicker.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ui {

namespace {

class PickedDateKeys : public QObject {
public:
    PickedDateKeys(QLineEdit* field, std::function<void()> pick)
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
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            m_field->clear();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
            return false;
        default:
            m_pick();
            return true;
        }
    }

private:
    QLineEdit* m_field;
    std::function<void()> m_pick;
};

} // namespace

void setPickedDateField(QLineEdit* field, std::function<void()> pick)
{
    field->installEventFilter(new PickedDateKeys(field, std::move(pick)));
}

DatePicker::DatePicker(QLineEdit* target, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::DatePicker)
    , m_target(target)
{
    m_ui->setupUi(this);
    applyIcons(this);
    setFixedSize(size());
    m_ui->calAppuntamenti->setSelectedDate(clock::today());
    m_ui->calAppuntamenti->setFirstDayOfWeek(Qt::Monday);
    connect(m_ui->btnImportaData, &QPushButton::clicked, this, &DatePicker::btnImportaDataClick);
    connect(m_ui->calAppuntamenti, &QCalendarWidget::activated, this, &DatePicker::btnImportaDataClick);
    connect(m_ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

DatePicker::~DatePicker() = default;

void DatePicker::btnImportaDataClick()
{
    if (!m_target)
        return;
    m_target->setText(texts::formatDate(m_ui->calAppuntamenti->selectedDate()));
    accept();
}

} // namespace ui
