#pragma once

#include <QWidget>

class AppModel;
class QLabel;
class QPushButton;
class SegmentedPicker;
class StyledLabel;
class SwitchButton;
class SymbolView;

// The preferences sheet: appearance, download folder and metadata, the cache of
// originals, updates and the engine. Every change is written back at once.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int sheetWidth = 620;

    explicit SettingsView(AppModel* model, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshPreferences();
    void refreshCache();
    void refreshEngine();
    void refreshEngineRefresh();

    AppModel* m_model;
    SegmentedPicker* m_appearance;
    QLabel* m_folder;
    SwitchButton* m_metadata;
    StyledLabel* m_cacheSize;
    QPushButton* m_clearCache;
    SymbolView* m_engineSymbol;
    StyledLabel* m_engineTitle;
    QLabel* m_engineDetail;
    QPushButton* m_recheck;
    StyledLabel* m_engineVersions;
    QPushButton* m_refreshEngine;
    QPushButton* m_rollBack;
    StyledLabel* m_refreshStatus;
    SwitchButton* m_keepEngineCurrent;
};
