#include "sync/syncstate.h"

#include "storage/programfolder.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <cerrno>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

const QString SyncState::FileName = programFolder::SyncState;

StateFailure::StateFailure(QString path, QString detail)
    : m_path(std::move(path))
    , m_detail(std::move(detail))
    , m_what((message() + u" ("_s + m_detail + u')').toUtf8())
{
}

QString StateFailure::message() const
{
    return u"Impossibile leggere o scrivere lo stato della sincronizzazione nel file \"%1\": controllare che la "
           u"cartella del programma sia raggiungibile e scrivibile, poi ripetere la sincronizzazione."_s.arg(m_path);
}

const char* StateFailure::what() const noexcept
{
    return m_what.constData();
}

namespace {

QSqlQuery prepared(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    query.prepare(sql);
    return query;
}

QString kindKey(Kind kind)
{
    return kindName(kind);
}

} // namespace

QString StateBusy::message()
{
    return u"Un'altra postazione sta sincronizzando questa cartella del programma: la sincronizzazione "
           u"riprenderà più tardi."_s;
}

SyncState::SyncState(const QString& path, int lockWaitMs)
    : m_path(path)
{
    const QFileInfo file(path);
    switch (m_lock.acquire(file.dir().filePath(programFolder::SyncLock), lockWaitMs)) {
    case safefiles::LockFile::Result::Taken:
        break;
    case safefiles::LockFile::Result::Busy:
        throw StateBusy();
    case safefiles::LockFile::Result::Failed:
        throw StateFailure(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    static QAtomicInteger<int> counter;
    m_connection = u"quirvale-sync-%1"_s.arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    // Only the holder of the lock opens the file: SQLite takes no lock of
    // its own ("unix-none"), which on a share might fail or lie.
    db.setDatabaseName(QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded) + u"?vfs=unix-none"_s);
    db.setConnectOptions(u"QSQLITE_OPEN_URI"_s);
    if (!db.open())
        fail(db.lastError().text());
    exec(u"PRAGMA journal_mode=DELETE"_s);
    exec(u"CREATE TABLE IF NOT EXISTS items(kind TEXT NOT NULL, uid TEXT NOT NULL, href TEXT NOT NULL, "
         u"etag TEXT NOT NULL, position INTEGER NOT NULL, digest TEXT NOT NULL, removed INTEGER NOT NULL DEFAULT 0, "
         u"PRIMARY KEY(kind, uid))"_s);
    exec(u"CREATE TABLE IF NOT EXISTS collections(kind TEXT PRIMARY KEY, url TEXT NOT NULL, token TEXT NOT NULL)"_s);
    exec(u"CREATE TABLE IF NOT EXISTS pending(id INTEGER PRIMARY KEY, kind TEXT NOT NULL, purpose TEXT NOT NULL, "
         u"uid TEXT NOT NULL, href TEXT NOT NULL, etag TEXT NOT NULL, position INTEGER NOT NULL, "
         u"digest TEXT NOT NULL)"_s);
    exec(u"CREATE TABLE IF NOT EXISTS conflicts(id INTEGER PRIMARY KEY, kind TEXT NOT NULL, uid TEXT NOT NULL, "
         u"position INTEGER NOT NULL, etag TEXT NOT NULL, moment TEXT NOT NULL)"_s);
    // The copy's record, by which a copy no longer where it was is known.
    {
        QSqlQuery column(QSqlDatabase::database(m_connection, false));
        column.exec(u"SELECT digest FROM conflicts LIMIT 0"_s);
        if (column.lastError().isValid())
            exec(u"ALTER TABLE conflicts ADD COLUMN digest TEXT NOT NULL DEFAULT ''"_s);
    }
    // The fields as last agreed with the server.
    {
        QSqlQuery column(QSqlDatabase::database(m_connection, false));
        column.exec(u"SELECT base FROM items LIMIT 0"_s);
        if (column.lastError().isValid())
            exec(u"ALTER TABLE items ADD COLUMN base TEXT NOT NULL DEFAULT ''"_s);
    }
    // Whether the office settled the conflict.
    {
        QSqlQuery column(QSqlDatabase::database(m_connection, false));
        column.exec(u"SELECT settled FROM conflicts LIMIT 0"_s);
        if (column.lastError().isValid())
            exec(u"ALTER TABLE conflicts ADD COLUMN settled INTEGER NOT NULL DEFAULT 0"_s);
    }
    exec(u"CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, moment TEXT NOT NULL, sent INTEGER NOT NULL, "
         u"received INTEGER NOT NULL, conflicts INTEGER NOT NULL, removed INTEGER NOT NULL, ok INTEGER NOT NULL, "
         u"outcome TEXT NOT NULL)"_s);
}

SyncState::~SyncState()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void SyncState::fail(const QString& detail) const
{
    throw StateFailure(m_path, detail);
}

void SyncState::exec(const QString& sql)
{
    m_lock.refresh();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(sql))
        fail(query.lastError().text());
}

void SyncState::begin()
{
    exec(u"BEGIN IMMEDIATE"_s);
}

void SyncState::commit()
{
    exec(u"COMMIT"_s);
}

void SyncState::rollback()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.exec(u"ROLLBACK"_s);
}

void SyncState::bindCollection(Kind kind, const QString& url)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query = prepared(db, u"SELECT url FROM collections WHERE kind = ?"_s);
    query.addBindValue(kindKey(kind));
    if (!query.exec())
        fail(query.lastError().text());
    if (query.next() && query.value(0).toString() == url)
        return;
    begin();
    for (const QString& table : { u"items"_s, u"pending"_s, u"collections"_s }) {
        QSqlQuery drop = prepared(db, u"DELETE FROM "_s + table + u" WHERE kind = ?"_s);
        drop.addBindValue(kindKey(kind));
        if (!drop.exec()) {
            rollback();
            fail(drop.lastError().text());
        }
    }
    QSqlQuery insert = prepared(db, u"INSERT INTO collections(kind, url, token) VALUES(?, ?, '')"_s);
    insert.addBindValue(kindKey(kind));
    insert.addBindValue(url);
    if (!insert.exec()) {
        rollback();
        fail(insert.lastError().text());
    }
    commit();
}

QByteArray SyncState::token(Kind kind)
{
    QSqlQuery query
        = prepared(QSqlDatabase::database(m_connection, false), u"SELECT token FROM collections WHERE kind = ?"_s);
    query.addBindValue(kindKey(kind));
    if (!query.exec())
        fail(query.lastError().text());
    return query.next() ? query.value(0).toString().toUtf8() : QByteArray();
}

void SyncState::setToken(Kind kind, const QByteArray& token)
{
    QSqlQuery query
        = prepared(QSqlDatabase::database(m_connection, false), u"UPDATE collections SET token = ? WHERE kind = ?"_s);
    // No token (a server that gives none) is kept as an empty one, never as NULL.
    query.addBindValue(token.isEmpty() ? u""_s : QString::fromUtf8(token));
    query.addBindValue(kindKey(kind));
    if (!query.exec())
        fail(query.lastError().text());
}

QList<SyncState::ItemRow> SyncState::items(Kind kind)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"SELECT uid, href, etag, position, digest, removed, base FROM items WHERE kind = ?"_s);
    query.setForwardOnly(true);
    query.addBindValue(kindKey(kind));
    if (!query.exec())
        fail(query.lastError().text());
    QList<ItemRow> rows;
    while (query.next())
        rows.append({ query.value(0).toString(), query.value(1).toString(), query.value(2).toString().toUtf8(),
            query.value(3).toLongLong(), query.value(4).toString().toUtf8(), query.value(5).toInt() != 0,
            QByteArray::fromHex(query.value(6).toString().toLatin1()) });
    return rows;
}

void SyncState::saveItem(Kind kind, const ItemRow& row)
{
    m_lock.refresh();
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"INSERT OR REPLACE INTO items(kind, uid, href, etag, position, digest, removed, base) "
        u"VALUES(?, ?, ?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(kindKey(kind));
    query.addBindValue(row.uid);
    query.addBindValue(row.href);
    query.addBindValue(QString::fromUtf8(row.etag));
    query.addBindValue(row.position);
    query.addBindValue(QString::fromLatin1(row.digest));
    query.addBindValue(row.removed ? 1 : 0);
    query.addBindValue(QString::fromLatin1(row.base.toHex()));
    if (!query.exec())
        fail(query.lastError().text());
}

qint64 SyncState::addPending(Kind kind, const Pending& pending)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"INSERT INTO pending(kind, purpose, uid, href, etag, position, digest) VALUES(?, ?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(kindKey(kind));
    query.addBindValue(pending.purpose);
    query.addBindValue(pending.uid);
    query.addBindValue(pending.href);
    query.addBindValue(QString::fromUtf8(pending.etag));
    query.addBindValue(pending.position);
    query.addBindValue(QString::fromLatin1(pending.digest));
    if (!query.exec())
        fail(query.lastError().text());
    return query.lastInsertId().toLongLong();
}

QList<SyncState::Pending> SyncState::pending(Kind kind)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"SELECT id, purpose, uid, href, etag, position, digest FROM pending WHERE kind = ? ORDER BY id"_s);
    query.addBindValue(kindKey(kind));
    if (!query.exec())
        fail(query.lastError().text());
    QList<Pending> rows;
    while (query.next())
        rows.append({ query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toString().toUtf8(), query.value(5).toLongLong(),
            query.value(6).toString().toUtf8() });
    return rows;
}

void SyncState::dropPending(qint64 id)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false), u"DELETE FROM pending WHERE id = ?"_s);
    query.addBindValue(id);
    if (!query.exec())
        fail(query.lastError().text());
}

void SyncState::addConflict(const Conflict& conflict)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"INSERT INTO conflicts(kind, uid, position, etag, moment, digest) VALUES(?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(kindKey(conflict.kind));
    query.addBindValue(conflict.uid);
    query.addBindValue(conflict.position);
    query.addBindValue(QString::fromUtf8(conflict.etag));
    query.addBindValue(conflict.moment.toString(Qt::ISODate));
    query.addBindValue(QString::fromLatin1(conflict.digest.toHex()));
    if (!query.exec())
        fail(query.lastError().text());
}

bool SyncState::hasConflict(Kind kind, const QString& uid, const QByteArray& etag)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"SELECT 1 FROM conflicts WHERE kind = ? AND uid = ? AND etag = ?"_s);
    query.addBindValue(kindKey(kind));
    query.addBindValue(uid);
    query.addBindValue(QString::fromUtf8(etag));
    if (!query.exec())
        fail(query.lastError().text());
    return query.next();
}

QList<SyncState::Conflict> SyncState::conflicts()
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"SELECT kind, uid, position, etag, moment, digest, id, settled FROM conflicts ORDER BY id"_s);
    if (!query.exec())
        fail(query.lastError().text());
    QList<Conflict> rows;
    while (query.next())
        rows.append({ query.value(0).toString() == kindName(Kind::Contacts) ? Kind::Contacts : Kind::Appointments,
            query.value(1).toString(), query.value(2).toLongLong(), query.value(3).toString().toUtf8(),
            QDateTime::fromString(query.value(4).toString(), Qt::ISODate),
            QByteArray::fromHex(query.value(5).toString().toLatin1()), query.value(6).toLongLong(),
            query.value(7).toInt() != 0 });
    return rows;
}

void SyncState::settleConflict(qint64 id, const QByteArray& digest)
{
    QSqlQuery query = prepared(
        QSqlDatabase::database(m_connection, false), u"UPDATE conflicts SET settled = 1, digest = ? WHERE id = ?"_s);
    query.addBindValue(QString::fromLatin1(digest.toHex()));
    query.addBindValue(id);
    if (!query.exec())
        fail(query.lastError().text());
}

void SyncState::dropConflict(qint64 id)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false), u"DELETE FROM conflicts WHERE id = ?"_s);
    query.addBindValue(id);
    if (!query.exec())
        fail(query.lastError().text());
}

void SyncState::saveRun(const Run& run)
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"INSERT INTO runs(moment, sent, received, conflicts, removed, ok, outcome) VALUES(?, ?, ?, ?, ?, ?, ?)"_s);
    query.addBindValue(run.moment.toString(Qt::ISODate));
    query.addBindValue(run.sent);
    query.addBindValue(run.received);
    query.addBindValue(run.conflicts);
    query.addBindValue(run.removed);
    query.addBindValue(run.ok ? 1 : 0);
    query.addBindValue(run.outcome);
    if (!query.exec())
        fail(query.lastError().text());
}

std::optional<SyncState::Run> SyncState::lastRun()
{
    QSqlQuery query = prepared(QSqlDatabase::database(m_connection, false),
        u"SELECT moment, sent, received, conflicts, removed, ok, outcome FROM runs ORDER BY id DESC LIMIT 1"_s);
    if (!query.exec())
        fail(query.lastError().text());
    if (!query.next())
        return std::nullopt;
    return Run { QDateTime::fromString(query.value(0).toString(), Qt::ISODate), query.value(1).toInt(),
        query.value(2).toInt(), query.value(3).toInt(), query.value(4).toInt(), query.value(5).toInt() != 0,
        query.value(6).toString() };
}

} // namespace davsync
