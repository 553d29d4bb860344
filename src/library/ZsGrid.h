// Image strips and grids: how the segmentation settings cut a picture into tiles when it is imported, and
// the picture that joins icons of a library side by side, in rows and columns, when they are exported.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "common/ZsConfig.h"
#include "icon/ZsBitmap.h"
#include "library/ZsIconLib.h"

// The tile width and height the grid import hands to the import (ImpFiles): the stored tile width when
// "By subimage width" is chosen, else minus the stored number of tiles across; the height likewise, taking
// the width when "Square" goes with both sizes chosen by pixels.
void ZsGetGridImportTiles(int& nTileWidth, int& nTileHeight, const CZsMemIni& ini = ZsGetConfig());

// The layouts of the grid export.
enum ZS_GRID_LAYOUT { ZS_GRID_STRIP = 0, ZS_GRID_SQUARE = 1, ZS_GRID_CUSTOM = 2 };

// The side of the square layout for n icons: the smallest s with s * s >= n (1 for n <= 1).
int ZsGridSquareSide(int n);
// The other side of a custom layout when one side is typed: ceil(n / nSide) (0 for a side of 0 or less).
int ZsGridOtherSide(int n, int nSide);
// The columns and rows of a layout for n icons: strip n x 1, square s x s; custom leaves them as given.
void ZsGetGridLayout(int nLayout, int n, int& nColumns, int& nRows);

// No background colour: the canvas starts transparent.
inline constexpr uint32_t ZS_GRID_NO_COLOR = 0xFFFFFFFF;

// The joint parameters: cell size, columns and rows, spacing, and the background as a colour reference
// (0x00BBGGRR) or ZS_GRID_NO_COLOR.
struct ZS_GRID {
    int nCellWidth = 16;
    int nCellHeight = 16;
    int nColumns = 1;
    int nRows = 1;
    int nSpacing = 0;
    uint32_t nBackground = ZS_GRID_NO_COLOR;
};

// The canvas of a grid: g * (columns + 1) + cell width * columns by g * (rows + 1) + cell height * rows.
// False, with a sentence in *pError, for a cell size, count or spacing out of range or a canvas too large to
// make.
bool ZsGetGridCanvasSize(const ZS_GRID& grid, int& nWidth, int& nHeight, std::string* pError = nullptr);

// The joined picture: the canvas cleared to the opaque background colour (or transparent), then the k-th icon
// drawn scaled into cell k, row by row, from the image GetDataNearest gives for the cell size. Icons beyond
// the cells are not drawn; an icon that cannot be read or decoded leaves its cell as cleared. A null bitmap
// when the canvas cannot be made.
CZsBitmap ZsComposeGrid(CZsIconLib& lib, std::span<const int32_t> ids, const ZS_GRID& grid,
                        std::string* pError = nullptr);

// The save dialog of the grid export: its filter, "<name>|*.<ext>|" for each picture type followed by "|",
// and its default path, "ImageGrid.<ext>" in the folder for the type of the filter index (1 BMP ... 5 PNG, 6
// WebP; PNG for an index out of range), numbered "ImageGrid (2).<ext>" and so on when that file exists.
std::string ZsGridExportFilter();
std::filesystem::path ZsGridExportDefaultPath(const std::filesystem::path& folder, int nFilterIndex);

// Composes the grid and saves it with the encoder of the file dialog's filter index (1 BMP, 2 JPEG, 3 GIF,
// 4 TIFF, 5 PNG, 6 WebP), whatever extension the path has. False, with a sentence in *pError, when the canvas
// cannot be made, the index names no picture type or the file cannot be written.
bool ZsExportGrid(CZsIconLib& lib, std::span<const int32_t> ids, const ZS_GRID& grid,
                  const std::filesystem::path& path, int nFilterIndex, std::string* pError = nullptr);
