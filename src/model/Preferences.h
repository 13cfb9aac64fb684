#pragma once

#include "Appearance.h"
#include "DownloadProfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The user's persisted choices ("preferences.json").
struct Preferences
{
    QString folder = defaultFolder();
    Appearance appearance = Appearance::dark;
    // A stored appearance this version does not know: it follows the system
    // and is written back as it was, until the user picks one.
    QString otherAppearance;
    bool metadata = true;
    // "Mantener el motor actualizado": yt-dlp refreshed by itself, at most once a
    // day and only while idle. Files older than the switch lack it and read as on.
    bool keepEngineCurrent = true;
    QString lastLink;
    std::optional<DownloadProfile> lastProfile;

    static QString defaultFolder();

    QByteArray encode() const;
    // Tolerant key by key (a folder that is not an absolute path reads as the
    // default); nothing only when `data` is not a JSON object at all.
    static std::optional<Preferences> decode(const QByteArray& data);

    friend bool operator==(const Preferences&, const Preferences&) = default;
};
