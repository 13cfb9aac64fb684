#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

class StandInTools;
class TestMedia;
struct VideoInfo;

// Shared by the fault and stress tests.
namespace StressSupport {

// The seed of this run: BRISOMAR_STRESS_SEED when set, else a fresh one. Printed,
// so that a failing run can be repeated.
quint32 seed();

// Every process but this one whose environment holds `variable`=`value`, as
// "pid: command line"; zombies do not count.
QStringList processesTagged(const QByteArray& variable, const QByteArray& value);

// Each file and folder under `root` (links not followed) with its size, mode,
// link target and change time: two equal snapshots mean nothing changed.
QMap<QString, QString> snapshot(const QString& root);

// Serves one twelve-second YouTube video titled `title` offline through the
// real yt-dlp, from the local "h264-aac.mkv" and "tone.m4a". Returns the
// analysed record the engine works from.
VideoInfo serveOffline(StandInTools& stand, TestMedia& media, const QString& title);

} // namespace StressSupport
