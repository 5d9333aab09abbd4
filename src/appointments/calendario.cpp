#include "appointments/calendario.h"

#include "storage/texts.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_calendario.h"

#include <QHash>
#include <QLineEdit>
#include <QPointer>

namespace {
QHash<QString, QPointer<QLineEdit>>& targets()
{
    static QHash<QString, QPointer<QLineEdit>> all;
    return all;
}
} // namespace

TfrmCalendario::TfrmCalendario(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmCalendario)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    ui->calAppuntamenti->setSelectedDate(ui::clock::today());
    ui->calAppuntamenti->setFirstDayOfWeek(Qt::Monday);
    connect(ui->btnImportaData, &QPushButton::clicked, this, &TfrmCalendario::btnImportaDataClick);
    connect(ui->calAppuntamenti, &QCalendarWidget::activated, this, &TfrmCalendario::btnImportaDataClick);
    connect(ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmCalendario::~TfrmCalendario() = default;

void TfrmCalendario::setTag(const QString& tag) { ui->lblMemory->setText(tag); }

void TfrmCalendario::setTarget(const QString& tag, QLineEdit* field)
{
    if (field)
        targets().insert(tag, field);
    else
        targets().remove(tag);
}

void TfrmCalendario::btnImportaDataClick()
{
    QLineEdit* field = targets().value(ui->lblMemory->text());
    if (!field)
        return; // no field of that name: the picker stays open
    field->setText(texts::formatDate(ui->calAppuntamenti->selectedDate()));
    accept();
}
