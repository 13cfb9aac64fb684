#pragma once

#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>

class InstanceLock;

#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

// What the self-check suites share: their output, scratch folder, reports and budgets.
namespace SuiteSupport {

// Where a suite's lines go; standard output unless a caller wants them.
using Printer = std::function<void(const QString&)>;
// Writes `line` and a line feed to standard output at once.
void printLine(const QString& line);

// BRISOMAR_TEST_ROOT taken as a path when set, else `<temp>/<prefix><UUID>`, new on every call.
QString scratchRoot(const QString& prefix);
// A run's hold on its folders, as a window holds its data folder: `refusal`
// says why the run may not go on when another program holds one of them.
struct Claim
{
    std::vector<std::shared_ptr<InstanceLock>> locks;
    std::optional<QString> refusal;
};
Claim claim(const QStringList& folders);
// A folder of this run's own inside `root`, so that no run meets another's files.
QString runFolder(const QString& root);

// Replaces `path` atomically. Throws SystemError.
void writeJson(const QString& path, const QJsonDocument& document);

// The time a live platform or step may take on top of its tools' own limits
// (BRISOMAR_LIVE_BUDGET, in seconds); nothing when unset.
std::optional<std::chrono::milliseconds> liveBudget();

// Whether process `pid` has ended (gone, or a zombie), looking for up to `within`.
bool processGone(qint64 pid, std::chrono::milliseconds within);

// Runs `steps` two at a time, then gives `done` their results in order, up to
// the first step that failed, whose failure is thrown.
template <typename T> void twoAtATime(const QList<std::function<T()>>& steps, const std::function<void(const T&)>& done)
{
    struct Lane
    {
        QList<T> results;
        std::exception_ptr failure;
    };
    const auto run = [&](qsizetype first) {
        Lane lane;
        try {
            for (qsizetype i = first; i < steps.size(); i += 2)
                lane.results.append(steps[i]());
        } catch (...) {
            lane.failure = std::current_exception();
        }
        return lane;
    };
    std::future<Lane> second = std::async(std::launch::async, run, 1);
    const Lane even = run(0);
    const Lane odd = second.get();
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Lane& lane = i % 2 ? odd : even;
        if (i / 2 >= lane.results.size())
            std::rethrow_exception(lane.failure);
        done(lane.results[i / 2]);
    }
}

} // namespace SuiteSupport
