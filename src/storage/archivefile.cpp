#include "storage/archivefile.h"

#include "storage/itemmap.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {
int lockTimeoutMs = 60000;
// A wait for the lock shorter than this is not shown.
constexpr int WaitShownAfterMs = 300;
// How often an open follows an archive that was replaced while its lock was awaited.
constexpr int MaxReopens = 20;
ArchiveFile::WaitCall waitCall;
constexpr qint64 ReadAheadBytes = 1 << 20;

int systemLock(int fd, struct flock* lock)
{
    return ::fcntl(fd, F_OFD_SETLK, lock);
}
ArchiveFile::LockCall lockCall = systemLock;
ssize_t systemWrite(int fd, const char* bytes, size_t size, off_t offset)
{
    return ::pwrite(fd, bytes, size, offset);
}
ArchiveFile::WriteCall writeCall = systemWrite;

// The lock call's answers of a file system that has no byte-range locks at
// all, as opposed to a lock that is taken or a file that cannot be reached.
bool locksUnsupported(int error)
{
    return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL;
}

// The answers of open() for a file or folder that may be read but not written.
bool writingRefused(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Moves `size` bytes through `call(done)`, which transfers what is left from
// `done` on (pread or pwrite): again after an interruption, until all went
// through; false with errno set when the call fails or moves nothing.
template <typename Call>
bool transferAll(qint64 size, Call call)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = call(done);
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

bool writeAll(int fd, const char* bytes, qint64 size, qint64 offset)
{
    return transferAll(
        size, [&](qint64 done) { return ::pwrite(fd, bytes + done, size_t(size - done), off_t(offset + done)); });
}

using safefiles::syncFolder;

// The rewrite note: "QZVR", the record size (4 bytes) and the 0-based index
// of the record (8 bytes), both little-endian, the record as it was, the
// record as it is being written, and an FNV-1a hash (8 bytes) of everything
// before it, so a note cut short is recognised and ignored.
constexpr char NoteMagic[4] = { 'Q', 'Z', 'V', 'R' };
constexpr qint64 NoteHead = 16;
constexpr qint64 noteSize(int recordSize)
{
    return NoteHead + 2 * qint64(recordSize) + 8;
}

quint64 fnv1a(const char* bytes, qint64 size)
{
    quint64 hash = 0xcbf29ce484222325ULL;
    for (qint64 i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

struct Note {
    enum class State { Missing, Foreign, Unreadable, Complete } state = State::Missing;
    qint64 index = 0;
    QByteArray before;
    QByteArray after;
};

Note readNote(const QString& path, int recordSize)
{
    Note note;
    const int fd = safefiles::openRegular(path, O_RDONLY);
    if (fd < 0) {
        // A link is no note (notes are made as new regular files) and is
        // neither followed nor removed; anything else in a note's place (a
        // FIFO, a folder) leaves the archive's state unknown.
        if (errno != ENOENT && errno != ELOOP)
            note.state = Note::State::Foreign;
        return note;
    }
    note.state = Note::State::Unreadable;
    QByteArray bytes(noteSize(recordSize) + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, size_t(bytes.size() - got), off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    ::close(fd);
    const char* b = bytes.constData();
    const qint64 hashAt = noteSize(recordSize) - 8;
    if (got != noteSize(recordSize) || std::memcmp(b, NoteMagic, 4) != 0
        || qFromLittleEndian<qint32>(b + 4) != recordSize || qFromLittleEndian<quint64>(b + hashAt) != fnv1a(b, hashAt))
        return note;
    note.state = Note::State::Complete;
    note.index = qFromLittleEndian<qint64>(b + 8);
    note.before = QByteArray(b + NoteHead, recordSize);
    note.after = QByteArray(b + NoteHead + recordSize, recordSize);
    return note;
}

bool writeNote(const QString& path, qint64 index, const QByteArray& before, const char* after)
{
    const int size = int(before.size());
    QByteArray bytes(noteSize(size), Qt::Uninitialized);
    char* b = bytes.data();
    std::memcpy(b, NoteMagic, 4);
    qToLittleEndian<qint32>(size, b + 4);
    qToLittleEndian<qint64>(index, b + 8);
    std::memcpy(b + NoteHead, before.constData(), size_t(size));
    std::memcpy(b + NoteHead + size, after, size_t(size));
    const qint64 hashAt = bytes.size() - 8;
    qToLittleEndian<quint64>(fnv1a(b, hashAt), b + hashAt);

    // A new file under a name of this writer alone: never a link, never
    // another writer's note.
    const int fd = safefiles::createNew(path, 0666);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, b, bytes.size(), 0) && ::fdatasync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    if (ok)
        syncFolder(path);
    return ok;
}

// Whether every byte of `now` is the byte of `before` or of `after` at its
// place: what a write cut short leaves.
bool mixOf(const char* now, const QByteArray& before, const QByteArray& after)
{
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (now[i] != before[i] && now[i] != after[i])
            return false;
    }
    return true;
}
} // namespace

AccessFailure::AccessFailure(QString detail, bool busy)
    : m_detail(std::move(detail))
    , m_what(m_detail.toUtf8())
    , m_busy(busy)
{
}

QString AccessFailure::message()
{
    return u"Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
           u"Accertarsi di possedere i privilegi di scrittura nella cartella di installazione del programma."_s;
}

QString AccessFailure::busyMessage()
{
    return u"Attenzione: l'archivio è in uso da un'altra postazione.\n\r\n\r"
           u"Attendere che l'operazione in corso sia terminata e riprovare."_s;
}

const char* AccessFailure::what() const noexcept
{
    return m_what.constData();
}

ArchiveFile::~ArchiveFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_lockFile.release();
}

void ArchiveFile::setLockTimeoutMs(int ms)
{
    lockTimeoutMs = ms;
}

void ArchiveFile::setWaitCall(WaitCall call)
{
    waitCall = std::move(call);
}

void ArchiveFile::setLockCall(LockCall call)
{
    lockCall = call ? std::move(call) : LockCall(systemLock);
}

void ArchiveFile::setWriteCall(WriteCall call)
{
    writeCall = call ? std::move(call) : WriteCall(systemWrite);
}

QString ArchiveFile::notePath(const QString& path)
{
    return path + u".ripristino"_s;
}

QStringList ArchiveFile::notes(const QString& path)
{
    // The note of earlier versions, under the base name alone, counts too.
    // The folder is read directly: this runs at every opening.
    const QFileInfo base(notePath(path));
    const QString baseName = base.fileName();
    const QString folder = base.absolutePath();
    QStringList found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    const QByteArray prefix = QFile::encodeName(baseName);
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) != 0)
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (name == baseName || safefiles::isUniqueNameOf(name, baseName))
            found << folder + u'/' + name;
    }
    ::closedir(dir);
    found.sort();
    return found;
}

QString ArchiveFile::lockFilePath(const QString& path)
{
    return path + u".blocco"_s;
}

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
    m_overlays.clear();
    // Never through a link, never waiting on a FIFO: only a regular file
    // under the archive's own name.
    // The file opened may stop being the archive while its lock is awaited
    // (a restore puts the old one aside and another in its place): once the
    // lock is held, a file that no longer has the archive's name is left for
    // the one that has it.
    for (int attempt = 0;; ++attempt) {
        int fd = safefiles::openRegular(path, O_RDWR | O_CREAT, 0666);
        // A reader still reads an archive that it may not write (a read-only
        // program folder, a write-protected file).
        if (fd < 0 && access == Access::Read && writingRefused(errno))
            fd = safefiles::openRegular(path, O_RDONLY);
        if (fd < 0)
            fail("open");
        m_fd = fd;
        try {
            lock(access);
        } catch (const AccessFailure&) {
            ::close(m_fd);
            m_fd = -1;
            m_lockFile.release();
            throw;
        }
        struct stat held { };
        struct stat named { };
        const bool same = ::fstat(m_fd, &held) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
        if (same || attempt >= MaxReopens)
            break;
        ::close(m_fd);
        m_fd = -1;
        m_lockFile.release();
    }
    try {
        struct stat st { };
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))
            fail("stat");
        m_count = st.st_size / m_recordSize;
        settleNotes(access);
    } catch (const AccessFailure&) {
        ::close(m_fd);
        m_fd = -1;
        m_lockFile.release();
        throw;
    }
}

void ArchiveFile::lock(Access access)
{
    // An open-file-description lock: released by close, shared between the
    // readers, exclusive for a writer, honoured by other copies of the program
    // on this machine and, over NFS, on others. Where the file system refuses
    // byte-range locks (a share mounted without them), the lock file beside
    // the archive takes their place, for readers and writers alike.
    struct flock lock { };
    lock.l_type = access == Access::Write ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    const QDeadlineTimer deadline(lockTimeoutMs);
    bool shown = false;
    const auto showWait = [&](bool waiting) {
        if (waiting != shown && waitCall) {
            shown = waiting;
            waitCall(waiting);
        }
    };
    const auto waited = qScopeGuard([&] { showWait(false); });
    const qint64 started = QDateTime::currentMSecsSinceEpoch();
    while (lockCall(m_fd, &lock) != 0) {
        if (locksUnsupported(errno)) {
            const int left = int(std::max<qint64>(0, deadline.remainingTime()));
            using Result = safefiles::LockFile::Result;
            const Result result = m_lockFile.acquire(lockFilePath(m_path), std::min(left, WaitShownAfterMs));
            if (result == Result::Taken)
                return;
            if (result == Result::Failed) {
                // A reader in a folder it may not write reads unlocked.
                if (access == Access::Read && writingRefused(errno))
                    return;
                fail("lock file");
            }
            if (deadline.hasExpired())
                throw AccessFailure(u"%1: lock file held by another program"_s.arg(m_path), true);
            showWait(true);
            continue;
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            fail("lock");
        if (deadline.hasExpired())
            throw AccessFailure(u"%1: locked by another program"_s.arg(m_path), true);
        if (QDateTime::currentMSecsSinceEpoch() - started >= WaitShownAfterMs)
            showWait(true);
        QThread::msleep(10);
    }
}

void ArchiveFile::settleNotes(Access access)
{
    for (const QString& note : notes(m_path))
        settleNote(note, access);
}

void ArchiveFile::settleNote(const QString& path, Access access)
{
    const Note note = readNote(path, m_recordSize);
    if (note.state == Note::State::Missing)
        return; // removed by its writer in between
    if (note.state == Note::State::Foreign) {
        errno = EINVAL;
        fail("rewrite note");
    }
    // Only a writer, which holds the archive alone, removes a note: then
    // the writer that made it has gone.
    const bool writer = access == Access::Write;
    const auto drop = [&] {
        if (writer && ::unlink(QFile::encodeName(path).constData()) == 0)
            syncFolder(path);
    };
    if (note.state == Note::State::Unreadable || note.index < 0 || note.index >= m_count) {
        // Cut short before the archive was touched, or about an archive that
        // has been replaced since.
        drop();
        return;
    }
    QByteArray now(m_recordSize, Qt::Uninitialized);
    if (!readBytes(now.data(), m_recordSize, note.index * m_recordSize))
        fail("read");
    if (now == note.before || now == note.after || !mixOf(now.constData(), note.before, note.after)) {
        // Nothing half-written: the rewrite never began, finished, or the
        // record has been changed by other means since.
        drop();
        return;
    }
    if (!writer) {
        m_overlays.insert(note.index, note.before);
        return;
    }
    if (!writeAll(m_fd, note.before.constData(), m_recordSize, note.index * m_recordSize) || ::fdatasync(m_fd) != 0)
        fail("restore");
    drop();
}

bool ArchiveFile::readBytes(char* bytes, qint64 size, qint64 offset) const
{
    return transferAll(
        size, [&](qint64 done) { return ::pread(m_fd, bytes + done, size_t(size - done), off_t(offset + done)); });
}

bool ArchiveFile::writeBytes(const char* bytes, qint64 size, qint64 offset, qint64& done) const
{
    done = 0;
    while (done < size) {
        const ssize_t n = writeCall(m_fd, bytes + done, size_t(size - done), off_t(offset + done));
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

qint64 ArchiveFile::recordCount() const
{
    return m_count;
}

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
    m_bufferRecords = 0;
    if (!readBytes(m_buffer.data(), m_buffer.size(), m_index * m_recordSize))
        fail("read");
    for (auto it = m_overlays.cbegin(); it != m_overlays.cend(); ++it) {
        if (it.key() >= m_index && it.key() < m_index + records)
            std::memcpy(
                m_buffer.data() + (it.key() - m_index) * m_recordSize, it.value().constData(), size_t(m_recordSize));
    }
    m_lockFile.refresh();
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

void ArchiveFile::readRecord(qint64 index, char* buffer)
{
    if (m_fd < 0)
        throw AccessFailure(u"read on a closed archive"_s);
    if (index < 0 || index >= m_count)
        throw AccessFailure(u"%1: read past the end (record %2 of %3)"_s.arg(m_path).arg(index + 1).arg(m_count));
    if (index >= m_bufferFirst && index < m_bufferFirst + m_bufferRecords) {
        std::memcpy(buffer, m_buffer.constData() + (index - m_bufferFirst) * m_recordSize, size_t(m_recordSize));
    } else {
        if (!readBytes(buffer, m_recordSize, index * m_recordSize))
            fail("read");
        if (const auto overlay = m_overlays.constFind(index); overlay != m_overlays.cend())
            std::memcpy(buffer, overlay->constData(), size_t(m_recordSize));
    }
    m_index = index + 1;
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
    if (m_index == m_count)
        append(buffer, 1);
    else
        rewrite(buffer);
    if (m_index == m_count)
        ++m_count;
    m_overlays.remove(m_index);
    m_lockFile.refresh();
    ++m_index;
}

void ArchiveFile::appendMany(const char* buffer, qint64 records)
{
    if (m_fd < 0)
        throw AccessFailure(u"write on a closed archive"_s);
    if (records <= 0)
        return;
    m_index = m_count;
    m_bufferRecords = 0;
    append(buffer, records);
    m_count += records;
    m_index = m_count;
}

void ArchiveFile::truncate(qint64 records)
{
    if (m_fd < 0)
        throw AccessFailure(u"truncate on a closed archive"_s);
    if (records < 0 || records > m_count)
        throw AccessFailure(u"%1: truncate to %2 of %3 records"_s.arg(m_path).arg(records).arg(m_count));
    m_bufferRecords = 0;
    if (::ftruncate(m_fd, records * m_recordSize) != 0 || ::fdatasync(m_fd) != 0)
        fail("truncate");
    itemmap::ItemMap::noteTruncate(m_path, records);
    m_count = records;
    m_index = std::min(m_index, m_count);
    m_overlays.removeIf([this](const auto& overlay) { return overlay.key() >= m_count; });
}

void ArchiveFile::append(const char* buffer, qint64 records)
{
    const qint64 offset = m_index * m_recordSize;
    struct stat st { };
    if (::fstat(m_fd, &st) != 0)
        fail("stat");
    // The bytes of a partial record at the end, which the new record covers.
    QByteArray partial(std::clamp<qint64>(st.st_size - offset, 0, m_recordSize), Qt::Uninitialized);
    if (!readBytes(partial.data(), partial.size(), offset))
        fail("read");
    qint64 done = 0;
    if (writeBytes(buffer, m_recordSize * records, offset, done) && ::fdatasync(m_fd) == 0) {
        itemmap::ItemMap::noteAppend(m_path, m_index + 1, records);
        return;
    }
    // The file back as it was: its length, and the bytes of the partial
    // record that the write went over.
    const int saved = errno;
    const qint64 covered = std::min<qint64>(done, partial.size());
    if (::ftruncate(m_fd, st.st_size) == 0 && writeAll(m_fd, partial.constData(), covered, offset))
        ::fdatasync(m_fd);
    errno = saved;
    fail("write");
}

void ArchiveFile::rewrite(const char* buffer)
{
    const qint64 offset = m_index * m_recordSize;
    QByteArray before(m_recordSize, Qt::Uninitialized);
    if (!readBytes(before.data(), m_recordSize, offset))
        fail("read");
    const QString note = safefiles::uniqueName(notePath(m_path));
    const QByteArray nativeNote = QFile::encodeName(note);
    if (!writeNote(note, m_index, before, buffer)) {
        const int saved = errno;
        if (errno != EEXIST) // never a file this writer did not make
            ::unlink(nativeNote.constData());
        errno = saved;
        fail("note");
    }
    qint64 done = 0;
    if (!writeBytes(buffer, m_recordSize, offset, done) || ::fdatasync(m_fd) != 0) {
        // The bytes that went in are put back; they are known to fit. When
        // even that fails, the note stays for the next action to finish.
        const int saved = errno;
        if (writeAll(m_fd, before.constData(), done, offset) && ::fdatasync(m_fd) == 0)
            ::unlink(nativeNote.constData());
        errno = saved;
        fail("write");
    }
    ::unlink(nativeNote.constData());
    itemmap::ItemMap::noteRewrite(m_path, m_index + 1, itemmap::fingerprint(before.constData(), m_recordSize),
        itemmap::fingerprint(buffer, m_recordSize));
}

void ArchiveFile::close()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    m_buffer.clear();
    m_bufferRecords = 0;
    m_overlays.clear();
    const bool closed = ::close(fd) == 0;
    const int saved = errno;
    m_lockFile.release();
    errno = saved;
    if (!closed)
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
    file.readRecord(p - 1, buffer);
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
