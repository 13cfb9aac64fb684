#pragma once

#include "AudioFormat.h"
#include "DownloadProfile.h"
#include "Surface.h"

class AppModel;
class QComboBox;
class QPushButton;
class QStackedWidget;
class SegmentedPicker;
class StyledLabel;

// The new-download screen's card of the profile: the kind, the format and the
// quality, the folder the file goes to, a hint, and the download button. The
// screen tells it when to show the model again (its refreshes run in the
// screen's order); the user's choices go straight to the model.
class FormatCard : public Surface
{
    Q_OBJECT

public:
    explicit FormatCard(AppModel* model, QWidget* parent = nullptr);

    // The picker's wording of an audio bit rate and of a video height (0 is the best available).
    static QString bitrateText(qint64 bitrate);
    static QString heightText(qint64 height);
    // What the quality column says for a format without bit rates.
    static QString fixedQualityText(AudioFormat format);
    static QString hintText(const DownloadProfile& profile);

    QPushButton* downloadButton() const { return m_download; }

    void refreshProfile();
    void refreshFolder();

private:
    void chooseKind(const QString& raw);
    void chooseFormat(int index);
    void chooseQuality(int index);

    AppModel* m_model;
    SegmentedPicker* m_kind = nullptr;
    QComboBox* m_format = nullptr;
    QStackedWidget* m_qualityStack = nullptr;
    QComboBox* m_quality = nullptr;
    StyledLabel* m_fixedQuality = nullptr;
    StyledLabel* m_folder = nullptr;
    StyledLabel* m_hint = nullptr;
    QPushButton* m_download = nullptr;
};
