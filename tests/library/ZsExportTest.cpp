#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "ProgressRecorder.h"
#include "common/ZsSettings.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPicture.h"
#include "library/ZsExport.h"

using test::Library;
using test::ProgressRecorder;

namespace {

// An icon with a 32x32 and a 16x16 XP image.
ZsBlock TwoSizes(uint8_t nFill) {
    return test::MakeIco({test::DibImage(32, 32, 32, nFill), test::DibImage(16, 16, 32, nFill)});
}

// Adds icons of the given names to "My Icons"; their ids in order.
ZIL_LIST AddIcons(Library& l, const std::vector<std::string>& names) {
    ZIL_LIST ids;
    uint8_t nFill = 0x20;
    for (const std::string& name : names) {
        int32_t nId = l.lib.ImpIcon(TwoSizes(nFill++), &name);
        l.lib.GetList(ZIL_ID_ALL).push_back(nId);
        ids.push_back(nId);
    }
    return ids;
}

std::vector<std::string> Files(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(ZsPathToUtf8(e.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

ZIL_EXPORT_OPTIONS Options(const std::filesystem::path& folder, int nType, bool bEach = false) {
    ZIL_EXPORT_OPTIONS o;
    o.folder = folder;
    o.nType = nType;
    o.bEach = bEach;
    return o;
}

}  // namespace

TEST(ExportIcons, IconFilesPerIconOrPerImageWithSafeNames) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Sun", "a:b", ""});
    ProgressRecorder progress;
    BeginProgress();
    ZIL_EXPORT_RESULT r = ExportIcons(l.lib, ids, Options(dir.Path(), ZS_EXPORT_ICO), "lib");
    EndProgress();
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.nIcons, 3);
    EXPECT_EQ(Files(dir.Path()), (std::vector<std::string>{"(Untitled).ico", "Sun.ico", "ab.ico"}));
    EXPECT_EQ(*ZsReadFile(dir / "Sun.ico"), TwoSizes(0x20));
    EXPECT_EQ(progress.titles,
              (std::vector<std::string>{"Export Icons (1/3)", "Export Icons (2/3)", "Export Icons (3/3)"}));
    EXPECT_EQ(progress.statuses[0], "Exporting icon '" + ZsPathToUtf8(dir / "Sun.ico") + "'...");
    EXPECT_EQ(progress.logs[1], "0002. >> " + ZsPathToUtf8(dir / "ab.ico"));

    test::TempDir each;
    r = ExportIcons(l.lib, {ids[0]}, Options(each.Path(), ZS_EXPORT_ICO, true), "lib");
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(Files(each.Path()), (std::vector<std::string>{"Sun (16x16 - XP).ico", "Sun (32x32 - XP).ico"}));
    ZsBlock one = *ZsReadFile(each / "Sun (16x16 - XP).ico");
    EXPECT_EQ(ZI_GetImageCount(one), 1);
    EXPECT_EQ(one[18] | one[19] << 8 | one[20] << 16 | one[21] << 24, 22);
}

TEST(ExportIcons, PicturesOnePerImage) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Globe"});
    EXPECT_TRUE(ExportIcons(l.lib, ids, Options(dir.Path(), ZS_PIC_PNG), "lib").Ok());
    EXPECT_EQ(Files(dir.Path()),
              (std::vector<std::string>{"Globe (16x16 - XP).png", "Globe (32x32 - XP).png"}));
    CZsBitmap bitmap = ZsLoadPicture(dir / "Globe (32x32 - XP).png");
    EXPECT_EQ(bitmap.Width(), 32);
}

TEST(ExportIcons, SameNamesLeaveTheLaterIcon) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Twin", "Twin"});
    EXPECT_TRUE(ExportIcons(l.lib, ids, Options(dir.Path(), ZS_EXPORT_ICO), "lib").Ok());
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"Twin.ico"});
    EXPECT_EQ(*ZsReadFile(dir / "Twin.ico"), TwoSizes(0x21));
}

TEST(ExportIcons, LibraryTakesAFreeNameAndNamesItsGroups) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Sun", ""});
    ASSERT_TRUE(l.lib.Save(dir / "Work.pctv"));
    std::filesystem::create_directories(dir / "out");
    ZsWriteFile(dir / "out" / "Work.icl", std::vector<uint8_t>{'k', 'e', 'e', 'p'});
    ZIL_EXPORT_RESULT r =
        ExportIcons(l.lib, ids, Options(dir / "out", ZS_EXPORT_ICL), ZsExportLibraryTitle(l.lib));
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.library, dir / "out" / "Work (2).icl");
    EXPECT_EQ(ZsReadFile(dir / "out" / "Work.icl")->size(), 4u);
    CIconLibrary icl;
    ASSERT_TRUE(icl.Open(r.library));
    ASSERT_EQ(icl.GetIconCount(), 2);
    EXPECT_EQ(icl.GetIconName(0), "Sun");
    // An untitled icon keeps its empty stored name in the library.
    EXPECT_EQ(icl.GetIconName(1), "");
    EXPECT_EQ(ZI_GetImageCount(icl.GetIconData(1)), 2);

    Library unsaved;
    EXPECT_EQ(ZsExportLibraryTitle(unsaved.lib), "Untitled");
}

TEST(ExportIcons, CustomFormatsAreGeneratedOrOnlyRemoved) {
    test::TempDir gen, keep, except;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Sun"});
    ZIL_EXPORT_OPTIONS o = Options(gen.Path(), ZS_EXPORT_ICO);
    o.bCustom = true;
    o.desired = {ZI_FORMAT{48, 48, 32}, ZI_FORMAT{16, 16, 32}};
    EXPECT_TRUE(ExportIcons(l.lib, ids, o, "lib").Ok());
    CIcon icon;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(gen / "Sun.ico")));
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{48, 48, 32}));
    EXPECT_EQ(icon.GetImage(1).Format(), (ZI_FORMAT{16, 16, 32}));

    o.folder = keep.Path();
    o.bGenerate = false;
    EXPECT_TRUE(ExportIcons(l.lib, ids, o, "lib").Ok());
    ASSERT_TRUE(icon.SetData(*ZsReadFile(keep / "Sun.ico")));
    ASSERT_EQ(icon.GetImageCount(), 1);
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{16, 16, 32}));

    o.folder = except.Path();
    o.bExcept = true;
    EXPECT_TRUE(ExportIcons(l.lib, ids, o, "lib").Ok());
    ASSERT_TRUE(icon.SetData(*ZsReadFile(except / "Sun.ico")));
    ASSERT_EQ(icon.GetImageCount(), 1);
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{32, 32, 32}));
    // The stored icon is never changed by an export.
    EXPECT_EQ(ZI_GetImageCount(l.lib.GetIconData(ids[0])), 2);
}

TEST(ExportIcons, MissingFolderStopsBeforeWriting) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Sun"});
    test::ScriptedMessages messages;
    for (int nType : {int{ZS_PIC_BMP}, int{ZS_EXPORT_ICO}, int{ZS_EXPORT_ICL}}) {
        ZIL_EXPORT_RESULT r = ExportIcons(l.lib, ids, Options(dir / "missing", nType), "lib");
        EXPECT_FALSE(r.bStarted);
        EXPECT_FALSE(r.Ok());
    }
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0],
              std::make_pair(int{ZS_MB_ERROR},
                             "The directory '" + ZsPathToUtf8(dir / "missing") + "' does not exist!"));
    EXPECT_TRUE(Files(dir.Path()).empty());
}

TEST(ExportIcons, WriteFailuresAreCollectedAndTheRestIsWritten) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"Early", "Blocked", "Late"});
    std::filesystem::create_directories(dir / "Blocked.ico");
    ZIL_EXPORT_RESULT r = ExportIcons(l.lib, ids, Options(dir.Path(), ZS_EXPORT_ICO), "lib");
    EXPECT_TRUE(r.bStarted);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.failed, std::vector<std::filesystem::path>{dir / "Blocked.ico"});
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Early.ico"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Late.ico"));
}

// Icons whose stored data cannot be read are left out of every kind of export and named by id; the log
// says so where the file would have gone, and the others are written.
TEST(ExportIcons, UnreadableIconsAreLeftOutAndNamed) {
    test::TempDir dir;
    const std::filesystem::path path = dir / "lib.pctv";
    {
        Library l;
        l.lib.NewLib();
        AddIcons(l, {"Good", "", "Gone"});
        ASSERT_TRUE(l.lib.Save(path));
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.Exec("update icons set data=substr(data, 1, 40) where id=2;"));
        ASSERT_TRUE(db.Exec("delete from icons where id=3;"));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    test::LogCapture quiet;
    for (int nType : {int(ZS_EXPORT_ICO), int(ZS_PIC_PNG), int(ZS_EXPORT_ICL)}) {
        const std::filesystem::path out = dir / ("out" + std::to_string(nType));
        std::filesystem::create_directories(out);
        ProgressRecorder progress;
        BeginProgress();
        const ZIL_EXPORT_RESULT r = ExportIcons(l.lib, {1, 2, 3}, Options(out, nType), "lib");
        EndProgress();
        EXPECT_FALSE(r.Ok()) << nType;
        EXPECT_EQ(r.unreadable, (std::vector<int32_t>{2, 3})) << nType;
        EXPECT_TRUE(r.failed.empty()) << nType;
        EXPECT_TRUE(r.failedIcons.empty()) << nType;
        EXPECT_EQ(r.nIcons, 1) << nType;
        EXPECT_FALSE(std::filesystem::exists(out / "(Untitled).ico")) << nType;
        EXPECT_FALSE(std::filesystem::exists(out / "Gone.ico")) << nType;
        ASSERT_EQ(progress.logs.size(), 4u) << nType;
        EXPECT_EQ(progress.logs[1], "0002. FAILED! icon 2 could not be read");
        EXPECT_EQ(progress.logs[2], "0003. FAILED! icon 3 could not be read");
    }
    EXPECT_EQ(Files(dir / "out5"), std::vector<std::string>{"Good.ico"});
    EXPECT_EQ(Files(dir / "out4").size(), 2u);
    CIconLibrary icl;
    ASSERT_TRUE(icl.Open(dir / "out6" / "lib.icl"));
    EXPECT_EQ(icl.GetIconCount(), 1);
    EXPECT_EQ(ZsLeftOutIconsText({2, 3}), "2 icons could not be read (ids 2, 3) and were left out");
}

TEST(ExportIcons, AbortStopsAfterTheCurrentIcon) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"One", "Two", "Three"});
    ProgressRecorder progress(1);
    BeginProgress();
    ZIL_EXPORT_RESULT r = ExportIcons(l.lib, ids, Options(dir.Path(), ZS_EXPORT_ICO), "lib");
    EndProgress();
    EXPECT_TRUE(r.bCancelled);
    EXPECT_EQ(r.nIcons, 1);
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"One.ico"});
    EXPECT_EQ(progress.ends, std::vector<bool>{false});
}

TEST(ExportIcons, ThemeFolderWithSafeNamesAndAppleIconFiles) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"a/b:c", "Sun"});
    ProgressRecorder progress;
    BeginProgress();
    ZIL_EXPORT_RESULT r = ExportIcons(l.lib, ids, Options(dir.Path(), ZS_EXPORT_THEME), "lib");
    EndProgress();
    EXPECT_TRUE(r.Ok());
    const std::filesystem::path theme = dir / "hicolor";
    EXPECT_EQ(Files(theme), (std::vector<std::string>{"16x16", "32x32", "index.theme"}));
    EXPECT_EQ(Files(theme / "32x32" / "apps"), (std::vector<std::string>{"Sun.png", "abc.png"}));
    EXPECT_EQ(progress.logs[1], "0002. >> " + ZsPathToUtf8(theme / "*" / "apps" / "Sun.png"));
    // A failed image is reported, and the index still names the folders written.
    std::filesystem::remove(theme / "index.theme");
    std::filesystem::remove(theme / "16x16" / "apps" / "Sun.png");
    std::filesystem::create_directories(theme / "16x16" / "apps" / "Sun.png");
    std::filesystem::remove(theme / "32x32" / "apps" / "Sun.png");
    r = ExportIcons(l.lib, {ids[1]}, Options(dir.Path(), ZS_EXPORT_THEME), "lib");
    EXPECT_EQ(r.failed, std::vector<std::filesystem::path>{theme / "16x16" / "apps" / "Sun.png"});
    EXPECT_TRUE(std::filesystem::is_regular_file(theme / "32x32" / "apps" / "Sun.png"));
    EXPECT_TRUE(std::filesystem::is_regular_file(theme / "index.theme"));

    test::TempDir icns;
    r = ExportIcons(l.lib, ids, Options(icns.Path(), ZS_EXPORT_ICNS), "lib");
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(Files(icns.Path()), (std::vector<std::string>{"Sun.icns", "abc.icns"}));
}

TEST(ExportIcons, OptionsComeFromTheDialogSection) {
    CZsMemIni ini;
    ZS_EXP_CBO_FILE_FMT.In(ZS_SEC_IMG_EXP).Set(4, ini);
    ZS_EXP_EDT_DIR.In(ZS_SEC_IMG_EXP).Set("/tmp/x", ini);
    ZS_EXP_CHK_EACH.In(ZS_SEC_IMG_EXP).Set(true, ini);
    ZS_EXP_CHK_CUST.In(ZS_SEC_IMG_EXP).Set(true, ini);
    ZS_EXP_CHK_GEN.In(ZS_SEC_IMG_EXP).Set(false, ini);
    ZS_FMTS_CHK_EXC.In(ZS_SEC_IMG_EXP).Set(true, ini);
    ZS_FMTS_LB_SEL_FMTS.In(ZS_SEC_IMG_EXP).Set({8389633, 25168928}, ini);
    ZIL_EXPORT_OPTIONS o = ZIL_EXPORT_OPTIONS::FromSettings(ZS_SEC_IMG_EXP, ini);
    EXPECT_EQ(o.nType, 4);
    EXPECT_EQ(o.folder, std::filesystem::path("/tmp/x"));
    EXPECT_TRUE(o.bEach && o.bCustom && o.bExcept);
    EXPECT_FALSE(o.bGenerate);
    EXPECT_EQ(o.desired, (std::vector<ZI_FORMAT>{ZI_FORMAT{48, 48, 32}, ZI_FORMAT{16, 16, 1}}));
    ZIL_EXPORT_OPTIONS d = ZIL_EXPORT_OPTIONS::FromSettings(ZS_SEC_ICON_EXP, ini);
    EXPECT_EQ(d.nType, ZS_EXPORT_ICO);
    EXPECT_TRUE(d.bGenerate);
    EXPECT_FALSE(d.bCustom);
}

TEST(ExportImages, ChosenImagesOnly) {
    test::TempDir dir;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(TwoSizes(0x30)));
    std::vector<std::filesystem::path> failed;
    EXPECT_TRUE(ExportImages(icon, {1}, "a:b", ZS_PIC_BMP, dir.Path(), false, &failed));
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"ab (16x16 - XP).bmp"});
    EXPECT_FALSE(ExportImages(icon, {2}, "x", ZS_EXPORT_ICO, dir.Path(), false, &failed));
    EXPECT_FALSE(ExportImages(icon, {0}, "x", ZS_EXPORT_ICL, dir.Path(), false, &failed));
    test::ScriptedMessages messages;
    EXPECT_FALSE(ExportImages(icon, {0}, "x", ZS_EXPORT_ICO, dir / "none", false, &failed));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Files(dir.Path()).size(), 1u);
}

TEST(ExportIconFiles, StoredBytesNumberedAndStoppingAtTheFirstFailure) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids = AddIcons(l, {"A", "B", "C"});
    ProgressRecorder progress;
    std::vector<std::filesystem::path> out;
    BeginProgress();
    EXPECT_TRUE(ExportIconFiles(l.lib, ids, dir.Path(), &out));
    EndProgress();
    EXPECT_EQ(out, (std::vector<std::filesystem::path>{dir / "A.ico", dir / "B.ico", dir / "C.ico"}));
    EXPECT_EQ(*ZsReadFile(dir / "B.ico"), TwoSizes(0x21));
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{"0001. >> " + ZsPathToUtf8(dir / "A.ico"),
                                        "0002. >> " + ZsPathToUtf8(dir / "B.ico"),
                                        "0003. >> " + ZsPathToUtf8(dir / "C.ico"), "Completed!"}));
    EXPECT_EQ(progress.positions.back(), "3/3");

    test::TempDir blocked;
    std::filesystem::create_directories(blocked / "B.ico");
    out.clear();
    EXPECT_FALSE(ExportIconFiles(l.lib, ids, blocked.Path(), &out));
    EXPECT_EQ(out, std::vector<std::filesystem::path>{blocked / "A.ico"});
    EXPECT_FALSE(std::filesystem::exists(blocked / "C.ico"));
    std::vector<std::filesystem::path> failed;
    EXPECT_FALSE(ExportIconFiles(l.lib, ids, blocked.Path(), nullptr, &failed));
    EXPECT_EQ(failed, std::vector<std::filesystem::path>{blocked / "B.ico"});
    EXPECT_TRUE(std::filesystem::exists(blocked / "C.ico"));
}

TEST(RenderIconFiles, PlannedBeforeWritingAndNoIconOverwritesAnother) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    const ZIL_LIST ids = AddIcons(l, {"Twin", "Solo", "Twin", "Twin (2)"});
    const std::filesystem::path folder = dir / "TempDelay";
    const std::vector<std::filesystem::path> expected{folder / "Twin.ico", folder / "Solo.ico",
                                                      folder / "Twin (2).ico", folder / "Twin (2) (2).ico"};
    std::vector<std::filesystem::path> planned;
    ASSERT_TRUE(ZsPlanIconFiles(l.lib, ids, dir.Path(), planned));
    EXPECT_EQ(planned, expected);
    EXPECT_FALSE(std::filesystem::exists(folder));

    ProgressRecorder progress;
    std::vector<std::filesystem::path> files;
    ASSERT_TRUE(ZsRenderIconFiles(l.lib, ids, dir.Path(), planned, files));
    EXPECT_EQ(files, expected);
    EXPECT_EQ(*ZsReadFile(folder / "Twin.ico"), TwoSizes(0x20));
    EXPECT_EQ(*ZsReadFile(folder / "Twin (2).ico"), TwoSizes(0x22));

    // The planned folder was taken meanwhile: the files cannot be where they were said to be.
    files.clear();
    EXPECT_FALSE(ZsRenderIconFiles(l.lib, ids, dir.Path(), planned, files));
    EXPECT_TRUE(files.empty());
    // Without a plan each render takes a free folder of its own.
    ASSERT_TRUE(ZsRenderIconFiles(l.lib, ids, dir.Path(), {}, files));
    EXPECT_EQ(files.front(), dir / "TempDelay (2)" / "Twin.ico");
    EXPECT_FALSE(ZsPlanIconFiles(l.lib, {}, dir.Path(), planned));
}

TEST(RenderImageFiles, PlannedBeforeWritingWithImagesOfOneLabelSharingAFile) {
    test::TempDir dir;
    CIcon icon;
    ASSERT_TRUE(
        icon.SetData(test::MakeIco({test::DibImage(32, 32, 32, 0x10), test::DibImage(16, 16, 32, 0x20),
                                    test::DibImage(32, 32, 32, 0x30)})));
    const std::filesystem::path folder = dir / "TempDelay";
    std::vector<std::filesystem::path> planned;
    ASSERT_TRUE(ZsPlanImageFiles(icon, {2, 1, 0}, "Sun", ZS_PIC_PNG, dir.Path(), planned));
    EXPECT_EQ(planned, (std::vector<std::filesystem::path>{folder / "Sun (16x16 - XP).png",
                                                           folder / "Sun (32x32 - XP).png"}));
    EXPECT_FALSE(std::filesystem::exists(folder));

    std::vector<std::filesystem::path> files;
    ASSERT_TRUE(ZsRenderImageFiles(icon, {2, 1, 0}, "Sun", ZS_PIC_PNG, dir.Path(), planned, files));
    EXPECT_EQ(files, planned);
    // The planned folder is taken now; a render cannot keep its word.
    files.clear();
    EXPECT_FALSE(ZsRenderImageFiles(icon, {0}, "Sun", ZS_PIC_PNG, dir.Path(), planned, files));
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(ZsPlanImageFiles(icon, {3}, "Sun", ZS_PIC_PNG, dir.Path(), planned));
    EXPECT_FALSE(ZsPlanImageFiles(icon, {}, "Sun", ZS_PIC_PNG, dir.Path(), planned));
}
