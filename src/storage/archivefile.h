#pragma once
// An archive file: records of one size laid end to end from byte 0, no header.
// It lives for one user action: opened at its start, closed before it ends.

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>

// The one failure of archive access. Every screen that reports it shows
// message(), the fixed text below.
class AccessFailure : public std::exception {
public:
    explicit AccessFailure(QString detail = QString());
    static QString message();
    // What went wrong, for developers; never shown to the user.
    const QString& detail() const { return m_detail; }
    const char* what() const noexcept override;

private:
    QString m_detail;
    QByteArray m_what;
};

struct flock;

class ArchiveFile {
public:
    // Reading actions share the file; appends and rewrites hold it alone for
    // the whole action, so two copies of the program in one program folder
    // never mix their writes. On a file system that does not offer locks
    // (some network shares) the actions go on without them.
    enum class Access { Read, Write };

    ArchiveFile() = default;
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // Opens the file for reading and writing, creating it empty when missing,
    // and locks it. Current index 0.
    void open(const QString& path, int recordSize, Access access = Access::Write);
    // Whole records in the file now; a trailing partial record is not counted.
    qint64 recordCount() const;
    // 0 <= index <= recordCount(); recordCount() is the place after the last record.
    void seek(qint64 index);
    // Reads the current record (recordSize bytes) and advances by one.
    void read(char* buffer);
    // The current record in place, valid until the next call; advances by one.
    const char* next();
    // Writes over the current record, or after the last one, advances by one,
    // and flushes the data to the disk before returning.
    void write(const char* buffer);
    qint64 position() const { return m_index; }
    bool atEnd() const { return m_index >= recordCount(); }
    void close();

    // How long a lock is waited for before the action fails.
    static void setLockTimeoutMs(int ms);
    // The call that takes the lock, fcntl(fd, F_OFD_SETLK, lock) unless
    // replaced: it returns 0 or -1 with errno set, as fcntl does. Tests stand
    // in for other file systems with it; an empty function puts fcntl back.
    using LockCall = std::function<int(int fd, struct flock* lock)>;
    static void setLockCall(LockCall call);

private:
    void fail(const char* what) const;
    void fillBuffer();

    int m_fd = -1;
    int m_recordSize = 0;
    qint64 m_index = 0;
    qint64 m_count = 0;
    QString m_path;
    // Read-ahead for walking the file: records [m_bufferFirst, m_bufferFirst + m_bufferRecords).
    QByteArray m_buffer;
    qint64 m_bufferFirst = 0;
    qint64 m_bufferRecords = 0;
};

// The four ways the screens use an archive. Each opens, works and closes the
// file on every path; a failure is thrown as AccessFailure.
namespace archive {

// Every record in file order; `visit` gets the record bytes and its 1-based position.
void readAll(const QString& path, int recordSize, const std::function<void(const char*, qint64)>& visit);
// The record at 1-based position p into `buffer`.
void readAt(const QString& path, int recordSize, qint64 p, char* buffer);
// Writes `buffer` over the record at 1-based position p.
void rewriteAt(const QString& path, int recordSize, qint64 p, const char* buffer);
// Appends `buffer`; returns the new record's position.
qint64 append(const QString& path, int recordSize, const char* buffer);
// Number of whole records (creates the file when missing).
qint64 count(const QString& path, int recordSize);

} // namespace archive
