#include "storage/safefiles.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace safefiles {
namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// The workstation in names and lock files: eight hexadecimal digits of its
// host name, the same in every run.
const QString& hostTag()
{
    static const QString tag = [] {
        quint32 hash = 0x811c9dc5u;
        for (const char c : QSysInfo::machineHostName().toUtf8()) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x01000193u;
        }
        return u"%1"_s.arg(hash, 8, 16, QChar(u'0'));
    }();
    return tag;
}

// Whether a process of this workstation still runs (or may: one that
// belongs to another user answers EPERM).
bool running(qint64 pid)
{
    if (pid <= 0 || pid > 0x7fffffff)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

qint64 ageSeconds(const struct stat& st)
{
    return qint64(std::time(nullptr)) - qint64(st.st_mtime);
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

const QString TemporaryBase = u".quirvale-tmp"_s;

bool allOf(QStringView text, bool hex)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (hex && u >= u'a' && u <= u'f')))
            return false;
    }
    return true;
}

// Whether `fileName` is `baseName` followed by the tail of uniqueName():
// ".HOST.PID.SEQUENCE.RANDOM"; gives the workstation and the process. Read
// by hand: this runs at every opening of an archive.
bool splitUniqueName(QStringView fileName, QStringView baseName, QStringView* host = nullptr, qint64* pid = nullptr)
{
    if (fileName.size() <= baseName.size() + 1 || !fileName.startsWith(baseName) || fileName[baseName.size()] != u'.')
        return false;
    const QList<QStringView> parts = fileName.sliced(baseName.size() + 1).split(u'.');
    if (parts.size() != 4 || parts[0].size() != 8 || !allOf(parts[0], true) || parts[3].size() != 8
        || !allOf(parts[3], true))
        return false;
    for (const QStringView number : { parts[1], parts[2] }) {
        if (number.isEmpty() || number.size() > 10 || !allOf(number, false))
            return false;
    }
    if (host)
        *host = parts[0];
    if (pid)
        *pid = parts[1].toLongLong();
    return true;
}

} // namespace

void prepareProcess()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

int openRegular(const QString& path, int flags, mode_t mode, bool followLink)
{
    if (flags & O_TRUNC) {
        errno = EINVAL;
        return -1;
    }
    const int fd
        = ::open(native(path).constData(), flags | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW), mode);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int saved = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        errno = saved;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

int createNew(const QString& path, mode_t mode)
{
    return openRegular(path, O_RDWR | O_CREAT | O_EXCL, mode);
}

bool readSmall(const QString& path, qint64 limit, QByteArray& bytes)
{
    bytes.clear();
    const int fd = openRegular(path, O_RDONLY, 0, true);
    if (fd < 0)
        return false;
    QByteArray buffer(qsizetype(std::min<qint64>(limit + 1, 1 << 16)), Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buffer.constData(), n);
        if (bytes.size() > limit) {
            errno = EFBIG;
            ok = false;
            break;
        }
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    if (!ok)
        bytes.clear();
    return ok;
}

QString uniqueName(const QString& base)
{
    static std::atomic<quint32> sequence { 0 };
    return u"%1.%2.%3.%4.%5"_s.arg(base, hostTag())
        .arg(qint64(::getpid()))
        .arg(++sequence)
        .arg(QRandomGenerator::system()->generate(), 8, 16, QChar(u'0'));
}

bool isUniqueNameOf(const QString& fileName, const QString& baseName)
{
    return splitUniqueName(fileName, baseName);
}

QString temporaryName(const QString& folder)
{
    QString f = folder;
    if (!f.endsWith(u'/'))
        f += u'/';
    return uniqueName(f + TemporaryBase);
}

bool writeAll(int fd, const char* bytes, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

void syncFolder(const QString& path)
{
    const int saved = errno;
    const int fd = ::open(native(folderOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    errno = saved;
}

// Replacement ---------------------------------------------------------------

Replacement::Replacement(QString target)
    : m_target(std::move(target))
{
}

Replacement::~Replacement()
{
    cancel();
}

bool Replacement::open()
{
    cancel();
    m_temporary = temporaryName(folderOf(m_target));
    m_fd = createNew(m_temporary, 0666);
    if (m_fd < 0) {
        m_temporary.clear();
        return false;
    }
    struct stat st { };
    if (::lstat(native(m_target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(m_fd, st.st_mode & 07777);
    return true;
}

bool Replacement::commit()
{
    if (m_fd < 0)
        return false;
    bool ok = ::fsync(m_fd) == 0;
    int saved = errno;
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    if (ok && ::rename(native(m_temporary).constData(), native(m_target).constData()) == 0) {
        m_temporary.clear();
        syncFolder(m_target);
        return true;
    }
    saved = errno;
    cancel();
    errno = saved;
    return false;
}

void Replacement::cancel()
{
    const int saved = errno;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(native(m_temporary).constData());
        m_temporary.clear();
    }
    errno = saved;
}

// LockFile ------------------------------------------------------------------

LockFile::~LockFile()
{
    release();
}

bool LockFile::isStale(const QString& path)
{
    struct stat st { };
    if (::lstat(native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (ageSeconds(st) > StaleSeconds)
        return true;
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0)
        return false;
    char buffer[128];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return false;
    const QList<QByteArray> words = QByteArray(buffer, n).split(' ');
    if (words.size() < 2 || QString::fromLatin1(words[0]) != hostTag())
        return false;
    bool number = false;
    const qint64 pid = words[1].toLongLong(&number);
    return number && !running(pid);
}

LockFile::Result LockFile::acquire(const QString& path, int timeoutMs)
{
    release();
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray name = native(path);
    const QByteArray owner = hostTag().toLatin1() + ' ' + QByteArray::number(qint64(::getpid())) + ' '
        + QSysInfo::machineHostName().toUtf8() + '\n';
    for (;;) {
        // The lock file appears with its owner already written (a link to a
        // whole file), so one cut short never stands empty, with no owner to
        // judge; where links are refused it is made and then written.
        int fd = -1;
        const QString whole = temporaryName(folderOf(path));
        if (const int wholeFd = createNew(whole, 0644); wholeFd >= 0) {
            if (writeAll(wholeFd, owner.constData(), owner.size())
                && ::link(native(whole).constData(), name.constData()) == 0)
                fd = wholeFd;
            const int error = errno;
            if (fd < 0)
                ::close(wholeFd);
            ::unlink(native(whole).constData());
            errno = error;
        }
        if (fd < 0 && errno != EEXIST) {
            fd = createNew(path, 0644);
            if (fd >= 0)
                writeAll(fd, owner.constData(), owner.size()); // the name alone is the lock
        }
        if (fd >= 0) {
            m_fd = fd;
            m_path = path;
            m_refreshed = QDateTime::currentSecsSinceEpoch();
            return Result::Taken;
        }
        if (errno != EEXIST)
            return Result::Failed;
        struct stat judged { };
        if (::lstat(name.constData(), &judged) != 0) {
            if (errno == ENOENT)
                continue; // released in between
            return Result::Failed;
        }
        if (!S_ISREG(judged.st_mode)) {
            errno = EINVAL;
            return Result::Failed;
        }
        if (isStale(path)) {
            // Moved aside under a name of our own, so that of two programs
            // taking over at once only one removes it; a lock that turns out
            // to be a fresh one goes back in place.
            const QString aside = temporaryName(folderOf(path));
            const QByteArray asideName = native(aside);
            if (::rename(name.constData(), asideName.constData()) == 0) {
                struct stat moved { };
                if (::lstat(asideName.constData(), &moved) == 0
                    && (moved.st_ino != judged.st_ino || moved.st_dev != judged.st_dev))
                    ::link(asideName.constData(), name.constData());
                ::unlink(asideName.constData());
                continue;
            }
        }
        if (deadline.hasExpired()) {
            errno = EWOULDBLOCK;
            return Result::Busy;
        }
        QThread::msleep(5 + QRandomGenerator::global()->bounded(20));
    }
}

void LockFile::refresh()
{
    if (m_fd < 0)
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now - m_refreshed < 10)
        return;
    m_refreshed = now;
    ::futimens(m_fd, nullptr);
}

void LockFile::release()
{
    if (m_fd < 0)
        return;
    const int saved = errno;
    // Only our own lock file: one taken over as stale meanwhile stays.
    struct stat mine {
    }, there {};
    if (::fstat(m_fd, &mine) == 0 && ::lstat(native(m_path).constData(), &there) == 0 && mine.st_ino == there.st_ino
        && mine.st_dev == there.st_dev)
        ::unlink(native(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
    errno = saved;
}

// Leftovers -----------------------------------------------------------------

QString errorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return u"spazio esaurito sul disco"_s;
    case EROFS:
        return u"il disco è protetto da scrittura"_s;
    case EACCES:
    case EPERM:
        return u"permesso negato: controllare i diritti sulla cartella"_s;
    case ENOENT:
        return u"file o cartella inesistente"_s;
    case ENOTDIR:
        return u"il percorso non porta a una cartella"_s;
    case EISDIR:
        return u"il percorso porta a una cartella, non a un file"_s;
    case EIO:
        return u"errore di lettura o scrittura sul disco (un disco rimosso o guasto?)"_s;
    case ENODEV:
    case ENXIO:
    case ESTALE:
        return u"il disco o la cartella di rete non è più collegato"_s;
    case EFBIG:
        return u"file troppo grande per il disco"_s;
    case ENAMETOOLONG:
        return u"nome di file troppo lungo"_s;
    case EMFILE:
    case ENFILE:
        return u"troppi file aperti"_s;
    case 0:
        return u"errore sconosciuto"_s;
    default:
        return u"errore di sistema n. %1"_s.arg(error);
    }
}

namespace {

// The temporary copies of earlier versions of the program.
const QRegularExpression& earlierCopy()
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(u"\\.quirvale-copia-[A-Za-z0-9]{6}"_s));
    return pattern;
}

} // namespace

bool isTemporaryName(const QString& fileName)
{
    return fileName.startsWith(TemporaryBase + u'.') || earlierCopy().match(fileName).hasMatch();
}

int cleanLeftovers(const QString& folder, qint64 maxAgeSeconds)
{
    // Earlier versions: the attachments copy and the password change.
    static const QRegularExpression earlierStore(
        QRegularExpression::anchoredPattern(u"unins000\\.dll\\.[0-9]+-[0-9]+(\\.[A-Za-z0-9]{6}|\\.lock)?"_s));
    int removed = 0;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        bool ours = false;
        bool ownerGone = false;
        QStringView host;
        qint64 pid = 0;
        if (splitUniqueName(name, TemporaryBase, &host, &pid)) {
            ours = true;
            ownerGone = host == hostTag() && !running(pid);
        } else {
            ours = earlierCopy().match(name).hasMatch() || earlierStore.match(name).hasMatch();
        }
        if (!ours)
            continue;
        const QByteArray path = native(it.filePath());
        struct stat st { };
        if (::lstat(path.constData(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            continue;
        if ((ownerGone || ageSeconds(st) > maxAgeSeconds) && ::unlink(path.constData()) == 0)
            ++removed;
    }
    if (removed > 0)
        syncFolder(folder + u"/x"_s);
    return removed;
}

} // namespace safefiles
