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
    // The file's modification time when it was measured, in nanoseconds since
    // the epoch; indexes of earlier versions lack it.
    std::optional<qint64> modified;

    QByteArray toJson() const;
    // Nothing unless the first four keys hold values of their types; a
    // "modified" that is not an integer counts as absent; other keys are ignored.
    static std::optional<OriginalRecord> fromJson(const QByteArray& data);

    friend bool operator==(const OriginalRecord&, const OriginalRecord&) = default;
};
