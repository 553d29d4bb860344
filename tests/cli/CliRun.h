// Runs the command-line tool as a separate process and collects its exit code and output.
#pragma once

#include <string>
#include <vector>

namespace test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

}  // namespace test
