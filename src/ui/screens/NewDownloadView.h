#pragma once

#include <QScrollArea>

class AppModel;
class CandidateRow;
class FormatCard;
class JobRow;
class LinkBox;
class QLineEdit;
class QPushButton;
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

    QLineEdit* linkField() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildLinkCard();
    QWidget* buildFeatureTiles();
    QWidget* buildRunningCard();

    void refreshLink();
    void refreshChooser();
    void refreshVideo();
    void refreshRunning();
    void refreshEnabling();

    void clearLink();
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

    FormatCard* m_formatCard = nullptr;

    QWidget* m_tiles = nullptr;
    Surface* m_running = nullptr;
    JobRow* m_jobRow = nullptr;
};
