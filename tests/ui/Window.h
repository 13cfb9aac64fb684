#pragma once

// What the window tests share: they build into one executable (main.cpp runs
// each file's class in turn), over the real model.
#include "AppHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace Window {

// Each file's test class, by name.
inline QList<std::pair<QString, std::unique_ptr<QObject> (*)()>>& classes()
{
    static QList<std::pair<QString, std::unique_ptr<QObject> (*)()>> all;
    return all;
}

template <typename T> bool add(const char* name)
{
    classes().append({ QString::fromLatin1(name), [] { return std::unique_ptr<QObject>(new T); } });
    return true;
}

// `View` over a ready model (the controllable engine) that read `history`.
template <typename View> struct Open
{
    AppHarness harness;
    std::unique_ptr<View> view;

    bool open(const QList<DownloadJob>& history = {}, QSize size = QSize(880, 700))
    {
        if (!harness.writeHistory(history) || !harness.openReady())
            return false;
        view = std::make_unique<View>(harness.model.get());
        view->resize(size);
        view->show();
        return QTest::qWaitForWindowExposed(view.get());
    }
    AppModel& model() { return *harness.model; }
};

inline bool shown(const QWidget& root, const QString& name)
{
    const QWidget* widget = child(root, name);
    return widget && widget->isVisibleTo(&root);
}

inline QString text(const QWidget& root, const QString& name)
{
    return child<QLabel>(root, name)->text();
}

// Chooses `text` in the picker `name` as a click in its list does.
inline void pick(const QWidget& root, const QString& name, const QString& text)
{
    auto* picker = child<QComboBox>(root, name);
    const int index = picker->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    picker->setCurrentIndex(index);
    Q_EMIT picker->activated(index);
}

} // namespace Window

#define WINDOW_TEST(Class) static const bool registered##Class = Window::add<Class>(#Class)
