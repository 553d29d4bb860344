// Speed and memory of the icon library store on a library of 100,000 icons against one of 100: opening,
// saving one change, importing icon files against a bare SQLite floor, searching against a bare scan, and
// the memory an open library with its "My Icons" list costs. Every figure is measured in this one run and
// compared only with figures of the same run.
//
// Usage: bench_LibraryBench [FOLDER] [--icons N]   (FOLDER defaults to a new folder under /tmp)
//        bench_LibraryBench --memory LIB              (the memory figures alone, used by the run itself)
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "common/ZsBase.h"
#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "library/ZsIconLib.h"

namespace {

using bench::Median;
using bench::Seconds;

const char* kWords[] = {"red",   "blue",  "green", "arrow", "star", "folder", "disk",
                        "user",  "mail",  "print", "home",  "gear", "lock",   "key",
                        "cloud", "music", "video", "chart", "flag", "heart"};

std::string Keywords(int i) {
    return ZsFormat("%s, %s, shape %d", kWords[i % 20], kWords[(i / 20) % 20], i % 997);
}

// Builds a library of nIcons icons in batches, as repeated imports and saves would.
void BuildLibrary(const std::filesystem::path& path, int nIcons, const std::vector<ZsBlock>& variants) {
    {
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        lib.NewLib();
        lib.GetNodeIcons(ZIL_ID_ALL, ZIL_NODE_ALLOC).nFlags |= ZIL_DIRTY_DATA;
        lib.Save(path);
    }
    for (int nDone = 0; nDone < nIcons;) {
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        lib.Load(path);
        ZIL_LIST& all = lib.GetList(ZIL_ID_ALL);
        ZIL_LIST& cat = lib.GetList(1 + nDone / 10000 % 5);
        int nBatch = std::min(10000, nIcons - nDone);
        for (int i = 0; i < nBatch; ++i, ++nDone) {
            std::string name = ZsFormat("Icon %d", nDone);
            int32_t nId = lib.ImpIcon(variants[static_cast<size_t>(nDone) % variants.size()], &name);
            lib.SetIconKeywords(nId, Keywords(nDone));
            all.push_back(nId);
            cat.push_back(nId);
        }
        lib.GetNodeIcons(ZIL_ID_ALL, 0).nFlags |= ZIL_DIRTY_DATA;
        lib.GetNodeIcons(1 + (nDone - 1) / 10000 % 5, 0).nFlags |= ZIL_DIRTY_DATA;
        lib.Save();
    }
}

double OpenTime(const std::filesystem::path& path) {
    return Median(21, [&] {
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        return Seconds([&] { lib.Load(path); });
    });
}

double SaveOneTime(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.Load(path);
    int n = 0;
    return Median(21, [&] {
        lib.SetIconName(1, ZsFormat("Renamed %d", n++));
        return Seconds([&] { lib.Save(); });
    });
}

// The floor of an import: the same files read and their bytes inserted with one prepared statement in one
// transaction.
double FloorImport(const std::vector<std::filesystem::path>& files, const std::filesystem::path& db) {
    std::filesystem::remove(db);
    return Seconds([&] {
        sqlite3* p = nullptr;
        sqlite3_open(db.c_str(), &p);
        sqlite3_exec(p, "create table icons(id integer primary key, data blob);", nullptr, nullptr, nullptr);
        sqlite3_exec(p, "begin transaction;", nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(p, "insert into icons(id, data) values(?, ?);", -1, &s, nullptr);
        int nId = 1;
        for (const std::filesystem::path& f : files) {
            std::optional<ZsBlock> data = ZsReadFile(f);
            sqlite3_bind_int(s, 1, nId++);
            sqlite3_bind_blob(s, 2, data->data(), static_cast<int>(data->size()), SQLITE_STATIC);
            sqlite3_step(s);
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_exec(p, "commit transaction;", nullptr, nullptr, nullptr);
        sqlite3_close(p);
    });
}

double StoreImport(const std::vector<std::filesystem::path>& files, const std::filesystem::path& db) {
    std::filesystem::remove(db);
    return Seconds([&] {
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        lib.NewLib();
        lib.ImpFiles(files, 1, -1, 0, 0, 0, nullptr);
        lib.Save(db);
    });
}

// Opening and listing "My Icons", then with every name read as a list view showing names would. Runs in a
// fresh process of its own, so that no memory freed by earlier measurements is reused and hides growth.
int MemoryFigures(const std::filesystem::path& path) {
    long nBase = RssKiB();
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    if (!lib.Load(path)) {
        return 1;
    }
    ZIL_LIST rows;
    lib.NodeToList(ZIL_ID_ALL, rows);
    long nListed = RssKiB();
    {
        CZsSqlReadBatch batch(lib);
        for (int32_t nId : rows) {
            lib.GetIconName(nId);
        }
    }
    long nNamed = RssKiB();
    std::printf(
        "memory: open + list \"My Icons\" (%zu rows): +%.1f MB; with every name read: +%.1f MB "
        "(target < 64 MB)\n",
        rows.size(), (nListed - nBase) / 1024.0, (nNamed - nBase) / 1024.0);
    return 0;
}

void RunMemoryFigures(const std::filesystem::path& path) {
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        execl("/proc/self/exe", "bench_LibraryBench", "--memory", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int nIcons = 100000;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--memory") == 0 && i + 1 < argc) {
            ZsSetLogSink([](const std::string&) {});
            return MemoryFigures(argv[i + 1]);
        }
        if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) {
            nIcons = std::max(1000, std::atoi(argv[++i]));
        } else {
            folder = argv[i];
        }
    }
    if (folder.empty()) {
        folder =
            std::filesystem::temp_directory_path() / ZsFormat("pictavo-bench-%d", static_cast<int>(getpid()));
    }
    std::filesystem::create_directories(folder);
    ZsSetLogSink([](const std::string&) {});

    std::mt19937 rng(1108);
    std::vector<ZsBlock> variants;
    for (int i = 0; i < 16; ++i) {
        variants.push_back(bench::MakeIcon(rng));
    }
    std::printf("icon data: %zu bytes per icon, 5 formats\n", variants[0].size());
    std::filesystem::path big = folder / "big.pctv", tiny = folder / "tiny.pctv";
    double tBuild = Seconds([&] { BuildLibrary(big, nIcons, variants); });
    BuildLibrary(tiny, 100, variants);
    std::printf("built %d icons in %.1f s (%.0f MB)\n", nIcons, tBuild,
                static_cast<double>(std::filesystem::file_size(big)) / 1e6);

    double tOpenBig = OpenTime(big), tOpenTiny = OpenTime(tiny);
    std::printf("open: %d icons %.3f ms, 100 icons %.3f ms, ratio %.2f (target <= 2)\n", nIcons,
                tOpenBig * 1e3, tOpenTiny * 1e3, tOpenBig / tOpenTiny);

    double tSaveBig = SaveOneTime(big), tSaveTiny = SaveOneTime(tiny);
    std::printf("save one change: %d icons %.3f ms, 100 icons %.3f ms, ratio %.2f (target <= 2)\n", nIcons,
                tSaveBig * 1e3, tSaveTiny * 1e3, tSaveBig / tSaveTiny);

    std::filesystem::path in = folder / "import";
    std::filesystem::create_directories(in);
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 10000; ++i) {
        files.push_back(in / ZsFormat("icon%05d.ico", i));
        ZsWriteFile(files.back(), variants[static_cast<size_t>(i) % variants.size()]);
    }
    FloorImport(files, folder / "floor.db");
    std::vector<double> floors, stores;
    for (int i = 0; i < 3; ++i) {
        floors.push_back(FloorImport(files, folder / "floor.db"));
        stores.push_back(StoreImport(files, folder / "import.pctv"));
    }
    std::sort(floors.begin(), floors.end());
    std::sort(stores.begin(), stores.end());
    std::printf(
        "import 10000 files and save: %.3f s, floor %.3f s, %.0f%% of the floor's speed (target >= 50%%)\n",
        stores[1], floors[1], 100.0 * floors[1] / stores[1]);

    {
        CZsCategoryTree tree;
        CZsIconLib lib;
        lib.AttachTree(&tree);
        lib.Load(big);
        std::vector<int32_t> scope{ZIL_ID_ALL};
        const std::string text = "shape 99";
        double tCold = Seconds([&] { lib.FindIcons(text, scope, false, false, false, true, true); });
        size_t nFound = lib.GetList(ZIL_ID_FIND).size();
        double tWarm = Median(11, [&] {
            return Seconds([&] { lib.FindIcons(text, scope, false, false, false, true, true); });
        });
        double tWarmCase = Median(
            11, [&] { return Seconds([&] { lib.FindIcons(text, scope, true, false, false, true, true); }); });
        double tRegEx = Median(3, [&] {
            return Seconds([&] { lib.FindIcons("shape 9+$", scope, false, false, true, true, true); });
        });
        // The bare loop: the same strings, in the same order, scanned for the same text.
        std::vector<const std::string*> strings;
        for (int32_t nId : lib.GetList(ZIL_ID_ALL)) {
            const ZIL_ICON& icon = lib.Icons().at(nId);
            strings.push_back(&*icon.name);
            strings.push_back(&*icon.kwds);
        }
        size_t nBare = 0;
        double tBare = Median(11, [&] {
            return Seconds([&] {
                nBare = 0;
                for (size_t i = 0; i < strings.size(); i += 2) {
                    nBare += strings[i]->find(text) != std::string::npos ||
                             strings[i + 1]->find(text) != std::string::npos;
                }
            });
        });
        std::printf(
            "search %d icons (names and keywords, %zu found, bare loop %zu): cold %.1f ms, warm %.2f ms "
            "(case-sensitive %.2f ms), regular expression %.1f ms, bare loop %.2f ms; warm/bare %.2f "
            "(target <= 3), case-sensitive/bare %.2f\n",
            nIcons, nFound, nBare, tCold * 1e3, tWarm * 1e3, tWarmCase * 1e3, tRegEx * 1e3, tBare * 1e3,
            tWarm / tBare, tWarmCase / tBare);
    }

    RunMemoryFigures(big);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
