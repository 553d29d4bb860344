// What the fuzz targets share: a silent log (damaged input makes the readers report, and those lines belong
// in nobody's log file) and a scratch file for the parsers that read from a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/ZsBase.h"
#include "common/ZsLog.h"

namespace fuzz {

inline void Quiet() {
    static const bool bQuiet = [] {
        ZsSetLogSink([](const std::string&) {});
        return true;
    }();
    (void)bQuiet;
}

// A file of this process in memory-backed storage where there is some; rewritten by each input.
inline std::filesystem::path ScratchPath(const char* pszName) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::is_directory("/dev/shm", ec)
                                    ? std::filesystem::path("/dev/shm")
                                    : std::filesystem::temp_directory_path(ec);
    return dir / ("pictavo-fuzz-" + std::to_string(::getpid()) + "-" + pszName);
}

inline bool WriteScratch(const std::filesystem::path& path, const uint8_t* pData, size_t nSize) {
    return ZsWriteFile(path, ZsBytes(pData, nSize));
}

}  // namespace fuzz
