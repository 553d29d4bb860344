// Small pieces the benchmark programs share.
#pragma once

#include <fstream>
#include <string>

// The process's resident set in KiB (0 where /proc does not tell).
inline long RssKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}
