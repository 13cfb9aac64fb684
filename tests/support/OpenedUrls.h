#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Stands in for the browser and the file viewer (QDesktopServices::setUrlHandler):
// records what was opened.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};
