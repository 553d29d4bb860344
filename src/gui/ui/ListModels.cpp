#include "gui/ui/ListModels.h"

#include "gui/common/ZsQt.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace {

// Pictures are drawn often and made once: premultiplied pixels draw without a conversion each time.
QImage Drawable(const CZsBitmap& bitmap) {
    QImage image = ZsToQImage(bitmap);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
    const qint64 nKey = Key(nId, mnSize);
    if (const CCell* pCell = mCache.object(nKey)) {
        return pCell;
    }
    if (!mpLib) {
        return nullptr;
    }
    auto pCell = std::make_unique<CCell>();
    const ZsBytes data = mpLib->GetIconData(nId);
    if (!data.empty()) {
        int w = mnSize;
        int h = mnSize;
        int nBits = 32;
        pCell->picture = Drawable(ZI_GetIconHandle(data, w, h, nBits));
    }
    pCell->nFormats = ZI_GetImageCount(data);
    const ZIL_ICON& rec = mpLib->GetIconRec(nId, ZIL_ICON_LOADNAME);
    if (rec.name) {
        pCell->sName = ZsQ(*rec.name);
    }
    const qsizetype nCost = pCell->picture.sizeInBytes() + pCell->sName.size() * 2 + 64;
    const CCell* pKept = pCell.get();
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
    for (int nSize : {16, 24, 32, 48, 64, 72, 80, 96, 128, 256}) {
        mCache.remove(Key(nId, nSize));
    }
    for (size_t i = 0; i < mIds.size(); ++i) {
        if (mIds[i] == nId) {
            const QModelIndex idx = index(static_cast<int>(i));
            emit dataChanged(idx, idx);
        }
    }
}

void CIconListModel::Clear() {
    mCache.clear();
    if (!mIds.empty()) {
        emit dataChanged(index(0), index(rowCount() - 1));
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
                const ZI_FORMAT format = image.Format();
                mPictures[nRow] = Drawable(ZI_CreateHICON(image.data, std::min(format.nWidth, kMaxPicture),
                                                          std::min(format.nHeight, kMaxPicture)));
                mMade[nRow] = true;
            }
            return nRow < mPictures.size() ? QVariant(mPictures[nRow]) : QVariant();
        default:
            return {};
    }
}
