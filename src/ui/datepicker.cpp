#include "ui/datepicker.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_datepicker.h"

#include <QLineEdit>

namespace ui {

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
