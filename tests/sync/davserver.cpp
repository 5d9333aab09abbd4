#include "sync/davserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
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

// The servers sync every item to the disk, several times: in memory when
// the machine offers it, the tests do not wait for the disk.
QString storageTemplate()
{
    return QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm/quirvale-davserver-XXXXXX"_s : QString();
}

} // namespace

DavServer::DavServer(Software software, const QStringList& users)
    : m_software(software)
    , m_firstUser(users.value(0).section(u':', 0, 0))
    , m_dir(storageTemplate())
    , m_port(freePort())
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    if (m_software == Software::Xandikos) {
        // It logs every request, and the trace of every failure it answers with a 500.
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        return;
    }
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
}

DavServer::~DavServer()
{
    stop();
}

bool DavServer::start()
{
    if (running())
        return true;
    // Debian's own programs, with Debian's Python.
    if (m_software == Software::Radicale)
        m_process.start(u"/usr/bin/python3"_s, { u"-m"_s, u"radicale"_s, u"--config"_s, m_dir.filePath(u"config"_s) });
    else
        m_process.start(u"/usr/bin/xandikos"_s,
            { u"-d"_s, m_dir.filePath(u"xandikos"_s), u"--defaults"_s, u"--current-user-principal"_s,
                u"/%1/"_s.arg(m_firstUser), u"-l"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(m_port) });
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

void DavServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QUrl DavServer::url() const
{
    return QUrl(u"http://127.0.0.1:%1/"_s.arg(m_port));
}

QString DavServer::calendarPath(const QString& user) const
{
    return m_software == Software::Radicale ? u"/%1/agenda"_s.arg(user) : u"/%1/calendars/calendar"_s.arg(user);
}

QString DavServer::addressBookPath(const QString& user) const
{
    return m_software == Software::Radicale ? u"/%1/rubrica"_s.arg(user) : u"/%1/contacts/addressbook"_s.arg(user);
}

QString DavServer::calendar(const QString& user) const
{
    return url().resolved(QUrl(calendarPath(user) + u'/')).toString();
}

QString DavServer::addressBook(const QString& user) const
{
    return url().resolved(QUrl(addressBookPath(user) + u'/')).toString();
}

QStringList DavServer::storedItems(const QString& collectionPath) const
{
    const QString root = m_software == Software::Radicale ? u"collections/collection-root"_s : u"xandikos"_s;
    QDir dir(m_dir.filePath(root + collectionPath));
    // Xandikos keeps its collections as git working trees: the files are the items.
    return dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
}

QStringList DavServer::storedEvents() const
{
    return storedItems(calendarPath(m_firstUser));
}

QStringList DavServer::storedCards() const
{
    return storedItems(addressBookPath(m_firstUser));
}

void DavServer::removeCache()
{
    QDirIterator it(m_dir.filePath(u"collections"_s), { u".Radicale.cache"_s }, QDir::Dirs | QDir::Hidden,
        QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext())
        found.append(it.next());
    for (const QString& cache : found)
        QDir(cache).removeRecursively();
}

} // namespace testsupport
