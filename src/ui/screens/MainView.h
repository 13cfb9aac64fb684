#pragma once

#include "SheetDialog.h"

#include <QPointer>
#include <QWidget>

class AppModel;
class BannerView;
class LibraryView;
class NewDownloadView;
class QStackedWidget;
class QueueView;
class SectionHeader;
class Sidebar;

// The root view of the window: the sidebar, the header and the screen of the
// section the model names, the banner floating over them, and the settings and
// player sheets, each shown while the model asks for it. It also applies the
// model's colour scheme to the whole application, live.
class MainView : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize defaultSize { 1160, 850 };
    static constexpr QSize minimumSize { 1020, 720 };

    explicit MainView(AppModel* model, QWidget* parent = nullptr);
    ~MainView() override;

    Sidebar* sidebar() const { return m_sidebar; }
    SectionHeader* header() const { return m_header; }
    BannerView* banner() const { return m_banner; }
    // The screen on display.
    QWidget* currentScreen() const;
    SheetDialog* settingsSheet() const { return m_settingsSheet; }
    SheetDialog* playerSheet() const { return m_playerSheet; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showSection();
    void showScheme();
    void showSettingsSheet();
    void showPlayerSheet();

    AppModel* m_model;
    Sidebar* m_sidebar;
    SectionHeader* m_header;
    QStackedWidget* m_screens;
    NewDownloadView* m_newDownload;
    QueueView* m_queue;
    LibraryView* m_library;
    BannerView* m_banner;
    QPointer<SheetDialog> m_settingsSheet;
    QPointer<SheetDialog> m_playerSheet;
};
