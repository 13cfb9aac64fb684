#pragma once

#include "Section.h"

#include <QWidget>

class AppModel;
class NavigationEntry;
class PlainButton;
class StyledLabel;

// The window's left column: the brand, the three sections with their counts,
// the download folder, the way to the preferences and the version line.
class Sidebar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int preferredWidth = 216;

    explicit Sidebar(AppModel* model, QWidget* parent = nullptr);

    NavigationEntry* entry(Section section) const;
    // The name a folder path shows: its last component.
    static QString folderName(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showSection();
    void showCounts();
    void showFolder();

    AppModel* m_model;
    QList<NavigationEntry*> m_entries;
    PlainButton* m_folder;
    StyledLabel* m_version;
};
