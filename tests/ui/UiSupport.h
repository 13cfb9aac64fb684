#pragma once

#include "AppHarness.h"

#include <QWidget>

// What the window's tests share: jobs in every state, staged through a real
// model over the controllable engine.
namespace UiSupport {

// A finished job of `kind` saved into `folder`, with its file there when
// `fileThere`; `age` orders jobs (older first in the history, newer on screen).
DownloadJob finishedJob(const QString& folder, const QString& id, const QString& title, const QString& author,
    DownloadKind kind, int age, bool fileThere = true, std::optional<qint64> height = std::nullopt);
// A job that ended in `state` with `detail`.
DownloadJob endedJob(
    const QString& folder, const QString& id, const QString& title, JobState state, const QString& detail, int age);
// Writes the history the model reads when it opens.
bool writeHistory(AppHarness& harness, const QList<DownloadJob>& jobs);
// Analyses and queues the video `id` through the model (engine ready); the
// first queued job starts downloading and waits for the test.
bool enqueue(AppModel& model, ControlledEngine& engine, const QString& id, const QString& title);
inline bool enqueue(AppHarness& harness, const QString& id, const QString& title)
{
    return enqueue(*harness.model, *harness.engine, id, title);
}

// The widget named `name` under `root`, of type T.
template <typename T = QWidget> T* child(const QObject& root, const QString& name)
{
    return root.findChild<T*>(name);
}

} // namespace UiSupport
