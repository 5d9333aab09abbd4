#include "appointments/stampascadenza.h"

#include "appointments/archivioscadenze.h"
#include "appointments/cardprint.h"
#include "ui/widgets.h"

#include "ui_stampascadenza.h"

TfrmStampaScadenza::TfrmStampaScadenza(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmStampaScadenza)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    connect(ui->btnStampa, &QPushButton::clicked, this, &TfrmStampaScadenza::btnStampaClick);
    connect(ui->btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmStampaScadenza::~TfrmStampaScadenza() = default;

void TfrmStampaScadenza::btnStampaClick()
{
    report::Template card = appointments::cardTemplate();
    appointments::fillCard(card, frmArchivio_Scadenze->cardValues());
    report::printer::print(card, this);
    accept();
}
