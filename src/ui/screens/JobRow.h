#pragma once

#include "DownloadJob.h"

#include <QWidget>

class AppModel;
class ClampedLabel;
class KindTile;
class PlainButton;
class ProgressLine;
class QPushButton;
class StyledLabel;

// One job as the queue shows it: kind, title, profile and duration, the actions
// its state allows, progress while it runs, its detail and the reuse note. The
// compact form, for the running job on the new-download screen, never offers
// removal and shows the detail only while the job runs.
//
// The row follows its job's progress reports by itself, which repaint this row
// alone; other changes come from the queue screen, or, for the compact row,
// from the model's list.
class JobRow : public QWidget
{
    Q_OBJECT

public:
    JobRow(const DownloadJob& job, AppModel* model, bool compact = false, QWidget* parent = nullptr);

    const DownloadJob& job() const { return m_job; }
    bool isCompact() const { return m_compact; }
    // Shows `job`, touching only what changed.
    void setJob(const DownloadJob& job);

    // "45%": the whole-number part of the progress; a progress that is not a
    // finite number reads as 0.
    static QString percentText(double progress);
    // The profile's label and the duration.
    static QString subtitle(const DownloadJob& job);

private:
    void followModel();
    void apply();

    DownloadJob m_job;
    AppModel* m_model;
    bool m_compact;

    KindTile* m_tile;
    ClampedLabel* m_title;
    StyledLabel* m_subtitle;
    QPushButton* m_cancel;
    QPushButton* m_retry;
    PlainButton* m_remove;
    QWidget* m_progressArea;
    ProgressLine* m_progress;
    StyledLabel* m_state;
    StyledLabel* m_percent;
    ClampedLabel* m_detail;
    QWidget* m_reuse;
};
