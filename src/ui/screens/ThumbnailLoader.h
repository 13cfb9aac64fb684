#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches one picture at a time without blocking the window. Only https
// addresses are fetched (redirects included), the download stops beyond
// `maxBytes` or after the time limit, and decoding runs off the main thread.
// Every load ends in exactly one `loaded` or `failed`, unless a newer load or
// `cancel` replaced it first.
class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 maxBytes = 4'000'000;
    // A picture larger than this many pixels is refused before it is decoded.
    static constexpr qint64 maxPixels = 4096LL * 4096LL;

    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // Drops the load in progress and starts on `address`. The image is scaled
    // to cover `fill` (device pixels) when that is valid.
    void load(const std::optional<QUrl>& address, const QSize& fill = {});
    void cancel();
    bool isLoading() const { return m_loading; }

    // 15 seconds unless changed.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

Q_SIGNALS:
    void loaded(const QImage& image);
    void failed();

private:
    void fail();
    void received();
    void finished();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    QByteArray m_data;
    QSize m_fill;
    std::chrono::milliseconds m_timeLimit { 15000 };
    quint64 m_generation = 0;
    bool m_loading = false;
};
