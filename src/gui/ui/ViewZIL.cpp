#include "gui/ui/ViewZIL.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <cmath>

#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgEditWait.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/LibHost.h"
#include "gui/ui/ListBoxes.h"
#include "gui/ui/ListModels.h"
#include "gui/ui/PropPageIconInfo.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"
#include "library/ZsLibEdit.h"

namespace {

constexpr int kInfoBand = 32;
// The space kept free on each side of the name and the format count, so that the texts of cells side by side
// never run together.
constexpr int kTextMargin = 1;
constexpr size_t kTipFormatsPerLine = 4;
constexpr int kImageColumn = 128;
constexpr int kImageRowHeight = 80;
// The view's small font: it fits "(3 formats)" under a 32-pixel icon.
constexpr qreal kViewFontPoints = 8;

// The commands of the lists' context menus, 0 for a separator.
const int kIconMenu[] = {ID_ICON_IMPORT,
                         ID_ICON_IMP_DIR,
                         ID_ICON_IMP_GRID,
                         0,
                         ID_ICON_EXPORT,
                         ID_ICON_EXP_GRID,
                         0,
                         ID_ICON_MERGE,
                         ID_ICON_DEL_FMTS,
                         0,
                         ID_ICON_EDIT_ASS,
                         ID_ICON_PROPERTIES,
                         0,
                         ID_EDIT_CUT,
                         ID_EDIT_COPY,
                         ID_EDIT_PASTE,
                         ID_EDIT_CLEAR,
                         0,
                         ID_EDIT_SELECT_ALL,
                         ID_EDIT_INVERT_SEL};
const int kImageMenu[] = {ID_IMG_NEW,    ID_IMG_EXPORT, 0, ID_EDIT_CUT,        ID_EDIT_COPY,
                          ID_EDIT_PASTE, ID_EDIT_CLEAR, 0, ID_EDIT_SELECT_ALL, ID_EDIT_INVERT_SEL};

void RoundRect(QPainter& painter, const QRect& rc, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rc), 2.5, 2.5);
    painter.fillPath(path, color);
}

// The contrast of two colours as the ratio of their relative luminances (1 to 21), as accessibility
// guidelines measure it.
double Contrast(const QColor& c1, const QColor& c2) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double l1 = luminance(c1);
    const double l2 = luminance(c2);
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

// A colour that may be translucent as it shows over an opaque background.
QColor Over(const QColor& cFore, const QColor& cBack) {
    const double a = cFore.alphaF();
    auto mix = [a](double f, double b) { return f * a + b * (1 - a); };
    return QColor::fromRgbF(static_cast<float>(mix(cFore.redF(), cBack.redF())),
                            static_cast<float>(mix(cFore.greenF(), cBack.greenF())),
                            static_cast<float>(mix(cFore.blueF(), cBack.blueF())));
}

// The text colour the palette gives for a background (as it shows there when translucent), unless a theme
// pairs the two so badly that it cannot be read: then black or white, whichever stands out more.
QColor Readable(const QColor& cText, const QColor& cBack) {
    constexpr double kMinContrast = 3;
    const QColor cShown = Over(cText, cBack);
    if (Contrast(cShown, cBack) >= kMinContrast) {
        return cShown;
    }
    return Contrast(Qt::black, cBack) >= Contrast(Qt::white, cBack) ? QColor(Qt::black) : QColor(Qt::white);
}

// The colours of a marked row (selected, or the caret of the focused list), all from the desktop's palette:
// its highlight pair, of the inactive group while the list has no focus, so that light and dark themes both
// read well.
struct CMarkColors {
    // Behind the picture: a light tint of the highlight colour, so that dark outlines, shadows and
    // transparent pixels of the picture stay visible on it.
    QColor cTint;
    // The band of the label, and the label on it.
    QColor cBand;
    QColor cText;
};

QPalette::ColorGroup RowGroup(const QStyleOptionViewItem& option, const QWidget* pList) {
    if (!(option.state & QStyle::State_Enabled)) {
        return QPalette::Disabled;
    }
    return pList->hasFocus() ? QPalette::Active : QPalette::Inactive;
}

CMarkColors MarkColors(const QPalette& pal, QPalette::ColorGroup group) {
    const QColor cBase = pal.color(group, QPalette::Base);
    const QColor cHigh = pal.color(group, QPalette::Highlight);
    auto mix = [](int nBase, int nHigh) { return (nBase * 3 + nHigh) / 4; };
    CMarkColors colors;
    colors.cTint = QColor(mix(cBase.red(), cHigh.red()), mix(cBase.green(), cHigh.green()),
                          mix(cBase.blue(), cHigh.blue()));
    colors.cBand = cHigh;
    colors.cText = Readable(pal.color(group, QPalette::HighlightedText), cHigh);
    return colors;
}

// A rounded band whose top 5 pixels are square, so it joins the rounded rectangle above it.
void Band(QPainter& painter, const QRect& rc, const QColor& color) {
    RoundRect(painter, rc, color);
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width(), std::min(5, rc.height())), color);
}

bool IsSharedCommand(int nId) {
    return nId == ID_EDIT_CUT || nId == ID_EDIT_COPY || nId == ID_EDIT_PASTE || nId == ID_EDIT_CLEAR;
}

// The rows of a selection as spans of first and last row, in ascending order, overlapping spans joined.
std::vector<std::pair<int, int>> SelectedSpans(const QItemSelectionModel* pSelection) {
    const QItemSelection selection = pSelection->selection();
    std::vector<std::pair<int, int>> spans;
    spans.reserve(static_cast<size_t>(selection.size()));
    for (const QItemSelectionRange& range : selection) {
        if (range.isValid()) {
            spans.emplace_back(range.top(), range.bottom());
        }
    }
    std::sort(spans.begin(), spans.end());
    size_t nOut = 0;
    for (const auto& span : spans) {
        if (nOut > 0 && span.first <= spans[nOut - 1].second + 1) {
            spans[nOut - 1].second = std::max(spans[nOut - 1].second, span.second);
        } else {
            spans[nOut++] = span;
        }
    }
    spans.resize(nOut);
    return spans;
}

int SelectedCount(const QItemSelectionModel* pSelection) {
    int nCount = 0;
    for (const auto& [nFirst, nLast] : SelectedSpans(pSelection)) {
        nCount += nLast - nFirst + 1;
    }
    return nCount;
}

std::vector<int> SelectedRows(const QItemSelectionModel* pSelection) {
    std::vector<int> rows;
    for (const auto& [nFirst, nLast] : SelectedSpans(pSelection)) {
        for (int nRow = nFirst; nRow <= nLast; ++nRow) {
            rows.push_back(nRow);
        }
    }
    return rows;
}

// Invert Selection: every row flips; the first selected row becomes the caret row.
void InvertSelection(QListView* pList) {
    QAbstractItemModel* pModel = pList->model();
    const int nCount = pModel->rowCount();
    if (nCount == 0) {
        return;
    }
    QItemSelectionModel* pSelection = pList->selectionModel();
    pSelection->select(QItemSelection(pModel->index(0, 0), pModel->index(nCount - 1, 0)),
                       QItemSelectionModel::Toggle);
    const std::vector<std::pair<int, int>> spans = SelectedSpans(pSelection);
    if (!spans.empty()) {
        pSelection->setCurrentIndex(pModel->index(spans.front().first, 0), QItemSelectionModel::NoUpdate);
    }
    if (pList->currentIndex().isValid()) {
        pList->scrollTo(pList->currentIndex());
    }
}

// Draws a list's picture centred on the point at the size in units its pixel ratio gives it; smoothed when
// its pixels do not fall one to one on the device's.
void DrawPicture(QPainter& painter, const QPoint& ptCenter, const QImage& picture) {
    QRect rcImage(QPoint(0, 0), picture.deviceIndependentSize().toSize());
    rcImage.moveCenter(ptCenter);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          picture.devicePixelRatio() != painter.device()->devicePixelRatio());
    painter.drawImage(rcImage, picture);
    painter.restore();
}

// The format count line of a cell: the longest of its forms that fits the width, so that the count itself is
// never cut.
QString FormatCountText(int nFormats, const QFontMetrics& metrics, int nWidth) {
    const QString sCount = QString::number(nFormats);
    const bool bOne = nFormats == 1;
    for (const QString& sForm :
         {bOne ? CViewZIL::tr("(%1 format)") : CViewZIL::tr("(%1 formats)"),
          bOne ? CViewZIL::tr("(%1 fmt)") : CViewZIL::tr("(%1 fmts)"), QStringLiteral("(%1)")}) {
        const QString sText = sForm.arg(sCount);
        if (metrics.horizontalAdvance(sText) <= nWidth) {
            return sText;
        }
    }
    return sCount;
}

// Paints a row of the icon list from what its model serves.
class CIconDelegate : public QStyledItemDelegate {
public:
    explicit CIconDelegate(CViewZIL* pView) : QStyledItemDelegate(pView), mpView(pView) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {mpView->ColumnWidth(), mpView->ItemHeight()};
    }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect rc = option.rect;
        const QPalette& pal = option.palette;
        const QWidget* pList = mpView->IconList();
        const QPalette::ColorGroup group = RowGroup(option, pList);
        const bool bSelected = option.state & QStyle::State_Selected;
        const bool bFocus = (option.state & QStyle::State_HasFocus) && pList->hasFocus();
        const bool bMarked = bSelected || bFocus;
        const bool bInfo = mpView->IsInfoShown();
        const CMarkColors mark = MarkColors(pal, group);
        const QColor cBase = pal.color(group, QPalette::Base);
        QPainter& painter = *pPainter;
        painter.save();
        // Nothing of a cell reaches into its neighbours, whatever the font.
        painter.setClipRect(rc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rc, cBase);
        if (bMarked) {
            RoundRect(painter, rc, mark.cTint);
            if (bInfo) {
                Band(painter, QRect(rc.left(), rc.bottom() + 1 - kInfoBand, rc.width(), kInfoBand),
                     mark.cBand);
            }
            if (bFocus) {
                painter.setPen(QPen(Readable(pal.color(group, QPalette::Text), mark.cTint), 1, Qt::DotLine));
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.drawRect(
                    QRect(QPoint(rc.left() + 1, rc.top() + 1), QPoint(rc.right() - 2, rc.bottom() - 2)));
                painter.setRenderHint(QPainter::Antialiasing);
            }
        }

        mpView->IconModel()->SetDevicePixelRatio(painter.device()->devicePixelRatio());
        const QImage picture = index.data(Qt::DecorationRole).value<QImage>();
        const QRect rcPicture = bInfo ? rc.adjusted(0, 0, 0, -kInfoBand) : rc;
        if (!picture.isNull()) {
            DrawPicture(painter, rcPicture.center(), picture);
        } else if (!bInfo) {
            painter.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        }

        if (bInfo) {
            const QColor cBand = bMarked ? mark.cBand : cBase;
            const QColor cText = bMarked ? mark.cText : Readable(pal.color(group, QPalette::Text), cBase);
            const QString sName = index.data(Qt::DisplayRole).toString();
            const bool bUntitled = sName.isEmpty();
            // "(Untitled)" is dimmed: the placeholder colour, or the band's text colour part of the way to
            // the band.
            QColor cUntitled = bMarked ? cText : pal.color(group, QPalette::PlaceholderText);
            if (bMarked) {
                cUntitled.setAlphaF(0.7f);
            }
            cUntitled = Readable(cUntitled, cBand);
            const QRect rcName(rc.left(), rc.bottom() + 1 - kInfoBand, rc.width(), 16);
            const QRect rcCount(rc.left(), rc.bottom() + 1 - 16, rc.width(), 16);
            const int nTextWidth = rc.width() - 2 * kTextMargin;
            painter.setFont(option.font);
            painter.setPen(bUntitled ? cUntitled : cText);
            painter.drawText(rcName, Qt::AlignCenter | Qt::TextSingleLine,
                             option.fontMetrics.elidedText(bUntitled ? CViewZIL::tr("(Untitled)") : sName,
                                                           Qt::ElideRight, nTextWidth));
            painter.setPen(cText);
            painter.drawText(
                rcCount, Qt::AlignCenter | Qt::TextSingleLine,
                FormatCountText(index.data(ZS_FORMAT_COUNT_ROLE).toInt(), option.fontMetrics, nTextWidth));
        }
        painter.restore();
    }

    // The cell's tooltip: the full name, the keywords and the formats, which the cell may show cut.
    bool helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (pEvent->type() != QEvent::ToolTip || !index.isValid()) {
            return QStyledItemDelegate::helpEvent(pEvent, pView, option, index);
        }
        const QString sTip = mpView->IconToolTip(index.row());
        if (sTip.isEmpty()) {
            QToolTip::hideText();
            return false;
        }
        QToolTip::showText(pEvent->globalPos(), sTip, pView->viewport(), pView->visualRect(index));
        return true;
    }

private:
    CViewZIL* mpView;
};

// Paints a row of the image-format list from what its model serves.
class CImageDelegate : public QStyledItemDelegate {
public:
    explicit CImageDelegate(CViewZIL* pView) : QStyledItemDelegate(pView), mpView(pView) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kImageColumn, kImageRowHeight};
    }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect rc = option.rect;
        const QPalette& pal = option.palette;
        const QWidget* pList = mpView->ImageList();
        const QPalette::ColorGroup group = RowGroup(option, pList);
        const bool bSelected = option.state & QStyle::State_Selected;
        const bool bFocus = (option.state & QStyle::State_HasFocus) && pList->hasFocus();
        const bool bMarked = bSelected || bFocus;
        const CMarkColors mark = MarkColors(pal, group);
        const QColor cBase = pal.color(group, QPalette::Base);
        QPainter& painter = *pPainter;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rc, cBase);
        painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), pal.color(group, QPalette::Mid));

        const QRect rcInner = rc.adjusted(2, 2, -2, -2);
        const QRect rcBand(rcInner.left(), rcInner.bottom() + 1 - 16, rcInner.width(), 16);
        if (bMarked) {
            RoundRect(painter, rcInner, mark.cTint);
            Band(painter, rcBand, mark.cBand);
        }
        mpView->ImageModel()->SetDevicePixelRatio(painter.device()->devicePixelRatio());
        const QImage picture = index.data(Qt::DecorationRole).value<QImage>();
        if (!picture.isNull()) {
            DrawPicture(painter, rcInner.adjusted(0, 0, 0, -24).center(), picture);
        }
        painter.setFont(option.font);
        painter.setPen(bMarked ? mark.cText : Readable(pal.color(group, QPalette::Text), cBase));
        painter.drawText(rcBand, Qt::AlignCenter | Qt::TextSingleLine,
                         index.data(Qt::DisplayRole).toString());
        painter.restore();
    }

private:
    CViewZIL* mpView;
};

}  // namespace

CViewZIL::CViewZIL(QWidget* pParent)
    : QWidget(pParent),
      mnSizeCmd(ZS_ICON_VIEW_FORMAT.nDefault),
      mbInfo(ZS_ICON_VIEW_INFO.bDefault),
      mbRows(ZS_ICON_VIEW_ROWS.bDefault) {
    mpIconModel = new CIconListModel(this);
    mpImageModel = new CImageListModel(this);

    mpIconBox = new CListBoxIcons(this, this);
    mpIcons = mpIconBox;
    mpIcons->setObjectName(QStringLiteral("IconList"));
    mpIcons->setModel(mpIconModel);
    mpIcons->setItemDelegate(new CIconDelegate(this));
    mpIcons->setViewMode(QListView::ListMode);
    mpIcons->setWrapping(true);
    mpIcons->setResizeMode(QListView::Adjust);
    mpIcons->setUniformItemSizes(true);
    mpIcons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpIcons->setSpacing(0);

    mpImageBox = new CListBoxImgs(this, this);
    // Images are dragged and copied out; nothing is dropped on them.
    mpImageBox->EnableDnD(false, true, false);
    mpImages = mpImageBox;
    mpImages->setObjectName(QStringLiteral("ImageList"));
    mpImages->setModel(mpImageModel);
    mpImages->setItemDelegate(new CImageDelegate(this));
    mpImages->setUniformItemSizes(true);
    mpImages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(ZsGeneralFont(kViewFontPoints));

    mpIcons->viewport()->installEventFilter(this);
    connect(mpIcons->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { LoadImages(); });
    connect(mpImages->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdatePreview(); });
    ApplyMetrics();
}

CDocZIL* CViewZIL::Doc() const {
    return static_cast<CDocZIL*>(GetDocument());
}

// A cell holds its picture with a 4-pixel margin all round and, with info shown, the band of two text lines
// below it, at every display size.
int CViewZIL::ItemHeight() const {
    return ZsDisplaySizeOf(mnSizeCmd) + 8 + (mbInfo ? kInfoBand : 0);
}

int CViewZIL::ColumnWidth() const {
    const int s = ZsDisplaySizeOf(mnSizeCmd) + 8;
    return (mbInfo && s <= 64) ? 64 : s;
}

void CViewZIL::SetDisplaySize(int nCmdId) {
    if (ZsDisplaySizeOf(nCmdId) == 0) {
        nCmdId = ZS_ICON_VIEW_FORMAT.nDefault;
    }
    mnSizeCmd = nCmdId;
    ZS_ICON_VIEW_FORMAT.Set(mnSizeCmd);
    ApplyMetrics();
}

void CViewZIL::SetInfoShown(bool bShown) {
    mbInfo = bShown;
    ZS_ICON_VIEW_INFO.Set(mbInfo);
    ApplyMetrics();
}

void CViewZIL::SetRowsShown(bool bRows) {
    mbRows = bRows;
    ZS_ICON_VIEW_ROWS.Set(mbRows);
    ApplyMetrics();
}

void CViewZIL::ApplyMetrics() {
    mpIconModel->SetDisplaySize(ZsDisplaySizeOf(mnSizeCmd));
    // Columns flow down and scroll sideways; rows wrap at the list's width and scroll down.
    mpIcons->setFlow(mbRows ? QListView::LeftToRight : QListView::TopToBottom);
    mpIcons->setGridSize(QSize(ColumnWidth(), ItemHeight()));
    mpIcons->doItemsLayout();
    // The cells moved: the caret row stays in view.
    if (mpIcons->currentIndex().isValid()) {
        mpIcons->scrollTo(mpIcons->currentIndex());
    }
    mpIcons->viewport()->update();
}

void CViewZIL::OnUpdate(CZsView*, int nHint) {
    CDocZIL* pDoc = Doc();
    if (!pDoc) {
        return;
    }
    if (!mbSettingsRead) {
        mbSettingsRead = true;
        mpIconModel->SetLibrary(pDoc);
        const int nCmd = ZS_ICON_VIEW_FORMAT.Get();
        mnSizeCmd = ZsDisplaySizeOf(nCmd) ? nCmd : ZS_ICON_VIEW_FORMAT.nDefault;
        mbInfo = ZS_ICON_VIEW_INFO.Get();
        mbRows = ZS_ICON_VIEW_ROWS.Get();
        ApplyMetrics();
    }
    if (nHint <= 0) {
        // Showing the rows again trusts nothing cached: icons may have changed anywhere (a batch ran).
        const ZIL_LIST_TRANSFERS transfers = ZsListTransfers(*pDoc, pDoc->mnCurNode);
        mpIconBox->EnableDnD(true, transfers.bLetsGo, transfers.bTakes);
        ReloadRows(0);
        return;
    }
    mpIconModel->Refresh(nHint);
    if (GetCaretIconId() == nHint) {
        LoadImages(GetImageCaretRow());
    }
}

void CViewZIL::ReloadRows(int nCaret) {
    CDocZIL* pDoc = Doc();
    ZIL_LIST ids;
    if (pDoc && pDoc->mnCurNode != 0) {
        pDoc->NodeToList(pDoc->mnCurNode, ids);
    }
    mpIconModel->SetIds(std::move(ids));
    // Moving the caret loads the image list; a list without a caret needs it done here.
    SetCaretRow(nCaret);
    if (GetCaretRow() < 0) {
        LoadImages();
    }
}

int CViewZIL::GetIconCount() const {
    return mpIconModel->rowCount();
}

int CViewZIL::GetSelectedCount() const {
    return SelectedCount(mpIcons->selectionModel());
}

std::vector<int> CViewZIL::GetSelectedRows() const {
    return SelectedRows(mpIcons->selectionModel());
}

int CViewZIL::GetCaretRow() const {
    const QModelIndex current = mpIcons->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CViewZIL::SetCaretRow(int nRow) {
    const QModelIndex index = mpIconModel->index(nRow);
    if (index.isValid()) {
        mpIcons->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        mpIcons->scrollTo(index);
    } else {
        mpIcons->selectionModel()->clear();
    }
}

int32_t CViewZIL::GetCaretIconId() const {
    return mpIconModel->IdAt(GetCaretRow());
}

int CViewZIL::GetImageRowCount() const {
    return mpImageModel->rowCount();
}

int CViewZIL::GetImageCaretRow() const {
    const QModelIndex current = mpImages->currentIndex();
    return current.isValid() ? current.row() : -1;
}

std::vector<int> CViewZIL::GetSelectedImageRows() const {
    return SelectedRows(mpImages->selectionModel());
}

bool CViewZIL::IsImageListFocused() const {
    return mpImages->hasFocus();
}

// The panes of a library window share the splitter that is the view's parent.
bool CViewZIL::IsOtherPaneFocused() const {
    const QWidget* pFocus = QApplication::focusWidget();
    return pFocus && !HasFocusWithin() && parentWidget() && parentWidget()->isAncestorOf(pFocus);
}

bool CViewZIL::HasFocusWithin() const {
    const QWidget* pFocus = QApplication::focusWidget();
    return pFocus && (pFocus == this || isAncestorOf(pFocus));
}

bool CViewZIL::IsIconListSource(const CZsDnD* pSource) const {
    return pSource && pSource == mpIconBox;
}

bool CViewZIL::IsSiblingSource(const CZsDnD* pSource) const {
    return pSource && parentWidget() && parentWidget()->isAncestorOf(pSource->DnDWindow());
}

void CViewZIL::LoadImages(int nImageRow) {
    mpImages->setUpdatesEnabled(false);
    mpImageModel->SetIcon(nullptr);
    mWorkingIcon = CIcon();
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    if (pDoc && nId != 0) {
        CIcon icon;
        if (pDoc->GetIcon(nId, icon)) {
            mWorkingIcon = std::move(icon);
        }
        mpImageModel->SetIcon(&mWorkingIcon);
        const int nRow = ZsClampRow(nImageRow, static_cast<size_t>(mWorkingIcon.GetImageCount()));
        if (nRow >= 0) {
            mpImages->selectionModel()->setCurrentIndex(mpImageModel->index(nRow),
                                                        QItemSelectionModel::ClearAndSelect);
        }
    }
    mpImages->setUpdatesEnabled(true);
    UpdatePreview();
}

void CViewZIL::UpdatePreview() {
    CDocZIL* pDoc = Doc();
    // The preview belongs to the active library window; the others publish theirs when they are activated.
    if (!pDoc || !pDoc->Host() || pDoc->Host()->ActiveDocument() != pDoc) {
        return;
    }
    const QModelIndex current = mpImages->currentIndex();
    if (GetIconCount() == 0 || !current.isValid() || current.row() >= mWorkingIcon.GetImageCount()) {
        pDoc->Host()->SetPreview(CZsBitmap());
        return;
    }
    pDoc->Host()->SetPreview(ZI_DecodeImage(mWorkingIcon.GetImage(current.row()).data));
}

void CViewZIL::IconChanged(int32_t nId, int nImageRow) {
    CDocZIL* pDoc = Doc();
    pDoc->SetModifiedFlag(true);
    mpIconModel->Refresh(nId);
    if (GetCaretIconId() == nId) {
        LoadImages(nImageRow);
    }
}

QString CViewZIL::IconToolTip(int nRow) const {
    CDocZIL* pDoc = Doc();
    const int32_t nId = mpIconModel->IdAt(nRow);
    if (!pDoc || nId == 0) {
        return {};
    }
    const ZsBytes iconData = pDoc->GetIconData(nId);
    // The name and the formats keep their lines (four formats to a line); long keywords wrap. Names are
    // plain text: markup in them is shown, not interpreted.
    auto lines = [](const QStringList& texts) {
        return QStringLiteral("<p style='white-space:pre'>%1</p>")
            .arg(texts.join(QLatin1Char('\n')).toHtmlEscaped());
    };
    QString sTip = lines({ZsQ(pDoc->GetIconName(nId))});
    const std::string sKwds = pDoc->GetIconKeywords(nId);
    if (!sKwds.empty()) {
        sTip += QStringLiteral("<p>%1</p>").arg(tr("Keywords: %1").arg(ZsQ(sKwds)).toHtmlEscaped());
    }
    const std::vector<ZI_ENTRY> entries = ZI_GetEntries(iconData);
    QStringList formatLines = {
        entries.empty() ? tr("No formats")
                        : (entries.size() < 2 ? tr("%1 format:") : tr("%1 formats:")).arg(entries.size())};
    for (size_t i = 0; i < entries.size(); i += kTipFormatsPerLine) {
        QStringList labels;
        for (size_t j = i; j < std::min(entries.size(), i + kTipFormatsPerLine); ++j) {
            labels << ZsQ(ZI_GetFormatName(entries[j].Format()));
        }
        formatLines << labels.join(QStringLiteral(", "));
    }
    return sTip + lines(formatLines);
}

void CViewZIL::resizeEvent(QResizeEvent*) {
    const int cx = width();
    const int cy = height();
    mpIcons->setGeometry(1, 1, std::max(0, cx - kImageColumn - 3), std::max(0, cy - 1));
    mpImages->setGeometry(cx - kImageColumn, 1, kImageColumn, std::max(0, cy - 1));
}

bool CViewZIL::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A double-click on an icon shows its properties; on the empty area after the last icon it imports.
    if (pEvent->type() == QEvent::MouseButtonDblClick && pWatched == mpIcons->viewport() && mpRouter) {
        auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton) {
            const bool bOnRow = mpIcons->indexAt(pMouse->position().toPoint()).isValid();
            mpRouter->UpdateAll();
            if (QAction* pAction = mpRouter->Find(bOnRow ? ID_ICON_PROPERTIES : ID_ICON_IMPORT)) {
                pAction->trigger();
            }
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CViewZIL::ShowContextMenu(QListView* pList, const QPoint& ptGlobal) {
    if (!mpRouter) {
        return;
    }
    QMenu menu(this);
    const bool bImages = pList == mpImages;
    const int* pFirst = bImages ? std::begin(kImageMenu) : std::begin(kIconMenu);
    const int* pLast = bImages ? std::end(kImageMenu) : std::end(kIconMenu);
    for (const int* p = pFirst; p != pLast; ++p) {
        if (*p == 0) {
            menu.addSeparator();
        } else if (QAction* pAction = mpRouter->Find(*p)) {
            menu.addAction(pAction);
        }
    }
    // The commands go to the list the menu belongs to.
    pList->setFocus(Qt::PopupFocusReason);
    mpRouter->UpdateAll();
    menu.exec(ptGlobal);
}

bool CViewZIL::CanPasteImage() const {
    const QMimeData* pData = QApplication::clipboard()->mimeData();
    return pData && pData->hasImage();
}

void CViewZIL::OnIconProperties() {
    CDocZIL* pDoc = Doc();
    const int nRow = GetCaretRow();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || nId == 0) {
        return;
    }
    CDlgIconInfo sheet(*pDoc, nId, this);
    if (sheet.exec() != QDialog::Accepted) {
        return;
    }
    ZIL_ICON_TEXT_OPTIONS options;
    if (sheet.Name() != pDoc->GetIconRec(nId, ZIL_ICON_LOADNAME).name.value_or(std::string())) {
        options.name = sheet.Name();
    }
    if (sheet.Keywords() != pDoc->GetIconKeywords(nId)) {
        options.keywords = sheet.Keywords();
    }
    if (!options.name && !options.keywords) {
        return;
    }
    if (ZsSetIconText(*pDoc, pDoc->mnCurNode, {nRow}, options).nIcons > 0) {
        pDoc->SetModifiedFlag(true);
        mpIconModel->Refresh(nId);
    }
}

void CViewZIL::OnIconEditAss() {
    CDocZIL* pDoc = Doc();
    const int nRow = GetCaretRow();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || nId == 0) {
        return;
    }
    if (CDlgEditWait::EditIcon(*pDoc, nId, this) == ZIL_EDIT_END_REPLACED) {
        SetCaretRow(nRow);
        IconChanged(nId, 0);
    }
}

void CViewZIL::OnIconDelete() {
    CDocZIL* pDoc = Doc();
    if (!pDoc || pDoc->mnCurNode == 0) {
        return;
    }
    const ZIL_EDIT_RESULT r = ZsDeleteIcons(*pDoc, pDoc->mnCurNode, GetSelectedRows(), GetCaretRow());
    if (r.nStatus == ZIL_EDIT_DECLINED) {
        return;
    }
    if (r.nChanged > 0 || r.nDeleted > 0) {
        pDoc->SetModifiedFlag(true);
    }
    ReloadRows(r.nCaret);
}

void CViewZIL::OnImageCopy() {
    const int nRow = GetImageCaretRow();
    if (nRow < 0 || nRow >= mWorkingIcon.GetImageCount()) {
        return;
    }
    QApplication::clipboard()->setImage(ZsToQImage(mWorkingIcon.GetHBITMAP(nRow)));
}

void CViewZIL::OnImageCut() {
    OnImageCopy();
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || nId == 0) {
        return;
    }
    const ZIL_EDIT_RESULT r = ZsDeleteImages(*pDoc, nId, GetSelectedImageRows(), GetImageCaretRow());
    if (r.nChanged > 0) {
        IconChanged(nId, r.nCaret);
    }
}

void CViewZIL::OnImagePaste() {
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    const int nRow = GetImageCaretRow();
    if (!pDoc || nId == 0 || nRow < 0) {
        return;
    }
    const CZsBitmap picture = ZsFromQImage(QApplication::clipboard()->image());
    if (picture.IsNull()) {
        return;
    }
    if (ZsPasteImage(*pDoc, nId, nRow, picture)) {
        IconChanged(nId, nRow);
    }
}

void CViewZIL::OnImageDelete() {
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || nId == 0 ||
        ZsMsgBox(ZS_MB_QUESTION, tr("Are you sure you want to delete the selected images?")) != ZS_IDOK) {
        return;
    }
    const ZIL_EDIT_RESULT r = ZsDeleteImages(*pDoc, nId, GetSelectedImageRows(), GetImageCaretRow());
    if (r.nChanged > 0) {
        IconChanged(nId, r.nCaret);
    }
}

bool CViewZIL::OnCommand(int nId) {
    if (OnBatchCommand(nId)) {
        return true;
    }
    if (ZsDisplaySizeOf(nId)) {
        SetDisplaySize(nId);
        return true;
    }
    const bool bImages = IsImageListFocused();
    // Cut, Copy, Paste and Delete belong to the pane that has the focus.
    if (IsSharedCommand(nId) && IsOtherPaneFocused()) {
        return false;
    }
    switch (nId) {
        case ID_VIEW_ICON_INFO:
            SetInfoShown(!mbInfo);
            return true;
        case ID_VIEW_ICON_ROWS:
            SetRowsShown(!mbRows);
            return true;
        case ID_EDIT_SELECT_ALL:
            (bImages ? mpImages : mpIcons)->selectAll();
            return true;
        case ID_EDIT_INVERT_SEL:
            InvertSelection(bImages ? mpImages : mpIcons);
            return true;
        case ID_ICON_PROPERTIES:
            OnIconProperties();
            return true;
        case ID_ICON_EDIT_ASS:
            OnIconEditAss();
            return true;
        case ID_EDIT_CLEAR:
            bImages ? OnImageDelete() : OnIconDelete();
            return true;
        case ID_EDIT_COPY:
            bImages ? OnImageCopy() : mpIconBox->Copy();
            return true;
        case ID_EDIT_CUT:
            bImages ? OnImageCut() : mpIconBox->Cut();
            return true;
        case ID_EDIT_PASTE:
            bImages ? OnImagePaste() : mpIconBox->Paste();
            return true;
        default:
            return false;
    }
}

bool CViewZIL::OnUpdateCommand(CZsCmdUI& ui) {
    const int nId = ui.Id();
    if (ZsDisplaySizeOf(nId)) {
        ui.SetCheck(nId == mnSizeCmd);
        return true;
    }
    CDocZIL* pDoc = Doc();
    const bool bImages = IsImageListFocused();
    if (IsSharedCommand(nId) && IsOtherPaneFocused()) {
        return false;
    }
    switch (nId) {
        case ID_VIEW_ICON_INFO:
            ui.SetCheck(mbInfo);
            return true;
        case ID_VIEW_ICON_ROWS:
            ui.SetCheck(mbRows);
            return true;
        case ID_ICON_IMPORT:
        case ID_ICON_IMP_DIR:
        case ID_ICON_IMP_GRID:
            ui.Enable(pDoc && ZsCheckImportTarget(*pDoc, pDoc->mnCurNode).Ok());
            return true;
        case ID_ICON_EXPORT:
        case ID_ICON_EXP_GRID:
        case ID_ICON_DEL_FMTS:
        case ID_ICON_EDIT_ASS:
        case ID_ICON_PROPERTIES:
            ui.Enable(GetSelectedCount() > 0);
            return true;
        case ID_ICON_MERGE:
            // Counted by selection ranges: listing every row of a large selection on each update is slow.
            ui.Enable(pDoc && ZsCheckMergeCount(static_cast<size_t>(GetSelectedCount())).Ok());
            return true;
        case ID_IMG_NEW:
        case ID_IMG_EXPORT:
            ui.Enable(!GetSelectedImageRows().empty());
            return true;
        case ID_EDIT_SELECT_ALL: {
            const QListView* pList = bImages ? mpImages : mpIcons;
            ui.Enable(SelectedCount(pList->selectionModel()) < pList->model()->rowCount());
            return true;
        }
        case ID_EDIT_INVERT_SEL:
            ui.Enable((bImages ? mpImages : mpIcons)->model()->rowCount() > 0);
            return true;
        case ID_EDIT_CLEAR:
            ui.Enable(bImages ? !GetSelectedImageRows().empty() : GetSelectedCount() > 0);
            return true;
        case ID_EDIT_COPY:
            ui.Enable(bImages ? !GetSelectedImageRows().empty() : GetSelectedCount() > 0);
            return true;
        case ID_EDIT_CUT:
            ui.Enable(bImages ? !GetSelectedImageRows().empty()
                              : mpIconBox->IsCutAllowed() && GetSelectedCount() > 0);
            return true;
        case ID_EDIT_PASTE:
            ui.Enable(bImages ? !GetSelectedImageRows().empty() && CanPasteImage() : mpIconBox->CanPaste());
            return true;
        default:
            return false;
    }
}
