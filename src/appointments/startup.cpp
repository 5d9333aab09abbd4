#include "appointments/startup.h"

#include "ui_startup.h"

TfrmStartup::TfrmStartup(QWidget* parent)
    : CardPrintScreen(Output::Preview, parent)
    , ui(new Ui::TfrmStartup)
{
    ui->setupUi(this);
    setUpButtons(ui->btnStampa, ui->btnAnnulla);
}

TfrmStartup::~TfrmStartup() = default;
