#pragma once

#include "AudioFormat.h"
#include "DownloadProfile.h"

#include <QScrollArea>

class AppModel;
class CandidateRow;
class JobRow;
class LinkBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class SegmentedPicker;
class Spinner;
class StyledLabel;
class Surface;
class VideoCard;

// The screen of the section "new": the link card, the chooser of a post's
// videos, the analysed video, the format card, and the running job or the
// feature tiles. It reads the model on every change and keeps nothing but the
// link field's focus.
class NewDownloadView : public QScrollArea
{
    Q_OBJECT

public:
    explicit NewDownloadView(AppModel* model, QWidget* parent = nullptr);

    // The picker's wording of an audio bit rate and of a video height (0 is the best available).
    static QString bitrateText(qint64 bitrate);
    static QString heightText(qint64 height);
    // What the quality column says for a format without bit rates.
    static QString fixedQualityText(AudioFormat format);
    static QString hintText(const DownloadProfile& profile);

    QLineEdit* linkField() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildLinkCard();
    QWidget* buildFormatCard();
    QWidget* buildFeatureTiles();
    QWidget* buildRunningCard();

    void refreshLink();
    void refreshChooser();
    void refreshVideo();
    void refreshFormat();
    void refreshFolder();
    void refreshRunning();
    void refreshEnabling();

    void clearLink();
    void chooseKind(const QString& raw);
    void chooseFormat(int index);
    void chooseQuality(int index);
    void focusLink();

    AppModel* m_model;
    QWidget* m_content = nullptr;

    LinkBox* m_linkBox = nullptr;
    QPushButton* m_analyze = nullptr;
    QPushButton* m_cancel = nullptr;
    Spinner* m_spinner = nullptr;
    StyledLabel* m_analyzingLine = nullptr;

    Surface* m_chooser = nullptr;
    StyledLabel* m_chooserTitle = nullptr;
    QWidget* m_chooserRows = nullptr;
    QList<CandidateRow*> m_candidateRows;

    VideoCard* m_videoCard = nullptr;

    SegmentedPicker* m_kind = nullptr;
    QComboBox* m_format = nullptr;
    QStackedWidget* m_qualityStack = nullptr;
    QComboBox* m_quality = nullptr;
    StyledLabel* m_fixedQuality = nullptr;
    StyledLabel* m_folder = nullptr;
    StyledLabel* m_hint = nullptr;
    QPushButton* m_download = nullptr;

    QWidget* m_tiles = nullptr;
    Surface* m_running = nullptr;
    JobRow* m_jobRow = nullptr;
};
