#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Why an update check was refused, in the terms an update framework reports errors.
struct UpdateRefusal
{
    QString domain;
    int code = 0;
    QString description;

    friend bool operator==(const UpdateRefusal&, const UpdateRefusal&) = default;
};

// The update machinery the controller drives: checks, the automatic-check
// switch, and two questions it asks its owner. An implementation asks `mayCheck`
// before every check it makes (user-requested or scheduled) and
// `shouldPostponeRelaunch` before relaunching into an installed update.
// Used on the main thread only.
class Updater : public QObject
{
    Q_OBJECT

public:
    // Nothing allows the check; a refusal vetoes it.
    using CheckVeto = std::function<std::optional<UpdateRefusal>()>;
    // True postpones the relaunch until the owner calls `proceed` (once).
    using RelaunchHook = std::function<bool(std::function<void()> proceed)>;

    using QObject::QObject;

    // Starts the updater: empty on success, else the reason it could not start.
    virtual QString start() = 0;
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool automatic) = 0;
    // A check with the updater's own windows.
    virtual void checkForUpdates() = 0;

    void setCheckVeto(CheckVeto veto) { m_veto = std::move(veto); }
    void setRelaunchHook(RelaunchHook hook) { m_relaunch = std::move(hook); }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void automaticallyChecksForUpdatesChanged(bool automatic);

protected:
    std::optional<UpdateRefusal> mayCheck() const { return m_veto ? m_veto() : std::nullopt; }
    bool shouldPostponeRelaunch(std::function<void()> proceed) const
    {
        return m_relaunch && m_relaunch(std::move(proceed));
    }

private:
    CheckVeto m_veto;
    RelaunchHook m_relaunch;
};
