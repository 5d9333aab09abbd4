#include "sync/radicale.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace testsupport {

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        qFatal("no free port");
    return probe.serverPort();
}

// Radicale syncs every item to the disk, several times: in memory when the
// machine offers it, the tests do not wait for the disk.
QString storageTemplate()
{
    return QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm/quirvale-radicale-XXXXXX"_s : QString();
}

} // namespace

RadicaleServer::RadicaleServer(const QStringList& users)
    : m_dir(storageTemplate())
    , m_port(freePort())
{
    QByteArray htpasswd;
    for (const QString& user : users) {
        htpasswd += user.toUtf8() + '\n';
        const QString name = user.section(u':', 0, 0);
        const QString root = m_dir.filePath(u"collections/collection-root/"_s + name);
        write(root + u"/agenda/.Radicale.props"_s, R"({"tag": "VCALENDAR", "D:displayname": "Agenda"})");
        write(root + u"/rubrica/.Radicale.props"_s, R"({"tag": "VADDRESSBOOK", "D:displayname": "Rubrica"})");
    }
    write(m_dir.filePath(u"users"_s), htpasswd);
    write(m_dir.filePath(u"config"_s),
        u"[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
        u"htpasswd_encryption = plain\ndelay = 0\n[storage]\nfilesystem_folder = %3\n[rights]\ntype = owner_only\n"
        u"[logging]\nlevel = warning\n"_s.arg(m_port)
            .arg(m_dir.filePath(u"users"_s), m_dir.filePath(u"collections"_s))
            .toUtf8());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

RadicaleServer::~RadicaleServer()
{
    stop();
}

bool RadicaleServer::start()
{
    if (running())
        return true;
    // Debian's own Python, where the radicale module lives.
    m_process.start(u"/usr/bin/python3"_s, { u"-m"_s, u"radicale"_s, u"--config"_s, m_dir.filePath(u"config"_s) });
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && running()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    return false;
}

void RadicaleServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QUrl RadicaleServer::url() const
{
    return QUrl(u"http://127.0.0.1:%1/"_s.arg(m_port));
}

QString RadicaleServer::calendar(const QString& user) const
{
    return url().resolved(QUrl(u"/%1/agenda/"_s.arg(user))).toString();
}

QString RadicaleServer::addressBook(const QString& user) const
{
    return url().resolved(QUrl(u"/%1/rubrica/"_s.arg(user))).toString();
}

QStringList RadicaleServer::storedItems(const QString& collectionPath) const
{
    QDir dir(m_dir.filePath(u"collections/collection-root"_s + collectionPath));
    return dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
}

} // namespace testsupport
