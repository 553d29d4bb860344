#include <gtest/gtest.h>

#include "EditTestUtil.h"
#include "LibTestUtil.h"
#include "common/ZsSettings.h"
#include "icon/ZsPicture.h"
#include "library/ZsGrid.h"

using test::Library;
using test::SolidIco;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

// A library whose "My Icons" lists the given icons, ids from 1.
std::vector<int32_t> AddIcons(Library& l, const std::vector<ZsBlock>& icons) {
    l.lib.NewLib();
    std::vector<int32_t> ids;
    for (const ZsBlock& data : icons) {
        ids.push_back(l.lib.ImpIcon(data, nullptr));
    }
    l.lib.ListToNode(ZIL_ID_ALL, ids);
    return ids;
}

ZS_GRID Strip(int n, int nCell, int nSpacing) {
    ZS_GRID grid;
    grid.nCellWidth = grid.nCellHeight = nCell;
    grid.nSpacing = nSpacing;
    ZsGetGridLayout(ZS_GRID_STRIP, n, grid.nColumns, grid.nRows);
    return grid;
}

}  // namespace

TEST(GridImport, TilesFromTheSegmentationSettings) {
    CZsMemIni ini;
    int w = 0, h = 0;
    ZsGetGridImportTiles(w, h, ini);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(16, 16));

    // "Square" makes the height follow the width while both are chosen by pixels.
    ZS_IMP_GRID_CBO_W.Set(32, ini);
    ZsGetGridImportTiles(w, h, ini);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(32, 32));
    ZS_IMP_GRID_CHK_SQR.Set(false, ini);
    ZsGetGridImportTiles(w, h, ini);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(32, 16));

    // By horizontal count 4 and by height 16.
    ZS_IMP_GRID_RDO_W.Set(false, ini);
    ZS_IMP_GRID_RDO_C.Set(true, ini);
    ZS_IMP_GRID_EDT_C.Set(4, ini);
    ZS_IMP_GRID_CHK_SQR.Set(true, ini);
    ZsGetGridImportTiles(w, h, ini);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(-4, 16));
    ZS_IMP_GRID_RDO_H.Set(false, ini);
    ZsGetGridImportTiles(w, h, ini);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(-4, -8));

    // Those tiles cut a 64 x 32 picture into 4 x 2 icons of 16 x 16.
    std::vector<ZsBlock> blocks;
    EXPECT_EQ(ZI_SplitBitmap(CZsBitmap(64, 32, 32, kRed), blocks, -4, 16, ZI_SIZING_KEEP), 8);
}

TEST(GridLayout, StripSquareAndCustomSides) {
    EXPECT_EQ(ZsGridSquareSide(0), 1);
    EXPECT_EQ(ZsGridSquareSide(1), 1);
    EXPECT_EQ(ZsGridSquareSide(9), 3);
    EXPECT_EQ(ZsGridSquareSide(10), 4);
    EXPECT_EQ(ZsGridOtherSide(10, 3), 4);
    EXPECT_EQ(ZsGridOtherSide(10, 0), 0);
    int c = 3, r = 7;
    ZsGetGridLayout(ZS_GRID_CUSTOM, 10, c, r);
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(3, 7));
    ZsGetGridLayout(ZS_GRID_STRIP, 10, c, r);
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(10, 1));
    ZsGetGridLayout(ZS_GRID_SQUARE, 10, c, r);
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(4, 4));
}

TEST(GridCanvas, SizeAndRefusals) {
    int w = 0, h = 0;
    ASSERT_TRUE(ZsGetGridCanvasSize(Strip(5, 32, 2), w, h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(172, 36));

    std::string sError;
    ZS_GRID bad = Strip(5, 32, -1);
    EXPECT_FALSE(ZsGetGridCanvasSize(bad, w, h, &sError));
    EXPECT_FALSE(sError.empty());
    ZS_GRID huge = Strip(2, 2147483647, 2147483647);
    EXPECT_FALSE(ZsGetGridCanvasSize(huge, w, h, &sError));
    EXPECT_NE(sError.find("too large"), std::string::npos);
    ZS_GRID wide = Strip(100000, 1, 0);
    EXPECT_FALSE(ZsGetGridCanvasSize(wide, w, h, &sError));
}

TEST(GridCompose, StripWithSpacingLeavesTransparentGaps) {
    Library l;
    std::vector<int32_t> ids =
        AddIcons(l, {SolidIco({{32, kRed}}), SolidIco({{32, kGreen}}), SolidIco({{32, kBlue}}),
                     SolidIco({{32, kRed}}), SolidIco({{32, kGreen}})});
    CZsBitmap canvas = ZsComposeGrid(l.lib, ids, Strip(5, 32, 2));
    ASSERT_EQ(canvas.Width(), 172);
    ASSERT_EQ(canvas.Height(), 36);
    const uint32_t colours[5] = {kRed, kGreen, kBlue, kRed, kGreen};
    const int xs[5] = {2, 36, 70, 104, 138};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(canvas.At(xs[k], 2), colours[k]) << k;
        EXPECT_EQ(canvas.At(xs[k] + 31, 33), colours[k]) << k;
        EXPECT_EQ(canvas.At(xs[k] - 1, 10), 0u) << k;
    }
    EXPECT_EQ(canvas.At(0, 0), 0u);
    EXPECT_EQ(canvas.At(171, 35), 0u);
}

TEST(GridCompose, BackgroundNearestImageAndScaling) {
    Library l;
    // The 24 x 24 cell takes the 32 x 32 image, the smallest at least as large; a 16 x 16 icon is scaled up.
    std::vector<int32_t> ids =
        AddIcons(l, {SolidIco({{48, kRed}, {32, kBlue}, {16, kGreen}}), SolidIco({{16, kGreen}}), {}});
    ZS_GRID grid = Strip(3, 24, 1);
    grid.nBackground = 0x00336699;  // 0x00BBGGRR
    CZsBitmap canvas = ZsComposeGrid(l.lib, ids, grid);
    ASSERT_EQ(canvas.Width(), 1 * 4 + 24 * 3);
    EXPECT_EQ(canvas.At(12, 12), kBlue);
    EXPECT_EQ(canvas.At(26, 1), kGreen);
    EXPECT_EQ(canvas.At(49, 24), kGreen);
    // Gaps and the cell of an icon without data show the opaque background.
    EXPECT_EQ(canvas.At(0, 0), 0xFF996633u);
    EXPECT_EQ(canvas.At(60, 12), 0xFF996633u);
}

TEST(GridCompose, HalfTransparentPixelsBlendOverTheBackground) {
    Library l;
    CIcon icon;
    ZI_IMAGE image = CIcon::NewImage({16, 16, 32});
    ZI_SetImageBitmap(image, CZsBitmap(16, 16, 32, 0x80FF0000));
    icon.AddImage(image);
    std::vector<int32_t> ids = AddIcons(l, {icon.GetData(-1)});
    ZS_GRID grid = Strip(1, 16, 0);
    grid.nBackground = 0x00FF0000;  // blue
    uint32_t p = ZsComposeGrid(l.lib, ids, grid).At(5, 5);
    EXPECT_EQ(ZsAlpha(p), 255u);
    EXPECT_NEAR(static_cast<int>(ZsRed(p)), 128, 2);
    EXPECT_NEAR(static_cast<int>(ZsBlue(p)), 127, 2);
    grid.nBackground = ZS_GRID_NO_COLOR;
    EXPECT_EQ(ZsComposeGrid(l.lib, ids, grid).At(5, 5), 0x80FF0000u);
}

TEST(GridCompose, IconsBeyondTheCellsAreLeftOut) {
    Library l;
    std::vector<int32_t> ids =
        AddIcons(l, {SolidIco({{16, kRed}}), SolidIco({{16, kGreen}}), SolidIco({{16, kBlue}})});
    ZS_GRID grid;
    grid.nColumns = 2;
    grid.nRows = 1;
    CZsBitmap canvas = ZsComposeGrid(l.lib, ids, grid);
    ASSERT_EQ(canvas.Width(), 32);
    EXPECT_EQ(canvas.At(31, 15), kGreen);
    // Rows 3, 7, 9 of a list become cells 0, 1, 2 in a square of 2 x 2.
    ZsGetGridLayout(ZS_GRID_SQUARE, 3, grid.nColumns, grid.nRows);
    canvas = ZsComposeGrid(l.lib, ids, grid);
    EXPECT_EQ(canvas.At(0, 16), kBlue);
    EXPECT_EQ(canvas.At(16, 16), 0u);
}

TEST(GridExport, EncoderByFilterIndexAndReportedFailures) {
    test::TempDir dir;
    Library l;
    std::vector<int32_t> ids = AddIcons(l, {SolidIco({{16, kRed}})});
    ZS_GRID grid = Strip(1, 16, 0);
    ASSERT_TRUE(ZsExportGrid(l.lib, ids, grid, dir / "a.png", 5));
    std::optional<ZsBlock> png = ZsReadFile(dir / "a.png");
    ASSERT_TRUE(png && png->size() > 8);
    EXPECT_TRUE(ZI_IsPng(*png));
    EXPECT_EQ(ZsLoadPicture(dir / "a.png").At(3, 3), kRed);

    // The filter index decides, not the extension.
    ASSERT_TRUE(ZsExportGrid(l.lib, ids, grid, dir / "b.png", 1));
    std::optional<ZsBlock> bmp = ZsReadFile(dir / "b.png");
    ASSERT_TRUE(bmp && bmp->size() > 2);
    EXPECT_EQ((*bmp)[0], 'B');
    EXPECT_EQ((*bmp)[1], 'M');

    std::string sError;
    // Index 6 is WebP, the picture type that came after the icon types.
    ASSERT_TRUE(ZsExportGrid(l.lib, ids, grid, dir / "w.webp", 6));
    EXPECT_EQ(ZsLoadPicture(dir / "w.webp"), ZsLoadPicture(dir / "a.png"));
    EXPECT_FALSE(ZsExportGrid(l.lib, ids, grid, dir / "c.png", 7, &sError));
    EXPECT_EQ(sError, "There is no picture type 7.");
    test::LogCapture log;
    EXPECT_FALSE(ZsExportGrid(l.lib, ids, grid, dir / "missing" / "d.png", 5, &sError));
    EXPECT_NE(sError.find("could not be written"), std::string::npos);
    EXPECT_FALSE(log.Lines().empty());
}

TEST(GridExport, SaveDialogFilterAndNumberedDefaultNames) {
    EXPECT_EQ(
        ZsGridExportFilter(),
        "Microsoft Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|CompuServe GIF (*.gif)|*.gif|"
        "Tag Image File Format (*.tif)|*.tif|Portable Network Graphic (*.png)|*.png|WebP (*.webp)|*.webp||");
    test::TempDir dir;
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 5), dir / "ImageGrid.png");
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 2), dir / "ImageGrid.jpg");
    ASSERT_TRUE(ZsWriteFile(dir / "ImageGrid.png", ZsBytes()));
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 5), dir / "ImageGrid (2).png");
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 1), dir / "ImageGrid.bmp");
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 6), dir / "ImageGrid.webp");
    // A stored index that names no picture type falls back to PNG.
    EXPECT_EQ(ZsGridExportDefaultPath(dir.Path(), 9), dir / "ImageGrid (2).png");
}
