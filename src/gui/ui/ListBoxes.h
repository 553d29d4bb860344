// The two lists of a library window's right-hand pane as common list boxes: what they give to drags and to
// the clipboard, and what the icon list takes from drops and pastes.
//
// The icon list gives its selected rows (icon ids) and, made only when the transfer ends outside the
// program's windows, the icons as ".ico" files. It takes its own rows (a drag within the list rearranges or
// copies them, a paste inserts them at the caret), files and folders (imported at the row), and a picture
// (imported as "Temp.png"). Rows of another library window of this program are copied from that library
// itself, names and keywords with them; from anywhere else they come as the files the source offers.
//
// The format list gives its selected images as picture files of the type the options name.
#pragma once

#include <vector>

#include "gui/common/ZsListBox.h"
#include "library/ZsLibCmd.h"

class CDocZIL;
class CIconListHost;

// The rows and icons of an icon list's transfer.
std::vector<ZIL_ROW_ICON> ZsRowIconsOf(const std::vector<ZS_DND_ITEM>& items);

class CListBoxIcons : public CZsListBox {
    Q_OBJECT
public:
    CListBoxIcons(CIconListHost* pHost, QWidget* pParent);

    // Copy and Cut put the selected rows on the clipboard; Cut then removes them from the category, unless
    // they did not get there. Paste takes the clipboard at the caret row.
    void Copy();
    void Cut();
    void Paste();
    // Whether Paste would take what the clipboard holds.
    bool CanPaste() const;
    // The operations a drop of the data would carry out (ZS_OP_NONE: not taken), for the mouse buttons and
    // keys of the drag.
    int AcceptOps(const QMimeData* pData, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) const;
    // Takes the data at row nRow (-1: after the last row) with the operation nOp; with bAsk a menu at the
    // cursor asks first. Returns the operation carried out.
    int Take(const QMimeData* pData, int nRow, int nOp, int nOffered, bool bAsk);

    void PutSelectedItems() override;
    void StartDrag(const QPoint& ptPress) override;
    bool RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    bool PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    int OnDragOver(const QMimeData* pData, const QPoint& pt) override;
    int OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint& pt) override;
    void OnContextMenu(const QPoint& ptGlobal) override;

private:
    enum class KIND { NONE, ROWS, ICONS, FILES, PICTURE };
    KIND KindOf(const QMimeData* pData) const;
    // The library whose icon list made the transfer when that is another open library, else null.
    CDocZIL* SourceLibrary(const QMimeData* pData) const;
    // Copy: false when no row is selected or the rows did not reach the clipboard.
    bool CopySelected();
    int TakeRows(const QMimeData* pData, int nRow, int nOp);
    int TakeIcons(const QMimeData* pData, int nRow);
    int TakeFiles(const QMimeData* pData, int nRow);

    CIconListHost* mpHost;
    // Why the last Take took nothing (empty when it took something or there is nothing to say).
    std::string msRefused;
};

class CListBoxImgs : public CZsListBox {
    Q_OBJECT
public:
    CListBoxImgs(CIconListHost* pHost, QWidget* pParent);

    void PutSelectedItems() override;
    // Images are only copied out: the format list keeps them.
    void StartDrag(const QPoint& ptPress) override;
    bool RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    bool PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    void OnContextMenu(const QPoint& ptGlobal) override;

private:
    // The picture files of the dragged images: told (bPlan) or written.
    bool MakeFiles(const CZsDnDData& transfer, bool bPlan, std::vector<std::filesystem::path>& files);

    CIconListHost* mpHost;
};
