#include "ThumbnailLoader.h"

#include <QBuffer>
#include <QFuture>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtConcurrent>

using namespace Qt::Literals::StringLiterals;

namespace {

QImage decode(const QByteArray& data, const QSize& fill)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header tells the size: a small file may still claim a huge picture.
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > ThumbnailLoader::maxPixels)
        return {};
    QImage image = reader.read();
    if (!image.isNull() && fill.isValid())
        image = image.scaled(fill, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return image;
}

} // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ThumbnailLoader::fail);
}

ThumbnailLoader::~ThumbnailLoader()
{
    cancel();
}

void ThumbnailLoader::load(const std::optional<QUrl>& address, const QSize& fill)
{
    cancel();
    m_fill = fill;
    m_loading = true;
    if (!address || !address->isValid() || address->scheme() != u"https"_s || address->host().isEmpty()) {
        fail();
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(*address);
    // Starting from https, this follows only https redirects.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        // Queued: the reply cannot be aborted from inside its own announcement.
        if (length.isValid() && length.toLongLong() > maxBytes)
            QMetaObject::invokeMethod(
                this,
                [this, generation = m_generation] {
                    if (generation == m_generation && m_loading)
                        fail();
                },
                Qt::QueuedConnection);
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &ThumbnailLoader::received);
    connect(m_reply, &QNetworkReply::finished, this, &ThumbnailLoader::finished);
    m_timer.start(m_timeLimit);
}

void ThumbnailLoader::cancel()
{
    ++m_generation;
    m_timer.stop();
    m_data.clear();
    m_loading = false;
    if (QNetworkReply* reply = m_reply.data()) {
        m_reply.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void ThumbnailLoader::fail()
{
    cancel();
    Q_EMIT failed();
}

void ThumbnailLoader::received()
{
    // Read as it arrives, so that the bound holds for the reply's buffer too.
    m_data += m_reply->read(maxBytes + 1 - m_data.size());
    if (m_data.size() > maxBytes)
        fail();
}

void ThumbnailLoader::finished()
{
    if (m_reply->error() != QNetworkReply::NoError) {
        fail();
        return;
    }
    received();
    if (!m_loading)
        return;
    QNetworkReply* reply = m_reply.data();
    m_reply.clear();
    reply->deleteLater();
    m_timer.stop();

    const quint64 generation = m_generation;
    QtConcurrent::run(decode, std::exchange(m_data, {}), m_fill).then(this, [this, generation](const QImage& image) {
        if (generation != m_generation)
            return;
        m_loading = false;
        if (image.isNull())
            Q_EMIT failed();
        else
            Q_EMIT loaded(image);
    });
}
