#include "support/folders.h"

#include "storage/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

ProgramFolderFixture::ProgramFolderFixture()
{
    programFolder::setOverride(m_dir.path());
}

ProgramFolderFixture::~ProgramFolderFixture()
{
    programFolder::setOverride(QString());
}

namespace {

bool setImmutable(const QString& path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& folder)
    : m_folder(folder)
{
    apply(true);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    apply(false);
}

void ReadOnlyFolder::apply(bool on)
{
    QStringList paths;
    const auto files = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : files)
        paths << QDir(m_folder).filePath(name);
    paths << m_folder;
    bool ok = true;
    for (const QString& p : paths) {
        if (::geteuid() == 0) {
            ok = setImmutable(p, on) && ok;
        } else {
            const bool isDir = QFileInfo(p).isDir();
            const auto perms = on ? (isDir ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner)
                                  : (isDir ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                           : QFile::ReadOwner | QFile::WriteOwner);
            ok = QFile::setPermissions(p, perms) && ok;
        }
    }
    if (on)
        m_ok = ok;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    struct rlimit limit { };
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        qFatal("cannot lower the file-size limit");
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit { };
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_handler);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace testsupport
