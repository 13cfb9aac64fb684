#pragma once

#include "MediaPlatform.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

// The checked, canonical address of one public video. Only the normaliser makes
// one, so every MediaLink in the program is on the allow-list.
class MediaLink
{
public:
    // The canonical link for `text`, or nothing when the text is not a link to
    // one video of a known platform.
    static std::optional<MediaLink> make(const QString& text);

    MediaPlatform platform() const { return m_platform; }
    QString url() const { return m_url; }

    friend bool operator==(const MediaLink&, const MediaLink&) = default;

private:
    MediaLink(MediaPlatform platform, const QString& url);

    MediaPlatform m_platform;
    QString m_url;
};

size_t qHash(const MediaLink& link, size_t seed = 0) noexcept;

// The 11-character YouTube id that `text` links to, or nothing.
std::optional<QString> youtubeID(const QString& text);

// The canonical watch address of a YouTube id.
QString youtubeWatchURL(const QString& id);
