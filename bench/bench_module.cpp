// Opening a large module and listing its icon groups, against extracting every group. Opening and listing
// read only headers and directories, so their time does not grow with the image data.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "common/ZsByteReader.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPe.h"

namespace {

// A module of nGroups icon groups of four images each (about 20 KB per group), written once per size.
std::filesystem::path LargeModule(int nGroups) {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("pictavo-bench-" + std::to_string(nGroups) + ".dll");
    if (std::filesystem::exists(path)) {
        return path;
    }
    std::filesystem::path temp = path;
    temp += ".tmp";
    ZsWriteFile(temp, ZsMakeTemplateModule());
    CZsPeResUpdate update;
    update.Begin(temp);
    uint16_t nIcon = 1;
    for (int g = 0; g < nGroups; ++g) {
        ZsBlock group = {0, 0, 1, 0, 4, 0};
        for (int size : {16, 24, 32, 64}) {
            ZsBlock image(40 + static_cast<size_t>(size * size * 5), static_cast<uint8_t>(g));
            ZsSetU32(image.data(), 40);
            group.insert(group.end(), {static_cast<uint8_t>(size), static_cast<uint8_t>(size), 0, 0});
            ZsPutU16(group, 1);
            ZsPutU16(group, 32);
            ZsPutU32(group, static_cast<uint32_t>(image.size()));
            ZsPutU16(group, nIcon);
            update.Update(CZsResName(ZS_RT_ICON), CZsResName(nIcon++), 0, image);
        }
        update.Update(CZsResName(ZS_RT_GROUP_ICON), CZsResName(static_cast<uint16_t>(g + 1)), 0, group);
    }
    update.Commit();
    std::filesystem::rename(temp, path);
    return path;
}

void BM_OpenAndList(benchmark::State& state) {
    std::filesystem::path path = LargeModule(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CIconLibrary lib;
        lib.Open(path);
        size_t n = 0;
        for (int i = 0; i < lib.GetIconCount(); ++i) {
            n += lib.GetIconName(i).size();
        }
        benchmark::DoNotOptimize(n);
    }
    state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
}

void BM_ExtractAll(benchmark::State& state) {
    std::filesystem::path path = LargeModule(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CIconLibrary lib;
        lib.Open(path);
        size_t n = 0;
        for (int i = 0; i < lib.GetIconCount(); ++i) {
            n += lib.GetIconData(i).size();
        }
        benchmark::DoNotOptimize(n);
    }
    state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
}

}  // namespace

BENCHMARK(BM_OpenAndList)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractAll)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
