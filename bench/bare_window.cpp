// The baseline of the start-up benchmark: a bare Qt Widgets window of the
// program's size, reporting its first frame the same way the program does.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class FirstFrameReport final : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [] {
                std::fputs("first-frame\n", stdout);
                std::fflush(stdout);
            });
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(1160, 850);
    FirstFrameReport report;
    window.installEventFilter(&report);
    window.show();
    return QApplication::exec();
}
