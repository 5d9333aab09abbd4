#include "sync/syncrun.h"

#include "storage/archivefile.h"
#include "storage/itemmap.h"
#include "storage/programfolder.h"
#include "storage/texts.h"
#include "sync/davclient.h"
#include "sync/itemcodec.h"
#include "sync/syncplan.h"
#include "sync/syncstate.h"

#include <QDateTime>
#include <QScopeGuard>

#include <algorithm>
#include <memory>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

SyncFailure::SyncFailure(QString message, bool busy)
    : m_message(std::move(message))
    , m_busy(busy)
    , m_what(m_message.toUtf8())
{
}

const char* SyncFailure::what() const noexcept
{
    return m_what.constData();
}

namespace {

constexpr int BatchSize = 50;
// Items forbidden (403) one after the other, none sent, that still let the sync go on.
constexpr int MaxRefusedInARow = 20;

// The state rows of finished writes, committed in groups; what is queued is
// committed also when the sync stops on a failure.
class RowWriter {
public:
    RowWriter(SyncState& state, Kind kind)
        : m_state(state)
        , m_kind(kind)
    {
    }
    ~RowWriter()
    {
        try {
            flush();
        } catch (...) {
        }
    }
    void save(const SyncState::ItemRow& row)
    {
        if (!m_open) {
            m_state.begin();
            m_open = true;
        }
        m_state.saveItem(m_kind, row);
        if (++m_count % BatchSize == 0)
            flush();
    }
    void flush()
    {
        if (m_open) {
            m_open = false;
            m_state.commit();
        }
    }

private:
    SyncState& m_state;
    Kind m_kind;
    bool m_open = false;
    int m_count = 0;
};

class CollectionSync {
public:
    CollectionSync(DavClient& client, SyncState& state, const ItemCodec& codec, Kind kind, const QUrl& url,
        Summary& summary, const Control& control)
        : m_client(client)
        , m_control(control)
        , m_state(state)
        , m_codec(codec)
        , m_kind(kind)
        , m_url(url)
        , m_summary(summary)
        , m_archive(programFolder::file(codec.archive))
        , m_rows(state, kind)
    {
    }

    void run()
    {
        // What went through is kept in the map also when the run stops half way.
        auto saved = qScopeGuard([this] {
            try {
                saveMap();
            } catch (...) {
            }
        });
        settlePending();
        m_map = itemmap::ItemMap::load(m_archive, m_codec.capacities, m_codec.uidPrefix);

        // The token is taken before the program's own sends. A server whose
        // changes are the difference of two states of its history (Xandikos)
        // leaves out an item made and removed after the token: so after
        // sending, the changes since that token are asked again, which shows
        // what others did meanwhile; an item sent then and missing from them
        // is one removed meanwhile.
        QByteArray token = m_state.token(m_kind);
        QSet<QString> sentBefore;
        for (int pass = 0; pass < 3; ++pass) {
            m_sentHrefs.clear();
            const Changes changes = runOnce(token, pass == 0, sentBefore);
            // Every change the token covers went through.
            m_state.setToken(m_kind, changes.token);
            if (m_sentHrefs.isEmpty() || changes.token.isEmpty())
                break;
            sentBefore = m_sentHrefs;
            token = changes.token;
        }
    }

private:
    Changes runOnce(const QByteArray& token, bool first, const QSet<QString>& sentBefore)
    {
        // Which record each item of the last syncs is: the map says so. The
        // state kept by earlier copies of the program named the records by
        // their positions; those are taken into the map when it is made,
        // never later, when the map alone knows which records they are.
        QList<SyncState::ItemRow> rows = m_state.items(m_kind);
        QHash<qint64, QString> adopt;
        if (first)
            for (const SyncState::ItemRow& row : rows)
                if (m_map->isNew() && row.position > 0 && !m_map->byUid(row.uid))
                    adopt.insert(row.position, row.uid);

        // The archive, read once. A record the map does not certainly name
        // gets a new UID: an item of the server is never written over a
        // record that may be another one (an archive restored or copied).
        QList<LocalRecord> records;
        m_uidAt.clear();
        archive::readAll(m_archive, m_codec.recordSize, [&](const char* record, qint64 position) {
            records.append({ position, digest(record) });
            if (const auto uid = adopt.constFind(position); uid != adopt.cend())
                m_map->set(position, *uid, record, nullptr);
            m_uidAt.insert(position, m_map->uidFor(position, record));
        });
        // The UIDs given now are kept before anything leaves: a run cut
        // short after the server took an item finds it again by its UID,
        // and never sends the record a second time under another one.
        saveMap();
        bool lost = false;
        for (SyncState::ItemRow& row : rows) {
            const itemmap::ItemMap::Entry* entry = m_map->byUid(row.uid);
            const bool named = entry && m_uidAt.value(entry->position) == row.uid;
            // The record it named is gone (an archive put back or cut
            // short): the item is fetched again, as a new record; the
            // server's whole listing says which of them it still has.
            if (!named && row.position > 0) {
                row.etag.clear();
                lost = true;
            }
            row.position = named ? entry->position : 0;
        }
        // The conflict copies stay here. A copy no longer where it was (an
        // archive put back, copied or cut short) names nothing now: the
        // record in its place is one of the archive's own.
        QSet<qint64> skip;
        for (const SyncState::Conflict& conflict : m_state.conflicts()) {
            if (conflict.kind != m_kind)
                continue;
            const bool there = conflict.position > 0 && conflict.position <= records.size()
                && (conflict.digest.isEmpty() || records[conflict.position - 1].digest == conflict.digest);
            if (there)
                skip.insert(conflict.position);
            else
                m_state.dropConflict(conflict.id);
        }

        m_uids.clear();
        m_agreedBase.clear();
        for (const SyncState::ItemRow& row : rows) {
            m_uids.insert(row.uid);
            if (!row.base.isEmpty())
                m_agreedBase.insert(row.uid, row.base);
        }
        Changes changes = m_client.changesSince(m_url, lost ? QByteArray() : token);
        if (!changes.complete && !sentBefore.isEmpty()) {
            // Compared as paths, however the server writes their characters ("%40" or "@").
            const auto path = [](const QString& href) { return QUrl::fromPercentEncoding(href.toUtf8()); };
            QSet<QString> listed;
            for (auto it = changes.present.cbegin(); it != changes.present.cend(); ++it)
                listed.insert(path(it.key()));
            for (const QString& href : std::as_const(changes.removed))
                listed.insert(path(href));
            for (const QString& href : sentBefore)
                if (!listed.contains(path(href)))
                    changes.removed.append(href);
        }
        const QList<Action> actions
            = plan(rows, records, skip, changes, [this](qint64 position) { return hrefFor(uidFor(position)); });

        m_movedAway.clear();
        for (const Action& action : actions)
            if (action.type == Action::Type::Removed && action.position > 0)
                m_movedAway.insert(action.uid);
        // The server's new and changed items first: one that carries the UID
        // of a record of this folder (a calendar exported to a file once and
        // imported by a phone into the account) is that record, never a new one.
        QList<Action> downloads;
        for (const Action& action : actions)
            if (action.type == Action::Type::Download || action.type == Action::Type::Rewrite)
                downloads.append(action);
        m_progress = { m_kind == Kind::Appointments ? u"Appuntamenti"_s : u"Contatti"_s, 0, int(actions.size()) };
        tell(0);
        for (qsizetype from = 0; from < downloads.size(); from += BatchSize) {
            const QList<Action> batch = downloads.mid(from, BatchSize);
            fetch(batch);
            tell(int(batch.size()));
        }

        for (const Action& action : actions) {
            if (action.type != Action::Type::Download && action.type != Action::Type::Rewrite)
                tell(1);
            switch (action.type) {
            case Action::Type::UploadNew:
            case Action::Type::UploadChanged:
                if (!m_adopted.contains(action.position) && !m_refused.contains(action.position))
                    upload(action);
                break;
            case Action::Type::Conflict:
                reconcile(action.uid.isEmpty() ? uidFor(action.position) : action.uid, action.href, action.position);
                break;
            case Action::Type::Removed:
                // Found again under another name in this run.
                if (m_found.contains(action.uid))
                    break;
                m_rows.save({ action.uid, action.href, action.etag, action.position, digestAt(action.position), true });
                ++m_summary.removed;
                m_summary.notes.append(action.position > 0
                        ? u"%1: eliminato sul server, il record resta nell'archivio."_s.arg(recordName(action.position))
                        : u"Elemento %1: eliminato sul server."_s.arg(action.href));
                break;
            case Action::Type::Download:
            case Action::Type::Rewrite:
                break;
            }
        }
        m_rows.flush();
        return changes;
    }

    // `handled` more items are done: the caller is told, and a sync asked to
    // stop ends here, between two items.
    void tell(int handled)
    {
        if (m_control.stop && m_control.stop->load()) {
            m_rows.flush();
            throw SyncFailure(u"Sincronizzazione interrotta: riprenderà da qui la prossima volta."_s);
        }
        m_progress.done = std::min(m_progress.total, m_progress.done + handled);
        if (m_control.progress)
            m_control.progress(m_progress);
    }

    // "Appuntamento n. 12", "Contatto n. 3".
    QString recordName(qint64 position) const
    {
        return (m_kind == Kind::Appointments ? u"Appuntamento n. %1"_s : u"Contatto n. %1"_s).arg(position);
    }

    QByteArray digest(const char* record) const { return recordDigest(record, m_codec.capacities); }

    QByteArray digestAt(qint64 position) const
    {
        if (position <= 0)
            return QByteArray();
        QByteArray record(m_codec.recordSize, '\0');
        archive::readAt(m_archive, m_codec.recordSize, position, record.data());
        return digest(record.constData());
    }

    QString uidFor(qint64 position) const { return m_uidAt.value(position); }

    // The row of an item and a record that agree now, `record` as both have it.
    SyncState::ItemRow agreed(const QString& uid, const QString& href, const QByteArray& etag, qint64 position,
        const QByteArray& record) const
    {
        return { uid, href, etag, position, digest(record.constData()), false,
            itemmap::fieldDigests(record.constData(), m_codec.capacities) };
    }

    // The record at `position` is now `record`, agreed with the server as
    // it is; `original`, the item's text as the server has it now.
    void remember(qint64 position, const QString& uid, const QByteArray& record,
        std::optional<QByteArray> original = std::nullopt)
    {
        m_map->set(position, uid, record.constData(), record.constData(), std::move(original));
        m_uidAt.insert(position, uid);
    }

    // The item text of a record: an item that came from the server goes out
    // as the server last had it, with what the office changed written over it.
    QByteArray encodeAt(const QByteArray& record, const QString& uid) const
    {
        const itemmap::ItemMap::Entry* entry = m_map->byUid(uid);
        if (entry && !entry->original.isEmpty())
            return m_codec.encode(record.constData(), uid, entry->original,
                itemmap::changedFields(entry->base, record.constData(), m_codec.capacities));
        return m_codec.encode(record.constData(), uid, {}, {});
    }
    // What is kept of an item sent: its text, when the map keeps the item's own.
    std::optional<QByteArray> sentOriginal(const QString& uid, const QByteArray& text) const
    {
        const itemmap::ItemMap::Entry* entry = m_map->byUid(uid);
        return entry && !entry->original.isEmpty() ? std::optional(text) : std::nullopt;
    }

    // What the run changed in the map, written under the archive's lock.
    void saveMap()
    {
        if (!m_map || !m_map->changed())
            return;
        ArchiveFile file;
        file.open(m_archive, m_codec.recordSize, ArchiveFile::Access::Write);
        m_map->save(file);
        file.close();
    }

    QString hrefFor(const QString& uid) const
    {
        return m_url.path(QUrl::FullyEncoded) + QString::fromLatin1(QUrl::toPercentEncoding(uid)) + m_codec.extension;
    }

    // The appends of a run cut short: those that reached the archive are
    // recorded now, the others are forgotten and planned again.
    void settlePending()
    {
        const QList<SyncState::Pending> pending = m_state.pending(m_kind);
        if (pending.isEmpty())
            return;
        const qint64 count = archive::count(m_archive, m_codec.recordSize);
        m_state.begin();
        for (const SyncState::Pending& p : pending) {
            if (p.position <= count && digestAt(p.position) == p.digest) {
                if (p.purpose == u"conflict"_s)
                    m_state.addConflict({ m_kind, p.uid, p.position, p.etag, QDateTime::currentDateTime(), p.digest });
                else
                    m_state.saveItem(m_kind, { p.uid, p.href, p.etag, p.position, p.digest, false });
            }
            m_state.dropPending(p.id);
        }
        m_state.commit();
    }

    QByteArray readRecord(qint64 position) const
    {
        QByteArray record(m_codec.recordSize, '\0');
        archive::readAt(m_archive, m_codec.recordSize, position, record.data());
        return record;
    }

    QByteArray put(const QString& href, const QByteArray& text, const QByteArray& ifMatch)
    {
        QByteArray etag = m_client.put(href, text, m_codec.contentType, ifMatch);
        if (etag.isEmpty())
            etag = m_client.get(href).etag;
        return etag;
    }

    void upload(const Action& action)
    {
        const QString uid = action.uid.isEmpty() ? uidFor(action.position) : action.uid;
        const QString href = action.href.isEmpty() ? hrefFor(uid) : action.href;
        const QByteArray record = readRecord(action.position);
        const QByteArray text = encodeAt(record, uid);
        if (text.isEmpty()) {
            noteNotSent(action.position);
            return;
        }
        std::optional<QByteArray> etag;
        try {
            etag = putItem(
                href, text, action.type == Action::Type::UploadNew ? QByteArray() : action.etag, action.position);
        } catch (const DavError& error) {
            if (error.kind() != DavError::Kind::PreconditionFailed)
                throw;
            reconcile(uid, href, action.position);
            return;
        }
        if (!etag)
            return;
        m_rows.save(agreed(uid, href, *etag, action.position, record));
        remember(action.position, uid, record, sentOriginal(uid, text));
        ++m_summary.sent;
    }

    // Sends one item; nothing when the server refuses that item for good
    // (too big, a content or a UID it does not take): the record stays here,
    // is named in the report and is tried again at the next sync, and the
    // rest of the sync goes on. A server that refuses every item refuses
    // the collection: that ends the sync with its message.
    std::optional<QByteArray> putItem(
        const QString& href, const QByteArray& text, const QByteArray& ifMatch, qint64 position)
    {
        try {
            QByteArray etag = put(href, text, ifMatch);
            m_refusedInARow = 0;
            m_sentHrefs.insert(href);
            return etag;
        } catch (const DavError& error) {
            const QString reason = refusal(error);
            // Forbidden for every item so far: the collection is, and the
            // sync stops with the message that says what to do.
            const bool collectionForbidden
                = error.status() == 403 && m_summary.sent == 0 && ++m_refusedInARow > MaxRefusedInARow;
            if (reason.isEmpty() || collectionForbidden)
                throw;
            m_refused.insert(position);
            ++m_summary.refused;
            m_summary.notes.append(u"%1: il server non lo accetta (%2); resta nell'archivio e sarà riprovato alla "
                                   u"prossima sincronizzazione."_s.arg(recordName(position), reason));
            return std::nullopt;
        }
    }

    // Why the server refuses one item, when the refusal is of that item alone.
    static QString refusal(const DavError& error)
    {
        switch (error.status()) {
        case 400:
        case 422:
            return u"contenuto non accettato, %1"_s.arg(error.status());
        case 403:
            return u"non consentito, 403"_s;
        case 409:
            return u"un altro elemento del server ha lo stesso identificativo, 409"_s;
        case 413:
            return u"troppo grande, 413"_s;
        case 415:
            return u"formato non accettato, 415"_s;
        default:
            return QString();
        }
    }

    // A record that no item can carry stays in the archive alone, and is
    // tried again at the next sync.
    void noteNotSent(qint64 position)
    {
        m_summary.notes.append(m_kind == Kind::Appointments
                ? u"Appuntamento n. %1: senza una data valida, non è stato inviato al server."_s.arg(position)
                : u"Contatto n. %1: senza nome, non è stato inviato al server."_s.arg(position));
    }

    // Both sides have a version of the item: equal ones are recorded as
    // synced. Otherwise the three versions are compared field by field when
    // the map knows the one last agreed: what changed only on the server is
    // taken into the archive, what changed only here is kept, and the
    // result goes to the server. A field changed on both sides, or an item
    // whose last agreed version is unknown, follows the conflict rule: the
    // archive's text stays and goes to the server, the server's version is
    // kept in the archive as a conflict copy.
    void reconcile(const QString& uid, const QString& href, qint64 position)
    {
        QByteArray record = readRecord(position);
        QByteArray mine = digest(record.constData());
        QByteArray text = encodeAt(record, uid);
        if (text.isEmpty()) {
            noteNotSent(position);
            return;
        }
        const Item there = m_client.get(href);
        if (there.href.isEmpty()) {
            const std::optional<QByteArray> etag = putItem(href, text, QByteArray(), position);
            if (!etag)
                return;
            m_rows.save(agreed(uid, href, *etag, position, record));
            remember(position, uid, record, sentOriginal(uid, text));
            ++m_summary.sent;
            return;
        }
        const auto theirs = m_codec.decode(there.data, record.constData());
        if (there.data == text || (theirs && digest(theirs->record.constData()) == mine)) {
            m_rows.save(agreed(uid, href, there.etag, position, record));
            remember(position, uid, record, there.data);
            return;
        }
        // The fields as the server and the archive last agreed: the sync's
        // own record of them, which a file imported meanwhile never moves
        // (the map's base is the file's then); the map's for an item the
        // sync has not agreed on yet (the calendar a phone took from a file).
        const itemmap::ItemMap::Entry* known = m_map->byUid(uid);
        const QByteArray base = m_agreedBase.value(uid, known ? known->base : QByteArray());
        // What the office changed since the last agreement: that goes over
        // the server's item, the rest of which stays as the server has it.
        const QList<int> edited = itemmap::changedFields(base, record.constData(), m_codec.capacities);
        bool conflict = true;
        if (theirs && !base.isEmpty()) {
            const itemmap::Merge merge = itemmap::mergeThreeWays(m_codec.capacities, base, record, theirs->record);
            conflict = !merge.conflicts.isEmpty();
            if (!merge.taken.isEmpty()) {
                archive::rewriteAt(m_archive, m_codec.recordSize, position, merge.record.constData());
                record = merge.record;
                mine = digest(record.constData());
                ++m_summary.received;
            }
        }
        // The office changed nothing since the last agreement: the server's
        // item, taken in, is the record now, and nothing goes back.
        if (!conflict && theirs && !base.isEmpty() && edited.isEmpty()) {
            m_rows.save(agreed(uid, href, there.etag, position, record));
            remember(position, uid, record, there.data);
            return;
        }
        if (theirs) {
            const QByteArray patched = m_codec.encode(record.constData(), uid, there.data, edited);
            if (!patched.isEmpty())
                text = patched;
        }
        if (conflict && theirs && !m_state.hasConflict(m_kind, uid, there.etag)) {
            QByteArray copy = theirs->record;
            m_codec.markConflictCopy(copy.data(),
                u"Copia in conflitto dal server del %1"_s.arg(
                    QDateTime::currentDateTime().toString(u"dd/MM/yyyy HH:mm"_s)));
            m_rows.flush();
            append({ copy }, {}, u"conflict"_s, { { uid, href, there.etag, 0, {}, false } });
            ++m_summary.conflicts;
            m_summary.notes.append(u"%1 n. %2: cambiato anche sul server; la versione del server è stata "
                                   u"conservata come copia in conflitto."_s
                                       .arg(m_kind == Kind::Appointments ? u"Appuntamento"_s : u"Contatto"_s)
                                       .arg(position));
        }
        const std::optional<QByteArray> etag = putItem(href, text, there.etag, position);
        if (!etag)
            return;
        m_rows.save(agreed(uid, href, *etag, position, record));
        remember(position, uid, record, theirs ? std::optional(text) : sentOriginal(uid, text));
        ++m_summary.sent;
    }

    // Appends records to the archive, each recorded first as an append under
    // way, then as done (`purpose` "download": a synced item; "conflict": a
    // conflict copy).
    void append(const QList<QByteArray>& records, const QList<QByteArray>& originals, const QString& purpose,
        QList<SyncState::ItemRow> rows)
    {
        ArchiveFile file;
        file.open(m_archive, m_codec.recordSize, ArchiveFile::Access::Write);
        const qint64 first = file.recordCount() + 1;
        QList<qint64> ids;
        m_state.begin();
        for (qsizetype i = 0; i < records.size(); ++i) {
            rows[i].position = first + i;
            rows[i].digest = digest(records[i].constData());
            rows[i].base = itemmap::fieldDigests(records[i].constData(), m_codec.capacities);
            ids.append(m_state.addPending(
                m_kind, { 0, purpose, rows[i].uid, rows[i].href, rows[i].etag, rows[i].position, rows[i].digest }));
        }
        m_state.commit();
        file.seek(file.recordCount());
        for (const QByteArray& record : records)
            file.write(record.constData());
        file.close();

        m_state.begin();
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (purpose == u"conflict"_s) {
                m_state.addConflict({ m_kind, rows[i].uid, rows[i].position, rows[i].etag, QDateTime::currentDateTime(),
                    rows[i].digest });
            } else {
                m_state.saveItem(m_kind, rows[i]);
                remember(rows[i].position, rows[i].uid, records[i], originals.value(i));
            }
            m_state.dropPending(ids[i]);
        }
        m_state.commit();
    }

    void fetch(const QList<Action>& batch)
    {
        QStringList hrefs;
        QHash<QString, const Action*> byHref;
        for (const Action& action : batch) {
            hrefs.append(action.href);
            byHref.insert(action.href, &action);
        }
        const QList<Item> items = m_client.fetch(
            m_url, m_kind == Kind::Appointments ? Collection::Type::Calendar : Collection::Type::AddressBook, hrefs);
        QList<QByteArray> appended;
        QList<QByteArray> appendedItems;
        QList<SyncState::ItemRow> appendedRows;
        for (const Item& item : items) {
            const Action* action = byHref.value(item.href);
            if (!action)
                continue;
            const bool inArchive = action->type == Action::Type::Rewrite && action->position > 0;
            const QByteArray base = inArchive ? readRecord(action->position) : QByteArray();
            const auto decoded = m_codec.decode(item.data, inArchive ? base.constData() : nullptr);
            if (decoded && !decoded->notARecord.isEmpty()) {
                // Known, and left alone until it changes (a group of contacts).
                const QString uid = action->uid.isEmpty() ? u"href:"_s + item.href : action->uid;
                m_rows.save({ uid, item.href, item.etag, action->position, digest(base.constData()), false });
                continue;
            }
            if (!decoded || decoded->record.size() != m_codec.recordSize) {
                // Not a record of this archive: remembered, so it is not fetched again until it changes.
                const QString uid = action->uid.isEmpty() ? u"href:"_s + item.href : action->uid;
                m_rows.save({ uid, item.href, item.etag, action->position, digest(base.constData()), false });
                ++m_summary.unreadable;
                m_summary.notes.append(
                    u"Elemento %1 del server non leggibile: non è stato copiato nell'archivio."_s.arg(item.href));
                continue;
            }
            // One of this folder's records under its own UID, at a place of
            // the server's choosing (a calendar exported once and imported
            // by a phone, an item a phone removed and put back under another
            // name): that record, compared as any other, never a new one.
            const bool free = !m_uids.contains(decoded->uid) || m_movedAway.contains(decoded->uid);
            if (!inArchive && action->uid.isEmpty() && free) {
                const itemmap::ItemMap::Entry* entry = m_map->byUid(decoded->uid);
                if (entry && m_uidAt.value(entry->position) == decoded->uid && !m_adopted.contains(entry->position)) {
                    m_adopted.insert(entry->position);
                    m_uids.insert(decoded->uid);
                    m_found.insert(decoded->uid);
                    m_rows.flush();
                    reconcile(decoded->uid, item.href, entry->position);
                    continue;
                }
            }
            if (inArchive) {
                archive::rewriteAt(m_archive, m_codec.recordSize, action->position, decoded->record.constData());
                remember(action->position, action->uid, decoded->record, item.data);
                m_rows.save(agreed(action->uid, item.href, item.etag, action->position, decoded->record));
            } else {
                // An item of the last syncs keeps its UID; a new one takes its
                // own, unless another item has it already.
                QString uid = action->uid;
                if (uid.isEmpty() && !m_uids.contains(decoded->uid))
                    uid = decoded->uid;
                if (uid.isEmpty())
                    uid = u"href:"_s + item.href;
                m_uids.insert(uid);
                appended.append(decoded->record);
                appendedItems.append(item.data);
                appendedRows.append({ uid, item.href, item.etag, 0, {}, false });
            }
            ++m_summary.received;
            if (!decoded->note.isEmpty())
                m_summary.notes.append(decoded->note);
        }
        m_rows.flush();
        if (!appended.isEmpty())
            append(appended, appendedItems, u"download"_s, appendedRows);
    }

    DavClient& m_client;
    const Control& m_control;
    SyncState& m_state;
    const ItemCodec& m_codec;
    Kind m_kind;
    QUrl m_url;
    // Who each record is on the server: the archive's record-to-item map,
    // the same the calendar and address-book files use.
    std::optional<itemmap::ItemMap> m_map;
    QHash<qint64, QString> m_uidAt;
    Summary& m_summary;
    QString m_archive;
    RowWriter m_rows;
    QSet<QString> m_uids;
    // What each item's fields said at its last agreement with the server.
    QHash<QString, QByteArray> m_agreedBase;
    // Records found on the server under their own UID in this run, and
    // their UIDs; the UIDs of items gone from where the server had them.
    QSet<qint64> m_adopted;
    QSet<QString> m_found;
    QSet<QString> m_movedAway;
    // Records the server refused in this run: not tried again before the next.
    QSet<qint64> m_refused;
    // The hrefs this pass sent.
    QSet<QString> m_sentHrefs;
    int m_refusedInARow = 0;
    Progress m_progress;
};

QUrl collectionUrl(const QString& address)
{
    QUrl url(address.trimmed());
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path() + u'/');
    return url;
}

} // namespace

namespace {

std::unique_ptr<SyncState> openState(int lockWaitMs)
{
    try {
        return std::make_unique<SyncState>(programFolder::file(SyncState::FileName), lockWaitMs);
    } catch (const StateBusy&) {
        throw SyncFailure(StateBusy::message(), true);
    }
}

const ItemCodec& codecOf(Kind kind)
{
    const ItemCodec* codec = codecs::find(kind);
    if (!codec)
        throw SyncFailure(u"Questa versione del programma non sa convertire %1."_s.arg(kindName(kind)));
    return *codec;
}

// The record that the item `uid` is, when the archive's map certainly names it.
qint64 recordOf(const ItemCodec& codec, const itemmap::ItemMap& map, const QString& uid)
{
    const itemmap::ItemMap::Entry* entry = map.byUid(uid);
    if (!entry)
        return 0;
    const QString path = programFolder::file(codec.archive);
    if (entry->position > archive::count(path, codec.recordSize))
        return 0;
    QByteArray record(codec.recordSize, '\0');
    archive::readAt(path, codec.recordSize, entry->position, record.data());
    return map.certain(entry->position, record.constData()) ? entry->position : 0;
}

} // namespace

Summary synchronize(const Settings& given, const QString& password, int lockWaitMs, const Control& control)
{
    Settings settings = given;
    if (settings.server.trimmed().isEmpty())
        throw SyncFailure(u"Indicare l'indirizzo del server nelle impostazioni di sincronizzazione."_s);
    if (settings.calendar.trimmed().isEmpty() && settings.addressBook.trimmed().isEmpty())
        throw SyncFailure(u"Scegliere nelle impostazioni di sincronizzazione il calendario o la rubrica del server "
                          u"%1."_s.arg(settings.server));
    if (password.isEmpty())
        throw SyncFailure(u"Manca la password per il server %1: inserirla nelle impostazioni di sincronizzazione "
                          u"o nella variabile d'ambiente QUIRVALE_SYNC_PASSWORD."_s.arg(settings.server));
    const QUrl server(settings.server.trimmed());
    checkAddress(server, settings.allowPlainHttp);

    // The sync's lock is held by its state for the whole run.
    const std::unique_ptr<SyncState> held = openState(lockWaitMs);
    SyncState& state = *held;
    DavClient client(server, settings.user, password);
    Summary summary;
    SyncState::Run run;
    try {
        for (const auto& [kind, address] : { std::pair { Kind::Appointments, settings.calendar },
                 std::pair { Kind::Contacts, settings.addressBook } }) {
            if (address.trimmed().isEmpty())
                continue;
            const QUrl url = collectionUrl(address);
            checkAddress(url, settings.allowPlainHttp);
            const ItemCodec* codec = codecs::find(kind);
            if (!codec)
                throw SyncFailure(u"Questa versione del programma non sa ancora convertire %1 per il server: "
                                  u"togliere %2 dalle impostazioni di sincronizzazione."_s.arg(
                                      kind == Kind::Appointments ? u"gli appuntamenti"_s : u"i contatti"_s,
                                      kind == Kind::Appointments ? u"il calendario"_s : u"la rubrica"_s));
            state.bindCollection(kind, url.toString());
            CollectionSync(client, state, *codec, kind, url, summary, control).run();
        }
        run = { QDateTime::currentDateTime(), summary.sent, summary.received, summary.conflicts, summary.removed, true,
            describe(summary) };
    } catch (const std::exception& failure) {
        run = { QDateTime::currentDateTime(), summary.sent, summary.received, summary.conflicts, summary.removed, false,
            failureMessage(failure) };
        try {
            state.saveRun(run);
        } catch (...) {
        }
        throw;
    }
    state.saveRun(run);
    return summary;
}

QList<OpenConflict> openConflicts(int lockWaitMs)
{
    const std::unique_ptr<SyncState> state = openState(lockWaitMs);
    QList<OpenConflict> open;
    std::optional<itemmap::ItemMap> maps[2];
    for (const SyncState::Conflict& conflict : state->conflicts()) {
        if (conflict.settled)
            continue;
        const ItemCodec& codec = codecOf(conflict.kind);
        std::optional<itemmap::ItemMap>& map = maps[conflict.kind == Kind::Contacts ? 1 : 0];
        if (!map)
            map = itemmap::ItemMap::load(programFolder::file(codec.archive), codec.capacities, codec.uidPrefix);
        open.append(
            { conflict.kind, conflict.id, conflict.position, recordOf(codec, *map, conflict.uid), conflict.moment });
    }
    return open;
}

QList<std::pair<Kind, qint64>> removedOnServer(int lockWaitMs)
{
    const std::unique_ptr<SyncState> state = openState(lockWaitMs);
    QList<std::pair<Kind, qint64>> removed;
    for (const Kind kind : { Kind::Appointments, Kind::Contacts }) {
        QList<qint64> positions;
        for (const SyncState::ItemRow& row : state->items(kind))
            if (row.removed && row.position > 0)
                positions.append(row.position);
        std::sort(positions.begin(), positions.end());
        for (const qint64 position : positions)
            removed.append({ kind, position });
    }
    return removed;
}

void settleConflict(qint64 id, Settle how, int lockWaitMs)
{
    const std::unique_ptr<SyncState> state = openState(lockWaitMs);
    std::optional<SyncState::Conflict> found;
    for (const SyncState::Conflict& conflict : state->conflicts())
        if (conflict.id == id && !conflict.settled)
            found = conflict;
    if (!found)
        throw SyncFailure(u"Questa copia in conflitto è già stata risolta."_s);
    const ItemCodec& codec = codecOf(found->kind);
    const QString path = programFolder::file(codec.archive);
    const QString name = found->kind == Kind::Appointments ? u"L'appuntamento"_s : u"Il contatto"_s;
    if (found->position > archive::count(path, codec.recordSize))
        throw SyncFailure(u"%1 n. %2, copia in conflitto, non è più nell'archivio."_s.arg(name).arg(found->position));
    QByteArray copy(codec.recordSize, '\0');
    archive::readAt(path, codec.recordSize, found->position, copy.data());
    if (!found->digest.isEmpty() && recordDigest(copy.constData(), codec.capacities) != found->digest)
        throw SyncFailure(u"%1 n. %2, copia in conflitto, è stato cambiato dopo la sincronizzazione: correggerlo "
                          u"dalla scheda."_s.arg(name)
                              .arg(found->position));
    if (how == Settle::KeepServer) {
        const itemmap::ItemMap map = itemmap::ItemMap::load(path, codec.capacities, codec.uidPrefix);
        const qint64 original = recordOf(codec, map, found->uid);
        if (original == 0)
            throw SyncFailure(
                u"Il record di cui la copia n. %1 è la versione del server non è più riconoscibile "
                u"nell'archivio: aprire la copia e riportarne a mano ciò che serve."_s.arg(found->position));
        QByteArray taken = copy;
        codec.unmarkConflictCopy(taken.data());
        archive::rewriteAt(path, codec.recordSize, original, taken.constData());
    }
    if (how == Settle::KeepBoth) {
        codec.unmarkConflictCopy(copy.data());
        state->dropConflict(found->id);
    } else {
        codec.retireConflictCopy(copy.data(),
            u"Copia in conflitto risolta il %1: non più in uso."_s.arg(QDate::currentDate().toString(u"dd/MM/yyyy"_s)));
        state->settleConflict(found->id, recordDigest(copy.constData(), codec.capacities));
    }
    archive::rewriteAt(path, codec.recordSize, found->position, copy.constData());
}

QString describe(const Summary& summary)
{
    QString text = u"Sincronizzazione riuscita: %1, %2, %3, %4 sul server."_s.arg(
        texts::counted(summary.sent, u"inviato"_s, u"inviati"_s),
        texts::counted(summary.received, u"ricevuto"_s, u"ricevuti"_s),
        texts::counted(summary.conflicts, u"conflitto"_s, u"conflitti"_s),
        texts::counted(summary.removed, u"eliminato"_s, u"eliminati"_s));
    if (summary.refused)
        text += u' '
            + texts::counted(
                summary.refused, u"record non accettato dal server."_s, u"record non accettati dal server."_s);
    if (summary.unreadable)
        text += u' '
            + texts::counted(
                summary.unreadable, u"elemento del server non leggibile."_s, u"elementi del server non leggibili."_s);
    return text;
}

QString failureMessage(const std::exception& failure)
{
    if (const auto* dav = dynamic_cast<const DavError*>(&failure))
        return dav->message();
    if (const auto* state = dynamic_cast<const StateFailure*>(&failure))
        return state->message();
    if (const auto* sync = dynamic_cast<const SyncFailure*>(&failure))
        return sync->message();
    if (dynamic_cast<const AccessFailure*>(&failure))
        return AccessFailure::message();
    return QString::fromUtf8(failure.what());
}

} // namespace davsync
