#pragma once

#include <sys/types.h>

// Signals to the process group that a tool run launched (its id is the id of
// the group's leader).
namespace ProcessGroup {

// SIGTERM to the group; ids below 1 are ignored.
void terminate(pid_t group);
// SIGKILL to the group when it still exists.
void kill(pid_t group);
// True while a member of the group has not ended. Exited members that nobody
// has reaped yet (orphans under an init that does not reap) do not count.
bool alive(pid_t group);

} // namespace ProcessGroup
