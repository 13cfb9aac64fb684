#pragma once

#include <QWidget>

class AppModel;

class SettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsView(AppModel* model, QWidget* parent = nullptr);
};
