#pragma once

#include "VideoInfo.h"

#include <QAbstractButton>

class ClampedLabel;
class StyledLabel;
class SymbolView;

// One video of a post in the chooser: a mark (filled for the chosen video), its
// position and title, and its duration. Pressing it chooses the video.
class CandidateRow : public QAbstractButton
{
    Q_OBJECT

public:
    CandidateRow(int position, const VideoInfo& video, bool chosen, QWidget* parent = nullptr);

    const VideoInfo& video() const { return m_video; }
    bool isChosen() const { return m_chosen; }
    void setChosen(bool chosen);
    QString markSymbol() const;
    // "2. Title": the 1-based position, a point, a blank and the title.
    QString caption() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VideoInfo m_video;
    bool m_chosen;
    SymbolView* m_mark;
    ClampedLabel* m_caption;
    StyledLabel* m_duration;
};
