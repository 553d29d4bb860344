// Verbs that move and copy categories and put icons into categories: mvcat, cpcat and link. A copy or a link
// may take its category or icons from another library (--from), which is read and never changed.
#include <cstdio>

#include "cli/Cli.h"
#include "cli/CliLib.h"
#include "library/ZsLibCmd.h"

namespace {

// The place of --above or --below (default: as the last child); 0 after a usage message.
int TakePlace(CCliArgs& args, int& nCode) {
    const bool bAbove = args.Flag("--above");
    const bool bBelow = args.Flag("--below");
    if (bAbove && bBelow) {
        nCode = CliUsage("give either --above or --below.");
        return 0;
    }
    return bAbove ? ZIL_POS_ABOVE : bBelow ? ZIL_POS_BELOW : ZIL_POS_CHILD;
}

// The library of --from, opened into other; false after a message.
bool OpenFrom(const std::optional<std::string>& from, CliLib& other, int& nCode) {
    if (from && !CliNotStdio(*from, "the library of --from", nCode)) {
        return false;
    }
    if (from && !OpenLib(other, *from)) {
        nCode = CLI_FAILED;
        return false;
    }
    return true;
}

// The icons of another library that could not be copied; CLI_FAILED when there were any.
int ReportNotCopied(const std::vector<int32_t>& failed, const std::filesystem::path& from) {
    for (int32_t nId : failed) {
        CliRefused(CliShow(from), ZsFormat("icon #%d could not be read", nId));
        CliFailRefused("icon #%d of '%s' could not be read; it was not copied.", nId, CliShow(from).c_str());
    }
    return failed.empty() ? CLI_OK : CLI_FAILED;
}

// mvcat and cpcat.
int DropCategory(CCliArgs& args, int nOp) {
    const char* pszVerb = nOp == ZIL_OP_MOVE ? "mvcat" : "cpcat";
    std::optional<std::string> from = nOp == ZIL_OP_COPY ? args.Option("--from") : std::nullopt;
    ZIL_DROP_CATEGORY_OPTIONS options;
    options.nOp = nOp;
    int nCode = CLI_OK;
    options.nPosition = TakePlace(args, nCode);
    if (options.nPosition == 0) {
        return nCode;
    }
    Command c;
    CliLib other;
    if (!c.Start(args, 3, 3, pszVerb, false) || !OpenFrom(from, other, c.nCode)) {
        return c.nCode;
    }
    CliLib& source = from ? other : c.l;
    const ZsTreeItem item = FindItemPath(source.tree, c.pos[1]);
    if (item == ZS_TI_NONE) {
        return CliFail("'%s' has no category '%s'.", CliShow(source.path).c_str(), c.pos[1].c_str());
    }
    const ZsTreeItem target = c.FindCategory(c.pos[2]);
    if (target == ZS_TI_NONE) {
        return c.nCode;
    }
    options.pSourceLib = from ? &other.lib : nullptr;
    const std::string sFrom = ItemPath(source.tree, item);
    const ZIL_CATEGORY_RESULT r = ZsDropCategory(c.l.lib, item, target, options);
    if (!r.Ok()) {
        return CliRefused(c, r);
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    if (nOp == ZIL_OP_COPY) {
        CliData("%d", c.l.tree.GetItemData(r.item));
    }
    CliReport().Set("id", c.l.tree.GetItemData(r.item));
    CliReport().Set("from", sFrom);
    CliReport().Set("path", ItemPath(c.l.tree, r.item));
    CliReport().Set("categories", r.nCategories);
    if (nOp == ZIL_OP_COPY) {
        CliReport().Set("icons", r.nNewIcons);
    }
    return ReportNotCopied(r.failed, other.path);
}

int MvCat(CCliArgs& args) {
    return DropCategory(args, ZIL_OP_MOVE);
}

int CpCat(CCliArgs& args) {
    return DropCategory(args, ZIL_OP_COPY);
}

int Link(CCliArgs& args) {
    std::optional<std::string> from = args.Option("--from");
    std::optional<std::string> category = args.Option("--category");
    std::optional<std::string> categoryId = args.Option("--category-id");
    std::optional<std::string> sRows = args.Option("--rows"), sIds = args.Option("--ids");
    std::optional<std::string> at = args.Option("--at");
    ZIL_PUT_ICONS_OPTIONS options;
    options.nOp = args.Flag("--move") ? ZIL_OP_MOVE : ZIL_OP_COPY;
    if (at) {
        std::optional<long long> n = CliParseInt(*at);
        if (!n || *n < 0 || *n > INT32_MAX) {
            return CliUsage("--at takes a row number.");
        }
        options.nAt = static_cast<int>(*n);
    }
    Command c;
    CliLib other;
    if (!c.Start(args, 2, 2, "link", false) || !OpenFrom(from, other, c.nCode)) {
        return c.nCode;
    }
    CliLib& source = from ? other : c.l;
    ZsTreeItem item = ZS_TI_NONE;
    std::vector<int> rows;
    if (!ResolveCategory(source, category, categoryId, item, c.nCode)) {
        return c.nCode;
    }
    const int32_t nSource = source.tree.GetItemData(item);
    if (!TakeRows(source, nSource, sRows, sIds, rows, c.nCode)) {
        return c.nCode;
    }
    const ZsTreeItem target = c.FindCategory(c.pos[1]);
    if (target == ZS_TI_NONE) {
        return c.nCode;
    }
    options.pSourceLib = from ? &other.lib : nullptr;
    const ZIL_ICONS_RESULT r = ZsPutIcons(c.l.lib, c.l.tree.GetItemData(target), nSource, rows, options);
    if (!r.Ok()) {
        return CliRefused(c, r);
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    CliReport().Set("icons", r.nIcons);
    CliSummary("%d icon%s put into '%s'.", r.nIcons, r.nIcons == 1 ? "" : "s",
               ItemPath(c.l.tree, target).c_str());
    return ReportNotCopied(r.failed, other.path);
}

const CLI_VERB kVerbs[] = {
    {"mvcat", "mvcat LIB PATH TARGET [--above|--below]  move a category with its subcategories", MvCat,
     "Moves a user category with its subcategories to the end of the category TARGET (a user category\n"
     "or \"My Icons\"), or just above or below the user category TARGET. The moved categories keep their\n"
     "ids and icons. A category cannot go into its own subcategories, and a move that leaves it where it\n"
     "is, is refused. --json reports its \"id\", the path it had (\"from\"), the path it has (\"path\")\n"
     "and how many categories moved (\"categories\").\n"
     "\n"
     "  pictavo-cli mvcat icons.pctv \"My Icons/Tools\" \"My Icons/Sample Category 2\"\n"
     "  pictavo-cli mvcat icons.pctv \"My Icons/Tools\" \"My Icons/Sample Category 1\" --above"},
    {"cpcat",
     "cpcat LIB PATH TARGET [--above|--below] [--from OTHER.pctv]\n"
     "                                     copy a category with its subcategories (prints the new id)",
     CpCat,
     "Copies a user category with its subcategories to the place mvcat would move it to. Every copy gets\n"
     "a new id and lists the same icons as its source. With --from, PATH names a category of OTHER, which\n"
     "is only read: its icons become new icons of LIB, listed in \"My Icons\" too.\n"
     "\n"
     "  pictavo-cli cpcat icons.pctv \"My Icons/Tools\" \"My Icons\"\n"
     "  pictavo-cli cpcat icons.pctv \"My Icons/Arrows\" \"My Icons\" --from shared.pctv"},
    {"link",
     "link LIB TARGET [--category PATH] --rows|--ids LIST [--move] [--at ROW] [--from OTHER.pctv]\n"
     "                                     put icons into another category",
     Link,
     "Puts the chosen icons of a category into the user category TARGET, at the end or from row ROW on;\n"
     "icons it lists already are left out. With --move they then leave the category they came from (not\n"
     "\"My Icons\", which keeps every icon). With --from, the category and icons are those of OTHER, which\n"
     "is only read: the icons become new icons of LIB, and TARGET may be \"My Icons\".\n" CLI_CATEGORY_HELP
         CLI_ROWS_HELP "\n"
     "  pictavo-cli link icons.pctv \"My Icons/Tools\" --category \"My Icons/New\" --rows 0,1 --move\n"
     "  pictavo-cli link icons.pctv \"My Icons\" --from shared.pctv --ids 7,9"},
};

}  // namespace

std::span<const CLI_VERB> CliLibMoveVerbs() {
    return kVerbs;
}
