#include "shell/guida.h"

#include "shell/help.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_guida.h"

TfrmGuida::TfrmGuida(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmGuida)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    connect(ui->lnkWeb, &ui::LinkLabel::clicked, this, [] { help::openManual(); });
    connect(ui->imgPDF, &ui::LinkLabel::clicked, this, [] { help::openManual(); });
    connect(ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

TfrmGuida::~TfrmGuida() = default;

void TfrmGuida::showTopic(const QString& title, const QString& text)
{
    ui->lblTitolo->setText(title);
    ui->txtGuida->setPlainText(ui::messages::displayText(text));
}
