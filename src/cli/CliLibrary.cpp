// Verbs on extended icon libraries (.pctv): new, tree, list, import, find, mkcat, rename, rmcat, rm,
// set-name, set-keywords, and the library kind of info. Each verb opens the library, acts and, when it
// changed something, saves it.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli/Cli.h"
#include "cli/CliLib.h"
#include "common/ZsBase.h"
#include "icon/ZsIcon.h"
#include "library/ZsIconLib.h"
#include "library/ZsLibCmd.h"

bool OpenLib(CliLib& l, const std::string& arg) {
    l.path = CliPath(arg);
    if (!l.lib.Load(l.path)) {
        if (l.lib.LastErrorCode() == ZS_SQL_BUSY) {
            CliFail(
                "cannot open '%s': another program kept it locked for more than %d seconds; try again when "
                "that program is done.",
                CliShow(l.path).c_str(), ZS_SQL_BUSY_TIMEOUT_MS / 1000);
        } else {
            // The store's sentence says why ("It holds parts an icon library does not have: ...").
            std::string sWhy =
                l.lib.LoadError().empty() ? std::string("It is not an icon library.") : l.lib.LoadError();
            sWhy[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sWhy[0])));
            CliFail("cannot open '%s': %s", CliShow(l.path).c_str(), sWhy.c_str());
        }
        return false;
    }
    return true;
}

void CliWarnUnreadable(CZsIconLib& lib) {
    if (!lib.GetDamage().empty()) {
        std::fprintf(stderr, "pictavo-cli: '%s' is damaged: %s.\n", CliShow(lib.GetPath()).c_str(),
                     lib.GetDamage().c_str());
    }
    const std::vector<int32_t> ids = lib.TakeUnreadableWarning();
    if (!ids.empty()) {
        std::fprintf(stderr, "pictavo-cli: '%s': %s.\n", CliShow(lib.GetPath()).c_str(),
                     ZsUnreadableIconsText(ids).c_str());
    }
}

int SaveLib(CliLib& l) {
    if (!l.lib.Save()) {
        return CliFail("cannot save '%s': %s.", CliShow(l.path).c_str(), l.lib.SaveError().c_str());
    }
    return CLI_OK;
}

std::vector<std::string> SplitPath(const std::string& text) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '/') {
            parts.back().push_back('/');
            ++i;
        } else if (text[i] == '/') {
            parts.emplace_back();
        } else {
            parts.back().push_back(text[i]);
        }
    }
    return parts;
}

ZsTreeItem FindPath(const CZsCategoryTree& tree, const std::vector<std::string>& parts) {
    ZsTreeItem parent = ZS_TI_NONE, found = ZS_TI_NONE;
    for (const std::string& title : parts) {
        found = ZS_TI_NONE;
        for (ZsTreeItem i = tree.GetChildItem(parent); i != ZS_TI_NONE; i = tree.GetNextSiblingItem(i)) {
            if (tree.GetItemText(i) == title) {
                found = i;
                break;
            }
        }
        if (found == ZS_TI_NONE) {
            return ZS_TI_NONE;
        }
        parent = found;
    }
    return found;
}

std::string ItemPath(const CZsCategoryTree& tree, ZsTreeItem item) {
    std::string path;
    for (; item != ZS_TI_NONE; item = tree.GetParentItem(item)) {
        std::string title;
        for (char c : tree.GetItemText(item)) {
            title += c == '/' ? std::string("\\/") : std::string(1, c);
        }
        path = path.empty() ? title : title + "/" + path;
    }
    return path;
}

ZsTreeItem FindItemPath(const CZsCategoryTree& tree, const std::string& sPath) {
    return FindPath(tree, SplitPath(sPath));
}

bool ResolveCategory(CliLib& l, const std::optional<std::string>& path, const std::optional<std::string>& id,
                     ZsTreeItem& item, int& nCode) {
    if (path && id) {
        nCode = CliUsage("give either --category or --category-id.");
        return false;
    }
    if (id) {
        std::optional<long long> n = CliParseInt(*id);
        item =
            n && *n >= INT32_MIN && *n <= INT32_MAX ? l.tree.FindItem(static_cast<int32_t>(*n)) : ZS_TI_NONE;
        if (item == ZS_TI_NONE) {
            nCode = CliFail("'%s' has no category with id %s.", CliShow(l.path).c_str(), id->c_str());
        }
        return item != ZS_TI_NONE;
    }
    item = FindPath(l.tree, SplitPath(path.value_or("My Icons")));
    if (item == ZS_TI_NONE) {
        nCode =
            CliFail("'%s' has no category '%s'.", CliShow(l.path).c_str(), path.value_or("My Icons").c_str());
    }
    return item != ZS_TI_NONE;
}

std::optional<std::vector<long long>> ParseNumbers(const std::string& text) {
    std::vector<long long> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        std::optional<long long> n =
            CliParseInt(text.substr(start, end == std::string::npos ? end : end - start));
        if (!n) {
            return std::nullopt;
        }
        out.push_back(*n);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return out;
}

bool TakeRows(CliLib& l, int32_t nNode, const std::optional<std::string>& sRows,
              const std::optional<std::string>& sIds, std::vector<int>& rows, int& nCode) {
    if (!sRows == !sIds) {
        nCode = CliUsage("give the icons with either --rows or --ids.");
        return false;
    }
    std::optional<std::vector<long long>> numbers = ParseNumbers(sRows ? *sRows : *sIds);
    if (!numbers) {
        nCode = CliUsage("'%s' is not a list of numbers.", (sRows ? *sRows : *sIds).c_str());
        return false;
    }
    const ZIL_LIST& list = l.lib.GetList(nNode);
    for (long long n : *numbers) {
        long long nRow = n;
        if (sIds) {
            auto it = std::find(list.begin(), list.end(), n);
            nRow = it == list.end() ? -1 : it - list.begin();
        }
        if (nRow < 0 || nRow >= static_cast<long long>(list.size())) {
            nCode = CliFail("the category has no %s %lld.", sRows ? "row" : "icon with id", n);
            return false;
        }
        rows.push_back(static_cast<int>(nRow));
    }
    return true;
}

bool TakePositionals(CCliArgs& args, std::vector<std::string>& out, size_t nMin, size_t nMax,
                     const char* pszVerb, int& nCode) {
    if (!args.Positionals(out) || out.size() < nMin || out.size() > nMax) {
        nCode = CliUsage("wrong arguments for %s.", pszVerb);
        return false;
    }
    return true;
}

bool Command::Start(CCliArgs& args, size_t nMin, size_t nMax, const char* pszVerb, bool bCategory) {
    std::optional<std::string> category = bCategory ? args.Option("--category") : std::nullopt;
    std::optional<std::string> categoryId = bCategory ? args.Option("--category-id") : std::nullopt;
    if (!TakePositionals(args, pos, nMin, nMax, pszVerb, nCode) ||
        !CliNotStdio(pos[0], "the library", nCode)) {
        return false;
    }
    if (!OpenLib(l, pos[0])) {
        nCode = CLI_FAILED;
        return false;
    }
    return !bCategory || ResolveCategory(l, category, categoryId, item, nCode);
}

ZsTreeItem Command::FindCategory(const std::string& sPath) {
    const ZsTreeItem found = FindItemPath(l.tree, sPath);
    if (found == ZS_TI_NONE) {
        nCode = CliFail("'%s' has no category '%s'.", Path().c_str(), sPath.c_str());
    }
    return found;
}

int CliRefused(const Command& c, const ZIL_CHECK& check) {
    return CliFail("cannot change '%s': %s", c.Path().c_str(), check.sRefusal.c_str());
}

namespace {

std::string IconJson(CZsIconLib& lib, int nRow, int32_t nId, const ZIL_DATA_SUMMARY& data) {
    return ZsFormat(
        "{\"row\": %d, \"id\": %d, \"name\": %s, \"keywords\": %s, \"formats\": %d, \"bytes\": %zu}", nRow,
        nId, JsonQuote(lib.GetIconName(nId)).c_str(), JsonQuote(lib.GetIconKeywords(nId)).c_str(),
        data.nFormats, data.nBytes);
}

// Reads only what it prints: names, keywords and the directory at the start of each icon's data.
void PrintIcons(CZsIconLib& lib, const ZIL_LIST& list, bool bJson) {
    std::vector<ZIL_DATA_SUMMARY> summaries;
    lib.LoadIconTexts(list, ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS, &summaries);
    if (bJson) {
        std::printf("[");
        for (size_t i = 0; i < list.size(); ++i) {
            std::printf("%s%s", i ? ",\n " : "",
                        IconJson(lib, static_cast<int>(i), list[i], summaries[i]).c_str());
        }
        std::printf("]\n");
        CliJsonPrinted();
        return;
    }
    for (size_t i = 0; i < list.size(); ++i) {
        int32_t nId = list[i];
        std::string sKwds = lib.GetIconKeywords(nId);
        std::printf("%4zu  #%-6d %-24s %3d formats %9zu bytes%s%s\n", i, nId, lib.GetIconName(nId).c_str(),
                    summaries[i].nFormats, summaries[i].nBytes, sKwds.empty() ? "" : "  ", sKwds.c_str());
    }
}

bool MatchLib(const std::filesystem::path&, const std::vector<uint8_t>& head) {
    static const char kMagic[] = "SQLite format 3";
    return head.size() >= sizeof(kMagic) && std::memcmp(head.data(), kMagic, sizeof(kMagic)) == 0;
}

int ShowLib(const std::filesystem::path& path, const std::string& sFile, bool bJson) {
    CliLib l;
    if (!OpenLib(l, CliShow(path))) {
        return CLI_FAILED;
    }
    int nIcons = static_cast<int>(l.lib.GetList(ZIL_ID_ALL).size());
    if (bJson) {
        std::printf(
            "{\"file\": %s, \"kind\": \"pctv\", \"categories\": %d, \"icons\": %d, \"nextNode\": %d, "
            "\"nextIcon\": %d}\n",
            JsonQuote(sFile).c_str(), l.tree.GetCount(), nIcons, l.lib.GetNextNode(), l.lib.GetNextIcon());
        CliJsonPrinted();
    } else {
        std::printf("%s: icon library, %d categor%s, %d icon%s, next category id %d, next icon id %d\n",
                    sFile.c_str(), l.tree.GetCount(), l.tree.GetCount() == 1 ? "y" : "ies", nIcons,
                    nIcons == 1 ? "" : "s", l.lib.GetNextNode(), l.lib.GetNextIcon());
    }
    return CLI_OK;
}

int New(CCliArgs& args) {
    std::vector<std::string> pos;
    int nCode = CLI_OK;
    if (!TakePositionals(args, pos, 1, 1, "new", nCode) || !CliNotStdio(pos[0], "the library", nCode)) {
        return nCode;
    }
    std::filesystem::path path = CliPath(pos[0]);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        return CliFail("'%s' already exists.", CliShow(path).c_str());
    }
    CliLib l;
    l.lib.NewLib();
    if (!l.lib.Save(path)) {
        return CliFail("cannot create '%s': %s.", CliShow(path).c_str(), l.lib.SaveError().c_str());
    }
    return CLI_OK;
}

int Tree(CCliArgs& args) {
    const bool bJson = CliJsonOutput();
    Command c;
    if (!c.Start(args, 1, 1, "tree", false)) {
        return c.nCode;
    }
    const CZsCategoryTree& tree = c.l.tree;
    CZsSqlReadBatch batch(c.l.lib);
    std::printf("%s", bJson ? "[" : "");
    for (ZsTreeItem i = tree.GetRootItem(); i != ZS_TI_NONE; i = tree.GetNextPreorder(i)) {
        int32_t nId = tree.GetItemData(i);
        int nDepth = tree.GetLevel(i);
        size_t nIcons = c.l.lib.GetList(nId).size();
        if (bJson) {
            std::printf("%s{\"depth\": %d, \"id\": %d, \"title\": %s, \"path\": %s, \"icons\": %zu}",
                        i == tree.GetRootItem() ? "" : ",\n ", nDepth, nId,
                        JsonQuote(tree.GetItemText(i)).c_str(), JsonQuote(ItemPath(tree, i)).c_str(), nIcons);
        } else {
            std::printf("%*s%s  [id %d, %zu icon%s]\n", 2 * nDepth, "", tree.GetItemText(i).c_str(), nId,
                        nIcons, nIcons == 1 ? "" : "s");
        }
    }
    std::printf("%s", bJson ? "]\n" : "");
    if (bJson) {
        CliJsonPrinted();
    }
    return CLI_OK;
}

int List(CCliArgs& args) {
    const bool bJson = CliJsonOutput();
    Command c;
    if (!c.Start(args, 1, 1, "list", true)) {
        return c.nCode;
    }
    PrintIcons(c.l.lib, c.l.lib.GetList(c.Id()), bJson);
    return CLI_OK;
}

int Find(CCliArgs& args) {
    const bool bJson = CliJsonOutput();
    bool bCase = args.Flag("--case");
    bool bWhole = args.Flag("--whole-word");
    bool bRegEx = args.Flag("--regex");
    bool bNames = !args.Flag("--no-names");
    bool bKwds = !args.Flag("--no-keywords");
    std::optional<std::string> scope = args.Option("--scope");
    Command c;
    if (!c.Start(args, 2, 2, "find", true)) {
        return c.nCode;
    }
    int nScope = ZIL_SCOPE_DESCENDANTS;
    if (scope) {
        if (*scope == "selected-and-descendants") {
            nScope = ZIL_SCOPE_DESCENDANTS;
        } else if (*scope == "selected") {
            nScope = ZIL_SCOPE_SELECTED;
        } else if (*scope == "all") {
            nScope = ZIL_SCOPE_ALL;
        } else {
            return CliUsage("--scope takes selected-and-descendants, selected or all.");
        }
    }
    const std::string& sText = c.pos[1];
    if (sText.empty() || (!bNames && !bKwds)) {
        return CliUsage("find needs a text and at least one of names and keywords.");
    }
    std::string sError;
    if (!c.l.lib.FindIcons(sText, c.l.lib.GetFindScope(c.item, nScope), bCase, bWhole, bRegEx, bNames, bKwds,
                           &sError)) {
        return CliFail("Incorrect regular expression! (%s)", sError.c_str());
    }
    PrintIcons(c.l.lib, c.l.lib.GetList(ZIL_ID_FIND), bJson);
    return CLI_OK;
}

int MkCat(CCliArgs& args) {
    Command c;
    if (!c.Start(args, 2, 2, "mkcat", false)) {
        return c.nCode;
    }
    std::vector<std::string> parts = SplitPath(c.pos[1]);
    ZIL_NEW_CATEGORY_OPTIONS options;
    options.sTitle = parts.back();
    options.bUniqueTitle = true;
    parts.pop_back();
    const ZsTreeItem parent = parts.empty() ? ZS_TI_NONE : FindPath(c.l.tree, parts);
    if (parent == ZS_TI_NONE) {
        return CliFail("'%s' has no category to hold '%s'.", c.Path().c_str(), c.pos[1].c_str());
    }
    const ZIL_CATEGORY_RESULT r = ZsNewCategory(c.l.lib, parent, options);
    if (!r.Ok()) {
        return CliRefused(c, r);
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    CliData("%d", c.l.tree.GetItemData(r.item));
    CliReport().Set("id", c.l.tree.GetItemData(r.item));
    return CLI_OK;
}

int Rename(CCliArgs& args) {
    Command c;
    if (!c.Start(args, 3, 3, "rename", false)) {
        return c.nCode;
    }
    const ZsTreeItem item = c.FindCategory(c.pos[1]);
    if (item == ZS_TI_NONE) {
        return c.nCode;
    }
    const std::string sFrom = ItemPath(c.l.tree, item);
    const ZIL_CATEGORY_RESULT r = ZsRenameCategory(c.l.lib, item, {c.pos[2], true});
    if (!r.Ok()) {
        return CliRefused(c, r);
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    CliReport().Set("id", c.l.tree.GetItemData(item));
    CliReport().Set("from", sFrom);
    CliReport().Set("path", ItemPath(c.l.tree, item));
    return CLI_OK;
}

int RmCat(CCliArgs& args) {
    Command c;
    if (!c.Start(args, 2, 2, "rmcat", false)) {
        return c.nCode;
    }
    const ZsTreeItem item = c.FindCategory(c.pos[1]);
    if (item == ZS_TI_NONE) {
        return c.nCode;
    }
    const int32_t nId = c.l.tree.GetItemData(item);
    const std::string sPath = ItemPath(c.l.tree, item);
    const ZIL_CATEGORY_RESULT r = ZsDeleteCategory(c.l.lib, item, {false});
    if (!r.Ok()) {
        return CliRefused(c, r);
    }
    if (SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    CliReport().Set("id", nId);
    CliReport().Set("path", sPath);
    CliReport().Set("categories", r.nCategories);
    return CLI_OK;
}

int Rm(CCliArgs& args) {
    bool bDelete = args.Flag("--delete");
    std::optional<std::string> rows = args.Option("--rows"), ids = args.Option("--ids");
    Command c;
    if (!c.Start(args, 1, 1, "rm", true)) {
        return c.nCode;
    }
    std::vector<int> list;
    if (!TakeRows(c.l, c.Id(), rows, ids, list, c.nCode)) {
        return c.nCode;
    }
    const ZIL_ICONS_RESULT r =
        bDelete ? ZsDeleteIconsFromLibrary(c.l.lib, c.Id(), list) : ZsRemoveIcons(c.l.lib, c.Id(), list);
    return r.Ok() ? SaveLib(c.l) : CliRefused(c, r);
}

// set-name and set-keywords: the same text for every chosen icon.
int SetText(CCliArgs& args, bool bName) {
    std::optional<std::string> rows = args.Option("--rows"), ids = args.Option("--ids");
    const char* pszVerb = bName ? "set-name" : "set-keywords";
    Command c;
    if (!c.Start(args, 2, 2, pszVerb, true)) {
        return c.nCode;
    }
    // Ids are looked up in "My Icons", which lists every icon.
    int32_t nNode = ids ? ZIL_ID_ALL : c.Id();
    std::vector<int> list;
    if (!TakeRows(c.l, nNode, rows, ids, list, c.nCode)) {
        return c.nCode;
    }
    ZIL_ICON_TEXT_OPTIONS options;
    (bName ? options.name : options.keywords) = c.pos[1];
    const ZIL_ICONS_RESULT r = ZsSetIconText(c.l.lib, nNode, list, options);
    return r.Ok() ? SaveLib(c.l) : CliRefused(c, r);
}

int SetName(CCliArgs& args) {
    return SetText(args, true);
}

int SetKeywords(CCliArgs& args) {
    return SetText(args, false);
}

const CLI_VERB kVerbs[] = {
    {"new", "new LIB                            create an icon library with the sample categories", New,
     "Creates a new icon library file with \"My Icons\", the sample categories and \"Find Results\";\n"
     "an existing file is never replaced.\n"
     "\n"
     "  pictavo-cli new icons.pctv"},
    {"tree", "tree LIB [--json]                  show the categories of a library", Tree,
     "Shows every category in tree order with its id and number of icons.\n"
     "\n"
     "  pictavo-cli tree --json icons.pctv"},
    {"list", "list LIB [--category PATH] [--json]  list the icons of a category", List,
     "Lists the icons of a category in order: row, id, name, number of formats, bytes and "
     "keywords.\n" CLI_CATEGORY_HELP "\n"
     "  pictavo-cli list icons.pctv --category \"My Icons/Sample Category 1\""},
    {"find",
     "find LIB TEXT [--scope selected-and-descendants|selected|all] [--category PATH] [--case]\n"
     "       [--whole-word] [--regex] [--no-names] [--no-keywords] [--json]  search names and keywords",
     Find,
     "Fills \"Find Results\" with the icons whose name or keywords contain TEXT (or match it as a\n"
     "regular expression), searching the category and its subcategories, the category only, or all,\n"
     "and lists them. Regular expressions take the ECMAScript syntax without backreferences and\n"
     "lookaround.\n"
     "\n"
     "  pictavo-cli find icons.pctv \"^arrow\" --regex --scope all"},
    {"mkcat", "mkcat LIB PATH                     add a category (prints its id)", MkCat,
     "Adds a category as the last child of the category its path's parent names: a user category\n"
     "or \"My Icons\". The title must not be empty and no sibling may have it already.\n"
     "\n"
     "  pictavo-cli mkcat icons.pctv \"My Icons/Toolbar\""},
    {"rename", "rename LIB PATH NEW-TITLE          rename a category", Rename,
     "Gives a user category a new title (\"My Icons\" and \"Find Results\" keep theirs); the title\n"
     "must not be empty and no sibling may have it already. --json reports its \"id\", the path it had\n"
     "(\"from\") and the path it has (\"path\").\n"
     "\n"
     "  pictavo-cli rename icons.pctv \"My Icons/Toolbar\" Tools"},
    {"rmcat", "rmcat LIB PATH                     delete a category with its subcategories", RmCat,
     "Deletes a user category with its subcategories; the icons stay in the library. --json reports its\n"
     "\"id\" and \"path\", and how many categories went (\"categories\").\n"
     "\n"
     "  pictavo-cli rmcat icons.pctv \"My Icons/Tools\""},
    {"rm",
     "rm LIB [--category PATH] --rows|--ids LIST [--delete]  remove icons from a category or delete them", Rm,
     "Removes icons from a category; with --delete they leave the library and every category. Icons\n"
     "leave \"My Icons\" only with --delete.\n" CLI_CATEGORY_HELP CLI_ROWS_HELP "\n"
     "  pictavo-cli rm icons.pctv --category \"My Icons/Tools\" --rows 0,2"},
    {"set-name", "set-name LIB [--category PATH] --rows|--ids LIST NAME  name icons", SetName,
     "Gives every chosen icon the name.\n" CLI_ROWS_HELP "\n"
     "  pictavo-cli set-name icons.pctv --ids 7 \"Open folder\""},
    {"set-keywords", "set-keywords LIB [--category PATH] --rows|--ids LIST TEXT  set keywords", SetKeywords,
     "Gives every chosen icon the keywords.\n" CLI_ROWS_HELP "\n"
     "  pictavo-cli set-keywords icons.pctv --rows 0,1 \"folder open\""},
};

}  // namespace

std::span<const CLI_VERB> CliLibraryVerbs() {
    return kVerbs;
}

CLI_INFO_KIND CliLibraryInfo() {
    return {MatchLib, ShowLib};
}
