#include "sync/autosync.h"

#include "sync/backgroundsync.h"
#include "sync/keyring.h"
#include "sync/syncrun.h"
#include "ui/services.h"

AutoSync::AutoSync(QObject* parent)
    : QObject(parent)
{
    // The settings are read again at every tick, so a change on the settings screen counts at once.
    m_timer.setInterval(60 * 1000);
    connect(&m_timer, &QTimer::timeout, this, &AutoSync::tick);
    m_timer.start();
}

void AutoSync::tick()
{
    const davsync::Settings settings = davsync::Settings::load();
    if (!settings.automatic || settings.server.isEmpty())
        return;
    const QDateTime now = ui::clock::now();
    if (m_last.isValid() && m_last.secsTo(now) < qint64(settings.minutes) * 60)
        return;
    if (BackgroundSync::shared().running())
        return;
    m_last = now;
    // The keyring is asked on this thread, once a session; the sync runs on
    // its own, and its outcome is recorded in the state with its message,
    // which the settings screen shows.
    BackgroundSync::shared().start(settings, davsync::keyring::password(settings), 0);
}
