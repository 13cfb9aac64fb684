#pragma once

#include "CheckLog.h"

#include <QString>

class Downloader;

// The checks of "--live-test" after the tools' own: one public YouTube video,
// analysed and saved four ways through the network, and the saved files measured.
class LiveSuite
{
public:
    // The downloads go to `work`, the exported history to `root`.
    LiveSuite(const Downloader& engine, const QString& root, const QString& work, CheckLog& log);

    // Every check in order; the first failure throws.
    void run();

    static QString link();
    static QString publisher();

private:
    const Downloader& m_engine;
    QString m_root;
    QString m_work;
    CheckLog& m_log;
};
