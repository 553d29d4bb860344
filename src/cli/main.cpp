#include "cli/Cli.h"
#include "icon/ZsSvg.h"

int main(int argc, char** argv) {
    ZsUseSvgWorker();
    return CliRun(std::vector<std::string>(argv + 1, argv + argc));
}
