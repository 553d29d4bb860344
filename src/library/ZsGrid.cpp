#include "library/ZsGrid.h"

#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "icon/ZsCodec.h"
#include "icon/ZsPicture.h"

namespace {

// The widest side every picture type can store (JPEG's limit is the lowest).
constexpr int64_t kMaxCanvasSide = 65500;

void SetError(std::string* pError, std::string sText) {
    if (pError) {
        *pError = std::move(sText);
    }
}

// Draws the source over the canvas at (x, y), blending by the source's alpha, clipped to the canvas.
void DrawOver(CZsBitmap& canvas, const CZsBitmap& source, int x0, int y0) {
    for (int y = 0; y < source.Height(); ++y) {
        const int cy = y0 + y;
        if (cy < 0 || cy >= canvas.Height()) {
            continue;
        }
        const uint32_t* pSrc = source.Row(y);
        uint32_t* pDst = canvas.Row(cy);
        for (int x = 0; x < source.Width(); ++x) {
            const int cx = x0 + x;
            if (cx < 0 || cx >= canvas.Width()) {
                continue;
            }
            const uint32_t s = pSrc[x];
            const unsigned sa = ZsAlpha(s);
            if (sa == 255) {
                pDst[cx] = s;
                continue;
            }
            if (sa == 0) {
                continue;
            }
            const uint32_t d = pDst[cx];
            // Straight alpha, source over destination.
            const unsigned dw = ZsAlpha(d) * (255 - sa);  // the destination's weight, times 255
            const unsigned oa255 = sa * 255 + dw;         // the result's alpha, times 255
            auto mix = [&](unsigned sc, unsigned dc) {
                return (sc * sa * 255 + dc * dw + oa255 / 2) / oa255;
            };
            pDst[cx] = ZsArgb((oa255 + 127) / 255, mix(ZsRed(s), ZsRed(d)), mix(ZsGreen(s), ZsGreen(d)),
                              mix(ZsBlue(s), ZsBlue(d)));
        }
    }
}

// The picture type of a 1-based filter index of ZsGridExportFilter, or the fallback.
int GridPictureType(int nFilterIndex, int nFallback) {
    return nFilterIndex >= 1 && nFilterIndex <= static_cast<int>(std::size(ZS_PICTURE_TYPES))
               ? ZS_PICTURE_TYPES[nFilterIndex - 1]
               : nFallback;
}

}  // namespace

void ZsGetGridImportTiles(int& nTileWidth, int& nTileHeight, const CZsMemIni& ini) {
    const bool bByWidth = ZS_IMP_GRID_RDO_W.Get(ini);
    const bool bByHeight = ZS_IMP_GRID_RDO_H.Get(ini);
    const int nWidth = ZS_IMP_GRID_CBO_W.Get(ini);
    nTileWidth = bByWidth ? nWidth : -ZS_IMP_GRID_EDT_C.Get(ini);
    if (!bByHeight) {
        nTileHeight = -ZS_IMP_GRID_EDT_R.Get(ini);
    } else {
        nTileHeight = bByWidth && ZS_IMP_GRID_CHK_SQR.Get(ini) ? nWidth : ZS_IMP_GRID_CBO_H.Get(ini);
    }
}

int ZsGridSquareSide(int n) {
    int s = 1;
    while (static_cast<int64_t>(s) * s < n) {
        ++s;
    }
    return s;
}

int ZsGridOtherSide(int n, int nSide) {
    if (nSide <= 0 || n <= 0) {
        return 0;
    }
    return static_cast<int>((static_cast<int64_t>(n) + nSide - 1) / nSide);
}

void ZsGetGridLayout(int nLayout, int n, int& nColumns, int& nRows) {
    if (nLayout == ZS_GRID_STRIP) {
        nColumns = n;
        nRows = 1;
    } else if (nLayout == ZS_GRID_SQUARE) {
        nColumns = nRows = ZsGridSquareSide(n);
    }
}

bool ZsGetGridCanvasSize(const ZS_GRID& grid, int& nWidth, int& nHeight, std::string* pError) {
    if (grid.nCellWidth < 1 || grid.nCellHeight < 1 || grid.nColumns < 1 || grid.nRows < 1 ||
        grid.nSpacing < 0) {
        SetError(pError, "The cells need a size and a count of at least 1 and a spacing of at least 0.");
        return false;
    }
    const int64_t g = grid.nSpacing;
    const int64_t w =
        g * (grid.nColumns + INT64_C(1)) + static_cast<int64_t>(grid.nCellWidth) * grid.nColumns;
    const int64_t h = g * (grid.nRows + INT64_C(1)) + static_cast<int64_t>(grid.nCellHeight) * grid.nRows;
    if (w > kMaxCanvasSide || h > kMaxCanvasSide || w * h > ZS_MAX_PICTURE_PIXELS) {
        SetError(pError, ZsFormat("A picture of %lld x %lld pixels is too large to make.",
                                  static_cast<long long>(w), static_cast<long long>(h)));
        return false;
    }
    nWidth = static_cast<int>(w);
    nHeight = static_cast<int>(h);
    return true;
}

CZsBitmap ZsComposeGrid(CZsIconLib& lib, std::span<const int32_t> ids, const ZS_GRID& grid,
                        std::string* pError) {
    int nWidth = 0, nHeight = 0;
    if (!ZsGetGridCanvasSize(grid, nWidth, nHeight, pError)) {
        return {};
    }
    uint32_t nFill = 0;
    if (grid.nBackground != ZS_GRID_NO_COLOR) {
        const uint32_t c = grid.nBackground;
        nFill = ZsArgb(255, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    CZsBitmap canvas(nWidth, nHeight, 32, nFill);
    const int g = grid.nSpacing;
    const size_t nCells = static_cast<size_t>(grid.nColumns) * static_cast<size_t>(grid.nRows);
    CZsSqlReadBatch batch(lib);
    for (size_t k = 0; k < ids.size() && k < nCells; ++k) {
        CIcon icon;
        if (!lib.GetIcon(ids[k], icon)) {
            continue;
        }
        const ZsBlock nearest = icon.GetDataNearest(grid.nCellWidth, grid.nCellHeight);
        const std::vector<ZI_ENTRY> entries = ZI_GetEntries(nearest);
        if (entries.empty()) {
            continue;
        }
        CZsBitmap cell = ZI_CreateHICON(entries.front().image, grid.nCellWidth, grid.nCellHeight);
        if (cell.IsNull()) {
            continue;
        }
        const int nColumn = static_cast<int>(k % static_cast<size_t>(grid.nColumns));
        const int nRow = static_cast<int>(k / static_cast<size_t>(grid.nColumns));
        DrawOver(canvas, cell, g + nColumn * (g + grid.nCellWidth), g + nRow * (g + grid.nCellHeight));
    }
    return canvas;
}

std::string ZsGridExportFilter() {
    std::string sFilter;
    for (int i : ZS_PICTURE_TYPES) {
        sFilter += ZsFormat("%s|*.%s|", ZsGetExportTypeName(i), ZsGetExportExt(i));
    }
    return sFilter + "|";
}

std::filesystem::path ZsGridExportDefaultPath(const std::filesystem::path& folder, int nFilterIndex) {
    return ZsUniqueFilePath(folder, "ImageGrid", ZsGetExportExt(GridPictureType(nFilterIndex, ZS_PIC_PNG)));
}

bool ZsExportGrid(CZsIconLib& lib, std::span<const int32_t> ids, const ZS_GRID& grid,
                  const std::filesystem::path& path, int nFilterIndex, std::string* pError) {
    const char* pszMime = ZsGetPictureMimeType(GridPictureType(nFilterIndex, -1));
    const int nType = pszMime ? ZsFindEncoder(pszMime) : -1;
    if (nType < 0) {
        SetError(pError, ZsFormat("There is no picture type %d.", nFilterIndex));
        return false;
    }
    CZsBitmap canvas = ZsComposeGrid(lib, ids, grid, pError);
    if (canvas.IsNull()) {
        return false;
    }
    if (!ZsSaveBitmapFile(canvas, path, nType)) {
        ZS_LOG_ERR("ZsExportGrid", "ZsSaveBitmapFile('%s')", ZsPathToUtf8(path).c_str());
        SetError(pError, ZsFormat("The file '%s' could not be written.", ZsPathToUtf8(path).c_str()));
        return false;
    }
    return true;
}
