/* Brisomar's launcher: runs the tool named by its first argument with the
 * remaining arguments and the same standard streams, and ends with the tool's
 * exit status, or dies of the signal that killed it.
 * Its process id is the id of the process group that holds the tool and all it
 * starts: the engine signals that group on cancellation. It stays beside the
 * tool instead of becoming it, so that when the program that started it dies,
 * even by SIGKILL, it can take the whole group down: nothing keeps downloading
 * after a crash. */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

/* The signal the kernel sends when the starting thread goes away. */
#define PARENT_GONE SIGUSR1

static void endGroup(int signal)
{
    (void)signal;
    kill(0, SIGKILL);
}

/* The signals the engine sends to the group reach the tool directly; the
 * runner outlives them to report how the tool ended. */
static const int stopSignals[] = { SIGTERM, SIGINT, SIGHUP, SIGQUIT };

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

    const pid_t parent = getppid();
    struct sigaction gone;
    memset(&gone, 0, sizeof gone);
    gone.sa_handler = endGroup;
    sigemptyset(&gone.sa_mask);
    sigaction(PARENT_GONE, &gone, NULL);
    (void)prctl(PR_SET_PDEATHSIG, PARENT_GONE);
    /* The parent may have died before the request took effect. */
    if (getppid() != parent)
        endGroup(0);

    const pid_t tool = fork();
    if (tool < 0) {
        fprintf(stderr, "runner: cannot start %s: %s\n", argv[1], strerror(errno));
        return 126;
    }
    if (tool == 0) {
        signal(PARENT_GONE, SIG_DFL);
        /* An ignored SIGPIPE would survive exec and turn a closed reader into
         * endless write errors in the tool. */
        signal(SIGPIPE, SIG_DFL);
        execv(argv[1], argv + 1);
        const int error = errno;
        fprintf(stderr, "runner: cannot start %s: %s\n", argv[1], strerror(error));
        _exit(error == ENOENT ? 127 : 126);
    }

    for (size_t i = 0; i < sizeof stopSignals / sizeof stopSignals[0]; ++i)
        signal(stopSignals[i], SIG_IGN);
    int status = 0;
    pid_t ended;
    do
        ended = waitpid(tool, &status, 0);
    while (ended < 0 && errno == EINTR);
    if (ended < 0)
        return 126;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);

    /* Die of the same signal; the tool already had its chance to dump core. */
    const int killer = WTERMSIG(status);
    const struct rlimit noCore = { 0, 0 };
    setrlimit(RLIMIT_CORE, &noCore);
    signal(killer, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, killer);
    sigprocmask(SIG_UNBLOCK, &only, NULL);
    raise(killer);
    return 128 + killer;
}
