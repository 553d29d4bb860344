// Exporting icons of a library as one classic icon library (.icl): 250, 500, 1,000 and 2,000 icons of five
// formats each, read from a library file and written as the export does, against two references of the same
// run: writing the finished library's bytes to a new file (the floor), and the way the export used to work,
// one complete update of the file per icon (for 250 and 500 icons only: it grows with the square).
//
// Usage: bench_IclExportBench [FOLDER]   (FOLDER defaults to a new folder under /tmp)
#include <unistd.h>

#include <cstdio>
#include <random>

#include "BenchSupport.h"
#include "common/ZsLog.h"
#include "icon/ZsIclWriter.h"
#include "library/ZsExport.h"

namespace {

using bench::Median;
using bench::Seconds;

// A library of nIcons icons, each in "My Icons".
void BuildLibrary(const std::filesystem::path& path, int nIcons) {
    std::mt19937 rng(1812);
    std::vector<ZsBlock> variants;
    for (int i = 0; i < 16; ++i) {
        variants.push_back(bench::MakeIcon(rng));
    }
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    ZIL_LIST all;
    for (int i = 0; i < nIcons; ++i) {
        const std::string sName = ZsFormat("Icon %d", i);
        all.push_back(lib.ImpIcon(variants[static_cast<size_t>(i) % variants.size()], &sName));
    }
    lib.ListToNode(ZIL_ID_ALL, all);
    lib.Save(path);
}

// Opens the library and exports its first nIcons icons; the seconds taken and the library written.
double Export(const std::filesystem::path& lib, const std::filesystem::path& out, int nIcons,
              std::filesystem::path* pWritten) {
    CZsCategoryTree tree;
    CZsIconLib store;
    store.AttachTree(&tree);
    store.Load(lib);
    const ZIL_LIST& all = store.GetList(ZIL_ID_ALL);
    const ZIL_LIST ids(all.begin(), all.begin() + nIcons);
    ZIL_EXPORT_OPTIONS options;
    options.nType = ZS_EXPORT_ICL;
    options.folder = out;
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    ZIL_EXPORT_RESULT r;
    const double t = Seconds([&] { r = ExportIcons(store, ids, options, "Export"); });
    if (!r.Ok()) {
        std::printf("export of %d icons failed\n", nIcons);
    }
    *pWritten = r.library;
    return t;
}

// The export as it used to be: one update of the file per icon, then one for the names.
double ExportIconByIcon(const std::filesystem::path& lib, const std::filesystem::path& out, int nIcons) {
    CZsCategoryTree tree;
    CZsIconLib store;
    store.AttachTree(&tree);
    store.Load(lib);
    const ZIL_LIST& all = store.GetList(ZIL_ID_ALL);
    return Seconds([&] {
        std::filesystem::copy_file(ZsGetAppDir() / "Template.icl", out,
                                   std::filesystem::copy_options::overwrite_existing);
        CZsSqlReadBatch batch(store);
        std::vector<std::string> names;
        int nIcon = 1;
        for (int k = 0; k < nIcons; ++k) {
            CIcon icon;
            store.GetIcon(all[static_cast<size_t>(k)], icon);
            const ZsBlock data = icon.GetData(-1);
            ZI_UpdateIconResource(out, data, k + 1, nIcon);
            nIcon += ZI_GetImageCount(data);
            names.push_back(*store.GetIconRec(all[static_cast<size_t>(k)], ZIL_ICON_LOADNAME).name);
        }
        ZI_UpdateIconNames(out, names);
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::temp_directory_path() / ZsFormat("pictavo-icl-bench-%d", getpid());
    std::filesystem::create_directories(folder);
    ZsSetLogSink([](const std::string&) {});
    const std::filesystem::path lib = folder / "icons.pctv";
    BuildLibrary(lib, 2000);

    std::printf("%6s %12s %10s %14s %12s %16s\n", "icons", "export (s)", "ms/icon", "vs 250 icons",
                "floor (s)", "icon by icon (s)");
    double tFirst = 0;
    for (int n : {250, 500, 1000, 2000}) {
        std::filesystem::path written;
        const double t = Median(3, [&] { return Export(lib, folder / "out", n, &written); });
        const std::optional<ZsBlock> bytes = ZsReadFile(written);
        const double tFloor =
            Median(3, [&] { return Seconds([&] { ZsWriteFile(folder / "floor.icl", *bytes); }); });
        tFirst = tFirst == 0 ? t : tFirst;
        std::printf("%6d %12.3f %10.3f %8.2f (%.0f) %12.3f", n, t, t * 1e3 / n, t / tFirst, n / 250.0,
                    tFloor);
        if (n <= 500) {
            const double tOld = ExportIconByIcon(lib, folder / "old.icl", n);
            std::printf(" %16.3f%s", tOld, ZsReadFile(folder / "old.icl") == bytes ? "" : " (bytes differ!)");
        }
        std::printf("   %.1f MB\n", static_cast<double>(bytes->size()) / 1e6);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
