#pragma once

#include "CheckLog.h"
#include "DownloadJob.h"
#include "RulesUnderTest.h"
#include "SuiteSupport.h"
#include "VideoInfo.h"

#include <QDir>
#include <QList>
#include <QString>

#include <memory>

class AppModel;
class FixtureEngine;

// The checks of "--self-test" after the tools' own: link rules, the parser, the
// history format, the real tools on generated media, the queue of a real
// application model, cancellation and the cache. Needs no network. The checks
// lie by theme: LocalSuiteLinks, LocalSuiteMedia and LocalSuiteModel.
class LocalSuite
{
public:
    LocalSuite(std::shared_ptr<FixtureEngine> engine, const QString& root, CheckLog& log, RulesUnderTest rules,
        SuiteSupport::Printer print);
    ~LocalSuite();
    LocalSuite(const LocalSuite&) = delete;
    LocalSuite& operator=(const LocalSuite&) = delete;

    // Every check in order; the first failure throws.
    void run();

private:
    // Link rules, the parser and the history format.
    void checkLinks();
    void checkParser();
    void checkNames();
    // The real tools on the test sound.
    void prepareAudio();
    void checkSocialAudio();
    // Own media and folders: it runs ahead of its turn (see run).
    void checkRealEngine(CheckLog& log, const SuiteSupport::Printer& print) const;
    void checkConversions();
    void checkCancellation();
    void checkCache();
    // A real application model over the fixture engine.
    void openModel();
    void checkModelLinks();
    void checkQueue();

    QString file(const QString& name) const { return m_root.filePath(name); }
    // Puts the test sound in the originals cache as the fetched sound of `video`.
    void seedOriginal(const VideoInfo& video);
    // Saves `video` with `profile` into the downloads, straight through the engine.
    DownloadJob save(const VideoInfo& video, const DownloadProfile& profile);
    // The same without keeping the job; safe on any thread.
    DownloadJob exportJob(const VideoInfo& video, const DownloadProfile& profile) const;
    // The model's analysis of `link`, once it has ended; its videos.
    QList<VideoInfo> analyzeInModel(const QString& link);
    std::optional<DownloadJob> modelJob(const QUuid& id) const;
    // The job has left the queue and the engine, or is gone.
    bool finished(const QUuid& id) const;
    void awaitModel(AppModel& model, const std::function<bool()>& done, const QString& what);

    std::shared_ptr<FixtureEngine> m_engine;
    QDir m_root;
    CheckLog& m_log;
    RulesUnderTest m_rules;
    SuiteSupport::Printer m_print;
    QString m_downloads;
    QString m_original;
    std::unique_ptr<AppModel> m_model;
    // What the engine saved outside the model, which clearing the cache must leave alone.
    QList<DownloadJob> m_saved;
};
