#include "cli/Cli.h"

int main(int argc, char** argv) {
    return CliRun(std::vector<std::string>(argv + 1, argv + argc));
}
