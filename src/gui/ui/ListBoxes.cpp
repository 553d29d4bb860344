#include "gui/ui/ListBoxes.h"

#include <QMimeData>
#include <string>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/IconListHost.h"
#include "gui/ui/ListModels.h"
#include "library/ZsExport.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"

namespace {

// The icon ids of a list box transfer, in list order.
ZIL_LIST IdsOf(const std::vector<ZS_DND_ITEM>& items) {
    ZIL_LIST ids;
    ids.reserve(items.size());
    for (const ZS_DND_ITEM& item : items) {
        ids.push_back(static_cast<int32_t>(item.nData));
    }
    return ids;
}

// The picture a drag from the row at the point shows.
QPixmap DragPicture(const QListView* pList, const QPoint& pt) {
    const QImage picture = pList->indexAt(pt).data(Qt::DecorationRole).value<QImage>();
    return picture.isNull() ? QPixmap() : QPixmap::fromImage(picture);
}

}  // namespace

std::vector<ZIL_ROW_ICON> ZsRowIconsOf(const std::vector<ZS_DND_ITEM>& items) {
    std::vector<ZIL_ROW_ICON> rows;
    rows.reserve(items.size());
    for (const ZS_DND_ITEM& item : items) {
        rows.push_back({item.nRow, static_cast<int32_t>(item.nData)});
    }
    return rows;
}

// ---- The icon list ----------------------------------------------------------------------------------------

CListBoxIcons::CListBoxIcons(CIconListHost* pHost, QWidget* pParent) : CZsListBox(pParent), mpHost(pHost) {
    SetItemDataRole(ZS_ID_ROLE);
}

void CListBoxIcons::PutSelectedItems() {
    CZsListBox::PutSelectedItems();
    DelayRenderFiles();
}

void CListBoxIcons::StartDrag(const QPoint& ptPress) {
    PutSelectedItems();
    DoDragDrop(ZS_OP_EITHER, DragPicture(this, ptPress));
}

bool CListBoxIcons::RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    CDocZIL* pDoc = mpHost->Doc();
    return pDoc &&
           ZsRenderIconFiles(*pDoc, IdsOf(transfer.Items()), ZsGetTempDir(), transfer.PlannedFiles(), files);
}

bool CListBoxIcons::PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    CDocZIL* pDoc = mpHost->Doc();
    return pDoc && ZsPlanIconFiles(*pDoc, IdsOf(transfer.Items()), ZsGetTempDir(), files);
}

CListBoxIcons::KIND CListBoxIcons::KindOf(const QMimeData* pData) const {
    if (!pData) {
        return KIND::NONE;
    }
    const CZsDnD* pSource = ZsGetDnDSource(pData);
    if (pSource == this) {
        return pData->hasFormat(QString::fromLatin1(ZS_DND_MIME)) ? KIND::ROWS : KIND::NONE;
    }
    // The tree and the format list of this library window give nothing to import here.
    if (mpHost->IsSiblingSource(pSource)) {
        return KIND::NONE;
    }
    if (SourceLibrary(pData)) {
        return KIND::ICONS;
    }
    if (ZsHasFormat(pData, ZS_FILES_MIME)) {
        return KIND::FILES;
    }
    return pData->hasImage() ? KIND::PICTURE : KIND::NONE;
}

CDocZIL* CListBoxIcons::SourceLibrary(const QMimeData* pData) const {
    CZsDnD* pSource = nullptr;
    if (!ZsGetDnDItems(pData, &pSource, nullptr)) {
        return nullptr;
    }
    const auto* pList = dynamic_cast<const CListBoxIcons*>(pSource);
    CDocZIL* pDoc = pList ? pList->mpHost->Doc() : nullptr;
    return pDoc != mpHost->Doc() ? pDoc : nullptr;
}

int CListBoxIcons::AcceptOps(const QMimeData* pData, Qt::MouseButtons buttons,
                             Qt::KeyboardModifiers keys) const {
    const CDocZIL* pDoc = mpHost->Doc();
    if (!pDoc || !IsPasteAllowed()) {
        return ZS_OP_NONE;
    }
    switch (KindOf(pData)) {
        case KIND::ROWS: {
            if (!ZsCheckArrangeRows(*pDoc, pDoc->mnCurNode).Ok()) {
                return ZS_OP_NONE;
            }
            const int nOps = ZsKeyStateOps(buttons, keys);
            return IsCutAllowed() ? nOps : nOps & ZS_OP_COPY;
        }
        case KIND::ICONS:
        case KIND::FILES:
        case KIND::PICTURE:
            return ZsCheckImportTarget(*pDoc, pDoc->mnCurNode).Ok() ? ZS_OP_COPY : ZS_OP_NONE;
        case KIND::NONE:
            break;
    }
    return ZS_OP_NONE;
}

int CListBoxIcons::OnDragOver(const QMimeData* pData, const QPoint& pt) {
    CZsListBox::OnDragOver(pData, pt);
    return AcceptOps(pData, DragButtons(), DragModifiers());
}

int CListBoxIcons::OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint& pt) {
    const int nRow = indexAt(pt).row();
    OnDragLeave();
    const int nOps = AcceptOps(pData, DragButtons(), DragModifiers()) & nOffered;
    if (nOps == ZS_OP_NONE) {
        return ZS_OP_NONE;
    }
    const int nOp = (nDefaultOp & nOps) ? (nDefaultOp & nOps) : nOps;
    return Take(pData, nRow, nOp == ZS_OP_EITHER ? ZS_OP_MOVE : nOp, nOps, DragButtons() & Qt::RightButton);
}

int CListBoxIcons::Take(const QMimeData* pData, int nRow, int nOp, int nOffered, bool bAsk) {
    msRefused.clear();
    const KIND kind = KindOf(pData);
    if (kind == KIND::NONE) {
        return ZS_OP_NONE;
    }
    if (bAsk) {
        // Rows are moved or copied; files and pictures are imported.
        int nPos = ZS_POS_CHILD;
        const bool bRows = kind == KIND::ROWS;
        if (ZsDropMenu(this, nOp, nPos, bRows ? nOffered : ZS_OP_COPY, ZS_POS_CHILD,
                       {true, true, true, true, true, true},
                       bRows ? QString() : tr("Import")) == ZS_OP_NONE) {
            return ZS_OP_NONE;
        }
    }
    switch (kind) {
        case KIND::ROWS:
            return TakeRows(pData, nRow, nOp);
        case KIND::ICONS:
            return TakeIcons(pData, nRow);
        default:
            return TakeFiles(pData, nRow);
    }
}

int CListBoxIcons::TakeRows(const QMimeData* pData, int nRow, int nOp) {
    CDocZIL* pDoc = mpHost->Doc();
    std::vector<ZS_DND_ITEM> items;
    if (!pDoc || !ZsGetDnDItems(pData, nullptr, &items) || items.empty()) {
        return ZS_OP_NONE;
    }
    ZIL_ARRANGE_OPTIONS options;
    options.nOp = nOp == ZS_OP_MOVE ? ZIL_OP_MOVE : ZIL_OP_COPY;
    options.nCaret = mpHost->GetCaretRow();
    const ZIL_ICONS_RESULT r = ZsDropRows(*pDoc, pDoc->mnCurNode, ZsRowIconsOf(items), nRow, options);
    if (!r.Ok() || r.nIcons == 0) {
        msRefused = r.Ok() ? ZsS(tr("The category lists these icons already.")) : r.sRefusal;
        return ZS_OP_NONE;
    }
    pDoc->SetModifiedFlag(true);
    mpHost->ShowRows(r.rows, r.nCaret);
    return r.nOp;
}

int CListBoxIcons::TakeIcons(const QMimeData* pData, int nRow) {
    CDocZIL* pDoc = mpHost->Doc();
    CDocZIL* pSourceDoc = SourceLibrary(pData);
    std::vector<ZS_DND_ITEM> items;
    if (!pDoc || !pSourceDoc || !ZsGetDnDItems(pData, nullptr, &items)) {
        return ZS_OP_NONE;
    }
    // The other window may show another category by now: its icons are found in its "My Icons".
    ZIL_PUT_ICONS_OPTIONS options;
    options.nOp = ZIL_OP_COPY;
    options.nAt = nRow;
    options.pSourceLib = pSourceDoc;
    const ZIL_ICONS_RESULT r =
        ZsPutIcons(*pDoc, pDoc->mnCurNode, ZIL_ID_ALL,
                   ZsRowsOfIcons(pSourceDoc->GetList(ZIL_ID_ALL), IdsOf(items)), options);
    if (!r.Ok()) {
        msRefused = r.sRefusal;
        return ZS_OP_NONE;
    }
    if (!r.failed.empty()) {
        ZsMsgBox(ZS_MB_ERROR, tr("%1 of %2 icons could not be read from '%3' and were left out.")
                                  .arg(QString::number(r.failed.size()), QString::number(items.size()),
                                       pSourceDoc->GetTitle()));
    }
    if (r.nIcons == 0) {
        return ZS_OP_NONE;
    }
    pDoc->SetModifiedFlag(true);
    mpHost->ShowRows(r.rows, r.rows.front());
    return ZS_OP_COPY;
}

int CListBoxIcons::TakeFiles(const QMimeData* pData, int nRow) {
    std::vector<std::filesystem::path> files;
    if (KindOf(pData) == KIND::PICTURE) {
        const std::filesystem::path file =
            ZsWritePastedPicture(ZsFromQImage(qvariant_cast<QImage>(pData->imageData())));
        if (file.empty()) {
            return ZS_OP_NONE;
        }
        files.push_back(file);
    } else {
        std::vector<std::filesystem::path> dirs;
        if (!ZsGetDroppedFiles(pData, &dirs, &files, ZIL_DROP_PATTERNS)) {
            return ZS_OP_NONE;
        }
        files = ZsGatherDroppedFiles(std::move(files), dirs);
        if (files.empty()) {
            // A source whose files could not be made offers an empty list.
            msRefused = ZsS(dirs.empty() ? tr("The files given hold no icons that can be imported.")
                                         : tr("The folders given hold no icons that can be imported."));
            return ZS_OP_NONE;
        }
    }
    // The dropped files stay where they are.
    return mpHost->ImportFileList(files, nRow, 0, 0) > 0 ? ZS_OP_COPY : ZS_OP_NONE;
}

void CListBoxIcons::Copy() {
    CopySelected();
}

bool CListBoxIcons::CopySelected() {
    if (GetSelectedRows().empty()) {
        return false;
    }
    PutSelectedItems();
    return CopyToClipboard();
}

void CListBoxIcons::Cut() {
    CDocZIL* pDoc = mpHost->Doc();
    const std::vector<int> rows = GetSelectedRows();
    // Rows that did not reach the clipboard stay in the category.
    if (!pDoc || rows.empty() || !IsCutAllowed() || !CopySelected()) {
        return;
    }
    ZIL_REMOVE_ICONS_OPTIONS options;
    options.nCaret = mpHost->GetCaretRow();
    const ZIL_ICONS_RESULT r = ZsRemoveIcons(*pDoc, pDoc->mnCurNode, rows, options);
    if (r.Ok() && r.nIcons > 0) {
        pDoc->SetModifiedFlag(true);
        mpHost->ShowRows({r.nCaret}, r.nCaret);
    }
}

bool CListBoxIcons::CanPaste() const {
    return AcceptOps(ZsClipboardData(), Qt::NoButton, Qt::ControlModifier) != ZS_OP_NONE;
}

void CListBoxIcons::Paste() {
    if (CanPaste() &&
        Take(ZsClipboardData(), mpHost->GetCaretRow(), ZS_OP_COPY, ZS_OP_COPY, false) == ZS_OP_NONE &&
        !msRefused.empty()) {
        ZsMsgBox(ZS_MB_ERROR, tr("Nothing was pasted. %1").arg(ZsQ(msRefused)));
    }
}

void CListBoxIcons::OnContextMenu(const QPoint& ptGlobal) {
    mpHost->ShowContextMenu(this, ptGlobal);
}

// ---- The format list --------------------------------------------------------------------------------------

CListBoxImgs::CListBoxImgs(CIconListHost* pHost, QWidget* pParent) : CZsListBox(pParent), mpHost(pHost) {}

void CListBoxImgs::PutSelectedItems() {
    CZsListBox::PutSelectedItems();
    DelayRenderFiles();
}

void CListBoxImgs::StartDrag(const QPoint& ptPress) {
    PutSelectedItems();
    DoDragDrop(ZS_OP_COPY, DragPicture(this, ptPress));
}

bool CListBoxImgs::RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    return MakeFiles(transfer, false, files);
}

bool CListBoxImgs::PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    return MakeFiles(transfer, true, files);
}

bool CListBoxImgs::MakeFiles(const CZsDnDData& transfer, bool bPlan,
                             std::vector<std::filesystem::path>& files) {
    CDocZIL* pDoc = mpHost->Doc();
    const int32_t nId = mpHost->GetCaretIconId();
    if (!pDoc || nId == 0) {
        return false;
    }
    std::vector<int> images;
    for (const ZS_DND_ITEM& item : transfer.Items()) {
        images.push_back(item.nRow);
    }
    const std::string sName = pDoc->GetIconName(nId);
    const int nType = ZS_OPT_DND_IMG_FILE_FMT.Get();
    return bPlan ? ZsPlanImageFiles(mpHost->WorkingIcon(), images, sName, nType, ZsGetTempDir(), files)
                 : ZsRenderImageFiles(mpHost->WorkingIcon(), images, sName, nType, ZsGetTempDir(),
                                      transfer.PlannedFiles(), files);
}

void CListBoxImgs::OnContextMenu(const QPoint& ptGlobal) {
    mpHost->ShowContextMenu(this, ptGlobal);
}
