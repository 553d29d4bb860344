#include "gui/ui/ViewZIL.h"

#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "common/ZsSettings.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/LibHost.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"

namespace {

constexpr int kInfoBand = 32;
// The space kept free on each side of the name and the format count, so that the texts of cells side by side
// never run together.
constexpr int kTextMargin = 1;
constexpr size_t kTipFormatsPerLine = 4;
constexpr int kImageColumn = 128;
constexpr int kImageRowHeight = 80;
constexpr int kIdRole = Qt::UserRole + 1;

void RoundRect(QPainter& painter, const QRect& rc, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rc), 2.5, 2.5);
    painter.fillPath(path, color);
}

// The fill of the focused image row: a light tint of the highlight colour, so that black outlines, shadows
// and transparent pixels of the image stay visible on it.
QColor FocusedRowColor(const QPalette& pal) {
    const QColor cBase = pal.color(QPalette::Base);
    const QColor cHigh = pal.color(QPalette::Highlight);
    auto mix = [](int nBase, int nHigh) { return (nBase * 3 + nHigh) / 4; };
    return QColor(mix(cBase.red(), cHigh.red()), mix(cBase.green(), cHigh.green()),
                  mix(cBase.blue(), cHigh.blue()));
}

// A rounded band whose top 5 pixels are square, so it joins the rounded rectangle above it.
void Band(QPainter& painter, const QRect& rc, const QColor& color) {
    RoundRect(painter, rc, color);
    painter.fillRect(QRect(rc.left(), rc.top(), rc.width(), std::min(5, rc.height())), color);
}

// Paints a row of the icon list.
class CIconDelegate : public QStyledItemDelegate {
public:
    explicit CIconDelegate(CViewZIL* pView) : QStyledItemDelegate(pView), mpView(pView) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {mpView->ColumnWidth(), mpView->ItemHeight()};
    }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        CDocZIL* pDoc = mpView->Doc();
        if (!pDoc) {
            return;
        }
        const int32_t nId = index.data(kIdRole).toInt();
        const QRect rc = option.rect;
        const QPalette& pal = option.palette;
        const bool bSelected = option.state & QStyle::State_Selected;
        const bool bFocus = (option.state & QStyle::State_HasFocus) && mpView->IconList()->hasFocus();
        const bool bInfo = mpView->IsInfoShown();
        QPainter& painter = *pPainter;
        painter.save();
        // Nothing of a cell reaches into its neighbours, whatever the font.
        painter.setClipRect(rc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rc, pal.color(QPalette::Base));
        if (bSelected || bFocus) {
            RoundRect(painter, rc, bFocus ? QColor(0xB0, 0xB0, 0xB0) : QColor(0xE0, 0xE0, 0xE0));
            if (bInfo) {
                Band(painter, QRect(rc.left(), rc.bottom() + 1 - kInfoBand, rc.width(), kInfoBand),
                     bFocus ? QColor(0x90, 0x90, 0x90) : QColor(0xC0, 0xC0, 0xC0));
            }
            if (bFocus) {
                painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
                painter.setRenderHint(QPainter::Antialiasing, false);
                painter.drawRect(
                    QRect(QPoint(rc.left() + 1, rc.top() + 1), QPoint(rc.right() - 2, rc.bottom() - 2)));
                painter.setRenderHint(QPainter::Antialiasing);
            }
        }

        const ZsBytes data = pDoc->GetIconData(nId);
        const int nSize = ZsDisplaySizeOf(mpView->DisplaySizeCmd());
        int w = nSize;
        int h = nSize;
        int nBits = 32;
        const CZsBitmap bitmap = data.empty() ? CZsBitmap() : ZI_GetIconHandle(data, w, h, nBits);
        const QRect rcPicture = bInfo ? rc.adjusted(0, 0, 0, -kInfoBand) : rc;
        if (!bitmap.IsNull()) {
            QRect rcImage(0, 0, w, h);
            rcImage.moveCenter(rcPicture.center());
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(rcImage, ZsToQImage(bitmap));
        } else if (!bInfo) {
            painter.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        }

        if (bInfo) {
            const QColor cOn = pal.color(QPalette::Base);
            const QColor cText = (bSelected || bFocus) ? cOn : pal.color(QPalette::Text);
            const ZIL_ICON& rec = pDoc->GetIconRec(nId, ZIL_ICON_LOADNAME);
            const bool bUntitled = !rec.name || rec.name->empty();
            const QRect rcName(rc.left(), rc.bottom() + 1 - kInfoBand, rc.width(), 16);
            const QRect rcCount(rc.left(), rc.bottom() + 1 - 16, rc.width(), 16);
            const QString sName = bUntitled ? QStringLiteral("(Untitled)") : ZsQ(*rec.name);
            painter.setFont(option.font);
            painter.setPen(bUntitled ? pal.color(QPalette::Dark) : cText);
            painter.drawText(
                rcName, Qt::AlignCenter | Qt::TextSingleLine,
                option.fontMetrics.elidedText(sName, Qt::ElideRight, rcName.width() - 2 * kTextMargin));
            painter.setPen(cText);
            painter.drawText(
                rcCount, Qt::AlignCenter | Qt::TextSingleLine,
                option.fontMetrics.elidedText(QStringLiteral("(%1 formats)").arg(ZI_GetImageCount(data)),
                                              Qt::ElideRight, rcCount.width() - 2 * kTextMargin));
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

// Paints a row of the image-format list.
class CImageDelegate : public QStyledItemDelegate {
public:
    explicit CImageDelegate(CViewZIL* pView) : QStyledItemDelegate(pView), mpView(pView) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kImageColumn, kImageRowHeight};
    }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const CIcon& icon = mpView->WorkingIcon();
        const int nRow = index.row();
        if (nRow < 0 || nRow >= icon.GetImageCount()) {
            return;
        }
        const ZI_IMAGE& image = icon.GetImage(nRow);
        const QRect rc = option.rect;
        const QPalette& pal = option.palette;
        const bool bSelected = option.state & QStyle::State_Selected;
        const bool bFocus = (option.state & QStyle::State_HasFocus) && mpView->ImageList()->hasFocus();
        QPainter& painter = *pPainter;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rc, pal.color(QPalette::Base));
        painter.fillRect(QRect(rc.left(), rc.bottom(), rc.width(), 1), pal.color(QPalette::Mid));

        const QRect rcInner = rc.adjusted(2, 2, -2, -2);
        const QRect rcBand(rcInner.left(), rcInner.bottom() + 1 - 16, rcInner.width(), 16);
        if (bFocus || bSelected) {
            RoundRect(painter, rcInner, bFocus ? FocusedRowColor(pal) : pal.color(QPalette::Button));
            Band(painter, rcBand, bFocus ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
        }

        const ZI_FORMAT format = image.Format();
        const int w = std::min(format.nWidth, 48);
        const int h = std::min(format.nHeight, 48);
        const CZsBitmap bitmap = ZI_CreateHICON(image.data, w, h);
        if (!bitmap.IsNull()) {
            QRect rcImage(0, 0, w, h);
            rcImage.moveCenter(rcInner.adjusted(0, 0, 0, -24).center());
            painter.drawImage(rcImage, ZsToQImage(bitmap));
        }
        painter.setFont(option.font);
        painter.setPen((bFocus || bSelected) ? pal.color(QPalette::Base) : pal.color(QPalette::Text));
        painter.drawText(rcBand, Qt::AlignCenter | Qt::TextSingleLine, ZsQ(ZI_GetFormatName(format)));
        painter.restore();
    }

private:
    CViewZIL* mpView;
};

}  // namespace

void CIconListModel::SetIds(std::vector<int32_t> ids) {
    beginResetModel();
    mIds = std::move(ids);
    endResetModel();
}

int CIconListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mIds.size());
}

QVariant CIconListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount() || nRole != kIdRole) {
        return {};
    }
    return mIds[static_cast<size_t>(index.row())];
}

void CIconListModel::RefreshId(int32_t nId) {
    for (size_t i = 0; i < mIds.size(); ++i) {
        if (mIds[i] == nId) {
            const QModelIndex idx = index(static_cast<int>(i));
            emit dataChanged(idx, idx);
        }
    }
}

void CImageListModel::SetIcon(const CIcon* pIcon) {
    beginResetModel();
    mpIcon = pIcon;
    endResetModel();
}

int CImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !mpIcon ? 0 : mpIcon->GetImageCount();
}

QVariant CImageListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || nRole != kIdRole) {
        return {};
    }
    return index.row();
}

CViewZIL::CViewZIL(QWidget* pParent)
    : QWidget(pParent),
      mnSizeCmd(ZS_ICON_VIEW_FORMAT.nDefault),
      mbInfo(ZS_ICON_VIEW_INFO.bDefault),
      mbRows(ZS_ICON_VIEW_ROWS.bDefault) {
    mpIconModel = new CIconListModel(this);
    mpImageModel = new CImageListModel(this);

    mpIcons = new QListView(this);
    mpIcons->setModel(mpIconModel);
    mpIcons->setItemDelegate(new CIconDelegate(this));
    mpIcons->setViewMode(QListView::ListMode);
    mpIcons->setWrapping(true);
    mpIcons->setResizeMode(QListView::Adjust);
    mpIcons->setUniformItemSizes(true);
    mpIcons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpIcons->setSpacing(0);

    mpImages = new QListView(this);
    mpImages->setModel(mpImageModel);
    mpImages->setItemDelegate(new CImageDelegate(this));
    mpImages->setUniformItemSizes(true);
    mpImages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpImages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Both lists use the view's small font: it fits "(3 formats)" under a 32-pixel icon.
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);

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
    // Columns flow down and scroll sideways; rows wrap at the list's width and scroll down.
    mpIcons->setFlow(mbRows ? QListView::LeftToRight : QListView::TopToBottom);
    mpIcons->setGridSize(QSize(ColumnWidth(), ItemHeight()));
    mpIcons->doItemsLayout();
    mpIcons->viewport()->update();
}

void CViewZIL::OnUpdate(CZsView*, int nHint) {
    CDocZIL* pDoc = Doc();
    if (!pDoc) {
        return;
    }
    if (!mbSettingsRead) {
        mbSettingsRead = true;
        const int nCmd = ZS_ICON_VIEW_FORMAT.Get();
        mnSizeCmd = ZsDisplaySizeOf(nCmd) ? nCmd : ZS_ICON_VIEW_FORMAT.nDefault;
        mbInfo = ZS_ICON_VIEW_INFO.Get();
        mbRows = ZS_ICON_VIEW_ROWS.Get();
        ApplyMetrics();
    }
    if (nHint <= 0) {
        ZIL_LIST ids;
        if (pDoc->mnCurNode != 0) {
            pDoc->NodeToList(pDoc->mnCurNode, ids);
        }
        mpIconModel->SetIds(std::move(ids));
        // Moving the caret to row 0 loads the image list; an empty list needs it done here.
        SetCaretRow(0);
        if (GetIconCount() == 0) {
            LoadImages();
        }
        return;
    }
    mpIconModel->RefreshId(nHint);
    if (GetCaretIconId() == nHint) {
        LoadImages();
    }
}

int CViewZIL::GetIconCount() const {
    return mpIconModel->rowCount();
}

int CViewZIL::GetSelectedCount() const {
    return static_cast<int>(mpIcons->selectionModel()->selectedIndexes().size());
}

int CViewZIL::GetCaretRow() const {
    const QModelIndex current = mpIcons->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CViewZIL::SetCaretRow(int nRow) {
    const QModelIndex index = mpIconModel->index(nRow);
    if (index.isValid()) {
        mpIcons->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        mpIcons->selectionModel()->clear();
    }
}

int32_t CViewZIL::GetCaretIconId() const {
    const int nRow = GetCaretRow();
    return nRow < 0 ? 0 : mpIconModel->Ids()[static_cast<size_t>(nRow)];
}

int CViewZIL::GetImageRowCount() const {
    return mpImageModel->rowCount();
}

void CViewZIL::LoadImages() {
    mpImages->setUpdatesEnabled(false);
    mpImageModel->SetIcon(nullptr);
    mWorkingIcon = CIcon();
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    if (pDoc && nId != 0) {
        CIcon icon;
        if (pDoc->GetIcon(nId, icon)) {
            mWorkingIcon.SetData(icon.GetData());
        }
        mpImageModel->SetIcon(&mWorkingIcon);
        if (mWorkingIcon.GetImageCount() > 0) {
            mpImages->selectionModel()->setCurrentIndex(mpImageModel->index(0),
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

QString CViewZIL::IconToolTip(int nRow) const {
    CDocZIL* pDoc = Doc();
    if (!pDoc || nRow < 0 || nRow >= GetIconCount()) {
        return {};
    }
    const int32_t nId = mpIconModel->Ids()[static_cast<size_t>(nRow)];
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
        sTip += QStringLiteral("<p>Keywords: %1</p>").arg(ZsQ(sKwds).toHtmlEscaped());
    }
    const std::vector<ZI_ENTRY> entries = ZI_GetEntries(iconData);
    QStringList formatLines = {entries.empty()
                                   ? QStringLiteral("No formats")
                                   : QStringLiteral("%1 format%2:")
                                         .arg(entries.size())
                                         .arg(entries.size() < 2 ? QString() : QStringLiteral("s"))};
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

bool CViewZIL::OnCommand(int nId) {
    if (OnBatchCommand(nId)) {
        return true;
    }
    if (ZsDisplaySizeOf(nId)) {
        SetDisplaySize(nId);
        return true;
    }
    switch (nId) {
        case ID_VIEW_ICON_INFO:
            SetInfoShown(!mbInfo);
            return true;
        case ID_VIEW_ICON_ROWS:
            SetRowsShown(!mbRows);
            return true;
        case ID_EDIT_SELECT_ALL:
            mpIcons->selectAll();
            return true;
        case ID_EDIT_INVERT_SEL: {
            QItemSelection all(mpIconModel->index(0), mpIconModel->index(GetIconCount() - 1));
            mpIcons->selectionModel()->select(all, QItemSelectionModel::Toggle);
            const QModelIndexList selected = mpIcons->selectionModel()->selectedIndexes();
            if (!selected.isEmpty()) {
                int nFirst = selected.front().row();
                for (const QModelIndex& index : selected) {
                    nFirst = std::min(nFirst, index.row());
                }
                mpIcons->selectionModel()->setCurrentIndex(mpIconModel->index(nFirst),
                                                           QItemSelectionModel::NoUpdate);
            }
            return true;
        }
        default:
            return false;
    }
}

bool CViewZIL::OnUpdateCommand(CZsCmdUI& ui) {
    if (OnUpdateBatchCommand(ui)) {
        return true;
    }
    const int nId = ui.Id();
    if (ZsDisplaySizeOf(nId)) {
        ui.SetCheck(nId == mnSizeCmd);
        return true;
    }
    switch (nId) {
        case ID_VIEW_ICON_INFO:
            ui.SetCheck(mbInfo);
            return true;
        case ID_VIEW_ICON_ROWS:
            ui.SetCheck(mbRows);
            return true;
        case ID_EDIT_SELECT_ALL:
            ui.Enable(GetSelectedCount() < GetIconCount());
            return true;
        case ID_EDIT_INVERT_SEL:
            ui.Enable(GetIconCount() > 0);
            return true;
        default:
            return false;
    }
}
