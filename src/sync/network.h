#pragma once
// The network as the sync sees it: one HTTP request in, its answer out. The
// requests go through one replaceable handler, so tests can cut the line
// half way or stand in for a server; by default they go out through
// QNetworkAccessManager. A request waits for its answer (the sync is one
// action run to its end), with a time limit.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <utility>

namespace davsync::network {

struct Request {
    QByteArray method; // "PROPFIND", "PUT"…
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int timeoutMs = 30000;
};

enum class Failure {
    None,        // the server answered; see status
    Timeout,     // no answer within the time limit
    Certificate, // the server's certificate was refused
    Unreachable, // no connection: wrong name, refused, network down
};

struct Response {
    int status = 0; // the HTTP status, 0 without an answer
    Failure failure = Failure::None;
    QString detail;                        // what the network layer said, for developers
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray header(const QByteArray& lowerName) const { return headers.value(lowerName); }
};

using Handler = std::function<Response(const Request&)>;

Response send(const Request& request);
// The real network, for handlers that wrap it.
Response sendDirect(const Request& request);
// Replaces the network; an empty handler puts the real one back.
void setHandler(Handler handler);

} // namespace davsync::network
