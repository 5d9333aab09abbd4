#pragma once
// One sync of the program folder's archives with the server, both ways:
// what changed in the archives since the last sync is sent, what changed on
// the server is fetched and written into the archives under their locks,
// and an item changed on both sides keeps the archive's version on the
// server and the server's as a conflict copy in the archive. One
// workstation of a folder syncs at a time. A sync cut short at any moment
// and run again neither doubles a record nor loses a change.

#include "sync/itemcodec.h"
#include "sync/syncsettings.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>

namespace davsync {

// A sync that cannot start or go on, for another reason than the server
// (those are DavError) or the state database (StateFailure).
class SyncFailure : public std::exception {
public:
    explicit SyncFailure(QString message, bool busy = false);
    const QString& message() const { return m_message; }
    // Another workstation is syncing the folder.
    bool busy() const { return m_busy; }
    const char* what() const noexcept override;

private:
    QString m_message;
    bool m_busy;
    QByteArray m_what;
};

struct Summary {
    int sent = 0;
    int received = 0;
    int conflicts = 0;
    int removed = 0;    // items gone from the server, their records kept
    int unreadable = 0; // items of the server that are no record of the archive
    int refused = 0;    // records the server did not take, tried again next time
    QStringList notes;  // what the user should know of single items
};

// How far a sync under way has gone, for whoever shows it.
struct Progress {
    QString step;  // "Appuntamenti", "Contatti"
    int done = 0;  // items of the step handled so far
    int total = 0; // items the step has to handle
};

// What the caller of a sync may follow and ask for. A sync may run on any
// thread: `progress` is called on that thread.
struct Control {
    std::function<void(const Progress&)> progress;
    // When set, the sync ends before its next item, as one cut short, with
    // a SyncFailure that says so; the next one goes on from there.
    const std::atomic<bool>* stop = nullptr;
};

// Runs one sync with these settings and this password. When another
// workstation is syncing, waits up to `lockWaitMs` for it, then gives up
// with a busy SyncFailure. Throws DavError, StateFailure, SyncFailure or
// AccessFailure (an archive) when something did not go through; what did is
// recorded, so the next run goes on from there.
Summary synchronize(
    const Settings& settings, const QString& password, int lockWaitMs = 600000, const Control& control = {});

// A conflict copy the office has not settled yet, and the record it stands
// beside (0 when the archive no longer certainly names it).
struct OpenConflict {
    Kind kind = Kind::Appointments;
    qint64 id = 0;
    qint64 copy = 0;
    qint64 original = 0;
    QDateTime moment;
};
// The open conflicts, in the order they came. Throws SyncFailure (busy:
// a sync under way), StateFailure or AccessFailure.
QList<OpenConflict> openConflicts(int lockWaitMs);

// The records whose items the server removed, by kind, in position order.
QList<std::pair<Kind, qint64>> removedOnServer(int lockWaitMs);

// How the office settles a conflict. The archives never lose a record: a
// copy no longer wanted stays, marked as out of use, and never travels.
enum class Settle {
    KeepArchive, // the record stays as it is; the copy goes out of use
    KeepServer,  // the copy's fields go over the record, and to the server at the next sync; the copy goes out of use
    KeepBoth,    // the copy, its mark taken away, becomes a record of its own, sent at the next sync
};
// Throws SyncFailure with the Italian reason (a sync under way, a copy no
// longer where it was, a record no longer named), StateFailure or AccessFailure.
void settleConflict(qint64 id, Settle how, int lockWaitMs);

// The Italian line that reports a sync.
QString describe(const Summary& summary);
// The Italian message of any failure a sync throws.
QString failureMessage(const std::exception& failure);

} // namespace davsync
