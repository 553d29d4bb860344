#include <gtest/gtest.h>

#include <random>

#include "../icon/ModuleFixtures.h"
#include "LibTestUtil.h"
#include "ProgressRecorder.h"
#include "common/ZsSettings.h"
#include "icon/ZsIclWriter.h"
#include "icon/ZsPicture.h"
#include "library/ZsImport.h"

using test::Ico;
using test::Library;
using test::ProgressRecorder;

namespace {

std::filesystem::path WriteIco(const test::TempDir& dir, const std::string& name, uint8_t nFill = 1) {
    std::filesystem::path path = dir / name;
    EXPECT_TRUE(ZsWriteFile(path, Ico(16, nFill)));
    return path;
}

// A classic icon library holding one icon per name.
std::filesystem::path WriteIcl(const test::TempDir& dir, const std::vector<std::string>& names) {
    std::filesystem::path path = dir / "set.icl";
    CIconLibraryWriter writer;
    EXPECT_TRUE(writer.Begin(path));
    uint8_t nFill = 0x40;
    for (const std::string& name : names) {
        EXPECT_TRUE(writer.AddIcon(Ico(32, nFill++), name));
    }
    EXPECT_EQ(writer.End(), ZI_UPDATE_OK);
    return path;
}

// A category with n icons named r0, r1, ... and the view's rows showing it.
ZIL_IMPORT_ROWS FillCategory(Library& l, const test::TempDir& dir, int32_t nNode, int n) {
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < n; ++i) {
        files.push_back(WriteIco(dir, "r" + std::to_string(i) + ".ico", static_cast<uint8_t>(i + 1)));
    }
    EXPECT_EQ(l.lib.ImpFiles(files, nNode, -1, 0, 0, 0, nullptr), n);
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = nNode;
    rows.ids = l.lib.GetList(nNode);
    return rows;
}

std::string Log(int n, const std::string& sName, const std::filesystem::path& path, bool bFailed = false) {
    return ZsFormat("%.4d. %s'%-16s' << %s", n, bFailed ? "FAILED! " : "", sName.c_str(),
                    ZsPathToUtf8(path).c_str());
}

std::string Failed(int n, const std::string& sName, const std::filesystem::path& path,
                   const std::string& sReason) {
    return Log(n, sName, path, true) + ": " + sReason;
}

// A DLL with two icon groups of two images each; the groups lie before their images in the file.
std::vector<uint8_t> TwoGroupDll() {
    const std::vector<std::vector<test::IcoImage>> groups{
        {test::DibImage(32, 32, 32, 0x21), test::DibImage(16, 16, 32, 0x22)},
        {test::DibImage(32, 32, 8, 0x23), test::DibImage(16, 16, 4, 0x24)}};
    return test::MakePe(test::IconResources(groups, {u"Alpha", 2})).bytes;
}

}  // namespace

TEST(ImportFileList, IconLibraryAtCaretRowFiveOfEight) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows = FillCategory(l, dir, 1, 8);
    const ZIL_LIST before = rows.ids;
    std::filesystem::path icl = WriteIcl(dir, {"one", "two", "three"});

    ProgressRecorder progress;
    bool bCancel = true;
    EXPECT_EQ(ImportFileList(l.lib, {icl}, 1, 5, 0, 0, ZI_SIZING_ENLARGE, &rows, &bCancel), 3);
    EXPECT_FALSE(bCancel);
    EXPECT_EQ(progress.titles,
              (std::vector<std::string>{"Import Icons (1/1) [1/3]", "Import Icons (1/1) [2/3]",
                                        "Import Icons (1/1) [3/3]"}));
    EXPECT_EQ(progress.statuses.front(), "Importing icon 'one' from '" + ZsPathToUtf8(icl) + "'...");
    EXPECT_EQ(progress.logs, (std::vector<std::string>{Log(1, "one", icl), Log(2, "two", icl),
                                                       Log(3, "three", icl), "Completed!"}));
    EXPECT_EQ(progress.positions, (std::vector<std::string>{"1/1", "1/1", "1/1", "1/1"}));
    EXPECT_EQ(progress.ends, std::vector<bool>{true});

    // Rows 5 to 7 are new and selected, the old rows 5 to 7 are now 8 to 10, and the list matches the store.
    EXPECT_EQ(rows.selected, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(rows.nCaret, 5);
    ASSERT_EQ(rows.ids.size(), 11u);
    EXPECT_EQ(rows.ids, l.lib.GetList(1));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows.ids[static_cast<size_t>(i)], before[static_cast<size_t>(i)]);
    }
    for (int i = 5; i < 8; ++i) {
        EXPECT_EQ(rows.ids[static_cast<size_t>(i + 3)], before[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(l.lib.GetIconName(rows.ids[5]), "one");
    EXPECT_EQ(l.lib.GetIconName(rows.ids[7]), "three");
}

TEST(ImportFileList, FilesAppendedToAnEmptyCategoryAreSelected) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = 4;
    std::vector<std::filesystem::path> files{WriteIco(dir, "a.ico"), WriteIco(dir, "notes.txt"),
                                             WriteIco(dir, "b.ico")};
    ProgressRecorder progress;
    EXPECT_EQ(ImportFileList(l.lib, files, 4, -1, 0, 0, ZI_SIZING_ENLARGE, &rows), 2);
    // The .txt file is passed over without a line.
    EXPECT_EQ(progress.titles, (std::vector<std::string>{"Import Icons (1/3)", "Import Icons (3/3)"}));
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{Log(1, "a", files[0]), Log(2, "b", files[2]), "Completed!"}));
    EXPECT_EQ(rows.selected, (std::vector<int>{0, 1}));
    EXPECT_EQ(rows.nCaret, 0);
    EXPECT_EQ(rows.ids, l.lib.GetList(4));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), rows.ids);
}

TEST(ImportFileList, MyIconsOnDisplayGetsEachIconOnceAtTheCaret) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows = FillCategory(l, dir, ZIL_ID_ALL, 3);
    EXPECT_EQ(ImportFileList(l.lib, {WriteIco(dir, "x.ico"), WriteIco(dir, "y.ico")}, ZIL_ID_ALL, 1, 0, 0, 0,
                             &rows),
              2);
    const ZIL_LIST& all = l.lib.GetList(ZIL_ID_ALL);
    EXPECT_EQ(all.size(), 5u);
    EXPECT_EQ(rows.ids, all);
    EXPECT_EQ(l.lib.GetIconName(all[1]), "x");
    EXPECT_EQ(l.lib.GetIconName(all[2]), "y");
    EXPECT_EQ(rows.selected, (std::vector<int>{1, 2}));
}

TEST(ImportFileList, RowsOfAnotherCategoryStayAsTheyAre) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows = FillCategory(l, dir, 2, 2);
    EXPECT_EQ(ImportFileList(l.lib, {WriteIco(dir, "x.ico")}, 3, -1, 0, 0, 0, &rows), 1);
    EXPECT_EQ(rows.ids, l.lib.GetList(2));
    EXPECT_TRUE(rows.selected.empty());
    EXPECT_EQ(rows.nCaret, -1);
    EXPECT_EQ(l.lib.GetList(3).size(), 1u);
}

TEST(ImportFileList, RefusedIconsAreLoggedAsFailedWithTheLastStoredNumber) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::filesystem::path bad = dir / "bad.ico";
    ZsWriteFile(bad, std::vector<uint8_t>{1, 2, 3});
    std::filesystem::path longName = WriteIco(dir, "a name of twenty-one.ico");
    std::filesystem::path bad2 = dir / "bad2.ico";
    ZsWriteFile(bad2, std::vector<uint8_t>{});
    ProgressRecorder progress;
    std::vector<ZIL_IMPORT_FAILED> failed;
    EXPECT_EQ(ImportFileList(l.lib, {bad, longName, bad2}, 1, -1, 0, 0, 0, nullptr, nullptr, &failed), 1);
    // A longer name is written whole; a refused icon repeats the number of the last stored one and says why;
    // the log ends with the counts.
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{
                  Failed(0, "bad", bad, "not an icon"), Log(1, "a name of twenty-one", longName),
                  Failed(1, "bad2", bad2, "not an icon"), "1 icon imported, 2 failed", "Completed!"}));
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[0].sName, "bad");
    EXPECT_EQ(failed[0].sReason, "not an icon");
    EXPECT_EQ(failed[1].path, bad2);
    EXPECT_EQ(l.lib.GetList(1).size(), 1u);
    EXPECT_EQ(ZsImportFailureMessage(1, failed, 1),
              "1 icon imported, 2 failed:\n'bad' from '" + ZsPathToUtf8(bad) + "' (not an icon)\nand 1 more");
}

// Files that give nothing are named with the reason: random bytes named .ico, an icon whose one image lies
// outside the file, a module without icons and one that is no module.
TEST(ImportFileList, FilesThatGiveNoIconAreNamedWithTheReason) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::mt19937 rng(25);
    std::vector<uint8_t> noise(300);
    for (uint8_t& b : noise) {
        b = static_cast<uint8_t>(rng());
    }
    noise[0] = 'x';
    const std::filesystem::path random = dir / "random.ico", hollow = dir / "hollow.ico",
                                empty = dir / "empty.dll", notPe = dir / "text.exe";
    ASSERT_TRUE(ZsWriteFile(random, noise));
    ZsBlock ico = Ico(16);
    ico.resize(6 + 16);
    ASSERT_TRUE(ZsWriteFile(hollow, ico));
    ASSERT_TRUE(ZsWriteFile(empty, test::MakePe({test::PeRes{6, 1, 0, {1, 0, 'A', 0}}}).bytes));
    ASSERT_TRUE(ZsWriteFile(notPe, noise));
    ProgressRecorder progress;
    std::vector<ZIL_IMPORT_FAILED> failed;
    EXPECT_EQ(
        ImportFileList(l.lib, {random, hollow, empty, notPe}, 1, -1, 0, 0, 0, nullptr, nullptr, &failed), 0);
    ASSERT_EQ(progress.logs.size(), 6u);
    EXPECT_EQ(progress.logs[0], Failed(0, "random", random, "not an icon"));
    EXPECT_EQ(progress.logs[1], Failed(0, "hollow", hollow, "no image that can be read"));
    EXPECT_EQ(progress.logs[2], Failed(0, "empty", empty, "no icons in the file"));
    EXPECT_EQ(progress.logs[3].rfind(Log(0, "text", notPe, true) + ": ", 0), 0u) << progress.logs[3];
    EXPECT_EQ(progress.logs[4], "0 icons imported, 4 failed");
    EXPECT_EQ(failed.size(), 4u);
    EXPECT_TRUE(l.lib.GetList(ZIL_ID_ALL).empty());
    EXPECT_EQ(l.lib.GetNextIcon(), 1);
}

// A module cut at any length never gives an icon without an image that can be read: every group it still
// has is stored whole or named as refused, and a file that gives nothing is named too.
TEST(ImportFileList, ATruncatedModuleStoresOnlyIconsWithImages) {
    test::TempDir dir;
    const std::vector<uint8_t> good = TwoGroupDll();
    const std::filesystem::path path = dir / "cut.dll";
    test::LogCapture quiet;
    int nRefusedGroups = 0;
    for (size_t n = 0; n < good.size(); n += n < 0x400 ? 61 : 7) {
        ASSERT_TRUE(ZsWriteFile(path, ZsBytes(good.data(), n)));
        Library l;
        l.lib.NewLib();
        ProgressRecorder progress;
        std::vector<ZIL_IMPORT_FAILED> failed;
        const int nImported = ImportFileList(l.lib, {path}, 1, -1, 0, 0, 0, nullptr, nullptr, &failed);
        EXPECT_GE(nImported + static_cast<int>(failed.size()), 1) << n;
        for (int32_t nId : l.lib.GetList(1)) {
            EXPECT_TRUE(ZsIsReadableIcon(l.lib.GetIconData(nId))) << n;
        }
        for (const ZIL_IMPORT_FAILED& f : failed) {
            EXPECT_FALSE(f.sReason.empty()) << n;
            nRefusedGroups += f.sName != "cut";
        }
        if (!failed.empty()) {
            EXPECT_EQ(progress.logs.end()[-2], ZsImportCounts(nImported, failed.size())) << n;
        }
    }
    // Some lengths keep the groups but cut off their images.
    EXPECT_GT(nRefusedGroups, 0);
}

TEST(ImportFileList, AbortAfterTheSecondOfFiveFilesKeepsTheFirstTwo) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 5; ++i) {
        files.push_back(WriteIco(dir, "f" + std::to_string(i) + ".ico"));
    }
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = 1;
    ProgressRecorder progress(2);
    bool bCancel = false;
    EXPECT_EQ(ImportFileList(l.lib, files, 1, -1, 0, 0, 0, &rows, &bCancel), 2);
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(progress.logs.size(), 2u);
    EXPECT_EQ(progress.ends, std::vector<bool>{false});
    EXPECT_EQ(l.lib.GetList(1).size(), 2u);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 2u);
    EXPECT_EQ(rows.selected, (std::vector<int>{0, 1}));
    EXPECT_NE(l.lib.GetNodeIcons(1, 0).nFlags & ZIL_DIRTY_DATA, 0);
}

TEST(ImportFileList, PicturesAreCutIntoTilesWithPiecesInTheTitle) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::filesystem::path strip = dir / "strip.png";
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(64, 32, 32, 0xFF00FF00), strip, ZS_PIC_PNG));
    ProgressRecorder progress;
    EXPECT_EQ(ImportFileList(l.lib, {strip}, 1, -1, 32, 32, ZI_SIZING_KEEP, nullptr), 2);
    EXPECT_EQ(progress.titles,
              (std::vector<std::string>{"Import Icons (1/1) [1/2]", "Import Icons (1/1) [2/2]"}));
    EXPECT_EQ(progress.logs.front(), Log(1, "strip (1)", strip));
}

TEST(ImportFileList, SizingModeComesFromTheOptionsWhenAsked) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::filesystem::path pic = dir / "small.png";
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(20, 20, 32, 0xFF0000FF), pic, ZS_PIC_PNG));
    ZS_OPT_RESIZE.Set(ZI_SIZING_KEEP);
    EXPECT_EQ(ImportFileList(l.lib, {pic}, 1, -1, 0, 0, ZIL_SIZING_FROM_SETTINGS, nullptr), 1);
    ZS_OPT_RESIZE.Set(ZI_SIZING_ENLARGE);
    ZI_INFO info;
    ASSERT_TRUE(ZI_GetIconInfo(l.lib.GetIconData(l.lib.GetList(1)[0]), &info));
    EXPECT_EQ(info.nMaxWidth, 20);
}

TEST(GatherImportFiles, FoldersGiveTheirFilesFirstThenEachSubfolder) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "top" / "sub");
    std::filesystem::path a = WriteIco(dir, "top/b.ico"), b = WriteIco(dir, "top/sub/a.ico"),
                          c = WriteIco(dir, "top/c.png"), single = WriteIco(dir, "single.ico");
    WriteIco(dir, "top/skip.txt");
    std::vector<std::filesystem::path> files;
    EXPECT_TRUE(ZsGatherImportFiles({single, dir / "top"}, ZS_OPT_IMP_EXTS.pszDefault, files));
    EXPECT_EQ(files, (std::vector<std::filesystem::path>{single, a, c, b}));
}

TEST(GatherImportFiles, AFolderWithoutSupportedFilesIsRefused) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "empty");
    WriteIco(dir, "empty/readme.txt");
    test::ScriptedMessages messages;
    std::vector<std::filesystem::path> files;
    EXPECT_FALSE(ZsGatherImportFiles({dir / "empty"}, ZS_OPT_IMP_EXTS.pszDefault, files));
    EXPECT_TRUE(files.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, ZS_MB_ERROR);
    EXPECT_EQ(messages.shown[0].second,
              "There are no supported files in '" + ZsPathToUtf8(dir / "empty") + "'!");
}

TEST(GatherDroppedFiles, DroppedFilesFirstThenEveryMatchingFileOfEachFolderWithoutComplaint) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "top" / "sub");
    std::filesystem::create_directories(dir / "empty");
    const std::filesystem::path dropped = WriteIco(dir, "dropped.ico"), a = WriteIco(dir, "top/a.ICO"),
                                b = WriteIco(dir, "top/sub/b.dll");
    WriteIco(dir, "top/c.tif");
    WriteIco(dir, "empty/readme.txt");
    test::ScriptedMessages messages;
    EXPECT_EQ(ZsGatherDroppedFiles({dropped}, {dir / "top", dir / "empty"}),
              (std::vector<std::filesystem::path>{dropped, a, b}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(WritePastedPicture, APastedPictureImportsAsTemp) {
    const std::filesystem::path path = ZsWritePastedPicture(CZsBitmap(40, 20, 32, 0x80FF0000));
    ASSERT_EQ(path, ZsGetTempDir() / "Temp.png");
    // A second paste replaces the first picture.
    ASSERT_EQ(ZsWritePastedPicture(CZsBitmap(24, 24, 32, 0xFF00FF00)), path);
    EXPECT_EQ(ZsLoadPicture(path), CZsBitmap(24, 24, 32, 0xFF00FF00));

    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = 1;
    EXPECT_EQ(ImportFileList(l.lib, {path}, 1, -1, 0, 0, ZI_SIZING_ENLARGE, &rows), 1);
    EXPECT_EQ(l.lib.GetIconName(rows.ids.at(0)), "Temp");

    test::LogCapture log;
    EXPECT_TRUE(ZsWritePastedPicture(CZsBitmap()).empty());
    EXPECT_EQ(log.Lines().size(), 1u);
}
