#include "shell/info.h"

#include "shell/misc.h"
#include "ui/widgets.h"

#include "ui_info.h"

using namespace Qt::Literals::StringLiterals;

const QString TfrmInfo::SupportMail = u"assistenza@quirvale.example"_s;

TfrmInfo::TfrmInfo(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmInfo)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    const auto mail = [this] {
        ui->lnkWeb->setStyleSheet(u"color: #00008b;"_s);
        TMisc::shellOpen(u"\"mailto:"_s + SupportMail + u"?subject=Software Quirvale 5.0&body="_s
                         + u"Salve, desidererei avere le seguenti informazioni sul software in oggetto:\""_s);
    };
    connect(ui->lnkWeb, &ui::LinkLabel::clicked, this, mail);
    connect(ui->imgEmail, &ui::LinkLabel::clicked, this, mail);
    connect(ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

TfrmInfo::~TfrmInfo() = default;
