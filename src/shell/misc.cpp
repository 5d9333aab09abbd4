#include "shell/misc.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
std::function<void(const QString&)> handler;
}

void TMisc::shellOpen(const QString& target)
{
    if (handler) {
        handler(target);
        return;
    }
    QString text = target;
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        text = text.mid(1, text.size() - 2);
    QUrl url;
    if (text.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
        url = QUrl(text, QUrl::TolerantMode);
    else if (text.contains(QStringLiteral("://")))
        url = QUrl(text);
    else
        url = QUrl::fromLocalFile(text);
    QDesktopServices::openUrl(url);
}

void TMisc::setHandler(std::function<void(const QString&)> h) { handler = std::move(h); }
