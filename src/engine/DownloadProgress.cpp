#include "DownloadProgress.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString progressMarker = u"BRISOMAR_PROGRESS:"_s;
const QString fileMarker = u"BRISOMAR_FILE:"_s;
} // namespace

void progress(const QString& line, double to, const UpdateCallback& update)
{
    if (!line.startsWith(progressMarker) || !update)
        return;
    const QStringList parts = line.mid(progressMarker.size()).split(u'|');
    QString percent = parts.first();
    percent.remove(u'%');
    bool ok = false;
    const double value = percent.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return;

    QStringList details;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString part = parts[i].trimmed();
        // yt-dlp spells an unknown speed "Unknown B/s" and an unknown time "Unknown" or "NA".
        if (!part.isEmpty() && part != u"N/A"_s && part != u"NA"_s && !part.startsWith(u"Unknown"_s))
            details.append(part);
    }
    const double fraction = std::clamp(value / 100, 0.0, 1.0);
    update(DownloadUpdate {
        JobState::downloading, to * fraction, details.isEmpty() ? u"Descargando…"_s : details.join(u" · "_s), false });
}

void capturePath(const QString& line, LastPath& path)
{
    if (!line.startsWith(fileMarker))
        return;
    // Qt reads only arrays and objects: a JSON string is read as the one item of an array.
    QJsonParseError error;
    const QJsonDocument document
        = QJsonDocument::fromJson("["_ba + QStringView(line).mid(fileMarker.size()).toUtf8() + "]"_ba, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return;
    const QJsonArray items = document.array();
    if (items.size() == 1 && items.first().isString())
        path.set(items.first().toString());
}
