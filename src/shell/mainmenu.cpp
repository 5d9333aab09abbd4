#include "shell/mainmenu.h"

#include "backup/toolsscreen.h"
#include "shell/help.h"
#include "shell/infoscreen.h"
#include "shell/splashscreen.h"
#include "sync/syncscreen.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_mainmenu.h"

#include <QCloseEvent>

using namespace Qt::Literals::StringLiterals;

const QString MainMenu::WebSite = u"https://www.quirvale.example/"_s;

MainMenu::MainMenu(const Areas& areas, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(new Ui::MainMenu)
{
    m_ui->setupUi(this);
    ui::applyIcons(this);
    ui::fitToScreen(this);
    const auto area = [this](QToolButton* picture, QToolButton* button, ui::AreaScreen* screen) {
        connect(picture, &QToolButton::clicked, this, [this, screen] { openArea(screen); });
        connect(button, &QToolButton::clicked, this, [this, screen] { openArea(screen); });
    };
    area(m_ui->imgApp01, m_ui->btnApp01, areas.contacts);
    area(m_ui->imgApp02, m_ui->btnApp02, areas.agenda);
    area(m_ui->imgApp03, m_ui->btnApp03, areas.summaries);
    area(m_ui->imgApp04, m_ui->btnApp04, areas.documents);
    ui::setHelpTopic(this, u"Uno sguardo ad Quirvale 5.0."_s);
    connect(m_ui->imgInfo, &QToolButton::clicked, this, [this] {
        InfoScreen info(this);
        info.exec();
    });
    connect(m_ui->imgCopyright, &QToolButton::clicked, this, [this] {
        SplashScreen splash(this);
        splash.exec();
    });
    connect(m_ui->icoSito, &QToolButton::clicked, this, [] { ui::desktop::open(WebSite); });
    connect(m_ui->imgStrumenti, &QToolButton::clicked, this, [this] {
        ToolsScreen tools(this);
        tools.exec();
    });
    connect(m_ui->imgImpostazioni, &QToolButton::clicked, this, [this] {
        if (m_settings)
            m_settings(this);
    });
    connect(m_ui->icoSincronizza, &QToolButton::clicked, this, [this] {
        SyncScreen sync(this);
        sync.exec();
        if (const auto chosen = sync.recordToOpen(); chosen && m_openRecord)
            m_openRecord(chosen->first == davsync::Kind::Appointments, chosen->second);
    });
    connect(m_ui->imgEsci, &QToolButton::clicked, this, [] { ui::run::end(); });
}

MainMenu::~MainMenu() = default;

void MainMenu::openArea(ui::AreaScreen* area)
{
    area->open();
    hide();
}

void MainMenu::closeEvent(QCloseEvent* event)
{
    event->accept();
    ui::run::end();
}
