#include "CliRun.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "TestSupport.h"

namespace test {

namespace {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q.push_back(c);
        }
    }
    return q + "'";
}

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args) {
    TempDir io;
    // A run that hangs is killed and fails the test instead of holding the suite.
    std::string cmd = "timeout -k 5 " + std::to_string(kCliTimeoutSeconds) + " " + ShellQuote(PICTAVO_CLI);
    for (const std::string& a : args) {
        cmd += " " + ShellQuote(a);
    }
    cmd +=
        " >" + ShellQuote((io / "out").string()) + " 2>" + ShellQuote((io / "err").string()) + " </dev/null";
    int status = std::system(cmd.c_str());
    CliResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r.code == 124 || r.code == 137) {
        ADD_FAILURE() << "pictavo-cli did not end within " << kCliTimeoutSeconds << " s: " << cmd;
        r.code = -1;
    }
    r.out = Slurp(io / "out");
    r.err = Slurp(io / "err");
    return r;
}

std::optional<std::string> Capture(const std::string& command) {
    std::FILE* f = popen(command.c_str(), "r");
    if (!f) {
        return std::nullopt;
    }
    std::string out;
    char buf[512];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
    }
    return pclose(f) == 0 ? std::optional<std::string>(out) : std::nullopt;
}

}  // namespace test
