// The item models of a library window's right-hand pane: the icons of the category on display and the images
// of the focused icon. Both serve what their rows show (picture, text, format count) and make it only for the
// rows that are painted: a library of 100,000 icons costs its ids, not its pictures.
#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QImage>
#include <algorithm>
#include <set>
#include <vector>

#include "library/ZsIconLib.h"

class CIcon;

// Roles beside Qt's own: the icon id of a row, and the number of formats of its icon.
enum : int {
    ZS_ID_ROLE = Qt::UserRole + 1,
    ZS_FORMAT_COUNT_ROLE,
};

// The ids of the icons on display, one row each. Qt::DisplayRole is the icon's name (empty for an icon
// without one), Qt::DecorationRole its picture at the display size (a null image when it has none) and
// ZS_FORMAT_COUNT_ROLE its number of formats. On a screen of more pixels than units the picture is made from
// the image of the physical size (a 32x32 cell at a ratio of 2 draws the 64x64 image) and carries the ratio,
// so that it covers the display size without blurring. What a row shows is kept in a cache bounded in bytes,
// keyed by icon id, display size and physical size, so that scrolling back and repainting decode nothing.
// A cached row is trusted only while nothing says its icon changed: the entries of an icon go when it is
// named changed (Refresh), and all of them whenever the rows are set again (SetIds), which every command
// that changes rows or many icons ends with, so that no such command can leave a row showing old images.
class CIconListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CIconListModel(QObject* pParent = nullptr);

    // The library the ids belong to (null: none, every row shows nothing).
    void SetLibrary(CZsIconLib* pLib) { mpLib = pLib; }
    // The pixels of the pictures; the cache keeps those of other sizes until they are pushed out.
    void SetDisplaySize(int nSize);
    int DisplaySize() const { return mnSize; }
    // The device pixels per unit of the screen the list is drawn on; its painting keeps it up to date.
    void SetDevicePixelRatio(qreal ratio) { mRatio = std::max<qreal>(ratio, 1); }
    qreal DevicePixelRatio() const { return mRatio; }

    // The rows, every cached one made again when it is next shown.
    void SetIds(std::vector<int32_t> ids);
    const std::vector<int32_t>& Ids() const { return mIds; }
    int32_t IdAt(int nRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Icon nId changed: its cached rows are made again and repainted.
    void Refresh(int32_t nId);
    // The number of icons whose rows are cached, and the cache's bound in bytes.
    int CachedCount() const { return static_cast<int>(mCache.count()); }
    static constexpr qsizetype kCacheBytes = 48 * 1024 * 1024;

private:
    struct CCell {
        QImage picture;
        QString sName;
        int nFormats = 0;
    };
    const CCell* Cell(int32_t nId) const;
    // The display size and the physical size in one number, and that with the icon id.
    static int Sizes(int nSize, int nPhysical) { return (nSize << 16) | nPhysical; }
    static qint64 Key(int32_t nId, int nSizes) { return (static_cast<qint64>(nId) << 32) | nSizes; }

    CZsIconLib* mpLib = nullptr;
    int mnSize = 32;
    qreal mRatio = 1;
    std::vector<int32_t> mIds;
    mutable QCache<qint64, CCell> mCache;
    // Every pair of sizes the cache has held pictures of, for Refresh.
    mutable std::set<int> mSizesUsed;
};

// The images of the working icon, one row each. Qt::DisplayRole is the format label ("32x32 - XP") and
// Qt::DecorationRole the picture at its own size, at most 48 units on a side, made once per row; on a screen
// of more pixels than units a larger image keeps as many more of its pixels (a 256x256 image at a ratio of 2
// is made at 96x96 for its 48x48 units).
class CImageListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    // The icon whose images are listed (null: none); its rows are made again.
    void SetIcon(const CIcon* pIcon);
    const CIcon* Icon() const { return mpIcon; }
    // As CIconListModel's: the rows are made again at a new ratio.
    void SetDevicePixelRatio(qreal ratio);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static constexpr int kMaxPicture = 48;

private:
    const CIcon* mpIcon = nullptr;
    qreal mRatio = 1;
    mutable std::vector<QImage> mPictures;
    mutable std::vector<bool> mMade;
};
