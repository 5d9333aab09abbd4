#include "appointments/stampascadenza.h"

#include "ui_stampascadenza.h"

TfrmStampaScadenza::TfrmStampaScadenza(QWidget* parent)
    : CardPrintScreen(Output::Printer, parent)
    , ui(new Ui::TfrmStampaScadenza)
{
    ui->setupUi(this);
    setUpButtons(ui->btnStampa, ui->btnAnnulla);
}

TfrmStampaScadenza::~TfrmStampaScadenza() = default;
