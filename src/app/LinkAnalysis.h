#pragma once

#include "AppEngine.h"
#include "VideoInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>

class Cancellation;

// The link the user gives and what the engine found behind it. Only the
// answer for the link still shown is kept; older answers are dropped.
class LinkAnalysis : public QObject
{
    Q_OBJECT

public:
    // `pool` belongs to the owner, which waits for it before deleting this.
    LinkAnalysis(AppEnginePtr engine, QThreadPool& pool, QObject* parent = nullptr);

    QString link() const { return m_link; }
    std::optional<VideoInfo> info() const { return m_info; }
    QList<VideoInfo> candidates() const { return m_candidates; }
    std::optional<QString> analyzedLink() const { return m_analyzedLink; }
    bool analyzing() const { return m_analyzing; }
    // The draft link read at launch; announces nothing.
    void restore(const QString& link) { m_link = link; }
    void setEngineReady(bool ready) { m_engineReady = ready; }
    // Runs started from here on use `engine`; a running one keeps the engine it started with.
    void setEngine(AppEnginePtr engine) { m_engine = std::move(engine); }
    // Whether the video shown is the one behind the current link.
    bool current() const;

    // A changed link drops the video analysed for another one.
    void setLink(const QString& link);
    // `clipboard` replaces the link and is analysed when it is a supported link.
    void paste(const std::optional<QString>& clipboard);
    void analyze();
    void cancel();
    // Cancels the running analysis and leaves the state as it is: the app is closing.
    void stop();
    void choose(const QString& id);
    void clearInfo();

Q_SIGNALS:
    // link, info, candidates, analyzedLink or analyzing.
    void changed();
    // The link text changed.
    void edited();
    // A video was analysed or chosen, so the qualities on offer may differ.
    void videoChosen();
    void message(const QString& text, bool error);

private:
    void setState(const std::optional<VideoInfo>& info, const QList<VideoInfo>& candidates,
        const std::optional<QString>& analyzedLink);
    void setAnalyzing(bool analyzing);

    AppEnginePtr m_engine;
    QThreadPool& m_pool;
    bool m_engineReady = false;
    QString m_link;
    std::optional<VideoInfo> m_info;
    QList<VideoInfo> m_candidates;
    std::optional<QString> m_analyzedLink;
    bool m_analyzing = false;
    std::shared_ptr<Cancellation> m_token;
};
