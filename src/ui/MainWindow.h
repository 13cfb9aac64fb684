#pragma once

#include <QMainWindow>

#include <functional>

// The application's one window. Closing it asks the application to quit, which
// may refuse; the window itself never goes away while the application runs.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);

    void setCloseRequest(std::function<void()> request) { m_closeRequest = std::move(request); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> m_closeRequest;
};
