#pragma once

#include "Updater.h"

// An updater whose framework side the test plays: it asks the owner's veto
// before a check and its relaunch hook before installing, like a real one.
class StubUpdater : public Updater
{
    Q_OBJECT

public:
    QString startError;
    bool canCheck = true;
    bool automatic = false;
    int starts = 0;
    int checks = 0;

    QString start() override
    {
        ++starts;
        return startError;
    }
    bool canCheckForUpdates() const override { return canCheck; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool value) override
    {
        automatic = value;
        Q_EMIT automaticallyChecksForUpdatesChanged(value);
    }
    void checkForUpdates() override { ++checks; }

    // A check the updater schedules by itself: the refusal, if any.
    std::optional<UpdateRefusal> scheduledCheck() const { return mayCheck(); }
    // An update is ready; true when the owner postponed the relaunch.
    bool updateReady(std::function<void()> relaunch) const { return shouldPostponeRelaunch(std::move(relaunch)); }
};
