#include "storage/archivefile.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
int lockTimeoutMs = 5000;
constexpr qint64 ReadAheadBytes = 1 << 20;

int systemLock(int fd, struct flock* lock) { return ::fcntl(fd, F_OFD_SETLK, lock); }
ArchiveFile::LockCall lockCall = systemLock;

// The lock call's answers of a file system that has no byte-range locks at
// all, as opposed to a lock that is taken or a file that cannot be reached.
bool locksUnsupported(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }
} // namespace

AccessFailure::AccessFailure(QString detail)
    : m_detail(std::move(detail))
    , m_what(m_detail.toUtf8())
{
}

QString AccessFailure::message()
{
    return u"Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
           u"Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma."_s;
}

const char* AccessFailure::what() const noexcept { return m_what.constData(); }

ArchiveFile::~ArchiveFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ArchiveFile::setLockTimeoutMs(int ms) { lockTimeoutMs = ms; }

void ArchiveFile::setLockCall(LockCall call) { lockCall = call ? std::move(call) : LockCall(systemLock); }

void ArchiveFile::fail(const char* what) const
{
    throw AccessFailure(u"%1: %2 (%3)"_s.arg(m_path, QString::fromUtf8(what), QString::fromUtf8(std::strerror(errno))));
}

void ArchiveFile::open(const QString& path, int recordSize, Access access)
{
    close();
    m_path = path;
    m_recordSize = recordSize;
    m_index = 0;
    m_bufferRecords = 0;
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fail("open");
    m_fd = fd;

    // An open-file-description lock: released by close, shared between the
    // readers, exclusive for a writer, honoured by other copies of the program
    // on this machine and, over NFS, on others. A file system that refuses
    // locks altogether (a share mounted without them) is used unlocked, as
    // any program would use it.
    struct flock lock {};
    lock.l_type = access == Access::Write ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    const QDeadlineTimer deadline(lockTimeoutMs);
    while (lockCall(m_fd, &lock) != 0) {
        if (locksUnsupported(errno))
            break;
        if ((errno != EAGAIN && errno != EACCES && errno != EINTR) || deadline.hasExpired()) {
            const int saved = errno;
            ::close(m_fd);
            m_fd = -1;
            errno = saved;
            fail("lock");
        }
        QThread::msleep(10);
    }

    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        fail("stat");
    }
    m_count = st.st_size / m_recordSize;
}

qint64 ArchiveFile::recordCount() const { return m_count; }

void ArchiveFile::seek(qint64 index)
{
    if (m_fd < 0)
        throw AccessFailure(u"seek on a closed archive"_s);
    if (index < 0 || index > m_count)
        throw AccessFailure(u"%1: seek to %2 of %3 records"_s.arg(m_path).arg(index).arg(m_count));
    m_index = index;
}

void ArchiveFile::fillBuffer()
{
    const qint64 perChunk = std::max<qint64>(1, ReadAheadBytes / m_recordSize);
    const qint64 records = std::min(perChunk, m_count - m_index);
    m_buffer.resize(records * m_recordSize);
    qint64 done = 0;
    const qint64 want = m_buffer.size();
    while (done < want) {
        const ssize_t n = ::pread(m_fd, m_buffer.data() + done, size_t(want - done), off_t(m_index * m_recordSize + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_bufferRecords = 0;
            if (n == 0)
                errno = EIO;
            fail("read");
        }
        done += n;
    }
    m_bufferFirst = m_index;
    m_bufferRecords = records;
}

const char* ArchiveFile::next()
{
    if (m_fd < 0)
        throw AccessFailure(u"read on a closed archive"_s);
    if (m_index >= m_count)
        throw AccessFailure(u"%1: read past the end (record %2 of %3)"_s.arg(m_path).arg(m_index + 1).arg(m_count));
    if (m_index < m_bufferFirst || m_index >= m_bufferFirst + m_bufferRecords)
        fillBuffer();
    const char* record = m_buffer.constData() + (m_index - m_bufferFirst) * m_recordSize;
    ++m_index;
    return record;
}

void ArchiveFile::read(char* buffer)
{
    std::memcpy(buffer, next(), size_t(m_recordSize));
}

void ArchiveFile::write(const char* buffer)
{
    if (m_fd < 0)
        throw AccessFailure(u"write on a closed archive"_s);
    if (m_index > m_count)
        throw AccessFailure(u"%1: write beyond the end"_s.arg(m_path));
    m_bufferRecords = 0;
    qint64 done = 0;
    while (done < m_recordSize) {
        const ssize_t n = ::pwrite(m_fd, buffer + done, size_t(m_recordSize - done), off_t(m_index * m_recordSize + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            fail("write");
        }
        done += n;
    }
    if (::fdatasync(m_fd) != 0)
        fail("sync");
    if (m_index == m_count)
        ++m_count;
    ++m_index;
}

void ArchiveFile::close()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    m_buffer.clear();
    m_bufferRecords = 0;
    if (::close(fd) != 0)
        fail("close");
}

namespace archive {

void readAll(const QString& path, int recordSize, const std::function<void(const char*, qint64)>& visit)
{
    ArchiveFile file;
    file.open(path, recordSize, ArchiveFile::Access::Read);
    while (!file.atEnd()) {
        const char* record = file.next();
        visit(record, file.position());
    }
    file.close();
}

void readAt(const QString& path, int recordSize, qint64 p, char* buffer)
{
    ArchiveFile file;
    file.open(path, recordSize, ArchiveFile::Access::Read);
    file.seek(p - 1);
    file.read(buffer);
    file.close();
}

void rewriteAt(const QString& path, int recordSize, qint64 p, const char* buffer)
{
    ArchiveFile file;
    file.open(path, recordSize, ArchiveFile::Access::Write);
    file.seek(p - 1);
    file.write(buffer);
    file.close();
}

qint64 append(const QString& path, int recordSize, const char* buffer)
{
    ArchiveFile file;
    file.open(path, recordSize, ArchiveFile::Access::Write);
    file.seek(file.recordCount());
    file.write(buffer);
    const qint64 position = file.position();
    file.close();
    return position;
}

qint64 count(const QString& path, int recordSize)
{
    ArchiveFile file;
    file.open(path, recordSize, ArchiveFile::Access::Read);
    const qint64 n = file.recordCount();
    file.close();
    return n;
}

} // namespace archive
