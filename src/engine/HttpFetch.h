#pragma once

#include "Cancellation.h"

#include <QString>
#include <QUrl>

#include <exception>

// Blocking HTTPS requests for the engine's refresh, on the calling thread
// (a worker's): each runs its own event loop, polls the cancellation token,
// and bounds what it accepts. Only https is spoken, and plain http only to
// this machine when `loopbackHttp` is set (the tests' release server).
class HttpFetch
{
public:
    enum class Failure {
        // Nothing came back: no network, no such host, refused, timed out.
        connection,
        // The answer stopped before its end.
        incomplete,
        // More bytes than the caller allows.
        tooLarge,
        // An answer that is not the one asked for (an HTTP error, a missing redirect).
        unexpected,
        // The file could not take the bytes (a full disk).
        write,
        // An address of a scheme or host this fetch does not speak to.
        address,
    };

    struct Error : std::exception
    {
        explicit Error(Failure failure)
            : failure(failure)
        {
        }
        const char* what() const noexcept override { return "fetch failed"; }
        Failure failure;
    };

    explicit HttpFetch(bool loopbackHttp = false)
        : m_loopbackHttp(loopbackHttp)
    {
    }

    // Where `url` redirects to, without following it. Throws Error or BrisError::cancelled.
    QUrl redirect(const QUrl& url, const CancellationPtr& cancel) const;
    // Writes the body of `url` into `file` (created or truncated), following
    // at most five redirects, none of them to a weaker scheme. At most `limit`
    // bytes. Throws Error or BrisError::cancelled; the file is then left for the
    // caller to remove.
    void download(const QUrl& url, const QString& file, qint64 limit, const CancellationPtr& cancel) const;

    bool allowed(const QUrl& url) const;

private:
    bool m_loopbackHttp;
};
