#include "shell/splashscreen.h"

#include "shell/mainmenu.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_splashscreen.h"

using namespace Qt::Literals::StringLiterals;

SplashScreen::SplashScreen(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::SplashScreen)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    setFixedSize(size());
    const auto site = [this] {
        m_ui->lnkWeb->setStyleSheet(u"color: #00008b;"_s);
        ui::desktop::open(MainMenu::WebSite);
    };
    connect(m_ui->lnkWeb, &ui::LinkLabel::clicked, this, site);
    connect(m_ui->imgWeb, &ui::LinkLabel::clicked, this, site);
    connect(m_ui->btnChiudi, &QPushButton::clicked, this, &QDialog::close);
}

SplashScreen::~SplashScreen() = default;
