#include "ModelWait.h"

#include "AppModel.h"

#include <QEventLoop>
#include <QTimer>

bool waitForModel(AppModel& model, const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    const auto look = [&] {
        if (done())
            loop.quit();
    };
    // Every published change is a moment the condition may have come true.
    QObject::connect(&model, &AppModel::jobsChanged, &loop, look);
    QObject::connect(&model, &AppModel::jobUpdated, &loop, look);
    QObject::connect(&model, &AppModel::linkStateChanged, &loop, look);
    QObject::connect(&model, &AppModel::engineStateChanged, &loop, look);
    QObject::connect(&model, &AppModel::bannerChanged, &loop, look);
    QObject::connect(&model, &AppModel::cacheSizeChanged, &loop, look);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}
