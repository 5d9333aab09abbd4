#pragma once
// Who a record is outside the program, in one place for every exchange:
// the calendar and address-book files, the calendar server, and whatever
// comes later. For each record that went out or came in, its UID (this
// folder's own, or the one it came with), the record as it was last agreed
// with the outside (as last received or sent, field by field), and a
// fingerprint of the record as the map last knew it.
//
// The map of an archive is the file "<archive>.elementi" beside it (see
// pathOf()). It is rewritten whole only by the exchanges, under the archive's
// write lock; every other writer of the archive only appends a line telling
// what it wrote (noteRewrite(), noteAppend(), noteTruncate(), called by
// ArchiveFile under the same lock), so that the map follows the records the
// program writes. A record changed by anything that does not write those
// lines (an older copy of the program, an archive copied or restored over
// this one without its map) no longer matches its fingerprint: the map then
// no longer certainly names it, and nothing is ever written over it in the
// name of its item.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <span>

class ArchiveFile;

namespace itemmap {

// The identity of the program folder `folder` (with its trailing separator),
// a UUID kept in the folder's file programFolder::Identity, written once and
// kept for ever: what makes this folder's UIDs its own. It is made and
// written on first use. Two workstations making it at once agree:
// the first file written wins. Throws AccessFailure when the folder cannot
// be written and has no identity yet.
QString folderIdentity(const QString& folder);
// The identity when the folder has one, without making it.
QString existingIdentity(const QString& folder);

// A digest of one record: 64 bits over its bytes, the same on every machine
// and in every version of the program.
quint64 fingerprint(const char* record, int size);

// What each field of a record says, 32 bits a field over its kept text (not
// the bytes after it, which carry no meaning): equal digests, equal texts.
QByteArray fieldDigests(const char* record, std::span<const int> capacities);

// The three versions of a record that travels: `base` the field digests of
// the record as last agreed with the outside (empty when unknown), `current`
// the archive's record now, `incoming` what a file or a server gives now. A
// field changed only outside is taken, a field changed only in the archive
// is kept; changed on both sides to different texts, the archive's text
// stays and the field is named in `conflicts`. Without a base every field
// of `incoming` is taken.
// The fields of `record` whose text is not the one of `base` (fieldDigests()
// of another record); every field when `base` is unknown.
QList<int> changedFields(const QByteArray& base, const char* record, std::span<const int> capacities);

struct Merge {
    QByteArray record;    // what the archive will hold
    QList<int> conflicts; // fields changed on both sides
    QList<int> taken;     // fields taken from outside
};
Merge mergeThreeWays(
    std::span<const int> capacities, const QByteArray& base, const QByteArray& current, const QByteArray& incoming);

class ItemMap {
public:
    struct Entry {
        qint64 position = 0;
        QString uid;
        quint64 fingerprint = 0; // the record as the map last knew it; 0: not certain
        QByteArray base;         // fieldDigests() of the record as last agreed with the outside; may be empty
        // The item as the outside last had it (its text, UTF-8), for an item
        // that came from outside: what the record cannot hold goes out again
        // from here. Empty for the folder's own records.
        QByteArray original;
    };

    // The map of the archive at `archivePath` with records of `capacities`;
    // `prefix` is the letter of this folder's UIDs for the archive ('A' for
    // appointments, 'C' for contacts). A missing map is made from what the
    // earlier copies of the program kept (the UIDs of imports, the UIDs
    // derived from the positions of a folder that had exported) the first
    // time it is saved. Throws AccessFailure when the file cannot be read.
    // `open`, when given, is the archive already open (and locked) by the
    // caller, read through for what the making of a map needs.
    static ItemMap load(
        const QString& archivePath, std::span<const int> capacities, QChar prefix, ArchiveFile* open = nullptr);
    static QString pathOf(const QString& archivePath);

    // The entry of a record, when the map names it and the record is still
    // what the map last knew (`record` its bytes now); nothing otherwise.
    const Entry* certain(qint64 position, const char* record) const;
    // The entry of an item's UID, certain or not.
    const Entry* byUid(const QString& uid) const;
    const Entry* byPosition(qint64 position) const;

    // The UID of the record at `position` whose bytes are `record`: the one
    // the map certainly gives it, or a new UID of this folder, recorded with
    // the record as it is now (base left as it was).
    QString uidFor(qint64 position, const char* record);
    // Records that `position` holds `record`, known outside as `uid` and last
    // agreed with the outside as `agreed` (a record of the same layout): the
    // base of the next comparison; `original` the item's text as the outside
    // has it now (nothing: the one the entry of the same UID had). Any other
    // entry of the UID or the position is dropped.
    void set(qint64 position, const QString& uid, const char* record, const char* agreed,
        std::optional<QByteArray> original = std::nullopt);
    // The record at `position` is now `record`, the base unchanged.
    void follow(qint64 position, const char* record);
    void remove(const QString& uid);
    // Forgets the entries past the archive's `count` records: the records
    // they named are gone (an archive restored or copied over this one).
    void dropPast(qint64 count);

    // Writes the map whole, through a temporary file, with what the writers
    // noted folded in. `open` is the archive, opened for writing (and so
    // locked) by the caller: the map is read again under that lock, the
    // entries this map set or dropped go over it, and every other entry is
    // kept as the file has it now. Throws AccessFailure.
    void save(ArchiveFile& open) const;
    bool changed() const { return !m_touched.isEmpty(); }
    // Whether the archive had no map yet: this one was made at the load.
    bool isNew() const { return m_new; }
    qsizetype size() const { return m_entries.size(); }
    QList<Entry> entries() const;

    // Lines of the writers of the archive at `archivePath`, which hold its
    // write lock; nothing when the archive has no map. A failure to note is
    // not an error: the record then simply no longer matches its entry.
    static void noteRewrite(const QString& archivePath, qint64 position, quint64 before, quint64 after);
    static void noteAppend(const QString& archivePath, qint64 first, qint64 count);
    static void noteTruncate(const QString& archivePath, qint64 count);

private:
    void put(Entry entry);
    void drop(qint64 position);
    void write() const;
    QString m_archivePath;
    int m_recordSize = 0;
    std::span<const int> m_capacities;
    QChar m_prefix;
    QString m_identity;
    QHash<qint64, Entry> m_entries; // by position
    QHash<QString, qint64> m_byUid;
    QSet<qint64> m_touched; // positions set or dropped since the load
    bool m_new = false;
};

} // namespace itemmap
