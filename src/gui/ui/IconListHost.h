// What the two list boxes of a library window's icon view need from it: the library, the caret, the icon
// whose formats are listed, showing the rows after a change, importing dropped files, and the context menu.
// The icon view implements it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

class CDocZIL;
class CIcon;
class CZsDnD;
class QListView;
class QPoint;

class CIconListHost {
public:
    virtual ~CIconListHost() = default;
    virtual CDocZIL* Doc() const = 0;
    virtual int GetCaretRow() const = 0;
    virtual int32_t GetCaretIconId() const = 0;
    // The icon of the caret row as the format list shows it.
    virtual const CIcon& WorkingIcon() const = 0;
    // Whether the transfer was made by another pane of the same library window (the tree, the other list).
    virtual bool IsSiblingSource(const CZsDnD* pSource) const = 0;
    // Shows the category's rows as the store now lists them, the given rows selected, nCaret the caret row.
    virtual void ShowRows(const std::vector<int>& selected, int nCaret) = 0;
    // Imports the files into the category at row nPosition (-1: append); returns the icons imported.
    virtual int ImportFileList(const std::vector<std::filesystem::path>& files, int nPosition, int nTileWidth,
                               int nTileHeight) = 0;
    // The context menu of the list at the point (global coordinates).
    virtual void ShowContextMenu(QListView* pList, const QPoint& ptGlobal) = 0;
};
