#pragma once

#include "Surface.h"
#include "VideoInfo.h"

class ClampedLabel;
class QPushButton;
class StyledLabel;
class ThumbnailView;

// The analysed video: its picture, title, platform and author, duration and
// best height, and a button that opens its page in the browser.
class VideoCard : public Surface
{
    Q_OBJECT

public:
    explicit VideoCard(const VideoInfo& info, QWidget* parent = nullptr);

    const VideoInfo& info() const { return m_info; }
    void setInfo(const VideoInfo& info);

    // "Hasta 1080p" for the highest height on offer; empty when there is none.
    static QString heightText(const VideoInfo& info);

    ThumbnailView* thumbnail() const { return m_thumbnail; }

private:
    void openPage() const;

    VideoInfo m_info;
    ThumbnailView* m_thumbnail;
    ClampedLabel* m_title;
    StyledLabel* m_source;
    StyledLabel* m_duration;
    StyledLabel* m_height;
    QPushButton* m_open;
};
