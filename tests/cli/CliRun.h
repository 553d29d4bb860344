// Runs the command-line tool as a separate process and collects its exit code and output.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// The seconds a run may take before it is killed and counted as a failure of the test.
inline constexpr int kCliTimeoutSeconds = 120;

CliResult RunCli(const std::vector<std::string>& args);

// The standard output of a shell command; nullopt when it could not run or failed.
std::optional<std::string> Capture(const std::string& command);

}  // namespace test
