#include "SavedStates.h"

#include <QDateTime>

using namespace Qt::Literals::StringLiterals;

namespace SavedStates {

QList<DownloadJob> history(bool second)
{
    QList<DownloadJob> jobs;
    const int count = second ? 100 : 150;
    for (int i = 0; i < count; ++i) {
        DownloadJob job;
        job.id = QUuid(quint32(i + 1), 1, 2, 3, 4, 5, 6, 7, 8, 9, second ? 1 : 0);
        job.video.id = u"abcdefghij"_s + QChar(u'A' + i % 26);
        job.video.title = (second ? u"Segunda versión "_s : u"Primera versión "_s) + QString(200, QChar(u'ñ'));
        job.video.author = u"Autor"_s;
        job.video.duration = 60 + i;
        job.video.provider = MediaPlatform::youtube;
        job.folder = u"/home/alguien/Descargas/Brisomar"_s;
        job.state = second ? JobState::completed : JobState::failed;
        job.detail = second ? u"Listo"_s : u"Falló"_s;
        job.created = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC).addSecs(i);
        jobs.append(job);
    }
    return jobs;
}

Preferences preferences(bool second)
{
    Preferences preferences;
    preferences.folder = second ? u"/media/otra/carpeta"_s : u"/home/alguien/Descargas/Brisomar"_s;
    preferences.appearance = second ? u"light"_s : u"dark"_s;
    preferences.metadata = !second;
    preferences.lastLink = u"https://www.youtube.com/watch?v="_s + (second ? u"bbbbbbbbbbb"_s : u"aaaaaaaaaaa"_s);
    return preferences;
}

} // namespace SavedStates
