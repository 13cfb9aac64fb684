#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <exception>
#include <optional>
#include <type_traits>

// A value or the exception that stopped it: worker results cross threads this way.
template <typename T> struct Outcome
{
    std::optional<T> value;
    std::exception_ptr error;
};

template <typename F> auto capture(F&& work) -> Outcome<std::invoke_result_t<F>>
{
    try {
        return { work(), {} };
    } catch (...) {
        return { std::nullopt, std::current_exception() };
    }
}

// Runs `task` on `pool` and `then` with its outcome on `context`'s thread,
// unless `context` is gone by then. The owner of `pool` waits for it before
// `context` goes, so the task never outlives what it captured. (Qt 6.4's
// QFuture::then with a context object crashed now and then.)
template <typename Task, typename Then> void runThenCallback(QThreadPool& pool, QObject* context, Task task, Then then)
{
    pool.start([context, task = std::move(task), then = std::move(then)] {
        QMetaObject::invokeMethod(
            context, [then, result = task()] { then(result); }, Qt::QueuedConnection);
    });
}
