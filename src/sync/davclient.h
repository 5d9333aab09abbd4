#pragma once
// A client of a CalDAV/CardDAV server (WebDAV with its calendar and address
// book extensions): finding the user's calendars and address books, listing
// the items of a collection with their ETags, the changes since a sync
// token, fetching items, and writing one item only when the server still has
// the version the client knows. Every request goes through davsync::network.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <exception>

namespace davsync {

// What went wrong talking to the server, with the Italian message that names
// the server and says what to do.
class DavError : public std::exception {
public:
    enum class Kind {
        Unauthorized,       // 401
        Forbidden,          // 403
        NotFound,           // 404
        Conflict,           // 409
        PreconditionFailed, // 412: the item changed on the server
        ServerError,        // 5xx and other unexpected statuses
        Timeout,
        Certificate,
        Unreachable,
        BadResponse,     // an answer that is not the expected WebDAV
        InsecureAddress, // plain HTTP to another machine without the user's consent
        OtherHost,       // the server sends to another address: nothing goes there (the detail names it)
    };
    DavError(Kind kind, QString server, int status = 0, QString detail = QString());
    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    const QString& server() const { return m_server; }
    // What the user reads.
    QString message() const;
    // What went wrong, for developers.
    const QString& detail() const { return m_detail; }
    const char* what() const noexcept override;

private:
    Kind m_kind;
    QString m_server;
    int m_status;
    QString m_detail;
    QByteArray m_what;
};

struct Collection {
    enum class Type { Calendar, AddressBook };
    QUrl url;
    QString name; // the server's display name, else the last part of the path
    Type type = Type::Calendar;
};

struct Discovery {
    QUrl principal;
    QList<Collection> calendars;
    QList<Collection> addressBooks;
};

// One item of a collection: its href (the path as the server writes it).
struct Item {
    QString href;
    QByteArray etag;
    QByteArray data;
};

// The changes of a collection since a sync token, or its whole content when
// `complete` (then every item not listed is gone).
struct Changes {
    QByteArray token;                   // empty when the server offers no sync-collection
    QHash<QString, QByteArray> present; // href -> ETag
    QStringList removed;
    bool complete = false;
};

// The collection to use after a discovery on `server`: `current` when it is
// one of those `found`, or an address of this same server that the user
// typed; an address of another server (the one used before) gives way to
// the first collection found. Empty when nothing is found.
QString chooseCollection(const QString& current, const QUrl& server, const QList<Collection>& found);

// Whether the sync may talk to this address: HTTPS always; plain HTTP only to
// this machine or when the user allowed it. Throws InsecureAddress otherwise.
void checkAddress(const QUrl& server, bool allowPlainHttp);

class DavClient {
public:
    DavClient(QUrl server, QString user, QString password, int timeoutMs = 30000);

    // RFC 6764 well-known addresses, then the principal and its home sets,
    // then the collections in them.
    Discovery discover();
    // The ETag of every item of the collection.
    QHash<QString, QByteArray> etags(const QUrl& collection);
    // sync-collection (RFC 6578) from `token` (empty: from the start); a
    // token the server refuses is given up for the changes from the start,
    // and a server without sync-collection gives its whole listing (then
    // without a token).
    Changes changesSince(const QUrl& collection, const QByteArray& token);
    // The items at these hrefs, with their ETags (calendar-multiget or
    // addressbook-multiget); an href that is gone is not in the answer.
    QList<Item> fetch(const QUrl& collection, Collection::Type type, const QStringList& hrefs);
    // One item; an empty href in the answer when it is gone.
    Item get(const QString& href);
    // Writes the item: with `ifMatch` empty only when the server has no item
    // there (If-None-Match: *), otherwise only when its ETag is still
    // `ifMatch`. Returns the new ETag (empty when the server gives none).
    // A refusal because the item is there, or changed, is PreconditionFailed;
    // because another item of the collection has its UID, Conflict.
    QByteArray put(
        const QString& href, const QByteArray& data, const QByteArray& contentType, const QByteArray& ifMatch);

    // The full address of an href of this server.
    QUrl resolve(const QString& href) const;
    QString serverName() const;

private:
    struct Answer;
    Answer request(const QByteArray& method, const QUrl& url, const QByteArray& body, int depth,
        QList<std::pair<QByteArray, QByteArray>> headers = {});
    QUrl findPrincipal(const QUrl& start);
    [[noreturn]] void fail(int status, const QString& detail) const;

    QUrl m_server;
    QByteArray m_authorization;
    int m_timeoutMs;
};

} // namespace davsync
