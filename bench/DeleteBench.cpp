// Deleting icons from a library, as choosing rows of "My Icons" and Delete does: 10,000 and 100,000 icons of
// an opened library of 100,000 icons, and every icon of a library of 10,000, at once and, as deleting used to
// work, icon by icon with a pass over every list for each. Each icon is listed in "My Icons" and in one of
// five categories, and every tenth in "Find Results"; the list on display is read before the clock starts,
// the other lists are read by the deletion itself.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <numeric>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "library/ZsLibCmd.h"

namespace {

// A one-image icon of 16 x 16 at 32 bits; the deletion never reads the data.
ZsBlock SmallIcon() {
    ZsBlock ico;
    ZsPutU16(ico, 0);
    ZsPutU16(ico, 1);
    ZsPutU16(ico, 1);
    const uint8_t entry[8] = {16, 16, 0, 0, 1, 0, 32, 0};
    ico.insert(ico.end(), entry, entry + 8);
    ZsPutU32(ico, 40 + 16 * 16 * 4 + 16 * 4);
    ZsPutU32(ico, 22);
    ZsPutU32(ico, 40);
    ZsPutU32(ico, 16);
    ZsPutU32(ico, 32);
    ZsPutU16(ico, 1);
    ZsPutU16(ico, 32);
    ico.resize(ico.size() + 24, 0);
    ico.resize(ico.size() + 16 * 16 * 4, 0x5A);
    ico.resize(ico.size() + 16 * 4, 0);
    return ico;
}

// The library files built so far, by number of icons.
std::map<int, std::filesystem::path> gFiles;

// The library file of n icons, built once.
const std::filesystem::path& LibraryOf(int n) {
    auto& files = gFiles;
    auto it = files.find(n);
    if (it != files.end()) {
        return it->second;
    }
    ZsSetLogSink([](const std::string&) {});
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ZsFormat("pictavo-delete-bench-%d-%d.pctv", getpid(), n);
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    const ZsBlock data = SmallIcon();
    ZIL_LIST all, find, cats[5];
    for (int i = 0; i < n; ++i) {
        const std::string sName = ZsFormat("Icon %d", i);
        const int32_t nId = lib.ImpIcon(data, &sName);
        all.push_back(nId);
        cats[i % 5].push_back(nId);
        if (i % 10 == 0) {
            find.push_back(nId);
        }
    }
    lib.ListToNode(ZIL_ID_ALL, all);
    lib.ListToNode(ZIL_ID_FIND, find);
    for (int32_t c = 0; c < 5; ++c) {
        lib.ListToNode(c + 1, cats[c]);
    }
    lib.Save(path);
    return files.emplace(n, path).first->second;
}

// Deletes the first nDelete rows of "My Icons" of a freshly opened library of nIcons icons, all at once or
// (bOneByOne) one icon after the other, each with its own pass over the lists, as deleting used to.
void Delete(benchmark::State& state, int nIcons, int nDelete, bool bOneByOne = false) {
    const std::filesystem::path& path = LibraryOf(nIcons);
    std::vector<int> rows(static_cast<size_t>(nDelete));
    std::iota(rows.begin(), rows.end(), 0);
    for (auto _ : state) {
        state.PauseTiming();
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        lib.Load(path);
        lib.GetList(ZIL_ID_ALL);
        state.ResumeTiming();
        int nDeleted = 0;
        if (bOneByOne) {
            const ZIL_LIST ids(lib.GetList(ZIL_ID_ALL).begin(), lib.GetList(ZIL_ID_ALL).begin() + nDelete);
            for (int32_t nId : ids) {
                nDeleted += lib.DelIcons({nId});
            }
        } else {
            nDeleted = ZsDeleteIconsFromLibrary(lib, ZIL_ID_ALL, rows).nIcons;
        }
        benchmark::DoNotOptimize(nDeleted);
        state.PauseTiming();
        if (nDeleted != nDelete || lib.GetList(ZIL_ID_ALL).size() != static_cast<size_t>(nIcons - nDelete)) {
            state.SkipWithError("the icons were not deleted");
        }
        lib.Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * nDelete);
}

void Delete10kOf100k(benchmark::State& state) {
    Delete(state, 100000, 10000);
}
void Delete100kOf100k(benchmark::State& state) {
    Delete(state, 100000, 100000);
}
void Delete10kOf10k(benchmark::State& state) {
    Delete(state, 10000, 10000);
}
void Delete10kOf10kOneByOne(benchmark::State& state) {
    Delete(state, 10000, 10000, true);
}

BENCHMARK(Delete10kOf100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Delete100kOf100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Delete10kOf10k)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Delete10kOf10kOneByOne)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    for (const auto& [n, path] : gFiles) {
        std::filesystem::remove(path, ec);
    }
    return 0;
}
