#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>

// "--first-frame": one line on standard output once the watched window's first
// frame is painted, for measuring start-up from outside (bench/). Header-only so
// the benchmark's bare window reports the same way without linking the window.
class FirstFrameReport final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The children paint in the same pass: report once it has ended.
            QTimer::singleShot(0, this, [] {
                std::fputs("first-frame\n", stdout);
                std::fflush(stdout);
            });
        }
        return false;
    }
};
