#pragma once

#include "Updater.h"

// An updater whose framework side the test plays: it asks the owner's veto
// before a check and its relaunch hook before installing, like a real one.
class StubUpdater : public Updater
{
public:
    QString startError;
    int checks = 0;

    QString start() override { return startError; }
    bool canCheckForUpdates() const override { return true; }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
    void checkForUpdates() override { ++checks; }

    // A check the updater schedules by itself: the refusal, if any.
    std::optional<UpdateRefusal> scheduledCheck() const { return mayCheck(); }
    // An update is ready; true when the owner postponed the relaunch.
    bool updateReady(std::function<void()> relaunch) const { return shouldPostponeRelaunch(std::move(relaunch)); }
};
