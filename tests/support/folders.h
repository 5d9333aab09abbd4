#pragma once
// Helpers of every test: a program folder of its own, a folder that nobody
// may write (root included), a file-size limit that fills the disk, and
// whole-file reads and writes.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fresh program folder for the duration of a test.
class ProgramFolderFixture {
public:
    ProgramFolderFixture();
    ~ProgramFolderFixture();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Makes a folder and the files in it unwritable until destroyed. As an
// ordinary user the permission bits do it; as root (CI) the immutable
// attribute does, since root ignores permission bits.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    bool ok() const { return m_ok; }

private:
    void apply(bool on);
    QString m_folder;
    bool m_ok = false;
};

// Lowers the size a file of this process may reach to `bytes` until
// destroyed, the signal of a write past it ignored: a write that would pass
// the limit writes what fits and then fails, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    quint64 m_previous = 0;
    void (*m_handler)(int) = nullptr;
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace testsupport
