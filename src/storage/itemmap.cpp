#include "storage/itemmap.h"

#include "storage/archivefile.h"
#include "storage/fixedtext.h"
#include "storage/programfolder.h"
#include "storage/safefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace itemmap {

namespace {

QString readIdentity(const QString& path)
{
    QByteArray bytes;
    if (!safefiles::readSmall(path, 200, bytes))
        return {};
    const QString text = QString::fromLatin1(bytes).trimmed();
    // Only what a UID may carry: letters, digits and hyphens.
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-')
            return {};
    return text;
}

const QString UidDomain = u"@quirvale"_s;
const QByteArray Header = "Quirvale elementi 1\n";

// Far more than the entries of any archive: what is larger is not a map.
constexpr qint64 MaxMapBytes = qint64(2) << 30;
// The map of UIDs that earlier copies of the program kept beside an archive.
constexpr qint64 MaxOldUidBytes = 256 * 1024 * 1024;

// FNV-1a: small, and the same on every machine and in every version, as
// digests kept in a file must be.
template <typename Hash>
Hash fnv1a(const char* bytes, qsizetype size)
{
    constexpr bool Wide = sizeof(Hash) == 8;
    Hash hash = Wide ? Hash(14695981039346656037ull) : Hash(2166136261u);
    const Hash prime = Wide ? Hash(1099511628211ull) : Hash(16777619u);
    for (qsizetype i = 0; i < size; ++i) {
        hash ^= quint8(bytes[i]);
        hash *= prime;
    }
    return hash;
}

QByteArray hex64(quint64 value)
{
    return QByteArray::number(value, 16).rightJustified(16, '0');
}

// The UID in a line: tabs, line breaks and percent signs escaped.
QByteArray escapeUid(const QString& uid)
{
    return uid.toUtf8().toPercentEncoding(QByteArray(), "\t\r\n%");
}

QString oldUidsPath(const QString& archivePath)
{
    QString path = archivePath;
    if (path.endsWith(u".qzv"_s))
        path.chop(4);
    return path + u".uid"_s;
}

QString folderOf(const QString& archivePath)
{
    return QFileInfo(archivePath).absolutePath() + u'/';
}

// The UID that earlier copies of the program derived from a position.
QString positionUid(QChar prefix, const QString& identity, qint64 position)
{
    return prefix + QString::number(position) + u'-' + identity + UidDomain;
}

void appendLine(const QString& archivePath, const QByteArray& line)
{
    const int fd = safefiles::openRegular(ItemMap::pathOf(archivePath), O_WRONLY | O_APPEND);
    if (fd < 0)
        return; // no map: nothing to follow
    safefiles::writeAll(fd, line.constData(), line.size());
    ::close(fd);
}

} // namespace

QString existingIdentity(const QString& folder)
{
    return readIdentity(folder + programFolder::Identity);
}

QString folderIdentity(const QString& folder)
{
    const QString path = folder + programFolder::Identity;
    if (QString identity = readIdentity(path); !identity.isEmpty())
        return identity;
    // Written whole under another name, then linked into place: a link never
    // replaces a file, so of two workstations making it at once the first
    // wins and the other reads it.
    const QString identity = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString temporary = safefiles::temporaryName(folder);
    const int fd = safefiles::createNew(temporary);
    const QByteArray line = identity.toLatin1() + '\n';
    const bool written = fd >= 0 && safefiles::writeAll(fd, line.constData(), line.size()) && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!written) {
        QFile::remove(temporary);
        throw AccessFailure(u"%1: cannot write the folder identity"_s.arg(path));
    }
    const int linked = ::link(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData());
    const int saved = errno;
    QFile::remove(temporary);
    if (QString existing = readIdentity(path); !existing.isEmpty())
        return existing;
    throw AccessFailure(u"%1: cannot write the folder identity (%2)"_s.arg(path).arg(linked == 0 ? 0 : saved));
}

quint64 fingerprint(const char* record, int size)
{
    // 0 stands for "not certain" in the map.
    const quint64 hash = fnv1a<quint64>(record, size);
    return hash == 0 ? 1 : hash;
}

QByteArray fieldDigests(const char* record, std::span<const int> capacities)
{
    QByteArray digests(qsizetype(capacities.size()) * 4, Qt::Uninitialized);
    int offset = 0;
    for (std::size_t f = 0; f < capacities.size(); ++f) {
        const QByteArrayView text = FixedText::trimmedBytes(record + offset, capacities[f]);
        const quint32 hash = fnv1a<quint32>(text.data(), text.size());
        std::memcpy(digests.data() + f * 4, &hash, 4);
        offset += capacities[f] + 1;
    }
    return digests;
}

QList<int> changedFields(const QByteArray& base, const char* record, std::span<const int> capacities)
{
    const QByteArray now = fieldDigests(record, capacities);
    const bool known = base.size() == now.size();
    QList<int> changed;
    for (int f = 0; f < int(capacities.size()); ++f)
        if (!known || QByteArrayView(base).sliced(f * 4, 4) != QByteArrayView(now).sliced(f * 4, 4))
            changed.append(f);
    return changed;
}

Merge mergeThreeWays(
    std::span<const int> capacities, const QByteArray& base, const QByteArray& current, const QByteArray& incoming)
{
    const QByteArray mine = fieldDigests(current.constData(), capacities);
    const QByteArray theirs = fieldDigests(incoming.constData(), capacities);
    const bool known = base.size() == mine.size();
    Merge merge;
    merge.record = current;
    int offset = 0;
    for (int f = 0; f < int(capacities.size()); offset += capacities[f] + 1, ++f) {
        const QByteArrayView was = known ? QByteArrayView(base).sliced(f * 4, 4) : QByteArrayView();
        const QByteArrayView now = QByteArrayView(mine).sliced(f * 4, 4);
        const QByteArrayView there = QByteArrayView(theirs).sliced(f * 4, 4);
        if (there == now || (known && there == was))
            continue; // the same on both sides, or not changed outside
        const QByteArrayView ours = FixedText::trimmedBytes(current.constData() + offset, capacities[f]);
        const QByteArrayView other = FixedText::trimmedBytes(incoming.constData() + offset, capacities[f]);
        if (ours == other)
            continue;
        if (known && now != was) {
            merge.conflicts.append(f);
            continue;
        }
        std::memcpy(merge.record.data() + offset, incoming.constData() + offset, size_t(capacities[f]) + 1);
        merge.taken.append(f);
    }
    return merge;
}

QString ItemMap::pathOf(const QString& archivePath)
{
    const QFileInfo archive(archivePath);
    return archive.dir().filePath(programFolder::itemMapOf(archive.fileName()));
}

ItemMap ItemMap::load(const QString& archivePath, std::span<const int> capacities, QChar prefix, ArchiveFile* open)
{
    ItemMap map;
    map.m_archivePath = archivePath;
    map.m_capacities = capacities;
    map.m_prefix = prefix;
    for (int capacity : capacities)
        map.m_recordSize += capacity + 1;
    const QString folder = folderOf(archivePath);
    map.m_identity = existingIdentity(folder);

    QByteArray bytes;
    if (safefiles::readSmall(pathOf(archivePath), MaxMapBytes, bytes)) {
        if (!bytes.startsWith(Header))
            throw AccessFailure(pathOf(archivePath) + u": not a map of items"_s);
        const QByteArrayView all(bytes);
        QList<QByteArrayView> parts;
        for (qsizetype at = Header.size(); at < all.size();) {
            qsizetype end = all.indexOf('\n', at);
            if (end < 0)
                end = all.size();
            const QByteArrayView line = all.sliced(at, end - at);
            at = end + 1;
            parts.clear();
            for (qsizetype from = 0;;) {
                const qsizetype tab = line.indexOf('\t', from);
                parts.append(line.sliced(from, (tab < 0 ? line.size() : tab) - from));
                if (tab < 0)
                    break;
                from = tab + 1;
            }
            if (parts.size() < 2)
                continue;
            bool ok = false;
            const qint64 position = parts[1].toLongLong(&ok);
            if (!ok || position < 0)
                continue;
            const QByteArrayView kind = parts[0];
            if ((kind == "E" || kind == "L") && parts.size() >= 4 && position > 0) {
                Entry entry;
                entry.position = position;
                entry.fingerprint = parts[2].toULongLong(&ok, 16);
                if (!ok)
                    entry.fingerprint = 0;
                entry.base = QByteArray::fromHex(parts[3].toByteArray());
                if (entry.base.size() != qsizetype(capacities.size()) * 4)
                    entry.base.clear();
                if (kind == "E" && parts.size() >= 5)
                    entry.uid = QString::fromUtf8(QByteArray::fromPercentEncoding(parts[4].toByteArray()));
                if (kind == "E" && parts.size() >= 6)
                    entry.original = QByteArray::fromBase64(parts[5].toByteArray());
                else if (kind == "L" && !map.m_identity.isEmpty())
                    entry.uid = positionUid(prefix, map.m_identity, position);
                if (!entry.uid.isEmpty())
                    map.put(entry);
            } else if (kind == "W" && parts.size() >= 4) {
                // A rewrite by a writer of this program: followed when the
                // record was what the map knew, otherwise no longer certain.
                const auto found = map.m_entries.find(position);
                if (found != map.m_entries.end())
                    found->fingerprint
                        = found->fingerprint == parts[2].toULongLong(&ok, 16) ? parts[3].toULongLong(&ok, 16) : 0;
            } else if (kind == "A" && parts.size() >= 3) {
                // New records where the map still named old ones: those are gone.
                const qint64 count = parts[2].toLongLong(&ok);
                if (!ok || count <= 0)
                    continue;
                if (count < map.m_entries.size()) {
                    for (qint64 p = position; p < position + count; ++p)
                        if (const auto found = map.m_entries.find(p); found != map.m_entries.end())
                            found->fingerprint = 0;
                } else {
                    for (auto it = map.m_entries.begin(); it != map.m_entries.end(); ++it)
                        if (it->position >= position && it->position < position + count)
                            it->fingerprint = 0;
                }
            } else if (kind == "T") {
                for (auto it = map.m_entries.begin(); it != map.m_entries.end(); ++it)
                    if (it->position > position)
                        it->fingerprint = 0;
            }
        }
        // As the file has it: nothing of it goes over the file again at a save.
        map.m_touched.clear();
        return map;
    }
    if (errno != ENOENT)
        throw AccessFailure(u"%1: %2"_s.arg(pathOf(archivePath), QString::fromLocal8Bit(std::strerror(errno))));
    map.m_new = true;

    // No map yet: what the earlier copies of the program kept, taken as it
    // is now. A folder that had exported named every record by its position;
    // the UIDs of imports were kept beside the archive.
    QHash<qint64, QString> imported;
    QByteArray old;
    if (safefiles::readSmall(oldUidsPath(archivePath), MaxOldUidBytes, old)) {
        for (const QByteArray& rawLine : old.split('\n')) {
            const QByteArray line = rawLine.trimmed();
            const qsizetype tab = line.indexOf('\t');
            if (tab <= 0)
                continue;
            bool ok = false;
            const qint64 position = line.first(tab).toLongLong(&ok);
            if (ok && position > 0)
                imported.insert(position, QString::fromUtf8(line.sliced(tab + 1)));
        }
    }
    if (imported.isEmpty() && map.m_identity.isEmpty())
        return map;
    const auto take = [&](const char* record, qint64 position) {
        QString uid = imported.value(position);
        if (uid.isEmpty() && !map.m_identity.isEmpty())
            uid = positionUid(prefix, map.m_identity, position);
        if (!uid.isEmpty())
            map.put({ position, uid, fingerprint(record, map.m_recordSize), {}, {} });
    };
    if (open) {
        const qint64 at = open->position();
        open->seek(0);
        while (!open->atEnd()) {
            const qint64 position = open->position() + 1;
            take(open->next(), position);
        }
        open->seek(at);
    } else if (QFileInfo::exists(archivePath)) {
        archive::readAll(archivePath, map.m_recordSize, take);
    }
    return map;
}

void ItemMap::put(Entry entry)
{
    if (const auto old = m_entries.constFind(entry.position); old != m_entries.cend())
        m_byUid.remove(old->uid);
    if (const auto other = m_byUid.constFind(entry.uid); other != m_byUid.cend() && *other != entry.position) {
        m_entries.remove(*other);
        m_touched.insert(*other);
    }
    m_byUid.insert(entry.uid, entry.position);
    m_touched.insert(entry.position);
    m_entries.insert(entry.position, std::move(entry));
}

void ItemMap::drop(qint64 position)
{
    if (const auto old = m_entries.constFind(position); old != m_entries.cend()) {
        m_byUid.remove(old->uid);
        m_entries.erase(old);
        m_touched.insert(position);
    }
}

const ItemMap::Entry* ItemMap::byPosition(qint64 position) const
{
    const auto found = m_entries.constFind(position);
    return found == m_entries.cend() ? nullptr : &*found;
}

const ItemMap::Entry* ItemMap::byUid(const QString& uid) const
{
    const auto found = m_byUid.constFind(uid);
    return found == m_byUid.cend() ? nullptr : byPosition(*found);
}

const ItemMap::Entry* ItemMap::certain(qint64 position, const char* record) const
{
    const Entry* entry = byPosition(position);
    if (!entry || entry->fingerprint == 0 || entry->fingerprint != fingerprint(record, m_recordSize))
        return nullptr;
    return entry;
}

QString ItemMap::uidFor(qint64 position, const char* record)
{
    const quint64 now = fingerprint(record, m_recordSize);
    if (const Entry* entry = byPosition(position); entry && entry->fingerprint == now)
        return entry->uid;
    // A new UID of this folder, never given before: a UID is never made of
    // the position alone, since after a restore another record takes it.
    if (m_identity.isEmpty())
        m_identity = folderIdentity(folderOf(m_archivePath));
    const QString uid = m_prefix + QString::number(position) + u'-'
        + QUuid::createUuid().toString(QUuid::Id128).left(12) + u'-' + m_identity + UidDomain;
    put({ position, uid, now, {}, {} });
    return uid;
}

void ItemMap::set(
    qint64 position, const QString& uid, const char* record, const char* agreed, std::optional<QByteArray> original)
{
    if (!original) {
        const Entry* was = byUid(uid);
        original = was ? was->original : QByteArray();
    }
    put({ position, uid, fingerprint(record, m_recordSize), agreed ? fieldDigests(agreed, m_capacities) : QByteArray(),
        std::move(*original) });
}

void ItemMap::follow(qint64 position, const char* record)
{
    const auto found = m_entries.find(position);
    if (found == m_entries.end())
        return;
    found->fingerprint = fingerprint(record, m_recordSize);
    m_touched.insert(position);
}

void ItemMap::remove(const QString& uid)
{
    if (const auto found = m_byUid.constFind(uid); found != m_byUid.cend())
        drop(*found);
}

void ItemMap::dropPast(qint64 count)
{
    QList<qint64> gone;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it->position > count)
            gone.append(it->position);
    for (qint64 position : gone)
        drop(position);
}

QList<ItemMap::Entry> ItemMap::entries() const
{
    QList<Entry> list = m_entries.values();
    std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.position < b.position; });
    return list;
}

void ItemMap::save(ArchiveFile& open) const
{
    ItemMap now = load(m_archivePath, m_capacities, m_prefix, &open);
    for (qint64 position : m_touched) {
        if (const auto mine = m_entries.constFind(position); mine != m_entries.cend())
            now.put(*mine);
        else
            now.drop(position);
    }
    now.write();
}

void ItemMap::write() const
{
    QByteArray text = Header;
    const QList<Entry> list = entries();
    text.reserve(text.size() + list.size() * 120);
    for (const Entry& entry : list) {
        const bool derived = !m_identity.isEmpty() && entry.original.isEmpty()
            && entry.uid == positionUid(m_prefix, m_identity, entry.position);
        text += derived ? "L\t" : "E\t";
        text += QByteArray::number(entry.position);
        text += '\t';
        text += hex64(entry.fingerprint);
        text += '\t';
        text += entry.base.toHex();
        if (!derived) {
            text += '\t';
            text += escapeUid(entry.uid);
            if (!entry.original.isEmpty()) {
                text += '\t';
                text += entry.original.toBase64();
            }
        }
        text += '\n';
    }
    safefiles::Replacement file(pathOf(m_archivePath));
    if (!file.open() || !safefiles::writeAll(file.handle(), text.constData(), text.size()) || !file.commit())
        throw AccessFailure(u"%1: %2"_s.arg(file.target(), QString::fromLocal8Bit(std::strerror(errno))));
    // What earlier copies kept is in the map now.
    QFile::remove(oldUidsPath(m_archivePath));
}

void ItemMap::noteRewrite(const QString& archivePath, qint64 position, quint64 before, quint64 after)
{
    appendLine(archivePath, "W\t" + QByteArray::number(position) + '\t' + hex64(before) + '\t' + hex64(after) + '\n');
}

void ItemMap::noteAppend(const QString& archivePath, qint64 first, qint64 count)
{
    appendLine(archivePath, "A\t" + QByteArray::number(first) + '\t' + QByteArray::number(count) + '\n');
}

void ItemMap::noteTruncate(const QString& archivePath, qint64 count)
{
    appendLine(archivePath, "T\t" + QByteArray::number(count) + '\n');
}

} // namespace itemmap
