#include "Toolchain.h"

#include "BrisError.h"
#include "ToolRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

extern char** environ;

namespace {

QString programDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(u"/proc/self/exe"_s).canonicalPath();
}

QString defaultRoot()
{
    const QString fromEnvironment = qEnvironmentVariable("BRISOMAR_TOOLS_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString program = programDirectory();
    const QString buildTree = program + u"/Tools"_s;
    if (QFileInfo(buildTree).isDir())
        return buildTree;
    return program + u"/../share/brisomar/Tools"_s;
}

// This process's environment with the fixed search path and the settings that
// keep the downloader's Python to its own modules.
QList<QByteArray> toolEnvironment(const QString& root)
{
    static const QByteArrayList replaced = { "PATH="_ba, "PYTHONNOUSERSITE="_ba, "PYTHONPATH="_ba, "PYTHONHOME="_ba };
    QList<QByteArray> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const QByteArray variable(*entry);
        const bool drop = std::any_of(
            replaced.begin(), replaced.end(), [&](const QByteArray& prefix) { return variable.startsWith(prefix); });
        if (!drop)
            result.append(variable);
    }
    result.append("PATH="_ba + QFile::encodeName(root) + ":/usr/bin:/bin:/usr/sbin:/sbin"_ba);
    result.append("PYTHONNOUSERSITE=1"_ba);
    return result;
}

} // namespace

Toolchain::Toolchain(std::optional<QString> root)
    : m_root(QDir::cleanPath(QDir::current().absoluteFilePath(root ? *root : defaultRoot())))
{
}

QString Toolchain::path(const QString& tool) const
{
    // A replacement deleted while the program runs gives the root's own back.
    if (tool == u"yt-dlp"_s && !m_ytDlp.isEmpty() && QFileInfo(m_ytDlp).isFile())
        return m_ytDlp;
    if (tool == u"yt-dlp"_s)
        return m_root + u"/yt-dlp-runtime/yt-dlp_linux"_s;
    return m_root + u'/' + tool;
}

Toolchain Toolchain::withYtDlp(const QString& file) const
{
    Toolchain replaced = *this;
    replaced.m_ytDlp = QDir::cleanPath(QDir::current().absoluteFilePath(file));
    return replaced;
}

bool Toolchain::replacedYtDlp() const
{
    return path(u"yt-dlp"_s) == m_ytDlp;
}

void Toolchain::require() const
{
    for (const QString& tool : { u"runner"_s, u"yt-dlp"_s, u"node"_s, u"ffmpeg"_s, u"ffprobe"_s }) {
        const QFileInfo file(path(tool));
        if (!file.isFile() || !file.isExecutable())
            throw BrisError::message(u"Falta una herramienta del motor local. Volvé a instalar Brisomar."_s);
    }
}

QStringList Toolchain::common() const
{
    return { u"--ignore-config"_s, u"--no-config-locations"_s, u"--no-plugin-dirs"_s, u"--no-cache-dir"_s,
        u"--no-playlist"_s, u"--no-colors"_s, u"--socket-timeout"_s, u"20"_s, u"--retries"_s, u"2"_s,
        u"--extractor-retries"_s, u"1"_s, u"--js-runtimes"_s, u"node:"_s + path(u"node"_s), u"--ffmpeg-location"_s,
        m_root };
}

QByteArray Toolchain::run(const QString& tool, const QStringList& args, const CancellationPtr& cancel, double timeout,
    const std::function<void(const QString&)>& line) const
{
    require();
    // A run without a token still gets one, so that time-outs have somewhere to land.
    const CancellationPtr token = cancel ? cancel : std::make_shared<Cancellation>();
    token->check();

    QList<QByteArray> argv { QFile::encodeName(path(u"runner"_s)), QFile::encodeName(path(tool)) };
    for (const QString& arg : args)
        argv.append(arg.toUtf8());
    ToolRun run(token, timeout, line);
    return run.exec(argv, toolEnvironment(m_root));
}
