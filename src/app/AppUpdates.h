#pragma once

#include "Updater.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class DesktopServices;

// The update controller: decides whether the update channel is configured,
// publishes the updater's state for the settings screen and keeps the updater
// from checking or relaunching while downloads are pending. Main thread only.
class AppUpdates : public QObject
{
    Q_OBJECT

public:
    // `info` is the application information (applicationInfo() in the program);
    // `updater` may be null, which leaves the channel unconfigured. `services`
    // shows the alert of an unconfigured check and may be null.
    explicit AppUpdates(
        QVariantMap info, std::unique_ptr<Updater> updater, DesktopServices* services, QObject* parent = nullptr);
    // The compiled information and the build's updater (none by default).
    explicit AppUpdates(DesktopServices* services, QObject* parent = nullptr);
    ~AppUpdates() override;

    bool canCheck() const { return m_canCheck; }
    bool automaticChecks() const { return m_automaticChecks; }
    QString status() const { return m_status; }

    // True while downloads are pending or an analysis runs; asked on the main thread.
    void setIsBusy(std::function<bool()> isBusy);
    bool isBusy() const;

    // The keys allow updates and there is an updater to drive.
    bool configured() const;
    QString version() const;

    void start();
    void check();
    void setAutomatic(bool automatic);

    // The updater's questions, answered by the rules of a busy application.
    std::optional<UpdateRefusal> mayPerformUpdateCheck() const;
    bool shouldPostponeRelaunch(std::function<void()> proceed);

    // Whether an installation waits for the queue to empty.
    bool installPending() const;
    // The wait between looks at the queue while an installation waits (2 s).
    void setInstallPollInterval(std::chrono::milliseconds interval);

    // Whether `info` holds the three keys an update channel needs.
    static bool keysConfigured(const QVariantMap& info);

Q_SIGNALS:
    // After canCheck, automaticChecks or status changed.
    void stateChanged();

private:
    void setCanCheck(bool canCheck);
    void setAutomaticChecks(bool automatic);
    void setStatus(const QString& status);

    QVariantMap m_info;
    std::unique_ptr<Updater> m_updater;
    DesktopServices* m_services = nullptr;
    std::function<bool()> m_isBusy;
    bool m_started = false;
    bool m_canCheck = false;
    bool m_automaticChecks = false;
    QString m_status;
    QTimer m_installTimer;
    std::function<void()> m_proceed;
};
