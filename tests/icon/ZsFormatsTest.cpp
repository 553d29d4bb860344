#include <gtest/gtest.h>

#include "TestSupport.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

std::vector<std::string> Labels(std::span<const ZI_FORMAT> list) {
    std::vector<std::string> out;
    for (const ZI_FORMAT& f : list) {
        out.push_back(ZI_GetFormatName(f));
    }
    return out;
}

std::vector<ZI_FORMAT> Formats(const CIcon& icon) {
    std::vector<ZI_FORMAT> out;
    for (const ZI_IMAGE& img : icon.Images()) {
        out.push_back(img.Format());
    }
    return out;
}

}  // namespace

TEST(ZiStandardFormats, KeysTableOrderAndLabels) {
    std::span<const ZI_STD_FORMAT> table = ZI_GetStandardFormats();
    ASSERT_EQ(table.size(), 50u);
    EXPECT_EQ(table[0].format, (ZI_FORMAT{16, 16, 1}));
    EXPECT_EQ(table[0].nKey, 1u);
    EXPECT_EQ(table[9].format, (ZI_FORMAT{256, 256, 1}));
    EXPECT_EQ(table[10].nKey, UINT64_C(1) << 12);
    EXPECT_EQ(table[49].format, (ZI_FORMAT{256, 256, 32}));
    EXPECT_EQ(table[49].nKey, UINT64_C(1) << 57);
    uint64_t all = 0;
    for (const ZI_STD_FORMAT& s : table) {
        EXPECT_EQ(all & s.nKey, 0u);
        all |= s.nKey;
        EXPECT_EQ(ZI_GetStandardKey(s.format), s.nKey);
    }
    // Bits 10 and 11 of each group, and 60 to 63, belong to no format.
    EXPECT_EQ(all & ((UINT64_C(3) << 10) | (UINT64_C(3) << 22) | (UINT64_C(0xF) << 60)), 0u);
    EXPECT_EQ(ZI_GetFormatName(UINT64_C(1) << 39), "48x48 - 16M");
    EXPECT_EQ(ZI_GetFormatName(UINT64_C(1) << 10), "");
    EXPECT_EQ(ZI_GetFormatName(UINT64_C(3)), "");
    EXPECT_EQ(ZI_GetStandardFormat(UINT64_C(1) << 63), (ZI_FORMAT{0, 0, 0}));
    EXPECT_EQ(ZI_GetStandardKey(ZI_FORMAT{20, 20, 32}), 0u);
}

TEST(ZiPresets, TableAndMasks) {
    std::span<const ZI_PRESET> presets = ZI_GetPresets();
    ASSERT_EQ(presets.size(), 27u);
    EXPECT_EQ(std::count_if(presets.begin(), presets.end(), [](const ZI_PRESET& p) { return p.nMask == 0; }),
              4);
    EXPECT_STREQ(presets[1].pszName, "All Standard Image Formats");
    EXPECT_EQ(ZI_GetMaskFormats(presets[1].nMask).size(), 50u);
    const ZI_PRESET* vista = ZI_FindPreset("windows vista/7 icon format (minimum)");
    ASSERT_NE(vista, nullptr);
    EXPECT_EQ(
        Labels(ZI_GetMaskFormats(vista->nMask)),
        (std::vector<std::string>{"256x256 - XP", "48x48 - XP", "32x32 - XP", "16x16 - XP", "48x48 - 256",
                                  "32x32 - 256", "16x16 - 256", "48x48 - 16", "32x32 - 16", "16x16 - 16"}));
    EXPECT_EQ(ZI_GetMaskFormats(ZI_FindPreset("Windows Vista/7 Icon Format (Full)")->nMask).size(), 18u);
    EXPECT_EQ(ZI_GetMaskFormats(ZI_FindPreset("Windows 98 SE/ME/2000 Icon Format")->nMask).size(), 6u);
    EXPECT_EQ(
        Labels(ZI_GetMaskFormats(ZI_FindPreset("72x72 Image Formats")->nMask)),
        (std::vector<std::string>{"72x72 - XP", "72x72 - 16M", "72x72 - 256", "72x72 - 16", "72x72 - Mono"}));
    EXPECT_EQ(ZI_FindPreset("By Size"), nullptr);
    EXPECT_EQ(ZI_FindPreset("Nothing"), nullptr);
}

TEST(ZiDesiredList, SortedInsertWithoutDuplicates) {
    std::vector<ZI_FORMAT> list;
    EXPECT_EQ(ZI_InsertDesiredFormats(list, ZI_FindPreset("Windows XP Icon Format (Minimum)")->nMask), 9);
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"48x48 - XP", "32x32 - XP", "16x16 - XP", "48x48 - 256",
                                                      "32x32 - 256", "16x16 - 256", "48x48 - 16",
                                                      "32x32 - 16", "16x16 - 16"}));
    EXPECT_TRUE(ZI_InsertDesiredFormat(list, ZI_FORMAT{24, 24, 32}));
    EXPECT_EQ(list[2], (ZI_FORMAT{24, 24, 32}));
    EXPECT_FALSE(ZI_InsertDesiredFormat(list, ZI_FORMAT{32, 32, 32}));
    EXPECT_EQ(list.size(), 10u);
    // By area, not by width + height: 64 x 8 lies between 24 x 24 and 16 x 16.
    EXPECT_TRUE(ZI_InsertDesiredFormat(list, ZI_FORMAT{64, 8, 32}));
    EXPECT_EQ(list[3], (ZI_FORMAT{64, 8, 32}));
    // Formats that cannot be packed or made are refused.
    for (ZI_FORMAT bad :
         {ZI_FORMAT{8192, 8, 32}, ZI_FORMAT{0, 8, 32}, ZI_FORMAT{8, -1, 32}, ZI_FORMAT{8, 8, 16}}) {
        EXPECT_FALSE(ZI_InsertDesiredFormat(list, bad));
    }
    EXPECT_TRUE(ZI_InsertDesiredFormat(list, ZI_FORMAT{8191, 8191, 1}));
    EXPECT_EQ(list.back(), (ZI_FORMAT{8191, 8191, 1}));
}

TEST(ZiDesiredList, PackedStorage) {
    std::vector<ZI_FORMAT> list;
    ZI_InsertDesiredFormat(list, ZI_FORMAT{16, 16, 1});
    ZI_InsertDesiredFormat(list, ZI_FORMAT{48, 48, 32});
    EXPECT_EQ(ZI_PackFormatList(list), "25168928;8389633");
    EXPECT_EQ(ZI_UnpackFormatList("8389633;25168928"), list);
    EXPECT_EQ(ZI_UnpackFormatList("25168928; junk;;8389633;99999999999;25168928"), list);
    EXPECT_TRUE(ZI_UnpackFormatList("").empty());
    EXPECT_EQ(ZI_PackFormatList({}), "");
    std::vector<ZI_FORMAT> big{{8191, 8191, 32}};
    EXPECT_EQ(ZI_UnpackFormatList(ZI_PackFormatList(big)), big);
}

TEST(ZiDesiredList, StoredUnderEachChoosersSection) {
    CZsMemIni ini;
    const std::vector<ZI_FORMAT> list{{4096, 4096, 32}, {48, 48, 32}, {16, 16, 1}};
    ZI_WriteDesiredFormats("CDlgDelFmts", list, ini);
    // Wide custom formats keep their top bits: the packed form is written unsigned.
    EXPECT_EQ(ini.GetString("IDC_LB_SEL_FMTS", "", "CDlgDelFmts"), "2147745824;25168928;8389633");
    EXPECT_EQ(ZI_ReadDesiredFormats("CDlgDelFmts", ini), list);
    EXPECT_TRUE(ZI_ReadDesiredFormats("CDlgNewFmts", ini).empty());
    // A hand-made list comes back sorted and without repeats.
    ini.SetString("IDC_LB_SEL_FMTS", "8389633;25168928;8389633", "CDlgNewFmts");
    EXPECT_EQ(ZI_ReadDesiredFormats("CDlgNewFmts", ini), (std::vector<ZI_FORMAT>{{48, 48, 32}, {16, 16, 1}}));
}

TEST(ZiDesiredList, ParsesLabelsAndPresetNames) {
    std::vector<ZI_FORMAT> list;
    std::string sError;
    ASSERT_TRUE(ZI_ParseFormatList("16x16-Mono, 48x48 - xp,32x32-256,24x24-16M,16X16-16", list, &sError));
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"48x48 - XP", "24x24 - 16M", "32x32 - 256",
                                                      "16x16 - 16", "16x16 - Mono"}));
    list.clear();
    ASSERT_TRUE(ZI_ParseFormatList("Windows 98 SE/ME/2000 Icon Format,256x256-XP", list, &sError));
    EXPECT_EQ(list.size(), 7u);
    EXPECT_EQ(list[0], (ZI_FORMAT{256, 256, 32}));
    for (const char* bad :
         {"", "48x48", "48x48-24", "x48-XP", "48x-XP", "Windows", "9000x16-XP", "0x16-XP", "16x16-XP,,"}) {
        list.clear();
        EXPECT_FALSE(ZI_ParseFormatList(bad, list, &sError)) << bad;
        EXPECT_FALSE(sError.empty());
    }
    EXPECT_NE(sError.find("neither an image format"), std::string::npos);
    ZI_ParseFormatList("9000x16-XP", list, &sError);
    EXPECT_NE(sError.find("1 to 8191"), std::string::npos);
}

TEST(ZiFormatCommands, DeleteWithExceptAndKeepLargest) {
    CIcon icon;
    const std::vector<ZI_FORMAT> all{{48, 48, 32}, {32, 32, 8}, {16, 16, 32}, {16, 16, 4}};
    icon.AddFormats(all);
    const std::vector<ZI_FORMAT> keep{{16, 16, 32}};
    CIcon a = icon;
    EXPECT_EQ(a.RemoveFormats(keep, true, false), 3);
    EXPECT_EQ(Formats(a), keep);
    CIcon b = icon;
    EXPECT_EQ(b.RemoveFormats(keep, true, true), 2);
    EXPECT_EQ(Formats(b), (std::vector<ZI_FORMAT>{{48, 48, 32}, {16, 16, 32}}));
}

TEST(ZiFormatCommands, ExportTargetsGenerateOrOnlyRemove) {
    std::vector<ZI_FORMAT> desired;
    ZI_InsertDesiredFormat(desired, ZI_FORMAT{32, 32, 32});
    ZI_InsertDesiredFormat(desired, ZI_FORMAT{16, 16, 8});
    EXPECT_EQ(ZI_GetExportTargetFormats(desired, false), desired);
    std::vector<ZI_FORMAT> missing = ZI_GetExportTargetFormats(desired, true);
    ASSERT_EQ(missing.size(), 48u);
    EXPECT_EQ(missing.front(), (ZI_FORMAT{16, 16, 1}));
    EXPECT_EQ(missing.back(), (ZI_FORMAT{256, 256, 32}));

    CIcon source;
    ASSERT_TRUE(source.SetData(ZI_PictureToIcon(CZsBitmap(64, 64, 32, 0xFF20A040), ZI_SIZING_ENLARGE)));
    CIcon generated = source;
    ZI_ApplyExportFormats(generated, desired, false, true);
    EXPECT_EQ(Formats(generated), desired);
    EXPECT_EQ(generated.GetHBITMAP(0).At(8, 8), 0xFF20A040u);
    EXPECT_EQ(generated.GetHBITMAP(1).At(8, 8), 0xFF339933u);  // the nearest colour of the halftone palette

    // Except with every standard format desired: nothing is left.
    std::vector<ZI_FORMAT> every;
    ZI_InsertDesiredFormats(every, ZI_FindPreset("All Standard Image Formats")->nMask);
    CIcon emptied = source;
    ZI_ApplyExportFormats(emptied, every, true, true);
    EXPECT_EQ(emptied.GetImageCount(), 0);

    // Without generation only removal happens, which may empty the icon.
    CIcon removed = source;
    ZI_ApplyExportFormats(removed, desired, false, false);
    EXPECT_EQ(removed.GetImageCount(), 0);
    CIcon kept = source;
    ZI_ApplyExportFormats(kept, desired, true, false);
    EXPECT_EQ(kept.GetImageCount(), 1);
}

TEST(ZiFormatCommands, NewFormatsFromASourceImageOrBlank) {
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ZI_PictureToIcon(CZsBitmap(32, 32, 32, 0xFFFFFF00), ZI_SIZING_ENLARGE)));
    const std::vector<ZI_FORMAT> desired{{32, 32, 32}, {16, 16, 32}, {16, 16, 4}};
    std::vector<int> added;
    EXPECT_EQ(ZI_NewFormats(icon, desired, 0, &added), 2);
    EXPECT_EQ(added, (std::vector<int>{1, 2}));
    EXPECT_EQ(icon.GetHBITMAP(2).At(8, 8), 0xFFFFFF00u);

    CIcon blank = icon;
    blank.RemoveFormats(desired, false, false);
    ASSERT_EQ(blank.GetImageCount(), 0);
    test::LogCapture log;
    EXPECT_EQ(ZI_NewFormats(blank, desired, 0, nullptr), 3);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(blank.GetHBITMAP(0).At(8, 8), 0u);

    // SetFormats on an icon without images reports the missing source and makes blank images.
    CIcon none;
    none.SetFormats(desired);
    EXPECT_EQ(none.GetImageCount(), 3);
    EXPECT_TRUE(log.Contains(">CIcon::GetHBITMAP: nImgIdx=0"));
}

TEST(CIconExport, FilesPerImageAndPerIconWithTheirNames) {
    test::TempDir dir;
    CIcon icon;
    icon.AddFormat(ZI_FORMAT{256, 256, 32});
    icon.AddFormat(ZI_FORMAT{16, 16, 32});
    ASSERT_TRUE(icon.ExportImages("Sun", ZS_PIC_PNG, dir.Path(), false));
    EXPECT_TRUE(std::filesystem::exists(dir / "Sun (16x16 - XP).png"));
    EXPECT_EQ(ZsDecodePicture(*ZsReadFile(dir / "Sun (256x256 - XP).png")).Width(), 256);

    ASSERT_TRUE(icon.ExportImages("Sun", ZS_EXPORT_ICO, dir.Path(), true));
    std::optional<ZsBlock> one = ZsReadFile(dir / "Sun (16x16 - XP).ico");
    ASSERT_TRUE(one);
    EXPECT_EQ(ZI_GetEntries(*one).at(0).dwImageOffset, 22u);
    ASSERT_TRUE(icon.ExportImages("Sun", ZS_EXPORT_ICO, dir.Path(), false));
    EXPECT_EQ(ZI_GetImageCount(*ZsReadFile(dir / "Sun.ico")), 2);

    // A name cannot lead out of the folder.
    ASSERT_TRUE(icon.ExportImages("../up", ZS_PIC_BMP, dir.Path(), false));
    EXPECT_TRUE(std::filesystem::exists(dir / "..up (16x16 - XP).bmp"));
    EXPECT_FALSE(icon.ExportImages("Sun", ZS_EXPORT_ICL, dir.Path(), false));
}

TEST(CIconExport, FilesThatCannotBeWrittenAreReported) {
    test::TempDir dir;
    CIcon icon;
    icon.AddFormat(ZI_FORMAT{32, 32, 8});
    icon.AddFormat(ZI_FORMAT{16, 16, 4});
    test::LogCapture log;
    std::vector<std::filesystem::path> failed;
    EXPECT_FALSE(icon.ExportImages("Moon", ZS_PIC_GIF, dir / "missing", false, &failed));
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[0], dir / "missing" / "Moon (32x32 - 256).gif");
    EXPECT_TRUE(log.Contains(">CIcon::ExportImages: '"));
    failed.clear();
    EXPECT_FALSE(icon.ExportImages("Moon", ZS_EXPORT_ICO, dir / "missing", false, &failed));
    EXPECT_EQ(failed, (std::vector<std::filesystem::path>{dir / "missing" / "Moon.ico"}));
}

TEST(CIconExport, HalfTransparentShadowSurvivesGeneratedFormatsAndPictureExport) {
    // A 64 x 64 PNG: a red square on a transparent background with a black shadow of alpha 128 below it.
    CZsBitmap picture(64, 64, 32, 0);
    for (int y = 8; y < 56; ++y) {
        for (int x = 8; x < 56; ++x) {
            picture.At(x, y) = y < 40 ? 0xFFFF0000u : 0x80000000u;
        }
    }
    test::TempDir dir;
    ASSERT_TRUE(ZsSaveBitmapFile(picture, dir / "shadow.png", ZS_PIC_PNG));
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ZI_LoadPictureIcon(dir / "shadow.png", ZI_SIZING_ENLARGE)));
    icon.SetFormats(std::vector<ZI_FORMAT>{{64, 64, 32}, {32, 32, 32}});
    ASSERT_EQ(icon.GetImageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        // The mask leaves the shadow and the square opaque and marks the background.
        const ZI_IMAGE& image = icon.GetImage(i);
        const int n = image.Format().nWidth, nAndStride = ((n + 31) >> 3) & ~3;
        const uint8_t* pMask = image.data.data() + 40 + 4 * n * n;
        const auto masked = [&](int x, int y) {
            return ((pMask[(n - 1 - y) * nAndStride + x / 8] >> (7 - x % 8)) & 1) != 0;
        };
        const int nShadow = n * 48 / 64, nSquare = n * 16 / 64;
        EXPECT_FALSE(masked(n / 2, nShadow)) << n;
        EXPECT_FALSE(masked(n / 2, nSquare)) << n;
        EXPECT_TRUE(masked(0, 0)) << n;
    }
    ASSERT_TRUE(icon.ExportImages("Shadow", ZS_PIC_PNG, dir.Path(), true));
    for (int n : {64, 32}) {
        CZsBitmap back = ZsLoadPicture(dir / ZsFormat("Shadow (%dx%d - XP).png", n, n));
        ASSERT_EQ(back.Width(), n);
        const uint32_t shadow = back.At(n / 2, n * 48 / 64);
        EXPECT_EQ(shadow & 0xFFFFFF, 0u) << n;
        EXPECT_NEAR(static_cast<int>(ZsAlpha(shadow)), 128, 2) << n;
        EXPECT_EQ(back.At(n / 2, n * 16 / 64), 0xFFFF0000u) << n;
        EXPECT_EQ(back.At(0, 0), 0u) << n;
    }
}
