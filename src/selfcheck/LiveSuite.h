#pragma once

#include "CheckLog.h"

#include <QString>

class Downloader;

// The checks of "--live-test" after the tools' own: one public YouTube video,
// analysed and saved four ways through the network, and the saved files measured.
class LiveSuite
{
public:
    LiveSuite(const Downloader& engine, const QString& root, CheckLog& log);

    // Every check in order; the first failure throws.
    void run();

    static QString link();
    static QString publisher();

private:
    const Downloader& m_engine;
    QString m_root;
    CheckLog& m_log;
};
