#include "sync/secondclient.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace testsupport {

namespace {

QList<QByteArray> itemsIn(const QString& folder)
{
    QList<QByteArray> items;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            items.append(file.readAll());
    }
    return items;
}

// The unfolded value of the first line named `name`.
QString valueOf(const QByteArray& item, const QByteArray& name)
{
    QByteArray unfolded = item;
    unfolded.replace("\r\n ", "").replace("\n ", "");
    for (QByteArray line : unfolded.split('\n')) {
        line = line.trimmed();
        if (line.startsWith(QByteArray(name + ':')) || line.startsWith(QByteArray(name + ';')))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1));
    }
    return {};
}

} // namespace

SecondClient::SecondClient(const DavServer& server, const QString& user, const QString& password)
{
    const QString root = m_dir.path();
    QDir(root).mkpath(u"agenda"_s);
    QDir(root).mkpath(u"rubrica"_s);
    QDir(root).mkpath(u"stato"_s);
    const auto pair = [&](const QString& name, const QString& type, const QString& url, const QString& ext) {
        return uR"(
[pair %1]
a = "%1_locale"
b = "%1_server"
collections = null
conflict_resolution = "b wins"

[storage %1_locale]
type = "filesystem"
path = "%2/%1/"
fileext = "%3"

[storage %1_server]
type = "%4"
url = "%5"
username = "%6"
password = "%7"
)"_s.arg(name, root, ext, type, url, user, password);
    };
    QFile config(m_dir.filePath(u"config"_s));
    if (config.open(QIODevice::WriteOnly))
        config.write((u"[general]\nstatus_path = \"%1/stato/\"\n"_s.arg(root)
            + pair(u"agenda"_s, u"caldav"_s, server.calendar(user), u".ics"_s)
            + pair(u"rubrica"_s, u"carddav"_s, server.addressBook(user), u".vcf"_s))
                         .toUtf8());
}

bool SecondClient::sync(QString* output)
{
    const auto run = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(u"vdirsyncer"_s, QStringList { u"-c"_s, m_dir.filePath(u"config"_s) } + arguments);
        process.closeWriteChannel();
        const bool ok
            = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (output)
            *output += QString::fromUtf8(process.readAll());
        return ok;
    };
    if (!m_discovered) {
        if (!run({ u"discover"_s }))
            return false;
        m_discovered = true;
    }
    return run({ u"sync"_s });
}

QString SecondClient::folder(bool calendar) const
{
    return m_dir.filePath(calendar ? u"agenda"_s : u"rubrica"_s);
}

QList<QByteArray> SecondClient::events() const
{
    return itemsIn(folder(true));
}

QList<QByteArray> SecondClient::cards() const
{
    return itemsIn(folder(false));
}

QStringList SecondClient::duplicates() const
{
    QHash<QString, int> seen;
    for (const QByteArray& item : events()) {
        ++seen[u"SUMMARY "_s + valueOf(item, "SUMMARY")];
        ++seen[u"UID "_s + valueOf(item, "UID")];
    }
    for (const QByteArray& item : cards()) {
        ++seen[u"FN "_s + valueOf(item, "FN")];
        ++seen[u"UID "_s + valueOf(item, "UID")];
    }
    QStringList twice;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        if (*it > 1)
            twice.append(it.key());
    twice.sort();
    return twice;
}

void SecondClient::put(bool calendar, const QString& name, const QByteArray& text)
{
    QFile file(QDir(folder(calendar)).filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

} // namespace testsupport
