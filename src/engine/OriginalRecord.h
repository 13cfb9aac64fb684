#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The index of one cached original ("source.json" beside it).
struct OriginalRecord
{
    // The storage id of the video whose sound this is.
    QString videoID;
    // The original's file name, in the same directory.
    QString filename;
    // As probed when it was stored.
    double duration = 0;
    qint64 bytes = 0;

    QByteArray toJson() const;
    // Nothing unless all four keys hold values of their types; other keys are ignored.
    static std::optional<OriginalRecord> fromJson(const QByteArray& data);

    friend bool operator==(const OriginalRecord&, const OriginalRecord&) = default;
};
