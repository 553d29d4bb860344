// What the tree and the document of a library window need from its icon view: the icon list's counts and
// caret for the status bar and after a change made in the tree, where the keyboard focus is, and whether a
// transfer comes from the icon list. The icon view implements it; the library window joins them.
#pragma once

#include <cstdint>

class CZsDnD;

class CIconPane {
public:
    virtual ~CIconPane() = default;
    virtual int GetIconCount() const = 0;
    virtual int GetSelectedCount() const = 0;
    virtual int GetCaretRow() const = 0;
    // Makes the row the caret row, selected alone (-1 or a row outside the list: nothing selected).
    virtual void SetCaretRow(int nRow) = 0;
    // The icon of the caret row, 0 for none, and the number of its image formats.
    virtual int32_t GetCaretIconId() const = 0;
    virtual int GetImageRowCount() const = 0;
    // Whether the keyboard focus is in the pane.
    virtual bool HasFocusWithin() const = 0;
    // Whether the transfer was made by the pane's icon list.
    virtual bool IsIconListSource(const CZsDnD* pSource) const = 0;
};
