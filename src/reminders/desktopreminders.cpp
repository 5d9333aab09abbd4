#include "reminders/desktopreminders.h"

#include "storage/programfolder.h"
#include "ui/notifications.h"
#include "ui/services.h"

#include <QApplication>
#include <QMenu>
#include <QSignalBlocker>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

namespace reminders {

DesktopReminders::DesktopReminders(QObject* parent)
    : QObject(parent)
    , m_settings(Settings::load(programFolder::file(Settings::FileName)))
    , m_watch(new Watch(programFolder::file(programFolder::Appointments), programFolder::file(Ledger::FileName),
          &ui::clock::now, this))
    , m_menu(std::make_unique<QMenu>())
{
    m_watch->setMinutesBefore(m_settings.minutesBefore);
    connect(m_watch, &Watch::remind, this, &DesktopReminders::remind);
    connect(m_watch, &Watch::dueTodayChanged, this, &DesktopReminders::updateToolTip);
    connect(m_watch, &Watch::resumed, this, [this] {
        const QSignalBlocker quiet(m_suspend);
        m_suspend->setChecked(false);
        updateToolTip();
    });

    m_menu->setObjectName(u"mnuPromemoria"_s);
    QAction* agenda = m_menu->addAction(u"Apri agenda"_s, this, [this] { open(0); });
    agenda->setObjectName(u"cmdApriAgenda"_s);
    m_suspend = m_menu->addAction(u"Sospendi promemoria per un'ora"_s);
    m_suspend->setObjectName(u"cmdSospendi"_s);
    m_suspend->setCheckable(true);
    connect(m_suspend, &QAction::toggled, this, &DesktopReminders::suspendForAnHour);
    m_menu->addSeparator();
    QAction* end = m_menu->addAction(u"Esci"_s, this, [this] {
        if (!m_mayEnd || m_mayEnd())
            ui::run::end();
    });
    end->setObjectName(u"cmdEsci"_s);
}

DesktopReminders::~DesktopReminders()
{
    delete m_tray;
}

void DesktopReminders::start()
{
    m_started = true;
    run(m_settings.enabled);
}

bool DesktopReminders::apply(const Settings& settings)
{
    // Settings that could not be kept are not applied either: the next run
    // would not have them.
    if (!settings.save(programFolder::file(Settings::FileName)))
        return false;
    m_settings = settings;
    m_watch->setMinutesBefore(settings.minutesBefore);
    if (m_started)
        run(settings.enabled);
    return true;
}

void DesktopReminders::run(bool on)
{
    if (!on) {
        m_watch->stop();
        delete m_tray;
        m_tray = nullptr;
        return;
    }
    m_watch->start();
    // Made even when no tray is there yet (started at login before the
    // panel): the icon enters the tray as soon as one appears.
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(QIcon(u":/ui/quirvale.svg"_s));
        m_tray->setContextMenu(m_menu.get());
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                open(0);
        });
        m_tray->show();
    }
    updateToolTip();
}

QString DesktopReminders::toolTip() const
{
    const qsizetype due = m_watch->dueToday();
    QString text = u"Quirvale 5.0 - "_s;
    if (due == 0)
        text += u"nessun impegno in scadenza oggi"_s;
    else if (due == 1)
        text += u"1 impegno in scadenza oggi"_s;
    else
        text += u"%1 impegni in scadenza oggi"_s.arg(due);
    if (m_watch->suspendedUntil().isValid())
        text += u"\nPromemoria sospesi fino alle "_s + m_watch->suspendedUntil().toString(u"HH:mm"_s);
    return text;
}

void DesktopReminders::updateToolTip()
{
    if (m_tray)
        m_tray->setToolTip(toolTip());
}

void DesktopReminders::suspendForAnHour(bool suspend)
{
    if (m_suspend->isChecked() != suspend) {
        m_suspend->setChecked(suspend); // runs this again through toggled
        return;
    }
    m_watch->suspendUntil(suspend ? ui::clock::now().addSecs(3600) : QDateTime());
    updateToolTip();
}

void DesktopReminders::remind(const QList<Reminder>& due)
{
    if (due.isEmpty())
        return;
    if (due.size() > MaxSeparate) {
        QStringList titles;
        for (qsizetype i = 0; i < MaxSeparate; ++i)
            titles.append(due[i].texts.title);
        titles.append(u"..."_s);
        ui::notifications::show(u"%1 impegni da ricordare"_s.arg(due.size()), titles.join(u'\n'), [this] { open(0); });
    } else {
        for (const Reminder& r : due)
            ui::notifications::show(r.texts.title, r.texts.body, [this, p = r.position] { open(p); });
    }
    ui::sound::play(programFolder::file(u"Avviso.mp3"_s));
}

void DesktopReminders::open(qint64 position)
{
    if (m_opener)
        m_opener(position);
}

} // namespace reminders
