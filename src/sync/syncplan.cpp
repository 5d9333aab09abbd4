#include "sync/syncplan.h"

namespace davsync {

QList<Action> plan(const QList<SyncState::ItemRow>& state, const QList<LocalRecord>& records, const QSet<qint64>& skip,
    const Changes& server, const std::function<QString(qint64 position)>& newHref)
{
    using T = Action::Type;
    QList<Action> actions;
    QHash<qint64, const LocalRecord*> byPosition;
    byPosition.reserve(records.size());
    for (const LocalRecord& record : records)
        byPosition.insert(record.position, &record);
    const QSet<QString> removed(server.removed.cbegin(), server.removed.cend());

    QSet<qint64> known;
    QSet<QString> knownHrefs;
    known.reserve(state.size());
    knownHrefs.reserve(state.size());
    for (const SyncState::ItemRow& row : state) {
        known.insert(row.position);
        knownHrefs.insert(row.href);
        const LocalRecord* local = row.position > 0 ? byPosition.value(row.position) : nullptr;
        const bool localChanged = local && local->digest != row.digest;
        const auto there = server.present.constFind(row.href);
        const bool onServer = there != server.present.cend();
        const bool gone = !onServer && (server.complete || removed.contains(row.href));
        const bool serverChanged = onServer && *there != row.etag;

        if (row.removed) {
            // Known to be gone from the server: only a new change here sends it again.
            if (localChanged)
                actions.append({ T::UploadNew, row.uid, row.href, {}, row.position });
            else if (serverChanged)
                actions.append({ T::Rewrite, row.uid, row.href, *there, row.position });
            continue;
        }
        if (gone)
            actions.append(localChanged ? Action { T::UploadNew, row.uid, row.href, {}, row.position }
                                        : Action { T::Removed, row.uid, row.href, row.etag, row.position });
        else if (localChanged && serverChanged)
            actions.append({ T::Conflict, row.uid, row.href, *there, row.position });
        else if (localChanged)
            actions.append({ T::UploadChanged, row.uid, row.href, row.etag, row.position });
        else if (serverChanged)
            actions.append({ T::Rewrite, row.uid, row.href, *there, row.position });
    }

    QHash<QString, qint64> unsent;
    for (const LocalRecord& record : records)
        if (!known.contains(record.position) && !skip.contains(record.position))
            unsent.insert(newHref(record.position), record.position);

    for (auto it = server.present.cbegin(); it != server.present.cend(); ++it) {
        if (knownHrefs.contains(it.key()))
            continue;
        const auto mine = unsent.constFind(it.key());
        if (mine == unsent.cend()) {
            actions.append({ T::Download, {}, it.key(), it.value(), 0 });
        } else {
            actions.append({ T::Conflict, {}, it.key(), it.value(), *mine });
            unsent.erase(mine);
        }
    }
    for (const LocalRecord& record : records)
        if (unsent.contains(newHref(record.position)))
            actions.append({ T::UploadNew, {}, {}, {}, record.position });
    return actions;
}

} // namespace davsync
