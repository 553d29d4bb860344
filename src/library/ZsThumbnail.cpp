#include "library/ZsThumbnail.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/ZsFileBytes.h"
#include "common/ZsText.h"
#include "icon/ZsCodec.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"
#include "library/ZsGrid.h"
#include "library/ZsIconLib.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3";  // with its NUL: the first 16 bytes of every database

void SetError(std::string* pError, std::string text) {
    if (pError) {
        *pError = std::move(text);
    }
}

// The first bytes of a regular file; false when it cannot be read or is no regular file (a pipe or a
// device would block or never end).
bool ReadHead(const fs::path& path, uint64_t& nSize, ZsBlock& head) {
    std::error_code ec;
    nSize = fs::file_size(path, ec);
    std::optional<ZsBlock> read = ec ? std::nullopt : ZsReadFileHead(path, 64);
    if (!read) {
        return false;
    }
    head = std::move(*read);
    return true;
}

CZsBitmap LibraryFileThumbnail(const fs::path& path, int nSize, std::string* pError) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    if (!lib.Load(path, ZS_SQL_READ_ONLY)) {
        SetError(pError, lib.LoadError().empty() ? std::string("It is not an icon library, or a damaged one.")
                                                 : lib.LoadError());
        return {};
    }
    CZsBitmap thumbnail = ZsLibraryThumbnail(lib, nSize);
    if (thumbnail.IsNull()) {
        SetError(pError, "The library holds no icon that can be shown.");
    }
    return thumbnail;
}

CZsBitmap ModuleThumbnail(const fs::path& path, int nSize, std::string* pError) {
    std::shared_ptr<const CZsFileBytes> pFile = CZsFileBytes::Open(path, ZS_THUMB_MAX_MODULE_BYTES);
    CIconLibrary module;
    if (!pFile || !module.Open(path, pFile)) {
        SetError(pError, pFile ? module.GetError() : std::string("The file cannot be read."));
        return {};
    }
    // The first group that gives a picture: a damaged first group does not hide the module's icon.
    for (int i = 0; i < module.GetIconCount(); ++i) {
        CZsBitmap thumbnail = ZsIconThumbnail(module.GetIconData(i), nSize);
        if (!thumbnail.IsNull()) {
            return thumbnail;
        }
    }
    SetError(pError, "The module holds no icon that can be shown.");
    return {};
}

// An icon file, an Apple icon file or a cursor, as the icon it gives (an animated cursor: its first frame).
CZsBitmap IconFileThumbnail(const fs::path& path, ZS_THUMB_KIND nKind, int nSize, std::string* pError) {
    std::shared_ptr<const CZsFileBytes> pFile = CZsFileBytes::Open(path, ZS_THUMB_MAX_ICON_BYTES);
    if (!pFile) {
        SetError(pError, "The file cannot be read.");
        return {};
    }
    ZsBlock converted;
    std::string sWhy;
    if (nKind == ZS_THUMB_ICNS) {
        converted = ZI_IcnsToIcon(pFile->Bytes(), &sWhy);
    } else if (nKind == ZS_THUMB_CURSOR) {
        converted = ZI_CursorToIcon(pFile->Bytes(), &sWhy);
    } else if (nKind == ZS_THUMB_ANIMATED_CURSOR) {
        std::vector<ZsBlock> frames;
        if (ZI_ReadAnimatedCursor(pFile->Bytes(), frames, &sWhy)) {
            converted = std::move(frames.front());
        }
    }
    if (nKind != ZS_THUMB_ICON && converted.empty()) {
        SetError(pError, "The file is damaged: " + sWhy + ".");
        return {};
    }
    CZsBitmap thumbnail =
        ZsIconThumbnail(nKind == ZS_THUMB_ICON ? pFile->Bytes() : ZsBytes(converted), nSize);
    if (thumbnail.IsNull()) {
        SetError(pError, "The icon holds no image that can be shown.");
    }
    return thumbnail;
}

}  // namespace

ZS_THUMB_KIND ZsGetThumbnailKind(ZsBytes head) {
    if (head.size() >= sizeof kSqliteMagic &&
        std::memcmp(head.data(), kSqliteMagic, sizeof kSqliteMagic) == 0) {
        return ZS_THUMB_LIBRARY;
    }
    if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') {
        return ZS_THUMB_MODULE;
    }
    if (ZI_IsIcns(head)) {
        return ZS_THUMB_ICNS;
    }
    if (head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
        std::memcmp(head.data() + 8, "ACON", 4) == 0) {
        return ZS_THUMB_ANIMATED_CURSOR;
    }
    if (ZI_IsCursor(head)) {
        return ZS_THUMB_CURSOR;
    }
    if (ZI_IsValidIcon(head)) {
        return ZS_THUMB_ICON;
    }
    return ZS_THUMB_NONE;
}

CZsBitmap ZsIconThumbnail(ZsBytes ico, int nSize) {
    CIcon icon;
    if (nSize < 1 || !icon.SetData(ico) || icon.GetImageCount() == 0) {
        return {};
    }
    for (const ZI_IMAGE& image : icon.Images()) {
        const ZI_FORMAT own = ZI_GetImageFormat(0, 0, image.wBitCount, image.data);
        if (std::abs(int64_t{own.nWidth}) > ZS_THUMB_MAX_IMAGE_SIDE ||
            std::abs(int64_t{own.nHeight}) > ZS_THUMB_MAX_IMAGE_SIDE) {
            return {};
        }
    }
    const ZsBlock nearest = icon.GetDataNearest(nSize, nSize);
    const std::vector<ZI_ENTRY> entries = ZI_GetEntries(nearest);
    if (entries.empty()) {
        return {};
    }
    const ZI_FORMAT format = entries.front().Format();
    int nWidth = format.nWidth;
    int nHeight = format.nHeight;
    if (nWidth < 1 || nHeight < 1) {
        return {};
    }
    if (nWidth > nSize || nHeight > nSize) {
        const double scale = static_cast<double>(nSize) / std::max(nWidth, nHeight);
        nWidth = std::clamp(static_cast<int>(nWidth * scale + 0.5), 1, nSize);
        nHeight = std::clamp(static_cast<int>(nHeight * scale + 0.5), 1, nSize);
    }
    return ZI_CreateHICON(entries.front().image, nWidth, nHeight);
}

CZsBitmap ZsLibraryThumbnail(CZsIconLib& lib, int nSize) {
    if (nSize < 1) {
        return {};
    }
    const int nColumns = nSize >= 256 ? 3 : 2;
    const size_t nCells = static_cast<size_t>(nColumns) * static_cast<size_t>(nColumns);
    // The first icons that can be read, so that a damaged record leaves no hole in the grid; a library of
    // nothing but damaged records is given up after a few of them.
    std::vector<int32_t> ids;
    CZsSqlReadBatch batch(lib);
    const ZIL_LIST& all = lib.GetList(ZIL_ID_ALL);
    for (size_t i = 0; i < all.size() && i < 64 && ids.size() < nCells; ++i) {
        if (!ZsIconThumbnail(lib.GetIconData(all[i]), 16).IsNull()) {
            ids.push_back(all[i]);
        }
    }
    if (ids.empty()) {
        return {};
    }
    if (ids.size() == 1) {
        return ZsIconThumbnail(lib.GetIconData(ids.front()), nSize);
    }
    ZS_GRID grid;
    grid.nColumns = grid.nRows = nColumns;
    grid.nSpacing = std::max(1, nSize / 32);
    grid.nCellWidth = grid.nCellHeight = (nSize - grid.nSpacing * (nColumns + 1)) / nColumns;
    if (grid.nCellWidth < 1) {
        return ZsIconThumbnail(lib.GetIconData(ids.front()), nSize);
    }
    CZsBitmap cells = ZsComposeGrid(lib, ids, grid);
    if (cells.IsNull() || (cells.Width() == nSize && cells.Height() == nSize)) {
        return cells;
    }
    // The cells rounded down leave a few pixels over: the grid goes in the middle of a square canvas.
    CZsBitmap canvas(nSize, nSize);
    const int nLeft = (nSize - cells.Width()) / 2;
    const int nTop = (nSize - cells.Height()) / 2;
    for (int y = 0; y < cells.Height(); ++y) {
        std::copy(cells.Row(y), cells.Row(y) + cells.Width(), canvas.Row(nTop + y) + nLeft);
    }
    return canvas;
}

CZsBitmap ZsMakeThumbnail(const fs::path& path, int nSize, std::string* pError) {
    if (nSize < 1 || nSize > ZS_THUMB_MAX_SIZE) {
        SetError(pError, ZsFormat("A thumbnail is 1 to %d pixels large.", ZS_THUMB_MAX_SIZE));
        return {};
    }
    uint64_t nBytes = 0;
    ZsBlock head;
    if (!ReadHead(path, nBytes, head)) {
        SetError(pError, "The file cannot be read.");
        return {};
    }
    const ZS_THUMB_KIND nKind = ZsGetThumbnailKind(head);
    switch (nKind) {
        case ZS_THUMB_ICON:
        case ZS_THUMB_ICNS:
        case ZS_THUMB_CURSOR:
        case ZS_THUMB_ANIMATED_CURSOR:
            if (nBytes > ZS_THUMB_MAX_ICON_BYTES) {
                break;
            }
            return IconFileThumbnail(path, nKind, nSize, pError);
        case ZS_THUMB_MODULE:
            if (nBytes > ZS_THUMB_MAX_MODULE_BYTES) {
                break;
            }
            return ModuleThumbnail(path, nSize, pError);
        case ZS_THUMB_LIBRARY:
            return LibraryFileThumbnail(path, nSize, pError);
        case ZS_THUMB_NONE:
            SetError(pError, "It is no icon file, cursor, icon library or module.");
            return {};
    }
    SetError(pError,
             ZsFormat("The file is too large (%llu bytes).", static_cast<unsigned long long>(nBytes)));
    return {};
}
