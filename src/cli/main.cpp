#include <csignal>

#include "cli/Cli.h"
#include "common/ZsEndSignals.h"
#include "icon/ZsSvg.h"

int main(int argc, char** argv) {
    // Ctrl+C in the middle of a large import leaves no staging file behind.
    ZsRemoveFilesAtEndSignals();
    // A closed pipe on standard output is a write error the tool reports (exit code 1), not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    ZsUseSvgWorker();
    return CliRun(std::vector<std::string>(argv + 1, argv + argc));
}
