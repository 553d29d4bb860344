// Exporting a category tree as folders when many categories of one parent share a name, as in a library made
// to slow the export down: 900 and 1,800 categories named "Same" under one parent, beside as many of
// distinct names. Each folder name has to be told apart from those taken before it; the time of the
// same-named tree should stay near that of the distinct one and grow with the count, not its square.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include "common/ZsLog.h"
#include "library/ZsDirTree.h"

namespace {

void BM_ExportTree(benchmark::State& state) {
    ZsSetLogSink([](const std::string&) {});
    const int nCount = static_cast<int>(state.range(0));
    const bool bSame = state.range(1) != 0;
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    const ZsTreeItem top = lib.NewNode(tree.FindItem(ZIL_ID_ALL), ZS_TI_LAST, "Top");
    for (int i = 0; i < nCount; ++i) {
        lib.NewNode(top, ZS_TI_LAST, bSame ? std::string("Same") : ZsFormat("Category %d", i));
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ZsFormat("pictavo-tree-export-bench-%d", getpid());
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        state.ResumeTiming();
        if (!ExportDirTree(lib, top, folder).bOk) {
            state.SkipWithError("the export failed");
            break;
        }
    }
    std::filesystem::remove_all(folder);
    state.SetLabel(bSame ? "same name" : "distinct names");
}

}  // namespace

BENCHMARK(BM_ExportTree)->ArgsProduct({{900, 1800}, {1, 0}})->Unit(benchmark::kMillisecond)->MinTime(1.0);
