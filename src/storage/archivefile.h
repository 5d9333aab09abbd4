#pragma once
// An archive file: records of one size laid end to end from byte 0, no header.
// It lives for one user action: opened at its start, closed before it ends.

#include "storage/safefiles.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <sys/types.h>

// The one failure of archive access. Every screen that reports it shows
// text(): message(), the fixed text below, or busyMessage() when another
// workstation held the archive for longer than any wait.
class AccessFailure : public std::exception {
public:
    explicit AccessFailure(QString detail = QString(), bool busy = false);
    static QString message();
    static QString busyMessage();
    bool busy() const { return m_busy; }
    QString text() const { return m_busy ? busyMessage() : message(); }
    // What went wrong, for developers; never shown to the user.
    const QString& detail() const { return m_detail; }
    const char* what() const noexcept override;

private:
    QString m_detail;
    QByteArray m_what;
    bool m_busy = false;
};

struct flock;

class ArchiveFile {
public:
    // Reading actions share the file; appends and rewrites hold it alone for
    // the whole action, so two copies of the program in one program folder
    // never mix their writes. On a file system that refuses byte-range locks
    // (some network shares) every action, reading or writing, holds the lock
    // file beside the archive (lockFilePath()) alone instead; a reader in a
    // folder it may not write goes on without it.
    enum class Access { Read, Write };

    ArchiveFile() = default;
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // Opens the file for reading and writing, creating it empty when missing,
    // and locks it. Current index 0. A link, a FIFO, a folder or anything
    // else that is not a regular file in the archive's place, or among its
    // rewrite notes, is a failure at once, never a wait.
    void open(const QString& path, int recordSize, Access access = Access::Write);
    // Whole records in the file now; a trailing partial record is not counted.
    qint64 recordCount() const;
    // 0 <= index <= recordCount(); recordCount() is the place after the last record.
    void seek(qint64 index);
    // Reads the current record (recordSize bytes) and advances by one.
    void read(char* buffer);
    // The current record in place, valid until the next call; advances by one.
    const char* next();
    // The record at `index` alone, without reading ahead: for a few records
    // far apart. The current index moves after it.
    void readRecord(qint64 index, char* buffer);
    // Writes over the current record, or after the last one, advances by one,
    // and flushes the data to the disk before returning.
    //
    // A write that fails leaves the file as it was: an append gives the file
    // back its length and the bytes of any partial record it covered, a
    // rewrite puts back the bytes it had written. A rewrite that cannot
    // finish at all (the program killed, the power gone) is undone by the
    // next action on the archive: before writing, the record as it was and
    // as it will be are kept in a rewrite note beside the archive, under a
    // name of this writer and record alone (notes()), and until a writer puts
    // the old record back, readers see the old record in place of any
    // mixture of the two. A writer removes only its own note, and the notes
    // of writers that are gone, which it finds while it holds the archive
    // alone. So a record is read whole, old or new, never half-written, on a
    // share with byte-range locks or without; an append cut short leaves
    // only a partial record at the end, which is never counted and which the
    // next append overwrites.
    void write(const char* buffer);
    // Appends `records` records laid end to end in `buffer` after the last
    // one with a single write and flush: all of them go in or, as for one
    // record, the file is left as it was. The current index goes past them.
    void appendMany(const char* buffer, qint64 records);
    // Cuts the file to its first `records` records and flushes it: how an
    // action that appended several records takes them back.
    void truncate(qint64 records);
    qint64 position() const { return m_index; }
    bool atEnd() const { return m_index >= recordCount(); }
    void close();

    // How long a lock is waited for before the action fails with the busy
    // message: a minute unless changed, as long as a reader needs to walk a
    // large archive over a slow share.
    static void setLockTimeoutMs(int ms);
    // Told `true` when a wait for the lock has gone on long enough to show,
    // and `false` when it is over; the screens show their wait label.
    using WaitCall = std::function<void(bool waiting)>;
    static void setWaitCall(WaitCall call);
    // The call that takes the lock, fcntl(fd, F_OFD_SETLK, lock) unless
    // replaced: it returns 0 or -1 with errno set, as fcntl does. Tests stand
    // in for other file systems with it; an empty function puts fcntl back.
    using LockCall = std::function<int(int fd, struct flock* lock)>;
    static void setLockCall(LockCall call);
    // The call that writes a record's bytes into the archive, pwrite unless
    // replaced, with pwrite's answers. Tests cut a write short with it; an
    // empty function puts pwrite back.
    using WriteCall = std::function<ssize_t(int fd, const char* bytes, size_t size, off_t offset)>;
    static void setWriteCall(WriteCall call);

    // The base name of the rewrite notes of the archive at `path`; each note
    // is this name followed by its writer's unique tail (safefiles::uniqueName).
    static QString notePath(const QString& path);
    // The rewrite notes of the archive at `path` now: present only while a
    // rewrite is under way, or after one that could not finish.
    static QStringList notes(const QString& path);
    // The lock file used where byte-range locks are refused.
    static QString lockFilePath(const QString& path);

private:
    void fail(const char* what) const;
    void fillBuffer();
    void append(const char* buffer, qint64 records);
    void rewrite(const char* buffer);
    // Writes `size` bytes at `offset` through the write call; false with
    // errno set on failure, `done` telling how many bytes went in.
    bool writeBytes(const char* bytes, qint64 size, qint64 offset, qint64& done) const;
    bool readBytes(char* bytes, qint64 size, qint64 offset) const;
    // A rewrite note left by an action that could not finish: a writer puts
    // the old record back and removes the note, a reader shows the old record.
    void settleNotes(Access access);
    void settleNote(const QString& notePath, Access access);
    void lock(Access access);

    int m_fd = -1;
    int m_recordSize = 0;
    qint64 m_index = 0;
    qint64 m_count = 0;
    QString m_path;
    // Read-ahead for walking the file: records [m_bufferFirst, m_bufferFirst + m_bufferRecords).
    QByteArray m_buffer;
    qint64 m_bufferFirst = 0;
    qint64 m_bufferRecords = 0;
    // The records a reader sees in place of half-rewritten ones, by index.
    QHash<qint64, QByteArray> m_overlays;
    // Held where byte-range locks are refused.
    safefiles::LockFile m_lockFile;
};

// The four ways the screens use an archive. Each opens, works and closes the
// file on every path; a failure is thrown as AccessFailure.
namespace archive {

// Every record in file order; `visit` gets the record bytes and its 1-based position.
void readAll(const QString& path, int recordSize, const std::function<void(const char*, qint64)>& visit);
// The record at 1-based position p into `buffer`; only its bytes are read.
void readAt(const QString& path, int recordSize, qint64 p, char* buffer);
// Writes `buffer` over the record at 1-based position p.
void rewriteAt(const QString& path, int recordSize, qint64 p, const char* buffer);
// Appends `buffer`; returns the new record's position.
qint64 append(const QString& path, int recordSize, const char* buffer);
// Number of whole records (creates the file when missing).
qint64 count(const QString& path, int recordSize);

} // namespace archive
