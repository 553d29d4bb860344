#include "gui/ui/ListModels.h"

#include <algorithm>
#include <cmath>

#include "gui/common/ZsQt.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace {

// Pictures are drawn often and made once: premultiplied pixels draw without a conversion each time. The
// picture covers nUnits on its longer side, from as many of its pixels as the ratio allows, never fewer
// than one a unit: one smaller than that is drawn at its own size.
QImage Drawable(const CZsBitmap& bitmap, int nUnits, qreal ratio) {
    QImage image = ZsToQImage(bitmap);
    if (image.isNull()) {
        return image;
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int nLonger = std::max(image.width(), image.height());
    image.setDevicePixelRatio(std::clamp(static_cast<qreal>(nLonger) / std::max(nUnits, 1), qreal(1), ratio));
    return image;
}

// The pixels for a length in units at the ratio.
int Physical(int nUnits, qreal ratio) {
    return static_cast<int>(std::lround(nUnits * ratio));
}

}  // namespace

CIconListModel::CIconListModel(QObject* pParent) : QAbstractListModel(pParent), mCache(kCacheBytes) {}

void CIconListModel::SetDisplaySize(int nSize) {
    if (nSize == mnSize) {
        return;
    }
    mnSize = nSize;
    if (!mIds.empty()) {
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
    }
}

void CIconListModel::SetIds(std::vector<int32_t> ids) {
    beginResetModel();
    mIds = std::move(ids);
    mCache.clear();
    mSizesUsed.clear();
    endResetModel();
}

int32_t CIconListModel::IdAt(int nRow) const {
    return nRow >= 0 && nRow < rowCount() ? mIds[static_cast<size_t>(nRow)] : 0;
}

int CIconListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mIds.size());
}

Qt::ItemFlags CIconListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) |
           (index.isValid() ? Qt::ItemIsDragEnabled : Qt::ItemIsDropEnabled);
}

const CIconListModel::CCell* CIconListModel::Cell(int32_t nId) const {
    const int nPhysical = Physical(mnSize, mRatio);
    const int nSizes = Sizes(mnSize, nPhysical);
    const qint64 nKey = Key(nId, nSizes);
    if (const CCell* pCell = mCache.object(nKey)) {
        return pCell;
    }
    if (!mpLib) {
        return nullptr;
    }
    auto pCell = std::make_unique<CCell>();
    const ZsBytes data = mpLib->GetIconData(nId);
    if (!data.empty()) {
        int w = nPhysical;
        int h = nPhysical;
        int nBits = 32;
        pCell->picture = Drawable(ZI_GetIconHandle(data, w, h, nBits), mnSize, mRatio);
    }
    pCell->nFormats = ZI_GetImageCount(data);
    const ZIL_ICON& rec = mpLib->GetIconRec(nId, ZIL_ICON_LOADNAME);
    if (rec.name) {
        pCell->sName = ZsQ(*rec.name);
    }
    const qsizetype nCost = pCell->picture.sizeInBytes() + pCell->sName.size() * 2 + 64;
    const CCell* pKept = pCell.get();
    mSizesUsed.insert(nSizes);
    // The cache takes the cell over (and would drop one larger than its whole bound at once).
    return mCache.insert(nKey, pCell.release(), nCost) ? pKept : nullptr;
}

QVariant CIconListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int32_t nId = mIds[static_cast<size_t>(index.row())];
    if (nRole == ZS_ID_ROLE) {
        return nId;
    }
    if (nRole != Qt::DisplayRole && nRole != Qt::DecorationRole && nRole != ZS_FORMAT_COUNT_ROLE) {
        return {};
    }
    const CCell* pCell = Cell(nId);
    if (!pCell) {
        return {};
    }
    switch (nRole) {
        case Qt::DisplayRole:
            return pCell->sName;
        case Qt::DecorationRole:
            return pCell->picture;
        default:
            return pCell->nFormats;
    }
}

void CIconListModel::Refresh(int32_t nId) {
    for (int nSizes : mSizesUsed) {
        mCache.remove(Key(nId, nSizes));
    }
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
    const size_t nCount = pIcon ? static_cast<size_t>(pIcon->GetImageCount()) : 0;
    mPictures.assign(nCount, QImage());
    mMade.assign(nCount, false);
    endResetModel();
}

void CImageListModel::SetDevicePixelRatio(qreal ratio) {
    ratio = std::max<qreal>(ratio, 1);
    if (ratio != mRatio) {
        mRatio = ratio;
        mMade.assign(mMade.size(), false);
    }
}

int CImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !mpIcon ? 0 : mpIcon->GetImageCount();
}

Qt::ItemFlags CImageListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) | (index.isValid() ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QVariant CImageListModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const size_t nRow = static_cast<size_t>(index.row());
    const ZI_IMAGE& image = mpIcon->GetImage(index.row());
    switch (nRole) {
        case ZS_ID_ROLE:
            return index.row();
        case Qt::DisplayRole:
            return ZsQ(ZI_GetFormatName(image.Format()));
        case Qt::DecorationRole:
            if (nRow < mMade.size() && !mMade[nRow]) {
                // At most kMaxPicture units a side; as many more pixels as the ratio allows and the image
                // has, in its proportions.
                const ZI_FORMAT format = image.Format();
                const int w = std::min(format.nWidth, kMaxPicture);
                const int h = std::min(format.nHeight, kMaxPicture);
                const qreal scale =
                    std::max<qreal>(1, std::min({mRatio, static_cast<qreal>(format.nWidth) / std::max(w, 1),
                                                 static_cast<qreal>(format.nHeight) / std::max(h, 1)}));
                mPictures[nRow] = Drawable(ZI_CreateHICON(image.data, Physical(w, scale), Physical(h, scale)),
                                           std::max(w, h), mRatio);
                mMade[nRow] = true;
            }
            return nRow < mPictures.size() ? QVariant(mPictures[nRow]) : QVariant();
        default:
            return {};
    }
}
