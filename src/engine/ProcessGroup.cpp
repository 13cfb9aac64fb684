#include "ProcessGroup.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The state and group id from /proc/<pid>/stat, or false when it cannot be read.
bool readStat(const char* pid, char& state, long& group)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/stat", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (size <= 0)
        return false;
    text[size] = '\0';
    // The command name may hold blanks and parentheses: the fields start after the last ')'.
    const char* rest = std::strrchr(text, ')');
    if (!rest)
        return false;
    long parent = 0;
    return std::sscanf(rest + 1, " %c %ld %ld", &state, &parent, &group) == 3;
}

} // namespace

namespace ProcessGroup {

void terminate(pid_t group)
{
    if (group >= 1)
        ::kill(-group, SIGTERM);
}

void kill(pid_t group)
{
    if (group >= 1 && ::kill(-group, 0) == 0)
        ::kill(-group, SIGKILL);
}

bool alive(pid_t group)
{
    if (group < 1 || (::kill(-group, 0) != 0 && errno != EPERM))
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return true;
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        char state = 0;
        long member = 0;
        if (readStat(entry->d_name, state, member) && member == group && state != 'Z' && state != 'X') {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

} // namespace ProcessGroup
