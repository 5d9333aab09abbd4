#pragma once
// The actions of one sync of a collection, planned from three states: what
// the last sync recorded, what the archive holds now and what the server
// holds now. The rule when both sides changed one item: the archive's
// version goes to the server and the server's version is kept in the
// archive as a new record marked as a conflict copy.

#include "sync/davclient.h"
#include "sync/syncstate.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>

namespace davsync {

// A record of the archive as the sync sees it.
struct LocalRecord {
    qint64 position = 0;
    QByteArray digest;
};

struct Action {
    enum class Type {
        UploadNew,     // PUT with If-None-Match: *
        UploadChanged, // PUT with If-Match: etag
        Download,      // a new item of the server, appended to the archive
        Rewrite,       // an item changed on the server, rewritten in place
        Conflict,      // changed on both sides
        Removed,       // gone from the server: reported, the record kept
    };
    Type type;
    QString uid;     // empty for a Download, whose UID is in the item
    QString href;    // empty for an UploadNew of a record never synced
    QByteArray etag; // If-Match of an upload; the server's ETag of a download, rewrite or conflict
    qint64 position = 0;
    bool operator==(const Action&) const = default;
};

// `records` holds every record of the archive in position order; `skip` the
// positions that do not travel (conflict copies, appends under way);
// `newHref` the href a record never synced is sent to. When the server
// already has an item there (a send whose record was cut short), the two
// are compared as a conflict, never fetched as a new record.
QList<Action> plan(const QList<SyncState::ItemRow>& state, const QList<LocalRecord>& records, const QSet<qint64>& skip,
    const Changes& server, const std::function<QString(qint64 position)>& newHref);

} // namespace davsync
