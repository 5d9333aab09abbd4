#pragma once
// What the last syncs left behind, in a small SQLite database in the program
// folder, so every workstation of the folder sees it: for each item its UID,
// href, ETag, archive position and record digest; each collection's sync
// token; the appends under way; the conflict copies kept; the outcome of
// each run. Each write of the sync to the server or the archives is
// recorded here only after it went through.
//
// SQLite's own locks cannot be trusted on the network shares that hold
// program folders, so the database is opened only by who holds the
// program's lock of the sync (programFolder::SyncLock, a lock file that
// works where byte-range locks do not), for as long as it is open; SQLite
// itself then takes no lock at all.

#include "storage/safefiles.h"
#include "sync/itemcodec.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <exception>
#include <optional>

namespace davsync {

// The state database cannot be opened, read or written.
class StateFailure : public std::exception {
public:
    StateFailure(QString path, QString detail);
    QString message() const;
    const char* what() const noexcept override;

private:
    QString m_path;
    QString m_detail;
    QByteArray m_what;
};

// Another workstation or program holds the sync's lock (it is syncing).
class StateBusy : public std::exception {
public:
    // "Un'altra postazione sta sincronizzando ..."
    static QString message();
    const char* what() const noexcept override { return "sync state busy"; }
};

class SyncState {
public:
    static const QString FileName; // "Sincronizzazione.db"

    // Takes the sync's lock of the folder that holds `path`, waiting up to
    // `lockWaitMs`, then opens the database, creating it when missing; both
    // are held until destroyed. Throws StateBusy, or StateFailure.
    explicit SyncState(const QString& path, int lockWaitMs = 0);
    ~SyncState();
    SyncState(const SyncState&) = delete;
    SyncState& operator=(const SyncState&) = delete;

    struct ItemRow {
        QString uid;
        QString href;
        QByteArray etag;
        qint64 position = 0; // 0: not in the archive (an item that could not be read)
        QByteArray digest;
        bool removed = false; // gone from the server, kept in the archive
        // What each field said when the item and the record last agreed
        // (itemmap::fieldDigests()): the base of the sync's own comparison,
        // which the file exchanges never move. Empty when not known.
        QByteArray base = {};
    };
    struct Pending {
        qint64 id = 0;
        QString purpose; // "download" or "conflict"
        QString uid;
        QString href;
        QByteArray etag;
        qint64 position = 0;
        QByteArray digest;
    };
    struct Conflict {
        Kind kind = Kind::Appointments;
        QString uid;
        qint64 position = 0;
        QByteArray etag;
        QDateTime moment;
        QByteArray digest = {}; // the copy's record; empty when kept by an earlier copy of the program
        qint64 id = 0;
        // Settled by the office: the copy stays in the archive, out of use,
        // and never travels; it is no longer listed.
        bool settled = false;
    };
    struct Run {
        QDateTime moment;
        int sent = 0;
        int received = 0;
        int conflicts = 0;
        int removed = 0;
        bool ok = false;
        QString outcome; // the Italian message of the run
    };

    // The collection a kind syncs with; another address than last time
    // forgets what was known of the old one.
    void bindCollection(Kind kind, const QString& url);
    QByteArray token(Kind kind);
    void setToken(Kind kind, const QByteArray& token);

    QList<ItemRow> items(Kind kind);
    void saveItem(Kind kind, const ItemRow& row);

    qint64 addPending(Kind kind, const Pending& pending);
    QList<Pending> pending(Kind kind);
    void dropPending(qint64 id);

    void addConflict(const Conflict& conflict);
    bool hasConflict(Kind kind, const QString& uid, const QByteArray& etag);
    QList<Conflict> conflicts();
    void dropConflict(qint64 id);
    // The conflict is settled; `digest` is the copy's record as it is now.
    void settleConflict(qint64 id, const QByteArray& digest);

    void saveRun(const Run& run);
    std::optional<Run> lastRun();

    // Several writes as one: all or none reach the file.
    void begin();
    void commit();
    void rollback();

private:
    [[noreturn]] void fail(const QString& detail) const;
    void exec(const QString& sql);
    QString m_path;
    QString m_connection;
    safefiles::LockFile m_lock;
};

} // namespace davsync
