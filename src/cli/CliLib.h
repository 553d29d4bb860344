// What the verbs on extended icon libraries share: opening and saving a library, naming categories by their
// title paths, and choosing icons by rows or ids.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "library/ZsIconLib.h"

struct CliLib {
    CZsCategoryTree tree;
    CZsIconLib lib;
    std::filesystem::path path;
    CliLib() { lib.AttachTree(&tree); }
};

// Opens the library; false after a message.
bool OpenLib(CliLib& l, const std::string& arg);
// Saves it; CLI_OK, or CLI_FAILED after a message.
int SaveLib(CliLib& l);

// The title path of an item ("My Icons/Sample Category 1"), a "/" inside a title written "\/".
std::string ItemPath(const CZsCategoryTree& tree, ZsTreeItem item);
// The item a title path names; ZS_TI_NONE when there is none.
ZsTreeItem FindItemPath(const CZsCategoryTree& tree, const std::string& sPath);

// Rows of a category's list given as --rows or --ids; false after a message (its exit code in nCode).
bool TakeRows(CliLib& l, int32_t nNode, const std::optional<std::string>& sRows,
              const std::optional<std::string>& sIds, std::vector<int>& rows, int& nCode);

// What every library verb does first: take the category options, check the positional arguments (the
// first is the library) and open the library.
struct Command {
    CliLib l;
    std::vector<std::string> pos;
    ZsTreeItem item = ZS_TI_NONE;
    int nCode = CLI_OK;

    // With bCategory the category is taken from --category PATH or --category-id N, "My Icons" by default.
    bool Start(CCliArgs& args, size_t nMin, size_t nMax, const char* pszVerb, bool bCategory);
    int32_t Id() const { return l.tree.GetItemData(item); }
    std::string Path() const { return CliShow(l.path); }
};
