// What the verbs on extended icon libraries share: opening and saving the library, addressing a category by
// its title path ("My Icons/Sample Category 1", a "/" inside a title written "\/") or id, and icons by list
// row or id.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "library/ZsIconLib.h"
#include "library/ZsLibCmd.h"

// Damage found in the library's file and icons of it that could not be read (how many, with their ids),
// told once on stderr after everything the verb printed.
void CliWarnUnreadable(CZsIconLib& lib);

struct CliLib {
    CZsCategoryTree tree;
    CZsIconLib lib;
    std::filesystem::path path;
    CliLib() { lib.AttachTree(&tree); }
    ~CliLib() { CliWarnUnreadable(lib); }
};

// Opens the library named by the argument; false after a message.
bool OpenLib(CliLib& l, const std::string& arg);
// Saves the library; CLI_OK or CLI_FAILED after a message.
int SaveLib(CliLib& l);

// The titles of a category path.
std::vector<std::string> SplitPath(const std::string& text);
// The item a title path names from the top level; ZS_TI_NONE when there is none.
ZsTreeItem FindPath(const CZsCategoryTree& tree, const std::vector<std::string>& parts);
// The title path of an item.
std::string ItemPath(const CZsCategoryTree& tree, ZsTreeItem item);
// The item a title path names (as text); ZS_TI_NONE when there is none.
ZsTreeItem FindItemPath(const CZsCategoryTree& tree, const std::string& sPath);
// The category named by a title path or an id (default "My Icons"); false after a message (its exit code in
// nCode).
bool ResolveCategory(CliLib& l, const std::optional<std::string>& path, const std::optional<std::string>& id,
                     ZsTreeItem& item, int& nCode);
// "1,5,9" as numbers; nullopt for anything else.
std::optional<std::vector<long long>> ParseNumbers(const std::string& text);
// Rows of a category's list given as rows or as icon ids; false after a message (its exit code in nCode).
bool TakeRows(CliLib& l, int32_t nNode, const std::optional<std::string>& sRows,
              const std::optional<std::string>& sIds, std::vector<int>& rows, int& nCode);
// Positional arguments: exactly nMin..nMax of them, the first the library.
bool TakePositionals(CCliArgs& args, std::vector<std::string>& out, size_t nMin, size_t nMax,
                     const char* pszVerb, int& nCode);

// What every library verb does first: take the category options, check the positional arguments (the
// first is the library) and open the library.
struct Command {
    CliLib l;
    std::vector<std::string> pos;
    ZsTreeItem item = ZS_TI_NONE;
    int nCode = CLI_OK;

    bool Start(CCliArgs& args, size_t nMin, size_t nMax, const char* pszVerb, bool bCategory);
    int32_t Id() const { return l.tree.GetItemData(item); }
    std::string Path() const { return CliShow(l.path); }
    // The category a title path names; ZS_TI_NONE after a message (its exit code in nCode).
    ZsTreeItem FindCategory(const std::string& sPath);
};

// A command of the core refused: its reason, naming the library; CLI_FAILED.
int CliRefused(const Command& c, const ZIL_CHECK& check);

// Said once for every verb that takes a category.
#define CLI_CATEGORY_HELP                                                                                    \
    "Categories are named by their title path from the top level (\"My Icons/Sample Category 1\", a \"/\"\n" \
    "inside a title written \"\\/\") or by --category-id N; the default is \"My Icons\".\n"
#define CLI_ROWS_HELP \
    "Icons are chosen by their 0-based rows in the category's list (--rows 0,3,5) or by id (--ids 7,9).\n"
