#include "shell/splash.h"

#include "shell/avvio.h"
#include "shell/misc.h"
#include "ui/widgets.h"

#include "ui_splash.h"

using namespace Qt::Literals::StringLiterals;

TfrmSplash::TfrmSplash(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TfrmSplash)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    const auto site = [this] {
        ui->lnkWeb->setStyleSheet(u"color: #00008b;"_s);
        TMisc::shellOpen(TfrmAvvio::WebSite);
    };
    connect(ui->lnkWeb, &ui::LinkLabel::clicked, this, site);
    connect(ui->imgWeb, &ui::LinkLabel::clicked, this, site);
    connect(ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

TfrmSplash::~TfrmSplash() = default;
