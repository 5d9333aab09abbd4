#include "reminders/settingsscreen.h"

#include "reminders/desktopreminders.h"
#include "reminders/reminderrules.h"
#include "storage/programfolder.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include "ui_settingsscreen.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

const QString SettingsScreen::SaveFailedMessage
    = u"Impossibile salvare le impostazioni nella cartella del programma."_s;
const QString SettingsScreen::AutostartFailedMessage
    = u"Impossibile modificare l'avvio automatico all'accesso al computer."_s;

SettingsScreen::SettingsScreen(reminders::DesktopReminders* reminders, QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui::SettingsScreen)
    , m_reminders(reminders)
{
    m_ui->setupUi(this);
    ui::setHelpTopic(this, u"Promemoria sul desktop."_s);
    ui::applyIcons(this);
    setFixedSize(size());
    const reminders::Settings& settings = reminders->settings();
    m_ui->chkPromemoria->setChecked(settings.enabled);
    m_ui->txtMinuti->setValue(settings.minutesBefore);
    m_ui->txtMinuti->setEnabled(settings.enabled);
    m_ui->chkAvvioAutomatico->setChecked(reminders::autostart::isOn());
    connect(m_ui->chkPromemoria, &QCheckBox::toggled, m_ui->txtMinuti, &QWidget::setEnabled);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &SettingsScreen::cmdOKClick);
    connect(m_ui->cmdAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

SettingsScreen::~SettingsScreen() = default;

void SettingsScreen::cmdOKClick()
{
    reminders::Settings settings;
    settings.enabled = m_ui->chkPromemoria->isChecked();
    settings.minutesBefore = m_ui->txtMinuti->value();
    if (!m_reminders->apply(settings)) {
        ui::messages::error(SaveFailedMessage);
        return;
    }
    const bool autostart = m_ui->chkAvvioAutomatico->isChecked();
    if (autostart != reminders::autostart::isOn()
        && !reminders::autostart::set(
            autostart, QCoreApplication::applicationFilePath(), programFolder::file(u"quirvale.svg"_s))) {
        ui::messages::error(AutostartFailedMessage);
        return;
    }
    accept();
}
