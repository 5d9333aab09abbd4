#include "ui/notifications.h"

#include "storage/programfolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace ui::notifications {

namespace {

Handler handler;

// The desktop's notification service: Notify with the default action, and
// ActionInvoked and NotificationClosed heard back for the notifications of
// this run.
class DesktopService : public QObject {
    Q_OBJECT
public:
    DesktopService()
        : QObject(qApp)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        const QString service = QString::fromLatin1(Service), path = QString::fromLatin1(Path);
        bus.connect(service, path, service, u"ActionInvoked"_s, this, SLOT(actionInvoked(uint, QString)));
        bus.connect(service, path, service, u"NotificationClosed"_s, this, SLOT(closed(uint, uint)));
    }

    void show(const QString& title, const QString& body, std::function<void()> clicked)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        const QString service = QString::fromLatin1(Service);
        QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(Path), service, u"Notify"_s);
        const QString icon = programFolder::file(u"quirvale.svg"_s);
        QVariantMap hints;
        hints.insert(u"desktop-entry"_s, u"quirvale"_s);
        hints.insert(u"category"_s, u"x-quirvale.reminder"_s);
        hints.insert(u"urgency"_s, QVariant::fromValue(uchar(1)));
        // The body may carry markup on some services: the texts are escaped.
        call << u"Quirvale 5.0"_s << uint(0)
             << (QFileInfo::exists(icon) ? QUrl::fromLocalFile(icon).toString() : u"appointment-soon"_s) << title
             << body.toHtmlEscaped() << QStringList { u"default"_s, u"Apri"_s } << hints << int(-1);
        // The answer comes later: a slow or missing service never holds the screens.
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, clicked = std::move(clicked)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (!reply.isError())
                    m_clicked.insert(reply.value(), clicked);
                w->deleteLater();
            });
    }

private slots:
    void actionInvoked(uint id, const QString& action)
    {
        if (action != u"default"_s)
            return;
        const auto clicked = m_clicked.take(id);
        if (clicked)
            clicked();
    }
    void closed(uint id, uint) { m_clicked.remove(id); }

private:
    QHash<uint, std::function<void()>> m_clicked;
};

DesktopService& desktopService()
{
    static QPointer<DesktopService> service;
    if (!service)
        service = new DesktopService;
    return *service;
}

} // namespace

void show(const QString& title, const QString& body, std::function<void()> clicked)
{
    if (handler)
        handler(title, body, std::move(clicked));
    else
        desktopService().show(title, body, std::move(clicked));
}

void setHandler(Handler h)
{
    handler = std::move(h);
}

} // namespace ui::notifications

#include "notifications.moc"
