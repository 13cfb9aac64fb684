#pragma once

#include <QWidget>

class AppModel;

class NewDownloadView : public QWidget
{
    Q_OBJECT

public:
    explicit NewDownloadView(AppModel* model, QWidget* parent = nullptr);
};
