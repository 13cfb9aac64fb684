#include "Window.h"

#include <QApplication>

// `test_window [Class] [QtTest options]`: one class when named, else every one.
int main(int argc, char* argv[])
{
    // No test reaches the desktop the tests run on: there is no session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/brisomar-test-bus");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi);
    QStringList arguments = app.arguments();
    const QString only = arguments.value(1);
    const bool named = std::any_of(
        Window::classes().cbegin(), Window::classes().cend(), [&](const auto& entry) { return entry.first == only; });
    if (named)
        arguments.removeAt(1);
    int failures = 0;
    for (const auto& [name, make] : Window::classes())
        if (!named || name == only)
            failures += QTest::qExec(make().get(), arguments);
    return failures;
}
