#include "SuiteSupport.h"

#include "BrisError.h"
#include "InstanceLock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <cstdio>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace SuiteSupport {

void printLine(const QString& line)
{
    const QByteArray data = line.toUtf8() + '\n';
    std::fwrite(data.constData(), 1, size_t(data.size()), stdout);
    std::fflush(stdout);
}

QString scratchRoot(const QString& prefix)
{
    const QString given = qEnvironmentVariable("BRISOMAR_TEST_ROOT");
    if (!given.isEmpty())
        return QDir::cleanPath(QFileInfo(given).absoluteFilePath());
    return QDir(QDir::tempPath()).filePath(prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

Claim claim(const QStringList& folders)
{
    Claim held;
    for (const QString& folder : folders) {
        auto lock = std::make_shared<InstanceLock>(folder);
        if (lock->state() == InstanceLock::State::busy) {
            held.refusal = InstanceLock::refusal(folder);
            held.locks.clear();
            return held;
        }
        held.locks.push_back(std::move(lock));
    }
    return held;
}

QString runFolder(const QString& root)
{
    // Sorted by time when listed; the suffix keeps two runs in one millisecond apart.
    const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss-zzz"_s);
    return QDir(root).filePath(u"runs/"_s + stamp + u'-' + QUuid::createUuid().toString(QUuid::WithoutBraces).left(8));
}

void writeJson(const QString& path, const QJsonDocument& document)
{
    const QByteArray data = document.toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw SystemError(u"No se pudo escribir %1 (%2)."_s.arg(QDir::toNativeSeparators(path), file.errorString()));
}

std::optional<std::chrono::milliseconds> liveBudget()
{
    bool ok = false;
    const double seconds = qEnvironmentVariable("BRISOMAR_LIVE_BUDGET").toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 86400)
        return std::nullopt;
    return std::chrono::milliseconds(qint64(seconds * 1000));
}

namespace {
bool ended(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    // The state follows the command name, which may itself hold ") ".
    const qsizetype close = text.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < text.size() ? text.at(close + 2) : 'X';
    return state == 'Z' || state == 'X';
}
} // namespace

bool processGone(qint64 pid, std::chrono::milliseconds within)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    // An orphan is reaped by whoever adopts it, a moment after it died.
    while (!ended(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

} // namespace SuiteSupport
