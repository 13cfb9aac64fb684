#include "MainView.h"

#include "AppModel.h"
#include "BannerView.h"
#include "Divider.h"
#include "LibraryView.h"
#include "LocalPlayer.h"
#include "NewDownloadView.h"
#include "QueueView.h"
#include "SectionHeader.h"
#include "SettingsView.h"
#include "SheetDialog.h"
#include "Sidebar.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

MainView::MainView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_sidebar(new Sidebar(model))
    , m_header(new SectionHeader(model))
    , m_screens(new QStackedWidget)
    , m_newDownload(new NewDownloadView(model))
    , m_queue(new QueueView(model))
    , m_library(new LibraryView(model))
    , m_banner(nullptr)
{
    setObjectName(u"mainView"_s);
    setMinimumSize(minimumSize);
    setFont(uiFont(14));
    m_newDownload->setObjectName(u"newDownloadView"_s);
    m_screens->setObjectName(u"screens"_s);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_sidebar);
    row->addWidget(new Divider(Qt::Vertical, 0.07));

    auto* content = new QVBoxLayout;
    content->setContentsMargins(30, 42, 30, 24);
    content->setSpacing(22);
    content->addWidget(m_header);
    m_screens->addWidget(m_newDownload);
    m_screens->addWidget(m_queue);
    m_screens->addWidget(m_library);
    content->addWidget(m_screens, 1);
    row->addLayout(content, 1);

    // Made last so that it floats over everything else.
    m_banner = new BannerView(model, this);

    connect(m_model, &AppModel::sectionChanged, this, &MainView::showSection);
    connect(m_model, &AppModel::preferencesChanged, this, &MainView::showScheme);
    connect(m_model, &AppModel::settingsChanged, this, &MainView::showSettingsSheet);
    connect(m_model, &AppModel::previewJobChanged, this, &MainView::showPlayerSheet);
    showScheme();
    showSection();
}

MainView::~MainView()
{
    // The sheets are the window's children; they must not outlive this view's model binding.
    delete m_settingsSheet.data();
    delete m_playerSheet.data();
}

QWidget* MainView::currentScreen() const
{
    return m_screens->currentWidget();
}

void MainView::showSection()
{
    switch (m_model->section()) {
    case Section::newDownload:
        m_screens->setCurrentWidget(m_newDownload);
        break;
    case Section::queue:
        m_screens->setCurrentWidget(m_queue);
        break;
    case Section::library:
        m_screens->setCurrentWidget(m_library);
        break;
    }
}

void MainView::showScheme()
{
    Theme::instance().setPreferred(m_model->colorScheme());
}

void MainView::showSettingsSheet()
{
    if (m_model->settings() && !m_settingsSheet) {
        auto* sheet = new SheetDialog(u"Preferencias"_s, window());
        sheet->setObjectName(u"settingsSheet"_s);
        sheet->setContent(new SettingsView(m_model, sheet));
        connect(sheet, &SheetDialog::dismissed, m_model, [model = m_model] { model->setSettings(false); });
        m_settingsSheet = sheet;
        sheet->open();
    } else if (!m_model->settings() && m_settingsSheet) {
        std::exchange(m_settingsSheet, nullptr)->retire();
    }
}

void MainView::showPlayerSheet()
{
    const std::optional<DownloadJob> job = m_model->previewJob();
    if (m_playerSheet) {
        // Another job gets a new player: playback always starts from the beginning.
        std::exchange(m_playerSheet, nullptr)->retire();
    }
    if (!job)
        return;
    auto* sheet = new SheetDialog(job->video.title, window());
    sheet->setObjectName(u"playerSheet"_s);
    sheet->setContent(new LocalPlayer(m_model, *job, sheet));
    connect(sheet, &SheetDialog::dismissed, m_model, [model = m_model] { model->setPreviewJob(std::nullopt); });
    m_playerSheet = sheet;
    sheet->open();
}

void MainView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), windowBackground(Theme::instance().scheme()));
}

void MainView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_banner->isVisible())
        m_banner->place(rect());
}
