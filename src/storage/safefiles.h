#pragma once
// Files in a folder that others can write.
//
// The program folder may be a share that every workstation of the office
// writes, and anyone who can write it can plant a link to a file elsewhere,
// a FIFO or a folder under any name the program uses. Every file the
// program opens or writes in the folder goes through this file, which
// keeps four promises:
//
//   - nothing is written through a link: a file is created only as a new
//     regular file under a name nobody else uses (O_CREAT | O_EXCL |
//     O_NOFOLLOW), and an existing file is opened for writing only when its
//     own name is no link;
//   - nothing blocks at the opening: every open is O_NONBLOCK, and anything
//     that is not a regular file (a FIFO, a device, a folder) is refused;
//   - a file is replaced only whole: it is written under a temporary name
//     beside it and renamed over its name in one step, which replaces a
//     link in that place rather than the file the link leads to;
//   - what a killed run leaves behind is recognised by its name and removed
//     at the next start (cleanLeftovers), and nothing else ever is.
//
// The same primitives serve every part that writes in the program folder
// (archives, exports, printed cards, the password store, the attachments
// copy, and later the backup, the reminders and the sync state): use them
// rather than QFile, QSaveFile or QSettings for files of the folder.
//
// Every function sets errno on failure, as the system calls do; a file that
// is not regular fails with EINVAL.

#include <QString>

#include <sys/types.h>

namespace safefiles {

// Once per process, before any file is written: a file-size limit then
// makes a write fail with EFBIG instead of ending the program (SIGXFSZ).
void prepareProcess();

// Opens an existing file, or creates it when `flags` hold O_CREAT, never
// waiting at the opening and never following a link in its last name
// component (`followLink` allows it for files that are only read). -1 with
// errno set when it fails or the file is not regular (EINVAL). The
// descriptor is blocking again when handed back; O_CLOEXEC is always added.
// O_TRUNC is refused (EINVAL): a file is replaced with Replacement.
int openRegular(const QString& path, int flags, mode_t mode = 0666, bool followLink = false);

// Creates `path` as a new regular file open for reading and writing: fails
// (EEXIST) when anything at all has that name, a link included.
int createNew(const QString& path, mode_t mode = 0666);

// Reads a whole small regular file (links followed, no waiting at the
// opening). False with errno set when it cannot be read, is not regular
// or holds more than `limit` bytes (EFBIG).
bool readSmall(const QString& path, qint64 limit, QByteArray& bytes);

// A name in `folder` (with or without its trailing separator) that no other
// run of the program, on this or any other workstation, ever uses:
// ".quirvale-tmp.HOST.PID.SEQUENCE.RANDOM", hidden, recognised by
// cleanLeftovers.
QString temporaryName(const QString& folder);
// An operating system's error (errno) in Italian, for a message: what
// happened and, where it helps, what to do.
QString errorText(int error);

// Whether a file name is one of those temporary names (of this version or
// an earlier one): a file being written, never a file of its own.
bool isTemporaryName(const QString& fileName);

// A name used once, for files that must sit beside `base` and be found by
// their prefix: "BASE.HOST.PID.SEQUENCE.RANDOM". isUniqueNameOf() tells
// whether a file name is one of them.
QString uniqueName(const QString& base);
bool isUniqueNameOf(const QString& fileName, const QString& baseName);

// All that is needed to write several files in one go: write all `size`
// bytes at the current position (again after an interruption). False with
// errno set.
bool writeAll(int fd, const char* bytes, qint64 size);

// Makes a name just created, renamed or removed in the folder of `path`
// survive a power cut.
void syncFolder(const QString& path);

// A file replaced whole: open() creates a temporary file beside the target
// (createNew), the caller writes through handle(), commit() puts the data on
// the disk and renames the temporary file over the target. The old file
// stays as it was until commit() succeeds; a target that is a link is
// replaced by the file, never written through; a target that is a folder
// makes commit() fail. The temporary file is removed on every failure and
// by the destructor when commit() was not reached.
class Replacement {
public:
    explicit Replacement(QString target);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // The new file starts empty, with the permissions of the regular file
    // it replaces (or 0666 less the umask).
    bool open();
    int handle() const { return m_fd; }
    const QString& target() const { return m_target; }
    const QString& temporaryPath() const { return m_temporary; }
    bool commit();
    void cancel();

private:
    QString m_target;
    QString m_temporary;
    int m_fd = -1;
};

// A lock of a file where byte-range locks are refused (network shares
// mounted without them): the lock file "PATH", created exclusively as mail
// spools are locked on network file systems, holding the workstation and
// process that own it. A lock whose owner is provably gone (a process of
// this workstation that no longer runs) or that has not been renewed for
// StaleSeconds is taken over; the owner renews it with refresh() while an
// action goes on.
class LockFile {
public:
    static constexpr int StaleSeconds = 120;

    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    enum class Result { Taken, Busy, Failed };
    // Tries until `timeoutMs` have passed. Busy when another owner held it
    // all the time; Failed (errno set) when the lock file cannot be made or
    // something else has its name.
    Result acquire(const QString& path, int timeoutMs);
    bool held() const { return m_fd >= 0; }
    // Renews the lock's time, at most once every few seconds.
    void refresh();
    void release();

    // Whether the lock file at `path` has an owner that is gone or is older
    // than any action lasts.
    static bool isStale(const QString& path);

private:
    QString m_path;
    int m_fd = -1;
    qint64 m_refreshed = 0;
};

// Removes from `folder` the leftovers of runs that were killed: temporary
// files of this program (temporaryName, and those of earlier versions)
// whose process on this workstation is gone, or that are older than
// `maxAgeSeconds`. Only regular files (or links) whose name the program
// makes are touched. Returns how many were removed.
int cleanLeftovers(const QString& folder, qint64 maxAgeSeconds = 3600);

} // namespace safefiles
