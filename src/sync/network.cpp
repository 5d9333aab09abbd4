#include "sync/network.h"

#include <QBuffer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace davsync::network {

namespace {

Handler& handler()
{
    static Handler installed;
    return installed;
}

QNetworkAccessManager& manager()
{
    thread_local QNetworkAccessManager instance;
    return instance;
}

} // namespace

Response sendDirect(const Request& request)
{
    QNetworkRequest outgoing(request.url);
    outgoing.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    outgoing.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    for (const auto& [name, value] : request.headers)
        outgoing.setRawHeader(name, value);

    QBuffer body;
    body.setData(request.body);
    body.open(QIODevice::ReadOnly);
    QNetworkReply* reply = manager().sendCustomRequest(outgoing, request.method, &body);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    bool certificateRefused = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, &loop, [&] { certificateRefused = true; });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(request.timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    Response response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        response.headers.insert(name.toLower(), value);
    response.detail = reply->errorString();
    if (timedOut)
        response.failure = Failure::Timeout;
    else if (certificateRefused || reply->error() == QNetworkReply::SslHandshakeFailedError)
        response.failure = Failure::Certificate;
    else if (response.status == 0 && reply->error() != QNetworkReply::NoError)
        response.failure = reply->error() == QNetworkReply::TimeoutError ? Failure::Timeout : Failure::Unreachable;
    if (response.failure != Failure::None)
        response.status = 0;
    delete reply;
    return response;
}

Response send(const Request& request)
{
    if (handler())
        return handler()(request);
    return sendDirect(request);
}

void setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}

} // namespace davsync::network
