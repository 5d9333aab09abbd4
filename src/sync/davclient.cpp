#include "sync/davclient.h"

#include "sync/network.h"

#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

namespace davsync {

namespace {

const QString Dav = u"DAV:"_s;
const QString CalDav = u"urn:ietf:params:xml:ns:caldav"_s;
const QString CardDav = u"urn:ietf:params:xml:ns:carddav"_s;

// An element of a WebDAV answer with its children, by namespace and name.
struct Node {
    QString ns;
    QString name;
    QString text;
    QList<Node> children;

    const Node* child(const QString& n, const QString& local) const
    {
        for (const Node& c : children)
            if (c.ns == n && c.name == local)
                return &c;
        return nullptr;
    }
    // The first element with this name at any depth below.
    const Node* find(const QString& n, const QString& local) const
    {
        for (const Node& c : children) {
            if (c.ns == n && c.name == local)
                return &c;
            if (const Node* below = c.find(n, local))
                return below;
        }
        return nullptr;
    }
    QList<const Node*> all(const QString& n, const QString& local) const
    {
        QList<const Node*> found;
        for (const Node& c : children)
            if (c.ns == n && c.name == local)
                found.append(&c);
        return found;
    }
};

bool parse(const QByteArray& xml, Node& root)
{
    QXmlStreamReader reader(xml);
    QList<Node*> open;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            Node* parent = open.isEmpty() ? nullptr : open.last();
            Node* node = parent ? &parent->children.emplace_back() : &root;
            node->ns = reader.namespaceUri().toString();
            node->name = reader.name().toString();
            open.append(node);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.removeLast();
            break;
        case QXmlStreamReader::Characters:
            if (!open.isEmpty())
                open.last()->text += reader.text();
            break;
        default:
            break;
        }
    }
    return !reader.hasError() && !root.name.isEmpty();
}

int statusOf(const Node* status)
{
    // "HTTP/1.1 200 OK"
    if (!status)
        return 0;
    const QStringList parts = status->text.trimmed().split(u' ');
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

// One <response> of a multistatus: its href, its status and the properties
// found (those of a propstat with status 200).
struct Entry {
    QString href;
    int status = 0;
    QList<const Node*> props;
    const Node* prop(const QString& n, const QString& local) const
    {
        for (const Node* p : props)
            if (const Node* c = p->child(n, local))
                return c;
        return nullptr;
    }
};

QList<Entry> entries(const Node& multistatus)
{
    QList<Entry> list;
    for (const Node* response : multistatus.all(Dav, u"response"_s)) {
        Entry entry;
        if (const Node* href = response->child(Dav, u"href"_s))
            entry.href = href->text.trimmed();
        entry.status = statusOf(response->child(Dav, u"status"_s));
        for (const Node* propstat : response->all(Dav, u"propstat"_s)) {
            const int status = statusOf(propstat->child(Dav, u"status"_s));
            if (status >= 200 && status < 300)
                if (const Node* prop = propstat->child(Dav, u"prop"_s))
                    entry.props.append(prop);
        }
        list.append(entry);
    }
    return list;
}

QByteArray cleanEtag(QByteArray etag)
{
    etag = etag.trimmed();
    if (etag.startsWith("W/"))
        etag = etag.mid(2);
    return etag;
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

// --- errors ---------------------------------------------------------------

DavError::DavError(Kind kind, QString server, int status, QString detail)
    : m_kind(kind)
    , m_server(std::move(server))
    , m_status(status)
    , m_detail(std::move(detail))
    , m_what(message().toUtf8())
{
}

QString DavError::message() const
{
    switch (m_kind) {
    case Kind::Unauthorized:
        return u"Il server %1 non accetta il nome utente o la password (401): controllarli nelle impostazioni "
               u"di sincronizzazione."_s.arg(m_server);
    case Kind::Forbidden:
        return u"Il server %1 nega l'accesso al calendario o alla rubrica (403): chiedere all'amministratore del "
               u"server i permessi dell'utente."_s.arg(m_server);
    case Kind::NotFound:
        return u"Il server %1 non trova il calendario o la rubrica indicati (404): controllare gli indirizzi "
               u"nelle impostazioni o cercarli di nuovo."_s.arg(m_server);
    case Kind::Conflict:
        return u"Il server %1 ha rifiutato una modifica per un conflitto (409): ripetere la sincronizzazione; "
               u"se l'errore resta, controllare il calendario o la rubrica sul server."_s.arg(m_server);
    case Kind::PreconditionFailed:
        return u"Un elemento è stato cambiato sul server %1 durante la sincronizzazione (412): ripetere la "
               u"sincronizzazione."_s.arg(m_server);
    case Kind::ServerError:
        return u"Il server %1 ha risposto con un errore (%2): riprovare più tardi o avvisare l'amministratore "
               u"del server."_s.arg(m_server)
                   .arg(m_status);
    case Kind::Timeout:
        return u"Il server %1 non risponde in tempo: controllare la connessione di rete e riprovare."_s.arg(m_server);
    case Kind::Certificate:
        return u"Il certificato del server %1 non è valido o non è attendibile: controllare l'indirizzo o far "
               u"installare un certificato valido sul server."_s.arg(m_server);
    case Kind::Unreachable:
        return u"Impossibile raggiungere il server %1: controllare l'indirizzo e la connessione di rete."_s.arg(
            m_server);
    case Kind::BadResponse:
        return u"Il server %1 ha dato una risposta non comprensibile: controllare che l'indirizzo sia quello di "
               u"un server CalDAV/CardDAV."_s.arg(m_server);
    case Kind::InsecureAddress:
        return u"L'indirizzo %1 non è cifrato (HTTP): usare un indirizzo https:// oppure spuntare \"Consenti "
               u"HTTP non cifrato\"."_s.arg(m_server);
    case Kind::OtherHost:
        return u"Il server %1 rimanda a un altro indirizzo (%2): per sicurezza nome utente e password non vi "
               u"sono stati inviati. Se quell'indirizzo è quello giusto, indicarlo come indirizzo del server."_s.arg(
                   m_server, m_detail);
    }
    return QString();
}

const char* DavError::what() const noexcept
{
    return m_what.constData();
}

void checkAddress(const QUrl& server, bool allowPlainHttp)
{
    const QString scheme = server.scheme().toLower();
    if (!server.isValid() || server.host().isEmpty() || (scheme != u"https"_s && scheme != u"http"_s))
        throw DavError(DavError::Kind::Unreachable, server.toString());
    if (scheme == u"https"_s || allowPlainHttp)
        return;
    const QString host = server.host().toLower();
    if (host == u"localhost"_s || host == u"127.0.0.1"_s || host == u"::1"_s)
        return;
    throw DavError(DavError::Kind::InsecureAddress, server.toString());
}

// --- requests -------------------------------------------------------------

struct DavClient::Answer {
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers;
    Node root;
    QList<Entry> entries() const { return davsync::entries(root); }
};

DavClient::DavClient(QUrl server, QString user, QString password, int timeoutMs)
    : m_server(std::move(server))
    , m_authorization("Basic " + (user + u':' + password).toUtf8().toBase64())
    , m_timeoutMs(timeoutMs)
{
    if (m_server.path().isEmpty())
        m_server.setPath(u"/"_s);
}

QString DavClient::serverName() const
{
    return m_server.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::StripTrailingSlash);
}

QUrl DavClient::resolve(const QString& href) const
{
    return m_server.resolved(QUrl(href, QUrl::StrictMode));
}

void DavClient::fail(int status, const QString& detail) const
{
    using K = DavError::Kind;
    K kind = K::ServerError;
    switch (status) {
    case 401:
        kind = K::Unauthorized;
        break;
    case 403:
        kind = K::Forbidden;
        break;
    case 404:
    case 410:
        kind = K::NotFound;
        break;
    case 409:
        kind = K::Conflict;
        break;
    case 412:
        kind = K::PreconditionFailed;
        break;
    default:
        break;
    }
    throw DavError(kind, serverName(), status, detail);
}

namespace {

// Scheme, host and port: where a request goes.
QString originOf(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme + u"://"_s + url.host().toLower() + u':' + QString::number(url.port(scheme == u"https"_s ? 443 : 80));
}

} // namespace

DavClient::Answer DavClient::request(const QByteArray& method, const QUrl& url, const QByteArray& body, int depth,
    QList<std::pair<QByteArray, QByteArray>> headers)
{
    // The name and the password go only where the user sent them: never to
    // another host, nor from https down to http, whatever the server (a
    // redirect, an address in its answers) says.
    if (originOf(url) != originOf(m_server))
        throw DavError(DavError::Kind::OtherHost, serverName(), 0,
            url.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::StripTrailingSlash));
    network::Request outgoing;
    outgoing.method = method;
    outgoing.url = url;
    outgoing.body = body;
    outgoing.timeoutMs = m_timeoutMs;
    outgoing.headers = std::move(headers);
    outgoing.headers.append(std::pair<QByteArray, QByteArray>("Authorization", m_authorization));
    if (depth >= 0)
        outgoing.headers.append(std::pair<QByteArray, QByteArray>("Depth", QByteArray::number(depth)));
    if (!body.isEmpty() && method != "PUT")
        outgoing.headers.append(std::pair<QByteArray, QByteArray>("Content-Type", "application/xml; charset=utf-8"));

    const network::Response response = network::send(outgoing);
    switch (response.failure) {
    case network::Failure::Timeout:
        throw DavError(DavError::Kind::Timeout, serverName(), 0, response.detail);
    case network::Failure::Certificate:
        throw DavError(DavError::Kind::Certificate, serverName(), 0, response.detail);
    case network::Failure::Unreachable:
        throw DavError(DavError::Kind::Unreachable, serverName(), 0, response.detail);
    case network::Failure::None:
        break;
    }
    Answer answer;
    answer.status = response.status;
    answer.body = response.body;
    answer.headers = response.headers;
    if (response.status == 207 && !parse(response.body, answer.root))
        throw DavError(
            DavError::Kind::BadResponse, serverName(), 207, QString::fromUtf8(method + ' ' + url.toEncoded()));
    return answer;
}

// --- discovery ------------------------------------------------------------

QUrl DavClient::findPrincipal(const QUrl& start)
{
    static const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                   "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:current-user-principal/></d:prop>"
                                   "</d:propfind>";
    QUrl url = start;
    for (int hop = 0; hop < 5; ++hop) {
        Answer answer = request("PROPFIND", url, body, 0);
        if (answer.status >= 300 && answer.status < 400 && answer.headers.contains("location")) {
            url = url.resolved(QUrl(QString::fromUtf8(answer.headers.value("location"))));
            continue;
        }
        if (answer.status == 401)
            fail(401, url.toString());
        if (answer.status != 207)
            return QUrl();
        for (const Entry& entry : answer.entries())
            if (const Node* principal = entry.prop(Dav, u"current-user-principal"_s))
                if (const Node* href = principal->child(Dav, u"href"_s))
                    return url.resolved(QUrl(href->text.trimmed()));
        return QUrl();
    }
    return QUrl();
}

Discovery DavClient::discover()
{
    Discovery found;
    for (const QString& start : { u"/.well-known/caldav"_s, u"/.well-known/carddav"_s, QString() }) {
        const QUrl url = start.isEmpty() ? m_server : m_server.resolved(QUrl(start));
        found.principal = findPrincipal(url);
        if (found.principal.isValid())
            break;
    }
    if (!found.principal.isValid())
        throw DavError(DavError::Kind::BadResponse, serverName(), 0, u"no current-user-principal"_s);

    static const QByteArray homes = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                    "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\" "
                                    "xmlns:a=\"urn:ietf:params:xml:ns:carddav\"><d:prop><c:calendar-home-set/>"
                                    "<a:addressbook-home-set/></d:prop></d:propfind>";
    const Answer answer = request("PROPFIND", found.principal, homes, 0);
    if (answer.status != 207)
        fail(answer.status, found.principal.toString());
    QList<QUrl> homeSets;
    for (const Entry& entry : answer.entries())
        for (const auto& [ns, name] :
            { std::pair { CalDav, u"calendar-home-set"_s }, std::pair { CardDav, u"addressbook-home-set"_s } })
            if (const Node* home = entry.prop(ns, name))
                for (const Node* href : home->all(Dav, u"href"_s)) {
                    const QUrl url = found.principal.resolved(QUrl(href->text.trimmed()));
                    if (!homeSets.contains(url))
                        homeSets.append(url);
                }

    static const QByteArray listing = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                      "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:displayname/>"
                                      "</d:prop></d:propfind>";
    for (const QUrl& home : homeSets) {
        const Answer collections = request("PROPFIND", home, listing, 1);
        if (collections.status != 207)
            fail(collections.status, home.toString());
        for (const Entry& entry : collections.entries()) {
            const Node* type = entry.prop(Dav, u"resourcetype"_s);
            if (!type)
                continue;
            Collection collection;
            collection.url = home.resolved(QUrl(entry.href));
            const Node* name = entry.prop(Dav, u"displayname"_s);
            collection.name = name && !name->text.trimmed().isEmpty() ? name->text.trimmed()
                                                                      : collection.url.path().section(u'/', -2, -2);
            if (type->child(CalDav, u"calendar"_s)) {
                collection.type = Collection::Type::Calendar;
                found.calendars.append(collection);
            } else if (type->child(CardDav, u"addressbook"_s)) {
                collection.type = Collection::Type::AddressBook;
                found.addressBooks.append(collection);
            }
        }
    }
    return found;
}

// --- items ----------------------------------------------------------------

QHash<QString, QByteArray> DavClient::etags(const QUrl& collection)
{
    static const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                   "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/><d:resourcetype/></d:prop>"
                                   "</d:propfind>";
    const Answer answer = request("PROPFIND", collection, body, 1);
    if (answer.status != 207)
        fail(answer.status, collection.toString());
    QHash<QString, QByteArray> found;
    const QString self = collection.path();
    for (const Entry& entry : answer.entries()) {
        const Node* etag = entry.prop(Dav, u"getetag"_s);
        const Node* type = entry.prop(Dav, u"resourcetype"_s);
        if (!etag || (type && type->child(Dav, u"collection"_s)) || resolve(entry.href).path() == self)
            continue;
        found.insert(entry.href, cleanEtag(etag->text.toUtf8()));
    }
    return found;
}

Changes DavClient::changesSince(const QUrl& collection, const QByteArray& token)
{
    const auto report = [&](const QByteArray& from) {
        const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>"
            + escaped(QString::fromUtf8(from)).toUtf8()
            + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
        return request("REPORT", collection, body, -1);
    };
    Answer answer = report(token);
    // A token the server no longer knows (its cache removed: 403, 412, or a
    // failure of its own) is given up: the changes from the start, with a
    // new token, or else the whole listing. Only a wrong password or a
    // collection that is gone end the sync.
    if (answer.status == 401 || answer.status == 404 || answer.status == 410)
        fail(answer.status, collection.toString());
    bool fromStart = token.isEmpty();
    if (answer.status != 207 && !fromStart) {
        answer = report(QByteArray());
        fromStart = true;
    }
    Changes changes;
    if (answer.status == 207) {
        if (const Node* next = answer.root.child(Dav, u"sync-token"_s))
            changes.token = next->text.trimmed().toUtf8();
        const QString self = collection.path();
        for (const Entry& entry : answer.entries()) {
            if (resolve(entry.href).path() == self)
                continue;
            if (entry.status == 404)
                changes.removed.append(entry.href);
            else if (const Node* etag = entry.prop(Dav, u"getetag"_s))
                changes.present.insert(entry.href, cleanEtag(etag->text.toUtf8()));
        }
        // From the start the answer lists every item there is.
        changes.complete = fromStart;
        if (!changes.token.isEmpty())
            return changes;
    } else if (answer.status == 401 || answer.status == 404 || answer.status == 410) {
        fail(answer.status, collection.toString());
    }
    // No sync-collection here (501, 405…): the whole listing, which fails
    // with its own status when the server cannot give even that.
    changes = Changes();
    changes.present = etags(collection);
    changes.complete = true;
    return changes;
}

QList<Item> DavClient::fetch(const QUrl& collection, Collection::Type type, const QStringList& hrefs)
{
    const bool calendar = type == Collection::Type::Calendar;
    QByteArray body = calendar ? "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget xmlns:d=\"DAV:\" "
                                 "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop><d:getetag/><c:calendar-data/>"
                                 "</d:prop>"
                               : "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:addressbook-multiget "
                                 "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:getetag/>"
                                 "<c:address-data/></d:prop>";
    for (const QString& href : hrefs)
        body += "<d:href>" + escaped(href).toUtf8() + "</d:href>";
    body += calendar ? "</c:calendar-multiget>" : "</c:addressbook-multiget>";
    const Answer answer = request("REPORT", collection, body, 1);
    if (answer.status != 207)
        fail(answer.status, collection.toString());
    QList<Item> items;
    for (const Entry& entry : answer.entries()) {
        const Node* etag = entry.prop(Dav, u"getetag"_s);
        const Node* data = calendar ? entry.prop(CalDav, u"calendar-data"_s) : entry.prop(CardDav, u"address-data"_s);
        if (!etag || !data)
            continue;
        items.append({ entry.href, cleanEtag(etag->text.toUtf8()), data->text.toUtf8() });
    }
    return items;
}

Item DavClient::get(const QString& href)
{
    const Answer answer = request("GET", resolve(href), QByteArray(), -1);
    if (answer.status == 404 || answer.status == 410)
        return Item();
    if (answer.status != 200)
        fail(answer.status, href);
    return { href, cleanEtag(answer.headers.value("etag")), answer.body };
}

QByteArray DavClient::put(
    const QString& href, const QByteArray& data, const QByteArray& contentType, const QByteArray& ifMatch)
{
    QList<std::pair<QByteArray, QByteArray>> headers { { "Content-Type", contentType } };
    if (ifMatch.isEmpty())
        headers.append(std::pair<QByteArray, QByteArray>("If-None-Match", "*"));
    else
        headers.append(std::pair<QByteArray, QByteArray>("If-Match", ifMatch));
    const Answer answer = request("PUT", resolve(href), data, -1, headers);
    // A refusal may come inside a multi-status answer (Xandikos): it is a
    // refusal all the same, under the status it names.
    int status = answer.status;
    if (status == 207)
        for (const Entry& entry : answer.entries())
            if (entry.status != 0 && (entry.status < 200 || entry.status >= 300)) {
                status = entry.status;
                break;
            }
    // A UID the collection already holds under another href (no-uid-conflict
    // of CalDAV and CardDAV) is a conflict, whatever the status that says it.
    if (status >= 300 && answer.body.contains("no-uid-conflict"))
        throw DavError(DavError::Kind::Conflict, serverName(), 409, href);
    if (status < 200 || status >= 300 || status == 207)
        fail(status == 207 ? 500 : status, href);
    return cleanEtag(answer.headers.value("etag"));
}

QString chooseCollection(const QString& current, const QUrl& server, const QList<Collection>& found)
{
    const QString typed = current.trimmed();
    for (const Collection& collection : found)
        if (collection.url == QUrl(typed))
            return typed;
    if (!typed.isEmpty() && originOf(QUrl(typed)) == originOf(server))
        return typed;
    return found.isEmpty() ? QString() : found.first().url.toString();
}

} // namespace davsync
