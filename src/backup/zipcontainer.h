#pragma once
// The ZIP container of the backups, over libarchive: members stored as they
// are, names in UTF-8. Kept apart so that libarchive's names meet no others.

#include <QDateTime>
#include <QString>

#include <memory>

namespace backup::zip {

class Writer {
public:
    Writer();
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Writes to `fd`, which stays open and the caller's.
    bool open(int fd);
    // Starts a regular file of exactly `size` bytes.
    // A member of `size` bytes; deflated at the fastest level when
    // `deflate`, else stored as it is.
    bool begin(const QString& name, qint64 size, const QDateTime& modified, bool deflate = false);
    bool write(const char* bytes, qint64 size);
    bool finishEntry();
    // Writes the central directory.
    bool close();
    QString error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

class Reader {
public:
    Reader();
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool open(const QString& path);
    // Through the ZIP's central directory: going from entry to entry without
    // reading them costs no reading of their data (a large backup's last
    // member is reached at once).
    bool openIndexed(const QString& path);
    struct Entry {
        QString name; // a folder's without its trailing "/"
        bool directory = false;
        bool regular = false;
        qint64 modified = 0; // seconds since the epoch, as the entry records it
    };
    enum class Next { Entry, End, Error };
    Next next(Entry& entry);
    // Bytes of the current entry: 0 at its end, -1 on damage.
    qint64 read(char* bytes, qint64 size);
    QString error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace backup::zip
