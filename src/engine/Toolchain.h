#pragma once

#include "Cancellation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The tools root and the runs of the tools in it. A plain value: copy it freely.
class Toolchain
{
public:
    // Without a root: BRISOMAR_TOOLS_DIR, else the build tree's Tools beside the
    // program, else the installed share/brisomar/Tools.
    explicit Toolchain(std::optional<QString> root = {});

    QString root() const { return m_root; }
    // "yt-dlp" lives in yt-dlp-runtime/, unless another one was put in its
    // place and is still there; every other tool at the top.
    QString path(const QString& tool) const;
    // The same root with `file` as its yt-dlp (a refreshed engine).
    Toolchain withYtDlp(const QString& file) const;
    // yt-dlp is not the root's own.
    bool replacedYtDlp() const;
    // Throws BrisError::message when one of the five executables is missing.
    void require() const;
    // The arguments that open every downloader run that reads a link.
    QStringList common() const;

    // Runs `tool` through the runner and returns its standard output (at most the
    // last 16,000,000 bytes). `line` gets each line of standard output as it
    // arrives, on the calling thread; it may throw, which ends the run and reaches
    // the caller. Throws BrisError::cancelled on cancellation, time-out or a runaway
    // line, BrisError::process with the tail of standard error on a failed exit,
    // SystemError when the launch fails. Returns or throws only once the tool's
    // whole process group is gone or has been sent SIGKILL.
    QByteArray run(const QString& tool, const QStringList& args, const CancellationPtr& cancel, double timeout = 120,
        const std::function<void(const QString&)>& line = {}) const;

    friend bool operator==(const Toolchain&, const Toolchain&) = default;

    static constexpr qsizetype outputLimit = 16'000'000;
    static constexpr qsizetype errorLimit = 16'000;

private:
    QString m_root;
    QString m_ytDlp;
};
