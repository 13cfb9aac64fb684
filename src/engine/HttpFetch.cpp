#include "HttpFetch.h"

#include "BrisError.h"

#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int transferTimeoutMs = 30'000;
constexpr int maxRedirects = 5;

struct Answer
{
    int status = 0;
    QUrl location;
};

bool isLoopback(const QString& host)
{
    if (host == u"localhost"_s)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// One request, redirects not followed. The body of a 200 answer goes to
// `sink`, when given; any other body is read and dropped.
Answer request(const QUrl& url, QFile* sink, qint64 limit, const CancellationPtr& cancel)
{
    cancel->check();
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, u"Brisomar/"_s + QStringLiteral(BRISOMAR_VERSION));
    QNetworkReply* reply = manager.get(request);

    std::optional<HttpFetch::Failure> failure;
    qint64 received = 0;
    QEventLoop loop;
    const auto stop = [&](HttpFetch::Failure why) {
        if (!failure)
            failure = why;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limit)
            stop(HttpFetch::Failure::tooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > limit)
            return stop(HttpFetch::Failure::tooLarge);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (sink && status == 200 && sink->write(chunk) != chunk.size())
            stop(HttpFetch::Failure::write);
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (cancel->cancelled())
            reply->abort();
    });
    poll.start(100);
    if (!reply->isFinished())
        loop.exec();
    poll.stop();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    reply->deleteLater();
    cancel->check();
    if (failure)
        throw HttpFetch::Error(*failure);
    if (sink && status == 200 && !sink->flush())
        throw HttpFetch::Error(HttpFetch::Failure::write);
    if (error != QNetworkReply::NoError && status == 0)
        throw HttpFetch::Error(received > 0 ? HttpFetch::Failure::incomplete : HttpFetch::Failure::connection);
    if (status == 200 && (error != QNetworkReply::NoError || (length.isValid() && length.toLongLong() != received)))
        throw HttpFetch::Error(HttpFetch::Failure::incomplete);
    return { status, location.isValid() ? url.resolved(location) : QUrl() };
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

bool HttpFetch::allowed(const QUrl& url) const
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == u"https"_s)
        return true;
    return m_loopbackHttp && url.scheme() == u"http"_s && isLoopback(url.host());
}

QUrl HttpFetch::redirect(const QUrl& url, const CancellationPtr& cancel) const
{
    if (!allowed(url))
        throw Error(Failure::address);
    const Answer answer = request(url, nullptr, 1024 * 1024, cancel);
    if (!isRedirect(answer.status) || !answer.location.isValid())
        throw Error(Failure::unexpected);
    return answer.location;
}

void HttpFetch::download(const QUrl& url, const QString& file, qint64 limit, const CancellationPtr& cancel) const
{
    QUrl next = url;
    for (int hop = 0; hop <= maxRedirects; ++hop) {
        // https never hands over to http: a redirect must pass the same test.
        if (!allowed(next) || (url.scheme() == u"https"_s && next.scheme() != u"https"_s))
            throw Error(Failure::address);
        QFile sink(file);
        if (!sink.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Error(Failure::write);
        const Answer answer = request(next, &sink, limit, cancel);
        if (answer.status == 200)
            return;
        if (!isRedirect(answer.status) || !answer.location.isValid())
            throw Error(Failure::unexpected);
        next = answer.location;
    }
    throw Error(Failure::unexpected);
}
