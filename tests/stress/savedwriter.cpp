// Saves the history and the preferences through the model's writer, state A
// and state B in turn, until it is killed. "ready" on standard output marks
// the first write under way.
#include "AtomicFile.h"
#include "BrisPaths.h"
#include "SavedStates.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 64;
    const BrisPaths paths(QString::fromLocal8Bit(argv[1]));
    const QByteArray history[] = { DownloadJob::encodeHistory(SavedStates::history(false)),
        DownloadJob::encodeHistory(SavedStates::history(true)) };
    const QByteArray preferences[]
        = { SavedStates::preferences(false).encode(), SavedStates::preferences(true).encode() };
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (unsigned turn = 1;; ++turn) {
        AtomicFile::write(paths.history(), history[turn % 2]);
        AtomicFile::write(paths.preferences(), preferences[turn % 2]);
    }
}
