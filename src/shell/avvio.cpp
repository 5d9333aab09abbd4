#include "shell/avvio.h"

#include "appointments/agenda.h"
#include "contacts/clienti.h"
#include "documents/altri.h"
#include "shell/help.h"
#include "shell/info.h"
#include "shell/misc.h"
#include "shell/splash.h"
#include "summaries/menuriepcosti.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_avvio.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

TfrmAvvio* frmAvvio = nullptr;

const QString TfrmAvvio::WebSite = u"https://www.quirvale.example/"_s;

TfrmAvvio::TfrmAvvio(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::TfrmAvvio)
{
    ui->setupUi(this);
    ui::applyIcons(this);
    setMinimumSize(size());
    const auto area = [this](QToolButton* picture, QToolButton* button, auto screen) {
        connect(picture, &QToolButton::clicked, this, [this, screen] { openArea(*screen); });
        connect(button, &QToolButton::clicked, this, [this, screen] { openArea(*screen); });
    };
    area(ui->imgApp01, ui->btnApp01, &frmClienti);
    area(ui->imgApp02, ui->btnApp02, &frmAgenda);
    area(ui->imgApp03, ui->btnApp03, &frmMenuRiepCosti);
    area(ui->imgApp04, ui->btnApp04, &frmAltri);
    connect(ui->imgGuida, &QToolButton::clicked, this, [this] { help::show(this, u"Uno sguardo ad Quirvale 5.0."_s); });
    connect(ui->imgInfo, &QToolButton::clicked, this, [this] {
        TfrmInfo info(this);
        info.exec();
    });
    connect(ui->imgCopyright, &QToolButton::clicked, this, [this] {
        TfrmSplash splash(this);
        splash.exec();
    });
    connect(ui->icoSito, &QToolButton::clicked, this, [] { TMisc::shellOpen(WebSite); });
    connect(ui->imgEsci, &QToolButton::clicked, this, [] { ui::run::end(); });
}

TfrmAvvio::~TfrmAvvio() = default;

void TfrmAvvio::openArea(QWidget* area)
{
    area->show();
    area->activateWindow();
    hide();
}

void TfrmAvvio::closeEvent(QCloseEvent* event)
{
    event->accept();
    ui::run::end();
}
