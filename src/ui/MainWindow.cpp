#include "MainWindow.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The quit sequence decides; it ends the application itself when it may.
    event->ignore();
    if (m_closeRequest)
        m_closeRequest();
}
