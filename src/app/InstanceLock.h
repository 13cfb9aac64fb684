#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One program at a time on a folder: a lock file inside it, held until this is
// destroyed. A lock left by a program that died (kill -9, a crash) is taken
// over, since its process is gone.
class InstanceLock
{
public:
    enum class State {
        held,
        // Another running program holds the folder.
        busy,
        // The lock file can't be made (a read-only or missing folder): nothing
        // is known about other programs, and nothing is held.
        unavailable,
    };

    explicit InstanceLock(const QString& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }

    // What a program started on a folder another one holds is told.
    static QString refusal(const QString& folder);
    // A local socket name of the folder's own, the same for every program on it.
    static QString serverName(const QString& folder);

private:
    std::unique_ptr<QLockFile> m_file;
    State m_state = State::unavailable;
};
