/* Brisomar's launcher: runs the tool named by its first argument with the
 * remaining arguments and the same standard streams. It execs the tool, so the
 * tool's exit status, or the signal that killed it, is the runner's own.
 * Its process id is the id of the process group that holds the tool and all it
 * starts: the engine signals that group on cancellation. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        fputs("runner: usage: runner <tool> [arguments...]\n", stderr);
        return 64;
    }
    /* The engine launches the runner as a group leader already; someone who
     * starts it by hand gets the same guarantee. A session leader cannot move
     * and already leads its group. */
    if (getpgrp() != getpid())
        (void)setpgid(0, 0);
    /* An ignored SIGPIPE would survive exec and turn a closed reader into
     * endless write errors in the tool. */
    signal(SIGPIPE, SIG_DFL);

    execv(argv[1], argv + 1);
    int error = errno;
    fprintf(stderr, "runner: cannot start %s: %s\n", argv[1], strerror(error));
    return error == ENOENT ? 127 : 126;
}
