#include "cli/Cli.h"
#include "common/ZsEndSignals.h"
#include "icon/ZsSvg.h"

int main(int argc, char** argv) {
    // Ctrl+C in the middle of a large import leaves no staging file behind.
    ZsRemoveFilesAtEndSignals();
    ZsUseSvgWorker();
    return CliRun(std::vector<std::string>(argv + 1, argv + argc));
}
