// Verbs that serve the desktop around the tool: the library of icon-theme pictures a first start of the
// desktop program opens, and the category paths of a library for shell completion.
#include <cstdio>

#include "cli/CliLib.h"
#include "library/ZsFirstRun.h"

namespace {

void PrintMade(const std::filesystem::path& path, const ZIL_SEED_RESULT& result) {
    CliReport().Set("icons", result.nIcons);
    CliReport().Set("categories", result.nCategories);
    CliSummary("%s: %d icon%s in %d categor%s.", CliShow(path).c_str(), result.nIcons,
               result.nIcons == 1 ? "" : "s", result.nCategories, result.nCategories == 1 ? "y" : "ies");
}

int Seed(CCliArgs& args) {
    ZIL_SEED_OPTIONS options;
    while (std::optional<std::string> folder = args.Option("--themes")) {
        options.themeDirs.push_back(CliPath(*folder));
    }
    std::vector<std::string> pos;
    if (!args.Positionals(pos) || args.Bad() || pos.size() > 1) {
        return CliUsage("seed takes at most one library and --themes DIR options.");
    }
    int nCode = CLI_OK;
    if (!pos.empty() && !CliNotStdio(pos[0], "the library", nCode)) {
        return nCode;
    }
    if (pos.empty()) {
        if (!ZsIsFirstRun()) {
            CliSummary("Pictavo has run before: nothing to do.");
            return CLI_OK;
        }
        const ZIL_SEED_RESULT result = ZsSeedDefaultLibrary(options);
        if (!result.bMade) {
            return CliFail("%s", result.sMessage.c_str());
        }
        PrintMade(ZsGetDataDir() / ZIL_DEFAULT_LIBRARY, result);
        return CLI_OK;
    }
    const std::filesystem::path path = CliPath(pos[0]);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return CliFail("'%s' already exists.", CliShow(path).c_str());
    }
    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(path, options);
    if (!result.bMade) {
        return CliFail("%s", result.sMessage.c_str());
    }
    PrintMade(path, result);
    return CLI_OK;
}

// One title path per line, in tree order, written as --category takes them. Shell completion runs it on
// whatever word the user typed: the file is opened read-only and never changed.
int CategoryPaths(CCliArgs& args) {
    std::vector<std::string> pos;
    int nCode = CLI_OK;
    if (!TakePositionals(args, pos, 1, 1, "__categories", nCode)) {
        return nCode;
    }
    CliLib l;
    l.path = CliPath(pos[0]);
    if (!l.lib.Load(l.path, ZS_SQL_READ_ONLY)) {
        return CliFail("cannot open '%s'.", CliShow(l.path).c_str());
    }
    const CZsCategoryTree& tree = l.tree;
    for (ZsTreeItem item = tree.GetRootItem(); item != ZS_TI_NONE; item = tree.GetNextPreorder(item)) {
        std::printf("%s\n", ItemPath(tree, item).c_str());
    }
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"seed", "seed [LIB] [--themes DIR]...       create a library of the installed icon themes' pictures",
     Seed,
     "Creates LIB (an existing file is never replaced) with a category below \"My Icons\" for each kind\n"
     "of theme picture: Places, Devices, File Types, Applications, Emotes, Classic and Status, each with\n"
     "up to 32 pictures of 48 (else 32) pixels, or the theme's scalable drawings, a picture with a drawing\n"
     "of its name becoming an icon drawn at every standard size. Without LIB it makes \"Default.pctv\" in\n"
     "the data folder, the library the desktop program opens on its very first start, and only when\n"
     "Pictavo has never run.\n"
     "Themes are looked for in the folders given with --themes, else in those of $PICTAVO_ICON_THEMES\n"
     "(separated by \":\"), else in ~/.local/share/icons and the icons folders of $XDG_DATA_DIRS.\n"
     "\n"
     "  pictavo-cli seed themes.pctv --themes /usr/share/icons"},
    // Hidden from the usage text: shell completion asks it for the paths --category takes.
    {"__categories", "", CategoryPaths},
};

}  // namespace

std::span<const CLI_VERB> CliDesktopVerbs() {
    return kVerbs;
}
