// Verbs that bring icons into a library and write them out: import (files, folders, tiles), import-tree,
// export and export-tree. Each runs the core operation inside one progress run, so a terminal shows a bar
// and --verbose prints the operation's log lines; files that failed are named in one line and exit 1.
#include <algorithm>
#include <cstdio>

#include "cli/CliLib.h"
#include "common/ZsBase.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "icon/ZsPicture.h"
#include "library/ZsDirTree.h"
#include "library/ZsExport.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"

namespace {

// The files the tool imports from folders: the program's default, never the desktop program's stored
// options.
const char* const kImportPatterns = ZS_OPT_IMP_EXTS.pszDefault;

// "'a', 'b'" for the failure lines.
std::string QuoteList(const std::vector<std::filesystem::path>& paths) {
    std::string sList;
    for (const std::filesystem::path& p : paths) {
        sList += (sList.empty() ? "'" : ", '") + CliShow(p) + "'";
    }
    return sList;
}

// stdinPath: standard input's file, shown as "-".
int ReportRefused(const std::vector<ZIL_IMPORT_FAILED>& failed, const std::filesystem::path& stdinPath = {}) {
    std::string sList;
    for (ZIL_IMPORT_FAILED f : failed) {
        if (!stdinPath.empty() && f.path == stdinPath) {
            f.path = "-";
        }
        CliRefused(CliShow(f.path), f.sReason, f.sName);
        sList += (sList.empty() ? "" : ", ") + ZsDescribeFailedImport(f);
    }
    return CliFailRefused("could not import %s.", sList.c_str());
}

// "3 icons imported into 'My Icons'." and, when anything was refused, its count.
void PrintImported(int nIcons, const std::string& sCategory, size_t nFailed) {
    CliReport().Set("icons", nIcons);
    CliReport().Set("category", sCategory);
    CliReport().Set("failed", static_cast<int64_t>(nFailed));
    CliSummary("%d icon%s imported into '%s'%s.", nIcons, nIcons == 1 ? "" : "s", sCategory.c_str(),
               nFailed ? ZsFormat(", %zu failed", nFailed).c_str() : "");
}

// A category that can take imported icons; false after the core's reason.
bool CanTakeIcons(Command& c) {
    const ZIL_CHECK check = ZsCheckImportTarget(c.l.lib, c.Id());
    if (!check.Ok()) {
        c.nCode = CliRefused(c, check);
    }
    return check.Ok();
}

int Import(CCliArgs& args) {
    std::optional<std::string> at = args.Option("--at");
    std::optional<std::string> name = args.Option("--name");
    const int nMode = CliSizingMode(args);
    std::optional<std::vector<std::string>> tile = args.Option("--tile", 2);
    int nCode = CLI_USAGE;
    if (!CliPngOptions(args, &nCode)) {
        return nCode;
    }
    Command c;
    if (!c.Start(args, 2, SIZE_MAX, "import", true)) {
        return c.nCode;
    }
    int nPosition = -1;
    if (at) {
        std::optional<long long> n = CliParseInt(*at);
        if (!n || *n < 0 || *n > INT32_MAX) {
            return CliUsage("--at takes a row number.");
        }
        nPosition = static_cast<int>(*n);
    }
    if (nMode < 0) {
        return CliUsage("--resize takes enlarge, shrink or keep.");
    }
    int nTileW = 0, nTileH = 0;
    if (tile) {
        std::optional<long long> w = CliParseInt((*tile)[0]), h = CliParseInt((*tile)[1]);
        if (!w || !h || *w == 0 || *h == 0 || *w < INT32_MIN || *w > INT32_MAX || *h < INT32_MIN ||
            *h > INT32_MAX) {
            return CliUsage("--tile takes a width and a height in pixels, or minus the number of tiles.");
        }
        nTileW = static_cast<int>(*w);
        nTileH = static_cast<int>(*h);
    }
    const bool bStdin = std::any_of(c.pos.begin() + 1, c.pos.end(), CliIsStdio);
    if (name && !bStdin) {
        return CliUsage("--name names the icons read from standard input ('-').");
    }
    // The name is the title of standard input's file.
    if (name && (name->empty() || name->size() > 200 || name->find('/') != std::string::npos)) {
        return CliUsage("--name takes a name of 1 to 200 bytes without '/'.");
    }
    if (!CanTakeIcons(c)) {
        return c.nCode;
    }
    CCliInput input;
    std::vector<std::filesystem::path> inputs;
    for (size_t i = 1; i < c.pos.size(); ++i) {
        if (!CliIsStdio(c.pos[i])) {
            inputs.push_back(CliPath(c.pos[i]));
        } else if (input.Open(c.pos[i], c.nCode, name.value_or(CLI_STDIN_TITLE))) {
            inputs.push_back(input.Path());
        } else {
            return c.nCode;
        }
    }
    // Every input refused is named, and the others are imported all the same.
    std::vector<std::filesystem::path> files;
    std::vector<ZIL_IMPORT_FAILED> failed;
    ZsGatherImportFiles(inputs, kImportPatterns, files, &failed);
    if (files.empty()) {
        return ReportRefused(failed, input.Path());
    }
    const size_t nRefused = failed.size();
    const int n =
        ImportFileList(c.l.lib, files, c.Id(), nPosition, nTileW, nTileH, nMode, nullptr, nullptr, &failed);
    if (n > 0 && SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    PrintImported(n, ItemPath(c.l.tree, c.item), failed.size() - nRefused);
    return failed.empty() ? CLI_OK : ReportRefused(failed, input.Path());
}

int ImportTree(CCliArgs& args) {
    std::optional<std::string> under = args.Option("--under");
    Command c;
    if (!c.Start(args, 2, 2, "import-tree", false) || !CliNotStdio(c.pos[1], "the folder", c.nCode)) {
        return c.nCode;
    }
    c.item = FindItemPath(c.l.tree, under.value_or("My Icons"));
    if (c.item == ZS_TI_NONE) {
        return CliFail("'%s' has no category '%s'.", c.Path().c_str(), under.value_or("My Icons").c_str());
    }
    if (!CanTakeIcons(c)) {
        return c.nCode;
    }
    // The program's defaults: the folders with their icons, the usual files, pictures enlarged.
    const ZIL_DIR_IMPORT_OPTIONS options;
    std::vector<ZIL_IMPORT_FAILED> failed;
    const int32_t nIconsBefore = c.l.lib.GetNextIcon();
    BeginProgress();
    const ZsTreeItem top =
        ImportDirTree(c.l.lib, c.item, CliPath(c.pos[1]), options, nullptr, nullptr, &failed);
    EndProgress();
    if (top == ZS_TI_NONE) {
        return CLI_FAILED;
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    const int nIcons = c.l.lib.GetNextIcon() - nIconsBefore;
    PrintImported(nIcons, ItemPath(c.l.tree, top), failed.size());
    return failed.empty() ? CLI_OK : ReportRefused(failed);
}

// --type bmp|jpg|gif|tif|png|ico|icl|icns|theme|webp as the export type index; -1 for anything else.
int ExportType(const std::string& sType) {
    for (int i = 0; i < ZS_EXPORT_COUNT; ++i) {
        if (sType == ZsGetExportExt(i)) {
            return i;
        }
    }
    return -1;
}

int Export(CCliArgs& args) {
    std::optional<std::string> type = args.Option("--type");
    std::optional<std::string> rows = args.Option("--rows"), ids = args.Option("--ids");
    const bool bEach = args.Flag("--each");
    const bool bExcept = args.Flag("--except");
    const bool bNoGenerate = args.Flag("--no-generate");
    ZIL_EXPORT_OPTIONS options;
    int nCode = CLI_USAGE;
    if (!CliFormatOptions(args, options.desired, &nCode) || !CliPngOptions(args, &nCode)) {
        return nCode;
    }
    Command c;
    if (!c.Start(args, 2, 2, "export", true) || !CliNotStdio(c.pos[1], "the folder", c.nCode)) {
        return c.nCode;
    }
    options.nType = type ? ExportType(*type) : -1;
    if (options.nType < 0) {
        return CliUsage("--type takes bmp, jpg, gif, tif, png, webp, ico, icl, icns or theme.");
    }
    if (bEach && options.nType != ZS_EXPORT_ICO) {
        return CliUsage("--each goes with --type ico only.");
    }
    options.bCustom = !options.desired.empty();
    if (!options.bCustom && (bExcept || bNoGenerate)) {
        return CliUsage("--except and --no-generate go with --formats or --preset.");
    }
    options.bEach = bEach;
    options.bExcept = bExcept;
    options.bGenerate = !bNoGenerate;
    options.folder = CliPath(c.pos[1]);
    ZIL_LIST list = c.l.lib.GetList(c.Id());
    if (rows || ids) {
        std::vector<int> chosen;
        if (!TakeRows(c.l, c.Id(), rows, ids, chosen, c.nCode)) {
            return c.nCode;
        }
        ZIL_LIST picked;
        for (int nRow : chosen) {
            picked.push_back(list[static_cast<size_t>(nRow)]);
        }
        list = std::move(picked);
    }
    BeginProgress();
    ZIL_EXPORT_RESULT r = ExportIcons(c.l.lib, list, options, ZsExportLibraryTitle(c.l.lib));
    EndProgress();
    if (!r.bStarted) {
        return CLI_FAILED;
    }
    // Icons that cannot be read are named; the others are written all the same.
    const bool bAllRead = r.unreadable.empty();
    if (!bAllRead) {
        CliFail("%s.", ZsLeftOutIconsText(r.unreadable).c_str());
    }
    for (const std::filesystem::path& p : r.failed) {
        CliRefused(CliShow(p), "cannot be written");
    }
    if (!r.failed.empty()) {
        return CliFailRefused("could not write %s.", QuoteList(r.failed).c_str());
    }
    if (!r.failedIcons.empty()) {
        std::string sList;
        for (const std::string& s : r.failedIcons) {
            sList += (sList.empty() ? "'" : ", '") + s + "'";
        }
        return CliFail("could not write the icons %s into '%s'.", sList.c_str(), CliShow(r.library).c_str());
    }
    CliReport().Set("icons", r.nIcons);
    if (options.nType == ZS_EXPORT_ICL) {
        CliSummary("%d icon%s exported to '%s'.", r.nIcons, r.nIcons == 1 ? "" : "s",
                   CliShow(r.library).c_str());
    } else {
        CliSummary("%d icon%s exported to '%s'.", r.nIcons, r.nIcons == 1 ? "" : "s",
                   CliShow(options.folder).c_str());
    }
    return bAllRead ? CLI_OK : CLI_FAILED;
}

int ExportTree(CCliArgs& args) {
    Command c;
    if (!c.Start(args, 2, 2, "export-tree", true) || !CliNotStdio(c.pos[1], "the folder", c.nCode)) {
        return c.nCode;
    }
    BeginProgress();
    ZIL_DIR_EXPORT_RESULT r = ExportDirTree(c.l.lib, c.item, CliPath(c.pos[1]));
    EndProgress();
    if (!r.bOk) {
        return CLI_FAILED;
    }
    for (const std::filesystem::path& p : r.failed) {
        CliRefused(CliShow(p), "cannot be written");
    }
    if (!r.failed.empty()) {
        return CliFailRefused("could not write %s.", QuoteList(r.failed).c_str());
    }
    CliSummary("'%s' exported to '%s'.", ItemPath(c.l.tree, c.item).c_str(), CliShow(r.top).c_str());
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"import",
     "import LIB FILE|DIR|-... [--category PATH] [--at ROW] [--resize enlarge|shrink|keep] [--tile W H]\n"
     "       [--name NAME] " CLI_PNG_SYNOPSIS "\n"
     "                                     import icon files, Apple icon files, cursors, pictures, icon\n"
     "                                     libraries and folders",
     Import,
     "Imports icon files, Apple icon files, cursors (an animated cursor gives one icon per frame), "
     "pictures,\n"
     "classic icon libraries, programs and DLLs, and every such file below the named folders, into a "
     "category at row ROW (default: at the end); every icon is also\n"
     "listed in \"My Icons\". Pictures become one icon each in the --resize mode, or with --tile one\n"
     "icon per tile (W and H in pixels, or minus the number of tiles). A file or folder that gives no\n"
     "icon is named and the others are imported all the same; the exit code is then 1.\n"
     "\"-\" reads one file from standard input, its kind told by its content, and names its icons as a\n"
     "file of the title \"stdin\" would, or of the title NAME with --name. --json reports the icons\n"
     "imported and each file or icon refused with its reason.\n" CLI_CATEGORY_HELP "\n"
     "  pictavo-cli import icons.pctv ~/Pictures/icons --category \"My Icons/Sample Category 1\"\n"
     "  cat logo.png | pictavo-cli import icons.pctv - --name Logo\n"
     "  pictavo-cli import icons.pctv toolbar.png --tile 16 16"},
    {"import-tree", "import-tree LIB DIR [--under PATH]  import a folder tree as categories with their icons",
     ImportTree},
    {"export",
     "export LIB DIR [--category PATH] [--rows|--ids LIST]\n"
     "       --type bmp|jpg|gif|tif|png|webp|ico|icl|icns|theme [--each] [--formats LIST | --preset NAME]\n"
     "       [--except] [--no-generate] " CLI_PNG_SYNOPSIS "\n"
     "                                     write icons as pictures, icon files, one icon library, Apple\n"
     "                                     icon files or an icon theme folder",
     Export,
     "Writes the icons of a category (or the chosen rows) into DIR: pictures \"<name> (<format>).<ext>\",\n"
     "icon files \"<name>.ico\" (--each: one per image), one icon library \"<library title>.icl\", Apple\n"
     "icon files \"<name>.icns\", or with --type theme an icon theme folder: each square size an icon has\n"
     "as \"DIR/hicolor/<N>x<N>/apps/<name>.png\" and \"DIR/hicolor/index.theme\" listing the folders, ready\n"
     "to install with an application. --formats or --preset first give each icon those formats (missing\n"
     "ones generated unless --no-generate; --except: every standard format but those). Icons whose data\n"
     "in the library cannot be read are named by id and left out; the exit code is then 1.\n" CLI_PNG_HELP
         CLI_CATEGORY_HELP "\n"
     "  pictavo-cli export icons.pctv out --type ico --preset \"Windows XP Icon Format\"\n"
     "  pictavo-cli export icons.pctv share/icons --type theme --formats 16x16-XP,32x32-XP,48x48-XP"},
    {"export-tree", "export-tree LIB DIR [--category PATH]  write a category tree as folders of icon files",
     ExportTree},
};

}  // namespace

std::span<const CLI_VERB> CliLibIOVerbs() {
    return kVerbs;
}
