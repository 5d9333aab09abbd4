#pragma once
// One sync of the program folder's archives with the server, both ways:
// what changed in the archives since the last sync is sent, what changed on
// the server is fetched and written into the archives under their locks,
// and an item changed on both sides keeps the archive's version on the
// server and the server's as a conflict copy in the archive. One
// workstation of a folder syncs at a time. A sync cut short at any moment
// and run again neither doubles a record nor loses a change.

#include "sync/syncsettings.h"

#include <QList>
#include <QString>

#include <exception>

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

// Runs one sync with these settings and this password. When another
// workstation is syncing, waits up to `lockWaitMs` for it, then gives up
// with a busy SyncFailure. Throws DavError, StateFailure, SyncFailure or
// AccessFailure (an archive) when something did not go through; what did is
// recorded, so the next run goes on from there.
Summary synchronize(const Settings& settings, const QString& password, int lockWaitMs = 600000);

// The Italian line that reports a sync.
QString describe(const Summary& summary);
// The Italian message of any failure a sync throws.
QString failureMessage(const std::exception& failure);

} // namespace davsync
