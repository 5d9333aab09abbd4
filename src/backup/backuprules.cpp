#include "backup/backuprules.h"

#include "backup/sha256.h"
#include "backup/zipcontainer.h"
#include "documents/documentrules.h"
#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "storage/records.h"
#include "storage/safefiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace backup {

namespace {

constexpr qint64 ChunkBytes = 1 << 20;
// How long a backup waits for a lock of a file that is not an archive.
constexpr int LockWaitMs = 60 * 1000;
const QString StagingPrefix = u"Ripristino_temporaneo_"_s;
const QString AsidePrefix = u"Prima_del_ripristino_"_s;
const QString Stamp = u"yyyy-MM-dd_HH-mm-ss"_s;
const QString FolderName = documents::attachments::FolderName;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    return safefiles::errorText(error);
}

// Makes names created, renamed or removed in `folder` survive a power cut.
void syncFolder(const QString& folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Whether anything, a dangling link included, takes `path`.
bool present(const QString& path)
{
    struct stat st { };
    return ::lstat(native(path).constData(), &st) == 0;
}

bool isDirectory(const QString& path)
{
    struct stat st { };
    return ::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// `path`, or the first of `path_2`, `path_3`... that nothing takes.
QString freeName(const QString& path)
{
    QString name = path;
    for (int n = 2; present(name); ++n)
        name = path + u'_' + QString::number(n);
    return name;
}

bool renameTo(const QString& from, const QString& to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

// Writes `bytes` to `path` through a temporary file, so that `path` is
// either whole or absent.
bool writeDurably(const QString& path, const QByteArray& bytes)
{
    const QString temporary = path + u".tmp"_s;
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    if (!written || !renameTo(temporary, path)) {
        QFile::remove(temporary);
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

// A name a backup may hold: a member, or a path below the attachments
// folder made of plain names.
bool allowedName(const QString& name, bool directory)
{
    for (const Member& member : members())
        if (name == member.name)
            return directory == (member.kind == Member::Kind::Folder);
    if (!name.startsWith(FolderName + u'/'))
        return false;
    const QStringList parts = name.mid(FolderName.size() + 1).split(u'/');
    for (const QString& part : parts)
        if (part.isEmpty() || part == u"."_s || part == u".."_s || part.contains(u'\\'))
            return false;
    return true;
}

QString topName(const QString& name)
{
    return name.section(u'/', 0, 0);
}

// ---- writing ---------------------------------------------------------------

struct ManifestLine {
    qint64 size = 0;
    QByteArray sha256; // hex
};

// Whether a member is deflated: the archives (fixed-width records, mostly
// blanks) and the program's own files shrink many times over at the fastest
// level; attachments in formats that are compressed already are stored.
bool worthDeflating(const QString& name)
{
    if (!name.startsWith(FolderName + u'/'))
        return true;
    static const QStringList packed = { u"pdf"_s, u"jpg"_s, u"jpeg"_s, u"png"_s, u"gif"_s, u"webp"_s, u"heic"_s,
        u"zip"_s, u"7z"_s, u"rar"_s, u"gz"_s, u"bz2"_s, u"xz"_s, u"docx"_s, u"xlsx"_s, u"pptx"_s, u"odt"_s, u"ods"_s,
        u"odp"_s, u"p7m"_s, u"mp3"_s, u"mp4"_s, u"m4a"_s, u"mov"_s, u"avi"_s, u"ogg"_s };
    return !packed.contains(QFileInfo(name).suffix().toLower());
}

class Writer {
public:
    Writer(const Progress& progress, qint64 total)
        : m_progress(progress)
        , m_total(total)
        , m_buffer(ChunkBytes, Qt::Uninitialized)
    {
    }
    // Opens the ZIP writer on `fd`; false with a message on failure.
    bool open(int fd) { return m_zip.open(fd) || fail(); }

    bool begin(const QString& name, qint64 size, const QDateTime& modified)
    {
        if (!m_zip.begin(name, size, modified, worthDeflating(name)))
            return fail();
        m_name = name;
        m_size = size;
        m_written = 0;
        m_used = 0;
        m_hash.reset();
        return true;
    }

    // Adds bytes to the current member.
    bool add(const char* bytes, qint64 size)
    {
        while (size > 0) {
            const qint64 n = std::min(size, qint64(m_buffer.size()) - m_used);
            std::memcpy(m_buffer.data() + m_used, bytes, size_t(n));
            m_used += n;
            bytes += n;
            size -= n;
            if (m_used == m_buffer.size() && !flush())
                return false;
        }
        return true;
    }

    bool end()
    {
        if (!flush())
            return false;
        if (m_written != m_size) {
            m_message = u"il file %1 è cambiato durante la copia"_s.arg(m_name);
            return false;
        }
        if (!m_zip.finishEntry())
            return fail();
        m_manifest += m_name.toUtf8() + '\t' + QByteArray::number(m_size) + '\t' + m_hash.hexResult() + '\n';
        ++m_files;
        return true;
    }

    bool cancelled() const { return m_progress.cancelled && m_progress.cancelled(); }

    // Writes the manifest as the last member and closes the ZIP.
    bool finish(const QDateTime& now)
    {
        const QByteArray manifest = ManifestHeader.toUtf8() + '\n' + m_manifest;
        return (m_zip.begin(ManifestName, manifest.size(), now) && m_zip.write(manifest.constData(), manifest.size())
                   && m_zip.finishEntry() && m_zip.close())
            || fail();
    }

    const QString& message() const { return m_message; }
    void setMessage(const QString& message) { m_message = message; }
    qint64 files() const { return m_files; }
    qint64 bytes() const { return m_done; }

private:
    bool flush()
    {
        if (m_used == 0)
            return true;
        if (m_written + m_used > m_size) {
            m_message = u"il file %1 è cambiato durante la copia"_s.arg(m_name);
            return false;
        }
        m_hash.addData(m_buffer.constData(), m_used);
        if (!m_zip.write(m_buffer.constData(), m_used))
            return fail();
        m_written += m_used;
        m_done += m_used;
        m_used = 0;
        if (m_progress.step)
            m_progress.step(m_done, m_total);
        return true;
    }

    bool fail()
    {
        m_message = m_zip.error();
        return false;
    }

    Progress m_progress;
    qint64 m_total;
    zip::Writer m_zip;
    QByteArray m_buffer;
    qint64 m_used = 0;
    QString m_name;
    qint64 m_size = 0;
    qint64 m_written = 0;
    qint64 m_done = 0;
    qint64 m_files = 0;
    Sha256 m_hash;
    QByteArray m_manifest;
    QString m_message;
};

// A plain file of the program folder, read to its size at the start.
bool addFile(Writer& writer, const QString& path, const QString& name, QDateTime modified = {})
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        writer.setMessage(u"impossibile leggere %1 (%2)"_s.arg(name, file.errorString()));
        return false;
    }
    const qint64 size = file.size();
    if (!writer.begin(name, size, modified.isValid() ? modified : QFileInfo(path).lastModified()))
        return false;
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    qint64 left = size;
    while (left > 0) {
        if (writer.cancelled())
            return false;
        const qint64 n = file.read(chunk.data(), std::min(left, ChunkBytes));
        if (n <= 0) {
            writer.setMessage(u"il file %1 è cambiato durante la copia"_s.arg(name));
            return false;
        }
        if (!writer.add(chunk.constData(), n))
            return false;
        left -= n;
    }
    return writer.end();
}

// An archive as every reader sees it, whole records only, with its map read
// under the same lock. Under the lock both are only copied into local
// temporary files, as fast as the disks allow; the backup's target (a slow
// stick, a network folder) is written after the lock is let go, so no
// workstation's save waits for it.
bool addArchive(Writer& writer, const QString& path, const Member& member)
{
    const QString mapName = programFolder::itemMapOf(member.name);
    const QString mapPath = QFileInfo(path).dir().filePath(mapName);
    QTemporaryFile records(QDir::temp().filePath(u"quirvale-copia-XXXXXX"_s));
    QTemporaryFile map(QDir::temp().filePath(u"quirvale-copia-XXXXXX"_s));
    const auto noTemporary = [&writer](const QTemporaryFile& file) {
        writer.setMessage(
            u"impossibile scrivere nella cartella temporanea del computer (%1)"_s.arg(file.errorString()));
        return false;
    };
    if (!records.open())
        return noTemporary(records);
    qint64 count = 0;
    QDateTime modified;
    bool withMap = false;
    QDateTime mapModified;
    try {
        ArchiveFile file;
        file.open(path, member.recordSize, ArchiveFile::Access::Read);
        modified = QFileInfo(path).lastModified();
        QByteArray chunk;
        chunk.reserve(ChunkBytes + member.recordSize);
        while (!file.atEnd()) {
            chunk.append(file.next(), member.recordSize);
            ++count;
            if (chunk.size() >= ChunkBytes || file.atEnd()) {
                if (records.write(chunk) != chunk.size())
                    return noTemporary(records);
                chunk.clear();
                if (writer.cancelled())
                    return false;
            }
        }
        // The map names the records just read, never others.
        withMap = QFileInfo(mapPath).isFile() && !QFileInfo(mapPath).isSymLink();
        if (withMap) {
            QFile source(mapPath);
            if (!source.open(QIODevice::ReadOnly)) {
                writer.setMessage(u"impossibile leggere %1 (%2)"_s.arg(mapName, source.errorString()));
                return false;
            }
            if (!map.open())
                return noTemporary(map);
            if (map.write(source.readAll()) != source.size())
                return noTemporary(map);
            mapModified = QFileInfo(mapPath).lastModified();
        }
        file.close();
    } catch (const AccessFailure& failure) {
        writer.setMessage(u"impossibile leggere l'archivio %1 (%2)"_s.arg(member.name, failure.detail()));
        return false;
    }
    if (!records.flush() || !records.seek(0))
        return noTemporary(records);
    if (!writer.begin(member.name, count * member.recordSize, modified))
        return false;
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    for (qint64 n; (n = records.read(chunk.data(), chunk.size())) > 0;) {
        if (writer.cancelled() || !writer.add(chunk.constData(), n))
            return false;
    }
    if (!writer.end())
        return false;
    if (withMap) {
        map.close();
        return addFile(writer, map.fileName(), mapName, mapModified);
    }
    return true;
}

// The files below the attachments folder, links and the temporary files of
// copies being made left out, in name order.
QStringList folderFiles(const QString& folder)
{
    QStringList names;
    // A folder kept elsewhere through a link is walked where it is.
    const QString root = QFileInfo(folder).isSymLink() ? QFileInfo(folder).canonicalFilePath() : folder;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!safefiles::isTemporaryName(it.fileName()))
            names << base.relativeFilePath(path);
    }
    names.sort();
    return names;
}

// The backup just written always stays, even when a clock set back makes
// its name sort before the others.
// What rotation knows of a backup in the target folder: whose folder it is
// (the identity member) and when it was made (its manifest's moment).
struct Written {
    QString name;
    QString identity;
    qint64 moment = 0;
};

// Read through the ZIP's directory, without reading the members' data but
// the small identity; nothing for a file that is not a backup of this program.
std::optional<Written> writtenBackup(const QString& path)
{
    zip::Reader reader;
    if (!reader.openIndexed(path))
        return std::nullopt;
    Written written;
    written.name = QFileInfo(path).fileName();
    bool manifest = false;
    zip::Reader::Entry entry;
    for (;;) {
        const zip::Reader::Next next = reader.next(entry);
        if (next == zip::Reader::Next::Error)
            return std::nullopt;
        if (next == zip::Reader::Next::End)
            break;
        if (entry.name == ManifestName) {
            manifest = true;
            written.moment = entry.modified;
        } else if (entry.name == programFolder::Identity && entry.regular) {
            char bytes[256];
            const qint64 n = reader.read(bytes, sizeof bytes);
            if (n < 0)
                return std::nullopt;
            written.identity = QString::fromLatin1(bytes, n).trimmed();
        }
    }
    if (!manifest)
        return std::nullopt;
    return written;
}

// Removes the oldest backups of this folder beyond `keep`, the one just
// written counted: only backups whose identity is this folder's (another
// folder backing up into the same place keeps its own), oldest first by
// the moment their manifests record; one recorded after `now` (a clock that
// was ahead) counts as the oldest, or it would never go.
void removeOldest(const QString& targetFolder, const QString& identity, int keep, const QDateTime& now, Result& result)
{
    const QString justWritten = QFileInfo(result.file).fileName();
    std::vector<Written> ours;
    if (!identity.isEmpty()) {
        for (const QString& name : QDir(targetFolder).entryList(QDir::Files, QDir::Name)) {
            if (!isBackupName(name) || name == justWritten)
                continue;
            std::optional<Written> written = writtenBackup(QDir(targetFolder).filePath(name));
            if (written && written->identity == identity) {
                if (written->moment > now.toSecsSinceEpoch())
                    written->moment = 0;
                ours.push_back(*written);
            }
        }
    }
    std::stable_sort(ours.begin(), ours.end(), [](const Written& a, const Written& b) { return a.moment < b.moment; });
    for (std::size_t i = 0; i + keep - 1 < ours.size(); ++i)
        if (QFile::remove(QDir(targetFolder).filePath(ours[i].name)))
            result.removed << ours[i].name;
    // The temporary file of a backup cut short (a stick pulled out, the
    // power gone) is removed a day later: a younger one may belong to a
    // backup that another workstation is writing now.
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    const QFileInfoList temporaries = QDir(targetFolder).entryInfoList({ u"*.zip.tmp"_s }, QDir::Files | QDir::Hidden);
    for (const QFileInfo& info : temporaries)
        if (isBackupName(info.fileName().chopped(4)) && info.lastModified() < dayAgo
            && QFile::remove(info.absoluteFilePath()))
            result.removed << info.fileName();
    syncFolder(targetFolder);
}

// ---- restoring -------------------------------------------------------------

// The plan of a swap, as the marker file keeps it.
struct Plan {
    QString staging;          // folder name in the program folder
    QString aside;            // folder name in the program folder
    QStringList incoming;     // members of the new set, waiting in `staging` until moved in
    QStringList outgoingOnly; // members of the old set that the new one lacks
};

QByteArray planText(const Plan& plan)
{
    QByteArray text = "staging\t" + plan.staging.toUtf8() + "\naside\t" + plan.aside.toUtf8() + '\n';
    for (const QString& name : plan.incoming)
        text += "in\t" + name.toUtf8() + '\n';
    for (const QString& name : plan.outgoingOnly)
        text += "out\t" + name.toUtf8() + '\n';
    return text + "end\n";
}

bool plainName(const QString& name)
{
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') && !name.contains(u'\\');
}

std::optional<Plan> readPlan(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Plan plan;
    bool ended = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const qsizetype tab = line.indexOf('\t');
        const QByteArray key = tab < 0 ? line : line.left(tab);
        const QString value = tab < 0 ? QString() : QString::fromUtf8(line.mid(tab + 1));
        if (key == "end") {
            ended = true;
            continue;
        }
        if (!plainName(value))
            return std::nullopt;
        if (key == "staging")
            plan.staging = value;
        else if (key == "aside")
            plan.aside = value;
        else if (key == "in")
            plan.incoming << value;
        else if (key == "out")
            plan.outgoingOnly << value;
        else
            return std::nullopt;
    }
    if (!ended || !plan.staging.startsWith(StagingPrefix) || !plan.aside.startsWith(AsidePrefix))
        return std::nullopt;
    return plan;
}

// Puts the member now at `live` into the aside folder. A file is linked
// there, so that its name never goes missing in the program folder while
// the new one takes its place; where links are refused, and for folders
// and symbolic links (an attachments folder kept on another disk), it is
// moved.
bool setAside(const QString& live, const QString& old, bool replacedNext)
{
    struct stat st { };
    const bool regular = ::lstat(native(live).constData(), &st) == 0 && S_ISREG(st.st_mode);
    if (replacedNext && regular && ::link(native(live).constData(), native(old).constData()) == 0)
        return true;
    return renameTo(live, old);
}

// Carries out, or finishes, the swap of `plan`. Every step can be taken
// again after a cut: a member still in the staging folder has not been
// moved in, and its old one has gone aside only when the aside folder holds it.
bool carryOut(const QString& folder, const Plan& plan)
{
    const QDir home(folder);
    const QString staging = home.filePath(plan.staging);
    const QString aside = home.filePath(plan.aside);
    if (!present(aside) && !home.mkdir(plan.aside))
        return false;
    bool ok = true;
    for (const QString& name : plan.incoming) {
        const QString waiting = QDir(staging).filePath(name);
        if (!present(waiting))
            continue; // moved in already
        const QString live = home.filePath(name);
        const QString old = QDir(aside).filePath(name);
        if (present(live)) {
            if (!present(old))
                ok = setAside(live, old, true) && ok;
            else if (isDirectory(live))
                ok = renameTo(live, freeName(old)) && ok; // made again since it went aside
        }
        ok = renameTo(waiting, live) && ok;
    }
    for (const QString& name : plan.outgoingOnly) {
        const QString live = home.filePath(name);
        if (present(live))
            ok = renameTo(live, freeName(QDir(aside).filePath(name))) && ok;
    }
    syncFolder(aside);
    syncFolder(folder);
    return ok;
}

// The members of the current set that a restore swaps out, rewrite notes included.
QStringList currentMembers(const QString& folder)
{
    QStringList names;
    for (const Member& member : members()) {
        if (present(QDir(folder).filePath(member.name)))
            names << member.name;
        if (member.kind == Member::Kind::Archive) {
            const QString note = QFileInfo(ArchiveFile::notePath(QDir(folder).filePath(member.name))).fileName();
            if (present(QDir(folder).filePath(note)))
                names << note;
        }
    }
    return names;
}

Result failed(Result::Outcome outcome, const QString& message)
{
    Result result;
    result.outcome = outcome;
    result.message = message;
    return result;
}

// Unpacks the backup into `staging`, hashing every member, and compares it
// with the manifest. An empty message when all agrees.
QString unpackAndVerify(
    const QString& backupFile, const QString& staging, const Progress& progress, QStringList& incoming, bool& cancelled)
{
    // The manifest first, through the ZIP's directory: each member is held to
    // the size it declares before a byte of it is unpacked, and the whole
    // must fit in the program folder's disk.
    QByteArray indexed;
    {
        zip::Reader index;
        if (!index.openIndexed(backupFile))
            return u"il file non si legge come copia di sicurezza (%1)"_s.arg(index.error());
        zip::Reader::Entry entry;
        bool seen = false;
        for (zip::Reader::Next next; (next = index.next(entry)) != zip::Reader::Next::End;) {
            if (next == zip::Reader::Next::Error)
                return u"la copia è danneggiata (%1)"_s.arg(index.error());
            if (entry.name != ManifestName)
                continue;
            if (seen)
                return u"la copia contiene due elenchi del contenuto"_s;
            seen = true;
            QByteArray chunk(ChunkBytes, Qt::Uninitialized);
            for (qint64 n; (n = index.read(chunk.data(), chunk.size())) != 0;) {
                if (n < 0)
                    return u"la copia è danneggiata (%1: %2)"_s.arg(ManifestName, index.error());
                if (indexed.size() + n > 64 * ChunkBytes)
                    return u"l'elenco del contenuto è troppo grande"_s;
                indexed.append(chunk.constData(), n);
            }
        }
        if (!seen)
            return u"la copia non contiene l'elenco del contenuto"_s;
    }
    QHash<QString, ManifestLine> declared;
    QStringList listed; // in the manifest's order, a name twice listed twice
    qint64 declaredTotal = 0;
    {
        const QList<QByteArray> lines = indexed.split('\n');
        if (lines.isEmpty() || QString::fromUtf8(lines.first()) != ManifestHeader)
            return u"l'elenco del contenuto non è riconosciuto"_s;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (lines[i].isEmpty())
                continue;
            const QList<QByteArray> fields = lines[i].split('\t');
            bool sizeOk = false;
            const qint64 size = fields.size() == 3 ? fields[1].toLongLong(&sizeOk) : -1;
            if (!sizeOk || size < 0)
                return u"l'elenco del contenuto è danneggiato"_s;
            listed << QString::fromUtf8(fields[0]);
            declared.insert(listed.last(), ManifestLine { size, fields[2] });
            declaredTotal += size;
        }
    }
    const QStorageInfo disk(staging);
    if (disk.isValid() && disk.bytesAvailable() >= 0 && declaredTotal > disk.bytesAvailable())
        return u"sul disco della cartella del programma non c'è spazio per la copia (servono %1 MB, ne restano %2)"_s
            .arg((declaredTotal + (1 << 20) - 1) >> 20)
            .arg(disk.bytesAvailable() >> 20);

    zip::Reader reader;
    if (!reader.open(backupFile))
        return u"il file non si legge come copia di sicurezza (%1)"_s.arg(reader.error());
    const qint64 total = QFileInfo(backupFile).size();
    QHash<QString, ManifestLine> found;
    QByteArray manifest;
    bool manifestSeen = false;
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    qint64 done = 0;
    zip::Reader::Entry entry;
    for (;;) {
        const zip::Reader::Next status = reader.next(entry);
        if (status == zip::Reader::Next::End)
            break;
        if (status == zip::Reader::Next::Error)
            return u"la copia è danneggiata (%1)"_s.arg(reader.error());
        const QString& name = entry.name;
        const bool directory = entry.directory;
        const bool manifestEntry = name == ManifestName;
        if (!manifestEntry && (!allowedName(name, directory) || found.contains(name)))
            return u"la copia contiene un file inatteso (%1)"_s.arg(name);
        if (!directory && !entry.regular)
            return u"la copia contiene un file inatteso (%1)"_s.arg(name);
        if (manifestEntry && manifestSeen)
            return u"la copia contiene due elenchi del contenuto"_s;
        const QString top = topName(name);
        if (!manifestEntry && !incoming.contains(top))
            incoming << top;
        const QString target = QDir(staging).filePath(name);
        if (directory) {
            if (!QDir().mkpath(target))
                return u"impossibile preparare i file (%1)"_s.arg(name);
            continue;
        }
        const auto declaredLine = declared.constFind(name);
        const qint64 allowed = manifestEntry  ? 64 * ChunkBytes
            : declaredLine == declared.cend() ? -1
                                              : declaredLine->size;
        if (allowed < 0)
            return u"la copia contiene file che l'elenco non indica (%1)"_s.arg(name);
        QFile out(target);
        if (!manifestEntry) {
            QDir().mkpath(QFileInfo(target).absolutePath());
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return u"impossibile preparare i file (%1: %2)"_s.arg(name, out.errorString());
        }
        Sha256 hash;
        qint64 size = 0;
        for (;;) {
            const qint64 n = reader.read(chunk.data(), chunk.size());
            if (n == 0)
                break;
            if (n < 0)
                return u"la copia è danneggiata (%1: %2)"_s.arg(name, reader.error());
            // Unpacking stops at the first byte beyond the size declared.
            if (size + n > allowed)
                return u"il file %1 è più grande di quanto indica l'elenco del contenuto"_s.arg(name);
            if (manifestEntry) {
                if (manifest.size() + n > 64 * ChunkBytes)
                    return u"l'elenco del contenuto è troppo grande"_s;
                manifest.append(chunk.constData(), n);
            } else {
                hash.addData(chunk.constData(), n);
                if (out.write(chunk.constData(), n) != n)
                    return u"impossibile preparare i file (%1: %2)"_s.arg(name, out.errorString());
            }
            size += n;
            done += n;
            if (progress.step)
                progress.step(std::min(done, total), total);
            if (progress.cancelled && progress.cancelled()) {
                cancelled = true;
                return u"annullato"_s;
            }
        }
        if (manifestEntry) {
            manifestSeen = true;
            continue;
        }
        if (!out.flush() || ::fsync(out.handle()) != 0)
            return u"impossibile preparare i file (%1: %2)"_s.arg(name, systemError(errno));
        out.close();
        found.insert(name, ManifestLine { size, hash.hexResult() });
    }
    if (!manifestSeen)
        return u"la copia non contiene l'elenco del contenuto"_s;
    if (manifest != indexed)
        return u"l'elenco del contenuto è danneggiato"_s;

    // Every member against the manifest read at the start (the one in the
    // stream is the same, checked above).
    for (const QString& name : std::as_const(listed)) {
        const auto it = found.constFind(name);
        if (it == found.cend())
            return u"manca il file %1 indicato nell'elenco"_s.arg(name);
        const ManifestLine& line = declared[name];
        if (it->size != line.size || it->sha256 != line.sha256)
            return u"il file %1 non corrisponde all'elenco (contenuto alterato)"_s.arg(name);
    }
    if (listed.size() != found.size())
        return u"la copia contiene file che l'elenco non indica"_s;
    syncFolder(staging);
    return {};
}

} // namespace

const QList<Member>& members()
{
    static const QList<Member> table = [] {
        using R = programFolder::Role;
        QList<Member> list;
        for (const programFolder::Entry& entry : programFolder::table()) {
            if (!programFolder::backedUp(entry.role))
                continue;
            const Member::Kind kind = entry.role == R::Archive ? Member::Kind::Archive
                : entry.role == R::ItemMap                     ? Member::Kind::ArchiveMap
                : entry.role == R::Attachments                 ? Member::Kind::Folder
                                                               : Member::Kind::File;
            list.append(
                { entry.name, kind, entry.recordSize, programFolder::keptWithoutBackup(entry.role), entry.lock });
        }
        return list;
    }();
    return table;
}

QString fileName(const QDateTime& moment)
{
    return u"Quirvale_copia_"_s + moment.toString(Stamp) + u".zip"_s;
}

bool isBackupName(const QString& name)
{
    static const QRegularExpression pattern(
        u"^Quirvale_copia_\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}(_\\d+)?\\.zip$"_s);
    return pattern.match(name).hasMatch();
}

Result makeBackup(
    const QString& programFolder, const QString& targetFolder, int keep, const QDateTime& now, const Progress& progress)
{
    const QDir home(programFolder);
    if (restoreRunning(programFolder))
        return failed(Result::Outcome::Failed, u"Copia di sicurezza non eseguita: "_s + RestoreRunningMessage);
    if (!QFileInfo(targetFolder).isDir())
        return failed(Result::Outcome::Failed,
            u"Copia di sicurezza non eseguita: la cartella \"%1\" non esiste."_s.arg(targetFolder));

    // The folder's identity goes into every backup: the rotation tells its
    // backups from another folder's by it.
    QString identity;
    try {
        identity = itemmap::folderIdentity(QDir(programFolder).path() + u'/');
    } catch (const AccessFailure&) {
        identity = itemmap::existingIdentity(QDir(programFolder).path() + u'/');
    }

    // What goes in, and how many bytes, for the progress.
    struct Item {
        const Member* member;
        QString path;
        QString name;
    };
    std::vector<Item> items;
    qint64 total = 0;
    QString linkedFolder; // the attachments folder kept elsewhere through a link
    for (const Member& member : members()) {
        const QString path = home.filePath(member.name);
        const QFileInfo info(path);
        // The attachments folder may be a link to another disk: what it
        // points to is backed up, and the user is told; one that leads
        // nowhere is no backup without the attachments.
        if (member.kind == Member::Kind::Folder && info.isSymLink()) {
            if (!info.isDir())
                return failed(Result::Outcome::Failed,
                    u"Copia di sicurezza non eseguita: la cartella %1 è un collegamento a \"%2\", che non si "
                    u"raggiunge (un disco non collegato?). Le copie già presenti non sono state toccate."_s.arg(
                        member.name, QDir::toNativeSeparators(info.symLinkTarget())));
            linkedFolder = info.symLinkTarget();
        } else if (member.kind == Member::Kind::ArchiveMap || info.isSymLink() || !info.exists()) {
            continue;
        }
        if (member.kind == Member::Kind::Folder) {
            if (!info.isDir())
                continue;
            for (const QString& name : folderFiles(path)) {
                items.push_back({ &member, QDir(path).filePath(name), member.name + u'/' + name });
                total += QFileInfo(QDir(path).filePath(name)).size();
            }
        } else if (info.isFile()) {
            items.push_back({ &member, path, member.name });
            total += member.kind == Member::Kind::Archive ? info.size() / member.recordSize * member.recordSize
                                                          : info.size();
        }
    }

    // A folder without any archive (a share not mounted, a wrong path) is
    // no backup: it would only push the good ones out.
    if (std::none_of(
            items.begin(), items.end(), [](const Item& item) { return item.member->kind == Member::Kind::Archive; }))
        return failed(Result::Outcome::Failed,
            u"Copia di sicurezza non eseguita: nella cartella \"%1\" non c'è nessun archivio del programma. "
            u"Controllare che la cartella di rete sia collegata e che il percorso sia giusto; le copie già "
            u"presenti non sono state toccate."_s.arg(QDir::toNativeSeparators(programFolder)));

    // Two backups in one second get "_2", "_3"... before the extension.
    QString target;
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? fileName(now) : fileName(now).chopped(4) + u'_' + QString::number(n) + u".zip"_s;
        target = QDir(targetFolder).filePath(name);
        if (!present(target) && !present(target + u".tmp"_s))
            break;
    }
    const QString temporary = target + u".tmp"_s;
    const int fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed(Result::Outcome::Failed,
            u"Copia di sicurezza non eseguita: impossibile scrivere nella cartella \"%1\" (%2)."_s.arg(
                targetFolder, systemError(errno)));

    Writer writer(progress, total);
    bool ok = writer.open(fd);
    for (const Item& item : items) {
        if (!ok)
            break;
        if (item.member->kind == Member::Kind::Archive) {
            ok = addArchive(writer, item.path, *item.member);
            continue;
        }
        // A file that only the holder of its lock opens is read holding it:
        // a sync under way finishes first.
        safefiles::LockFile lock;
        if (!item.member->lock.isEmpty()
            && lock.acquire(home.filePath(item.member->lock), LockWaitMs) != safefiles::LockFile::Result::Taken) {
            writer.setMessage(u"una sincronizzazione in corso non è terminata in tempo: ripetere la copia più tardi"_s);
            ok = false;
            break;
        }
        // An attached file removed or renamed since the folder was listed is
        // no longer part of the set.
        if (item.member->kind == Member::Kind::Folder && !present(item.path))
            continue;
        ok = addFile(writer, item.path, item.name);
    }
    const bool cancelled = writer.cancelled();
    ok = ok && !cancelled && writer.finish(now);
    if (ok && ::fsync(fd) != 0) {
        writer.setMessage(systemError(errno));
        ok = false;
    }
    ::close(fd);
    if (ok && !renameTo(temporary, target)) {
        writer.setMessage(systemError(errno));
        ok = false;
    }
    if (!ok) {
        QFile::remove(temporary);
        if (cancelled)
            return failed(Result::Outcome::Cancelled, u"Copia di sicurezza annullata."_s);
        return failed(Result::Outcome::Failed, u"Copia di sicurezza non riuscita: %1."_s.arg(writer.message()));
    }
    syncFolder(targetFolder);

    Result result;
    result.file = target;
    result.files = writer.files();
    result.bytes = writer.bytes();
    removeOldest(targetFolder, identity, std::max(keep, 1), now, result);
    result.message = u"Copia di sicurezza completata: %1 (%2 file)."_s.arg(target).arg(result.files);
    if (!linkedFolder.isEmpty())
        result.message += u" La cartella %1 è un collegamento a \"%2\": nella copia ci sono i file di quella "
                          u"cartella; un ripristino li rimette in una cartella %1 vera e propria."_s.arg(
                              FolderName, QDir::toNativeSeparators(linkedFolder));
    return result;
}

static bool finishPending(const QString& programFolder);

// Holds the folder's restore lock: one restore at a time, and no start of
// another program clears or finishes what a restore is doing.
static bool takeRestoreLock(safefiles::LockFile& lock, const QString& programFolder)
{
    return lock.acquire(QDir(programFolder).filePath(programFolder::RestoreLock), 0)
        != safefiles::LockFile::Result::Busy;
}

Result restore(
    const QString& programFolder, const QString& backupFile, const QDateTime& now, const Progress& givenProgress)
{
    safefiles::LockFile restoreLock;
    if (!takeRestoreLock(restoreLock, programFolder))
        return failed(Result::Outcome::Refused, u"Ripristino rifiutato: "_s + RestoreRunningMessage);
    // The lock stays fresh as long as the work goes on.
    Progress progress = givenProgress;
    progress.step = [&restoreLock, step = givenProgress.step](qint64 done, qint64 total) {
        restoreLock.refresh();
        if (step)
            step(done, total);
    };
    finishPending(programFolder);
    const QDir home(programFolder);
    // A swap that could not be finished keeps its marker: no second one
    // begins over it.
    if (present(home.filePath(MarkerName)))
        return failed(Result::Outcome::Failed,
            u"Ripristino non eseguito: un ripristino precedente non è stato completato "
            u"(file %1 nella cartella del programma)."_s.arg(MarkerName));
    if (QFileInfo(backupFile).isDir())
        return failed(Result::Outcome::Failed,
            u"Ripristino non eseguito: \"%1\" è una cartella; indicare il file della copia di sicurezza "
            u"(Quirvale_copia_....zip) che contiene."_s.arg(backupFile));
    if (!QFileInfo(backupFile).isFile())
        return failed(
            Result::Outcome::Failed, u"Ripristino non eseguito: il file \"%1\" non esiste."_s.arg(backupFile));

    Plan plan;
    plan.staging = QFileInfo(freeName(home.filePath(StagingPrefix + now.toString(Stamp)))).fileName();
    const QString staging = home.filePath(plan.staging);
    if (!home.mkdir(plan.staging))
        return failed(
            Result::Outcome::Failed, u"Ripristino non eseguito: impossibile scrivere nella cartella del programma."_s);
    const auto dropStaging = [&] { QDir(staging).removeRecursively(); };

    bool cancelled = false;
    const QString problem = unpackAndVerify(backupFile, staging, progress, plan.incoming, cancelled);
    if (cancelled) {
        dropStaging();
        return failed(Result::Outcome::Cancelled, u"Ripristino annullato: nulla è stato cambiato."_s);
    }
    if (!problem.isEmpty()) {
        dropStaging();
        return failed(Result::Outcome::Refused,
            u"Ripristino rifiutato: %1. Gli archivi attuali non sono stati toccati."_s.arg(problem));
    }

    // A backup without archives would leave the folder without its records:
    // only when the user says so.
    const auto isArchive
        = [](const QString& name) { return programFolder::roleOf(name) == programFolder::Role::Archive; };
    const QStringList current = currentMembers(programFolder);
    if (std::none_of(plan.incoming.begin(), plan.incoming.end(), isArchive)
        && std::any_of(current.begin(), current.end(), isArchive)
        && !(progress.confirm
            && progress.confirm(u"La copia di sicurezza scelta non contiene nessun archivio: il ripristino "
                                u"lascerebbe la cartella senza appuntamenti, contatti e documenti (quelli attuali "
                                u"passerebbero nella cartella dei dati precedenti).\r\n\r\nRipristinare "
                                u"ugualmente?"_s))) {
        dropStaging();
        return failed(Result::Outcome::Refused,
            u"Ripristino rifiutato: la copia di sicurezza non contiene nessun archivio. Gli archivi attuali non "
            u"sono stati toccati."_s);
    }

    // No other copy of the program may be writing while the set changes:
    // every archive is held for writing until the swap is done.
    std::vector<std::unique_ptr<ArchiveFile>> held;
    try {
        for (const Member& member : members()) {
            const QString path = home.filePath(member.name);
            if (member.kind != Member::Kind::Archive || !QFileInfo(path).isFile())
                continue;
            held.push_back(std::make_unique<ArchiveFile>());
            held.back()->open(path, member.recordSize, ArchiveFile::Access::Write);
        }
    } catch (const AccessFailure& failure) {
        held.clear();
        dropStaging();
        if (!failure.busy())
            return failed(Result::Outcome::Failed,
                u"Ripristino non eseguito: impossibile scrivere negli archivi della cartella del programma."_s);
        return failed(Result::Outcome::Refused,
            u"Ripristino rifiutato: un'altra postazione sta scrivendo negli archivi. "
            u"Riprovare quando avrà finito; gli archivi attuali non sono stati toccati."_s);
    }

    plan.aside = QFileInfo(freeName(home.filePath(AsidePrefix + now.toString(Stamp)))).fileName();
    // What the backup lacks goes aside, except what keeps the folder the
    // same folder (its identity, its settings).
    for (const QString& name : current)
        if (!plan.incoming.contains(name) && !programFolder::keptWithoutBackup(programFolder::roleOf(name)))
            plan.outgoingOnly << name;
    const QString marker = home.filePath(MarkerName);
    if (!writeDurably(marker, planText(plan))) {
        dropStaging();
        return failed(
            Result::Outcome::Failed, u"Ripristino non eseguito: impossibile scrivere nella cartella del programma."_s);
    }
    const bool swapped = carryOut(programFolder, plan);
    held.clear();
    if (!swapped)
        return failed(
            Result::Outcome::Failed, u"Ripristino interrotto: sarà completato al prossimo avvio del programma."_s);
    QFile::remove(marker);
    syncFolder(programFolder);
    dropStaging();

    Result result;
    result.file = home.filePath(plan.aside);
    result.files = plan.incoming.size();
    result.message = u"Ripristino completato. I dati precedenti sono nella cartella %1."_s.arg(plan.aside);
    return result;
}

bool finishPendingRestore(const QString& programFolder)
{
    safefiles::LockFile restoreLock;
    if (!takeRestoreLock(restoreLock, programFolder))
        return false;
    return finishPending(programFolder);
}

bool restoreRunning(const QString& programFolder)
{
    // Only looked at, never taken: a program starting must not, for an
    // instant, turn away a restore that begins.
    const QString lock = QDir(programFolder).filePath(programFolder::RestoreLock);
    return present(lock) && !safefiles::LockFile::isStale(lock);
}

static bool finishPending(const QString& programFolder)
{
    const QDir home(programFolder);
    const QString marker = home.filePath(MarkerName);
    bool any = false;
    QString keep;
    if (present(marker)) {
        if (const auto plan = readPlan(marker)) {
            if (carryOut(programFolder, *plan)) {
                QFile::remove(marker);
                syncFolder(programFolder);
            } else {
                keep = plan->staging; // tried again next time
            }
            any = true;
        }
    }
    if (QFile::remove(marker + u".tmp"_s))
        any = true;
    const QStringList leftovers
        = home.entryList({ StagingPrefix + u'*' }, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : leftovers) {
        if (name == keep || present(marker))
            continue;
        QDir(home.filePath(name)).removeRecursively();
        any = true;
    }
    return any;
}

} // namespace backup
