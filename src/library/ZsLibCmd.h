// The commands of a library window on its categories and icon lists, one function each: new, rename, delete,
// move and copy a category (also from another open library), put icons into a category (also from another
// open library), arrange rows within a list, remove icons from a category, delete icons from the library,
// and name icons. The menus, drops, pastes and command-line verbs gather the arguments, call these and show
// the result; every rule of these commands is here.
//
// Each command checks its rules first. A refused command changes nothing and says why in its result; the
// matching Check function runs the same test alone, so that a menu or a drag can tell whether the command
// would run. Categories are items of the library's attached tree; icon lists are named by category id and
// rows, 0-based positions in the category's list as it is when the command starts (rows outside the list
// and repeated rows are ignored: ZsCleanRows). Changes go to the store at once and reach the file at the
// next save; the caller marks the document modified when a command did something.
//
// Across two open libraries the other one is never changed: a category or icons dropped from there are
// copied, even when the drop was a move, and its icons become new icons of this library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "library/ZsIconLib.h"

// Why a command did nothing.
enum ZIL_REFUSAL {
    ZIL_REFUSED_NONE = 0,
    ZIL_REFUSED_NO_TREE,         // the library has no category tree attached
    ZIL_REFUSED_NO_CATEGORY,     // the category is not (or no longer) in its tree
    ZIL_REFUSED_INVALID,         // an operation or place the command does not know
    ZIL_REFUSED_FIXED,           // "My Icons" and "Find Results" are not renamed, deleted, moved or copied
    ZIL_REFUSED_NO_PLACE,        // categories go into user categories and "My Icons", beside user categories
    ZIL_REFUSED_INTO_ITSELF,     // a category onto itself or into its own subtree
    ZIL_REFUSED_NO_CHANGE,       // a move that would leave the category where it is
    ZIL_REFUSED_TITLE,           // an empty title, or a unique title that a sibling has
    ZIL_REFUSED_IDS_USED_UP,     // no category or icon ids left for the new categories or icons
    ZIL_REFUSED_TAKES_NO_ICONS,  // the category does not take these icons
    ZIL_REFUSED_SAME_CATEGORY,   // icons put into the category they come from
    ZIL_REFUSED_ONLY_DELETE,     // icons leave "My Icons" only when they are deleted from the library
    ZIL_REFUSED_NO_ROWS,         // no icon chosen
    ZIL_REFUSED_NOT_PAIRS,       // merging takes an even number of icons, at least two
    ZIL_REFUSED_DAMAGED,         // the library's file is damaged where new icons would go
};

// The verdict of a check, and the first part of every command's result.
struct ZIL_CHECK {
    ZIL_REFUSAL nRefusal = ZIL_REFUSED_NONE;
    std::string sRefusal;  // why, one sentence for the user
    bool Ok() const { return nRefusal == ZIL_REFUSED_NONE; }
};

// Operations and places of a drop, as the tree's drop menu numbers them.
enum ZIL_DROP_OP { ZIL_OP_COPY = 1, ZIL_OP_MOVE = 2 };
enum ZIL_DROP_POS { ZIL_POS_CHILD = 1, ZIL_POS_ABOVE = 2, ZIL_POS_BELOW = 4 };

// ---- Categories -------------------------------------------------------------------------------------------

struct ZIL_CATEGORY_RESULT : ZIL_CHECK {
    bool bDeclined = false;  // the question was not answered with OK; nothing changed
    // New: the new item. Rename: the item. Move and copy: the item at its new place (the top of the copy).
    // Delete: the item the selection goes to (the next sibling, else the previous one, else the parent).
    ZsTreeItem item = ZS_TI_NONE;
    int nCategories = 0;          // categories made, renamed, moved, copied or deleted
    int nNewIcons = 0;            // icons added to the library (a copy from another library)
    std::vector<int32_t> failed;  // icons of the other library that could not be copied (their ids there)
};

// What a user category offers to a drag, a cut or a copy: ZIL_OP_COPY | ZIL_OP_MOVE; "My Icons", "Find
// Results" and no item offer nothing (0).
int ZsCategoryEffects(const CZsIconLib& lib, ZsTreeItem item);

// New Category, New Sibling Category Above and Below: a category "Untitled" (or the given title) with a
// fresh id as the last child of a user category or of "My Icons", or just above or below a user category.
struct ZIL_NEW_CATEGORY_OPTIONS {
    int nPosition = ZIL_POS_CHILD;
    std::string sTitle = "Untitled";  // never empty
    // No sibling may have the title either, so that a title path names the category.
    bool bUniqueTitle = false;
};
ZIL_CHECK ZsCheckNewCategory(const CZsIconLib& lib, ZsTreeItem item, int nPosition);
ZIL_CATEGORY_RESULT ZsNewCategory(CZsIconLib& lib, ZsTreeItem item,
                                  const ZIL_NEW_CATEGORY_OPTIONS& options = {});

// Rename: a user category takes the title (any text but an empty one, which would give it its parent's
// title path); "My Icons" and "Find Results" keep theirs. The check tells whether a label edit may start.
struct ZIL_RENAME_CATEGORY_OPTIONS {
    std::string sTitle;
    bool bUniqueTitle = false;  // as for a new category; the category's own title counts as free
};
ZIL_CHECK ZsCheckRenameCategory(const CZsIconLib& lib, ZsTreeItem item);
ZIL_CATEGORY_RESULT ZsRenameCategory(CZsIconLib& lib, ZsTreeItem item,
                                     const ZIL_RENAME_CATEGORY_OPTIONS& options);

// Delete: asks "Are you sure you want to delete the selected category with subcategories and icons?" (OK
// and Cancel), then deletes the user category with its subcategories. Their lists go at the next save; the
// icons stay in the library ("My Icons" still lists them).
struct ZIL_DELETE_CATEGORY_OPTIONS {
    bool bAsk = true;
};
ZIL_CHECK ZsCheckDeleteCategory(const CZsIconLib& lib, ZsTreeItem item);
ZIL_CATEGORY_RESULT ZsDeleteCategory(CZsIconLib& lib, ZsTreeItem item,
                                     const ZIL_DELETE_CATEGORY_OPTIONS& options = {});

// Move and copy (a drop, a paste, Shift+Up and Shift+Down): the user category source with its subtree goes
// to the place given relative to target: its last child, or the sibling just above or below it. Within one
// library a move keeps the ids (and with them the icon lists); a copy gives every copied category a fresh id
// and a copy of its source's list, so both list the same icons. A cut and paste is a move.
// Refused: a source that is not a user category; a target that is not a user category, except "My Icons"
// as a parent; the source onto itself or into its own subtree; a move to where the category already is (the
// last child onto its parent as child, the sibling just above the target above it, just below below it);
// not enough ids left.
// From another library (pSourceLib): always a copy, with fresh ids; every icon the copied categories list
// becomes a new icon of this library (data, name, keywords; one new icon for an icon listed twice), listed
// in "My Icons" too. Icons whose data cannot be read are left out and named in failed.
struct ZIL_DROP_CATEGORY_OPTIONS {
    int nOp = ZIL_OP_MOVE;
    int nPosition = ZIL_POS_CHILD;
    CZsIconLib* pSourceLib = nullptr;  // the library the source belongs to when it is another one
};
ZIL_CHECK ZsCheckDropCategory(const CZsIconLib& lib, ZsTreeItem source, ZsTreeItem target,
                              const ZIL_DROP_CATEGORY_OPTIONS& options);
ZIL_CATEGORY_RESULT ZsDropCategory(CZsIconLib& lib, ZsTreeItem source, ZsTreeItem target,
                                   const ZIL_DROP_CATEGORY_OPTIONS& options);

// ---- Icon lists -------------------------------------------------------------------------------------------

struct ZIL_ICONS_RESULT : ZIL_CHECK {
    int nIcons = 0;     // icons put into the category, rows removed or arranged, icons deleted or named
    int nNewIcons = 0;  // icons added to the library (from another library)
    // Put: the rows of the target's list that hold the chosen icons. Arrange: the dropped rows at their new
    // place (the list selects them).
    std::vector<int> rows;
    int nCaret = -1;              // the caret row of the changed list, clamped to it (-1: empty list)
    std::vector<int32_t> failed;  // icons of the other library that could not be copied (their ids there)
    int nOp = 0;                  // the operation carried out (ZIL_OP_COPY or ZIL_OP_MOVE)
};

// What the icon list of a category lets drags, cuts and pastes do. Each transfer is then still checked by
// the command it runs.
struct ZIL_LIST_TRANSFERS {
    bool bLetsGo = false;  // rows may be cut or moved out: every category but "My Icons"
    bool bTakes = false;   // drops and pastes are offered: every category but "Find Results"
};
ZIL_LIST_TRANSFERS ZsListTransfers(const CZsIconLib& lib, int32_t nNode);

// Whether icons may be imported into the category: user categories and "My Icons".
ZIL_CHECK ZsCheckImportTarget(const CZsIconLib& lib, int32_t nNode);

// Put icons into a category (icons dropped on the tree): the icons of the chosen rows of category nSource,
// in row order, each once, are appended to category nTarget (or inserted from row nAt on) unless it lists
// them already. A move out of a user category or "Find Results" then removes the chosen rows there, as
// Remove does (the icons stay in "My Icons" and every other category); a move out of "My Icons" leaves them.
// Refused: "Find Results" as target; "My Icons" as target (it lists every icon already), and the target as
// its own source.
// From another library (pSourceLib; nSource and the rows belong to it): each chosen icon becomes a new icon
// of this library, put into the target and "My Icons" ("My Icons" may be the target); icons whose data
// cannot be read are named in failed.
struct ZIL_PUT_ICONS_OPTIONS {
    int nOp = ZIL_OP_COPY;
    int nAt = -1;                      // the target row to insert at; -1 appends
    int nCaret = -1;                   // the caret row of the source list, for a move
    CZsIconLib* pSourceLib = nullptr;  // the library of the rows when it is another one
};
ZIL_CHECK ZsCheckPutIcons(const CZsIconLib& lib, int32_t nTarget, int32_t nSource,
                          const ZIL_PUT_ICONS_OPTIONS& options);
ZIL_ICONS_RESULT ZsPutIcons(CZsIconLib& lib, int32_t nTarget, int32_t nSource, std::vector<int> rows,
                            const ZIL_PUT_ICONS_OPTIONS& options = {});
// The rows of a list that hold the icons (each icon's first row), in row order; icons the list does not hold
// are left out. Icons taken by id (a transfer that outlived the rows it was made of) become rows this way.
std::vector<int> ZsRowsOfIcons(const ZIL_LIST& list, const std::vector<int32_t>& ids);

// Arrange rows within one list (a drag inside the icon list, a paste of rows the list gave): the chosen rows
// go to row nAt in their order. A move takes them out first (nAt moves up by one for each row taken out
// above it); a copy leaves them, so the category then lists those icons twice. Only user categories are
// arranged. The dropped rows end up selected; the caret goes to the new place of nCaret when it was one of
// the chosen rows, else to the first dropped row.
struct ZIL_ARRANGE_OPTIONS {
    int nOp = ZIL_OP_MOVE;
    int nCaret = -1;
};
ZIL_CHECK ZsCheckArrangeRows(const CZsIconLib& lib, int32_t nNode);
ZIL_ICONS_RESULT ZsArrangeRows(CZsIconLib& lib, int32_t nNode, std::vector<int> rows, int nAt,
                               const ZIL_ARRANGE_OPTIONS& options = {});

// A row of a transfer made of a list: its row and the icon it held when the transfer was made.
struct ZIL_ROW_ICON {
    int nRow = -1;
    int32_t nId = 0;
};
// The rows of the list that still hold the icons the transfer recorded for them, in the transfer's order;
// rows that hold another icon by now, or are gone, are left out.
std::vector<int> ZsRowsStillHeld(const ZIL_LIST& list, const std::vector<ZIL_ROW_ICON>& items);

// Rows dropped or pasted onto a category's own list (nAt -1: after the last row). When every row still holds
// its icon, the rows are arranged as ZsArrangeRows does. Otherwise the rows were cut from the list or come
// from another category of the library: their icons, found in "My Icons", are put into the category at nAt
// as ZsPutIcons does, always as a copy (nOp tells), and the caret goes to the first row put.
ZIL_ICONS_RESULT ZsDropRows(CZsIconLib& lib, int32_t nNode, const std::vector<ZIL_ROW_ICON>& items, int nAt,
                            const ZIL_ARRANGE_OPTIONS& options = {});

// Remove icons from a category: the chosen rows leave its list; the icons stay in the library and in every
// other category. Refused for "My Icons" (icons leave it only when deleted from the library). The caret goes
// to nCaret, clamped to the shorter list.
struct ZIL_REMOVE_ICONS_OPTIONS {
    int nCaret = -1;
};
ZIL_CHECK ZsCheckRemoveIcons(const CZsIconLib& lib, int32_t nNode);
ZIL_ICONS_RESULT ZsRemoveIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                               const ZIL_REMOVE_ICONS_OPTIONS& options = {});

// Delete icons from the library: the icons of the chosen rows leave every category, "Find Results"
// included, in one pass over the lists; their rows go at the next save. nIcons counts the icons.
ZIL_ICONS_RESULT ZsDeleteIconsFromLibrary(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                                          const ZIL_REMOVE_ICONS_OPTIONS& options = {});

// Name icons (Icon Information's OK, and several icons at once): every icon of the chosen rows takes the
// name and the keywords that are given.
struct ZIL_ICON_TEXT_OPTIONS {
    std::optional<std::string> name;
    std::optional<std::string> keywords;
};
ZIL_ICONS_RESULT ZsSetIconText(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                               const ZIL_ICON_TEXT_OPTIONS& options);
