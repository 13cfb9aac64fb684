#pragma once

#include <QWidget>

class AppUpdates;
class QPushButton;
class StyledLabel;
class SwitchButton;

// The update panel of the preferences: version, the check button, the status
// line and, when the channel is configured, the automatic-check switch.
class UpdateSettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateSettingsView(AppUpdates* updates, QWidget* parent = nullptr);

private:
    void refresh();

    AppUpdates* m_updates;
    QPushButton* m_check;
    StyledLabel* m_status;
    SwitchButton* m_automatic;
    StyledLabel* m_note;
};
