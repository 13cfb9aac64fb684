#pragma once

#include <QWidget>

class AppModel;
struct DownloadJob;

class LocalPlayer : public QWidget
{
    Q_OBJECT

public:
    LocalPlayer(AppModel* model, const DownloadJob& job, QWidget* parent = nullptr);
};
