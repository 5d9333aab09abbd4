#include "appointments/startup.h"

#include "appointments/archivioscadenze.h"
#include "appointments/cardprint.h"
#include "ui/widgets.h"

#include "ui_startup.h"

TfrmStartup::TfrmStartup(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmStartup)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    connect(ui->btnStampa, &QPushButton::clicked, this, &TfrmStartup::btnStampaClick);
    connect(ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmStartup::~TfrmStartup() = default;

void TfrmStartup::btnStampaClick()
{
    report::Template card = appointments::cardTemplate();
    appointments::fillCard(card, frmArchivio_Scadenze->cardValues());
    report::printer::preview(card, this);
    accept();
}
