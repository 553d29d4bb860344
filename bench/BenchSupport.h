// Small pieces the benchmark programs share: the resident set, wall-clock timing, icons with noisy
// pixels, as icon files carry them, and library files of many such icons.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/ZsBase.h"
#include "common/ZsByteReader.h"
#include "common/ZsText.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

// The process's resident set in KiB, or with "VmHWM:" its peak so far (0 where /proc does not tell).
inline long RssKiB(const std::string& sField = "VmRSS:") {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(sField, 0) == 0) {
            return std::stol(line.substr(sField.size()));
        }
    }
    return 0;
}

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(const std::function<void()>& fn) {
    Clock::time_point t0 = Clock::now();
    fn();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

inline double Median(int nRuns, const std::function<double()>& run) {
    std::vector<double> times;
    for (int i = 0; i < nRuns; ++i) {
        times.push_back(run());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// One DIB image with noisy pixels, as icon files carry them.
inline void AddDib(std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>>& images, int n,
                   int bits, std::mt19937& rng) {
    std::vector<uint8_t> entry(16), data;
    int colours = bits <= 8 ? 1 << bits : 0;
    size_t stride = static_cast<size_t>(((n * bits + 31) / 32) * 4);
    size_t mask = static_cast<size_t>(((n + 31) / 32) * 4);
    ZsPutU32(data, 40);
    ZsPutU32(data, static_cast<uint32_t>(n));
    ZsPutU32(data, static_cast<uint32_t>(2 * n));
    ZsPutU16(data, 1);
    ZsPutU16(data, static_cast<uint16_t>(bits));
    for (int i = 0; i < 6; ++i) {
        ZsPutU32(data, 0);
    }
    for (size_t i = 0; i < static_cast<size_t>(colours) * 4 + stride * static_cast<size_t>(n); ++i) {
        data.push_back(static_cast<uint8_t>(rng()));
    }
    data.resize(data.size() + mask * static_cast<size_t>(n), 0);
    entry[0] = static_cast<uint8_t>(n);
    entry[1] = static_cast<uint8_t>(n);
    entry[2] = static_cast<uint8_t>(colours < 256 ? colours : 0);
    ZsSetU16(&entry[4], 1);
    ZsSetU16(&entry[6], static_cast<uint16_t>(bits));
    ZsSetU32(&entry[8], static_cast<uint32_t>(data.size()));
    images.emplace_back(std::move(entry), std::move(data));
}

// An icon of five formats (32 and 16 pixels as XP, 256 colours, and 16 colours at 16 pixels).
inline ZsBlock MakeIcon(std::mt19937& rng) {
    std::vector<std::pair<std::vector<uint8_t>, std::vector<uint8_t>>> images;
    AddDib(images, 32, 32, rng);
    AddDib(images, 16, 32, rng);
    AddDib(images, 32, 8, rng);
    AddDib(images, 16, 8, rng);
    AddDib(images, 16, 4, rng);
    ZsBlock ico;
    ZsPutU16(ico, 0);
    ZsPutU16(ico, 1);
    ZsPutU16(ico, static_cast<uint16_t>(images.size()));
    uint32_t off = static_cast<uint32_t>(6 + 16 * images.size());
    for (auto& [entry, data] : images) {
        ZsSetU32(&entry[12], off);
        off += static_cast<uint32_t>(data.size());
        ico.insert(ico.end(), entry.begin(), entry.end());
    }
    for (auto& [entry, data] : images) {
        ico.insert(ico.end(), data.begin(), data.end());
    }
    return ico;
}

// A library file whose "My Icons" lists nIcons icons named "Icon 0", "Icon 1", ..., icon i holding
// kinds[i % kinds.size()]. An existing file is kept as it is, so that runs share one. False when it can
// not be written.
inline bool WriteLibrary(const std::filesystem::path& path, const std::vector<ZsBlock>& kinds, int nIcons) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return true;
    }
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    ZIL_LIST ids;
    ids.reserve(static_cast<size_t>(nIcons));
    for (int i = 0; i < nIcons; ++i) {
        const std::string sName = ZsFormat("Icon %d", i);
        ids.push_back(lib.ImpIcon(kinds[static_cast<size_t>(i) % kinds.size()], &sName));
    }
    lib.ListToNode(ZIL_ID_ALL, ids);
    return lib.Save(path);
}

}  // namespace bench
