// The baseline of the start-up benchmark: a bare Qt Widgets window of the
// program's size, reporting its first frame the same way the program does.
#include "FirstFrameReport.h"

#include <QApplication>
#include <QWidget>

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
