#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "LibTestUtil.h"
#include "ProgressRecorder.h"
#include "common/ZsSettings.h"
#include "library/ZsDirTree.h"

using test::Ico;
using test::Library;
using test::ProgressRecorder;
using test::TreeLines;

namespace {

void Put(const std::filesystem::path& path, uint8_t nFill = 1) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(ZsWriteFile(path, Ico(16, nFill)));
}

std::vector<std::string> Names(Library& l, int32_t nNode) {
    std::vector<std::string> names;
    for (int32_t nId : l.lib.GetList(nNode)) {
        names.push_back(l.lib.GetIconName(nId));
    }
    return names;
}

// Every file and folder below a folder, relative, sorted.
std::vector<std::string> Walk(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        out.push_back(ZsPathToUtf8(std::filesystem::relative(e.path(), folder)) +
                      (e.is_directory() ? "/" : ""));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(ImportDirTree, FoldersBecomeCategoriesWithTheirOwnIcons) {
    test::TempDir dir;
    const std::filesystem::path top = dir / "Set.v2";
    Put(top / "b.ico");
    Put(top / "a.ico");
    Put(top / "Zeta" / "z.ico");
    Put(top / "Alpha" / "Deep" / "d.ico");
    Put(top / "Alpha" / "x.ico");
    std::filesystem::create_directories(top / "Empty");
    Put(top / "Alpha" / "notes.txt");
    Library l;
    l.lib.NewLib();
    ProgressRecorder progress;
    bool bCancel = true;
    BeginProgress();
    ZsTreeItem item =
        ImportDirTree(l.lib, l.Item(4), dir / "Set.v2/", ZIL_DIR_IMPORT_OPTIONS(), nullptr, &bCancel);
    EndProgress();
    ASSERT_NE(item, ZS_TI_NONE);
    EXPECT_FALSE(bCancel);
    // The dotted part of a folder's name stays in the title.
    EXPECT_EQ(TreeLines(l.tree),
              (std::vector<std::string>{"0 My Icons -1 0/0", "1 Sample Category 1 1 2/2",
                                        "2 Sample Subcategory 1 2 2/2", "2 Sample Subcategory 2 3 2/2",
                                        "1 Sample Category 2 4 2/2", "2 Set.v2 6 2/2", "3 Alpha 7 2/2",
                                        "4 Deep 10 2/2", "3 Empty 8 2/2", "3 Zeta 9 2/2",
                                        "1 Sample Category 3 5 2/2", "0 Find Results -2 3/3"}));
    EXPECT_EQ(Names(l, 6), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Names(l, 7), std::vector<std::string>{"x"});
    EXPECT_EQ(Names(l, 10), std::vector<std::string>{"d"});
    EXPECT_TRUE(Names(l, 8).empty());
    // The top folder's icons first, then the folders in the listed order.
    EXPECT_EQ(Names(l, ZIL_ID_ALL), (std::vector<std::string>{"a", "b", "x", "z", "d"}));
    EXPECT_EQ(progress.logs.front(), "0001. 'a               ' << " + ZsPathToUtf8(top / "a.ico"));
    EXPECT_EQ(progress.logs.back(), "Completed!");
}

TEST(ImportDirTree, FoldersOnlyWhenIconsAreSwitchedOff) {
    test::TempDir dir;
    Put(dir / "top" / "a.ico");
    Put(dir / "top" / "sub" / "b.ico");
    Library l;
    l.lib.NewLib();
    ZIL_DIR_IMPORT_OPTIONS options;
    options.bWithIcons = false;
    ZsTreeItem item = ImportDirTree(l.lib, l.Item(ZIL_ID_ALL), dir / "top", options, nullptr, nullptr);
    ASSERT_NE(item, ZS_TI_NONE);
    EXPECT_EQ(l.tree.GetItemText(l.tree.GetChildItem(item)), "sub");
    EXPECT_TRUE(l.lib.GetList(ZIL_ID_ALL).empty());
}

TEST(ImportDirTree, OptionsComeFromTheOptionsDialog) {
    CZsMemIni ini;
    ZIL_DIR_IMPORT_OPTIONS d = ZIL_DIR_IMPORT_OPTIONS::FromSettings(ini);
    EXPECT_TRUE(d.bWithIcons);
    EXPECT_EQ(d.sPatterns, ZS_OPT_IMP_EXTS.pszDefault);
    EXPECT_EQ(d.nMode, 0);
    ini.SetString("IDC_CHK_IMP_DIRS_WITH_ICONS", "0", ZS_SEC_OPT);
    ini.SetString("IDC_CBO_IMP_EXTS", "*.png", ZS_SEC_OPT);
    ini.SetString("IDC_CBO_RESIZE", "2", ZS_SEC_OPT);
    ZIL_DIR_IMPORT_OPTIONS o = ZIL_DIR_IMPORT_OPTIONS::FromSettings(ini);
    EXPECT_FALSE(o.bWithIcons);
    EXPECT_EQ(o.sPatterns, "*.png");
    EXPECT_EQ(o.nMode, 2);
    // Text that is no number leaves the icons on.
    ini.SetString("IDC_CHK_IMP_DIRS_WITH_ICONS", "yes", ZS_SEC_OPT);
    EXPECT_TRUE(ZIL_DIR_IMPORT_OPTIONS::FromSettings(ini).bWithIcons);
}

TEST(ImportDirTree, MissingFolderIsRefused) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    test::ScriptedMessages messages;
    EXPECT_EQ(ImportDirTree(l.lib, l.Item(1), dir / "none", ZIL_DIR_IMPORT_OPTIONS(), nullptr, nullptr),
              ZS_TI_NONE);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].second, "The directory '" + ZsPathToUtf8(dir / "none") + "' does not exist!");
    EXPECT_EQ(l.tree.GetCount(), 7);
}

TEST(ImportDirTree, AbortKeepsTheCategoriesAndTheIconsBefore) {
    test::TempDir dir;
    Put(dir / "top" / "a.ico");
    Put(dir / "top" / "b.ico");
    Put(dir / "top" / "sub" / "c.ico");
    Library l;
    l.lib.NewLib();
    ProgressRecorder progress(1);
    bool bCancel = false;
    BeginProgress();
    ZsTreeItem item =
        ImportDirTree(l.lib, l.Item(1), dir / "top", ZIL_DIR_IMPORT_OPTIONS(), nullptr, &bCancel);
    EndProgress();
    EXPECT_NE(item, ZS_TI_NONE);
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(Names(l, ZIL_ID_ALL), std::vector<std::string>{"a"});
    EXPECT_EQ(l.tree.GetCount(), 9);
    EXPECT_EQ(progress.ends, std::vector<bool>{false});
}

TEST(ImportDirTree, RowsOfTheCategoryOnDisplayFollow) {
    test::TempDir dir;
    Put(dir / "top" / "a.ico");
    Library l;
    l.lib.NewLib();
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = ZIL_ID_ALL;
    std::vector<ZIL_IMPORT_FAILED> failed;
    ZsWriteFile(dir / "top" / "bad.ico", std::vector<uint8_t>{9});
    ImportDirTree(l.lib, l.Item(1), dir / "top", ZIL_DIR_IMPORT_OPTIONS(), &rows, nullptr, &failed);
    // The icons go into their own category; "My Icons" on display is not their target.
    EXPECT_TRUE(rows.ids.empty());
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].sName, "bad");
}

TEST(ExportDirTree, CategoriesBecomeFoldersOfIconFiles) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    auto add = [&](int32_t nNode, const std::string& name) {
        int32_t nId = l.lib.ImpIcon(Ico(16, 3), &name);
        l.lib.GetList(nNode).push_back(nId);
        l.lib.GetList(ZIL_ID_ALL).push_back(nId);
    };
    add(1, "one");
    add(1, "a:b");
    add(2, "");
    add(3, "three");
    l.tree.SetItemText(l.Item(3), "Sub: 2.");
    ProgressRecorder progress;
    BeginProgress();
    ZIL_DIR_EXPORT_RESULT r = ExportDirTree(l.lib, l.Item(1), dir.Path());
    EndProgress();
    EXPECT_TRUE(r.bOk);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(r.top, dir / "Sample Category 1");
    EXPECT_EQ(Walk(dir.Path()),
              (std::vector<std::string>{"Sample Category 1/", "Sample Category 1/Sample Subcategory 1/",
                                        "Sample Category 1/Sample Subcategory 1/(Untitled).ico",
                                        "Sample Category 1/Sub 2/", "Sample Category 1/Sub 2/three.ico",
                                        "Sample Category 1/ab.ico", "Sample Category 1/one.ico"}));
    const std::string sTop = ZsPathToUtf8(dir / "Sample Category 1");
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{"directory '" + sTop + "' created", "0001. >> " + sTop + "/one.ico",
                                        "0002. >> " + sTop + "/ab.ico",
                                        "directory '" + sTop + "/Sample Subcategory 1' created",
                                        "0001. >> " + sTop + "/Sample Subcategory 1/(Untitled).ico",
                                        "directory '" + sTop + "/Sub 2' created",
                                        "0001. >> " + sTop + "/Sub 2/three.ico", "Completed!"}));
    EXPECT_EQ(progress.titles.front(), "Export Icons (1/2)");

    // A second export reuses the folders.
    r = ExportDirTree(l.lib, l.Item(1), dir.Path());
    EXPECT_TRUE(r.bOk);
    EXPECT_EQ(Walk(dir.Path()).size(), 7u);
}

TEST(ExportDirTree, SiblingsNeverShareAFolder) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    l.tree.SetItemText(l.Item(4), "a:b");
    l.tree.SetItemText(l.Item(5), "ab");
    ZsTreeItem noname1 = l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_LAST, "???");
    ZsTreeItem noname2 = l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_LAST, " ");
    ASSERT_NE(noname1, ZS_TI_NONE);
    ASSERT_NE(noname2, ZS_TI_NONE);
    ZsWriteFile(dir / "ab.ico", std::vector<uint8_t>{1});
    std::filesystem::create_directories(dir / "My Icons");
    // A file in the way of a folder does not stop the export either.
    ZsWriteFile(dir / "My Icons" / "Noname", std::vector<uint8_t>{1});
    ZIL_DIR_EXPORT_RESULT r = ExportDirTree(l.lib, l.Item(ZIL_ID_ALL), dir.Path());
    EXPECT_TRUE(r.bOk);
    std::vector<std::string> all = Walk(dir / "My Icons");
    for (const char* psz : {"ab/", "ab (2)/", "Noname (2)/", "Noname (3)/", "Sample Category 1/"}) {
        EXPECT_NE(std::find(all.begin(), all.end(), psz), all.end()) << psz;
    }
}

TEST(ImportDirTree, PipesAndDevicesAreNamedAndPassedOver) {
    // An import that waits on the pipe ends the test program at the alarm, failing this test alone.
    alarm(60);
    test::TempDir dir;
    Put(dir / "top" / "good.ico");
    ASSERT_EQ(mkfifo((dir / "top" / "pipe.ico").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "top" / "zero.png");
    Library l;
    l.lib.NewLib();
    std::vector<ZIL_IMPORT_FAILED> failed;
    ImportDirTree(l.lib, l.Item(1), dir / "top", ZIL_DIR_IMPORT_OPTIONS(), nullptr, nullptr, &failed);
    EXPECT_EQ(Names(l, ZIL_ID_ALL), std::vector<std::string>{"good"});
    ASSERT_EQ(failed.size(), 2u);
    for (const ZIL_IMPORT_FAILED& f : failed) {
        EXPECT_EQ(f.sReason, "the file cannot be read: it is not a regular file") << f.sName;
    }
    alarm(0);
}

TEST(ExportDirTree, ManyCategoriesOfOneNameAreNumberedInTurn) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    const ZsTreeItem top = l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_LAST, "Top");
    for (int i = 0; i < 1800; ++i) {
        ASSERT_NE(l.lib.NewNode(top, ZS_TI_LAST, "Same"), ZS_TI_NONE);
    }
    l.lib.NewNode(top, ZS_TI_LAST, "Same (3)");
    // Numbers already on disk are passed over.
    std::filesystem::create_directories(dir / "Top" / "Same (2)");
    ZsWriteFile(dir / "Top" / "Same (5)", std::vector<uint8_t>{1});
    ASSERT_TRUE(ExportDirTree(l.lib, top, dir.Path()).bOk);
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Top")) {
        names.insert(ZsPathToUtf8(e.path().filename()));
    }
    EXPECT_EQ(names.size(), 1803u);
    for (const char* psz : {"Same", "Same (3)", "Same (4)", "Same (1801)", "Same (1802)", "Same (3) (2)"}) {
        EXPECT_EQ(names.count(psz), 1u) << psz;
    }
    EXPECT_EQ(names.count("Same (1803)"), 0u);
}

TEST(ExportDirTree, MissingDestinationAndWriteFailures) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    for (const char* psz : {"x", "y"}) {
        std::string name = psz;
        l.lib.GetList(4).push_back(l.lib.ImpIcon(Ico(), &name));
    }
    test::ScriptedMessages messages;
    ZIL_DIR_EXPORT_RESULT r = ExportDirTree(l.lib, l.Item(4), dir / "none");
    EXPECT_FALSE(r.bOk);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].second, "The directory '" + ZsPathToUtf8(dir / "none") + "' does not exist!");

    std::filesystem::create_directories(dir / "Sample Category 2" / "x.ico");
    r = ExportDirTree(l.lib, l.Item(4), dir.Path());
    EXPECT_TRUE(r.bOk);
    EXPECT_EQ(r.failed, std::vector<std::filesystem::path>{dir / "Sample Category 2" / "x.ico"});
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "Sample Category 2" / "y.ico"));
}

TEST(ExportDirTree, AbortEndsTheExport) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::string name = "x";
    l.lib.GetList(1).push_back(l.lib.ImpIcon(Ico(), &name));
    l.lib.GetList(2).push_back(l.lib.ImpIcon(Ico(), &name));
    ProgressRecorder progress(1);
    BeginProgress();
    ZIL_DIR_EXPORT_RESULT r = ExportDirTree(l.lib, l.Item(1), dir.Path());
    EndProgress();
    EXPECT_TRUE(r.bCancelled);
    EXPECT_FALSE(r.bOk);
    EXPECT_FALSE(std::filesystem::exists(dir / "Sample Category 1" / "Sample Subcategory 1"));
}

TEST(ImportDroppedFiles, FoldersFirstThenFilesIntoTheTarget) {
    test::TempDir dir;
    Put(dir / "one" / "a.ico");
    Put(dir / "two" / "b.ico");
    Put(dir / "c.ico");
    Library l;
    l.lib.NewLib();
    ProgressRecorder progress;
    int nIcons = -1;
    bool bCancel = true;
    ZsTreeItem last = ImportDroppedFiles(l.lib, l.Item(5), {dir / "one", dir / "two"}, {dir / "c.ico"},
                                         ZIL_DIR_IMPORT_OPTIONS(), nullptr, &nIcons, &bCancel);
    EXPECT_EQ(l.tree.GetItemText(last), "two");
    EXPECT_EQ(nIcons, 1);
    EXPECT_FALSE(bCancel);
    EXPECT_EQ(Names(l, 5), std::vector<std::string>{"c"});
    EXPECT_EQ(Names(l, ZIL_ID_ALL), (std::vector<std::string>{"a", "b", "c"}));
    // One progress run for the whole drop.
    EXPECT_EQ(progress.nBegins, 1);
    EXPECT_EQ(progress.ends, std::vector<bool>{true});
}

TEST(ImportDroppedFiles, TheListOnDisplayGetsTheNewRowsAndCaret) {
    test::TempDir dir;
    Put(dir / "a.ico");
    Put(dir / "b.ico");
    Library l;
    l.lib.NewLib();
    l.lib.ListToNode(5, {l.lib.ImpIcon(Ico(16, 9), nullptr)});
    ProgressRecorder progress;
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = 5;
    rows.ids = l.lib.GetList(5);
    rows.selected = {7};
    rows.nCaret = 7;
    int nIcons = 0;
    bool bCancel = false;
    ImportDroppedFiles(l.lib, l.Item(5), {}, {dir / "a.ico", dir / "b.ico"}, ZIL_DIR_IMPORT_OPTIONS(), &rows,
                       &nIcons, &bCancel);
    EXPECT_EQ(nIcons, 2);
    EXPECT_EQ(rows.ids, l.lib.GetList(5));
    EXPECT_EQ(rows.selected, (std::vector<int>{1, 2}));
    EXPECT_EQ(rows.nCaret, 1);

    // A drop elsewhere leaves the list on display without new rows.
    ImportDroppedFiles(l.lib, l.Item(4), {}, {dir / "a.ico"}, ZIL_DIR_IMPORT_OPTIONS(), &rows, &nIcons,
                       &bCancel);
    EXPECT_TRUE(rows.selected.empty());
    EXPECT_EQ(rows.nCaret, -1);
}

TEST(ImportDroppedFiles, AbortInAFolderSkipsTheRest) {
    test::TempDir dir;
    Put(dir / "one" / "a.ico");
    Put(dir / "two" / "b.ico");
    Put(dir / "c.ico");
    Library l;
    l.lib.NewLib();
    ProgressRecorder progress(1);
    int nIcons = -1;
    bool bCancel = false;
    ZsTreeItem last = ImportDroppedFiles(l.lib, l.Item(5), {dir / "one", dir / "two"}, {dir / "c.ico"},
                                         ZIL_DIR_IMPORT_OPTIONS(), nullptr, &nIcons, &bCancel);
    EXPECT_EQ(l.tree.GetItemText(last), "one");
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(nIcons, 0);
    EXPECT_EQ(Names(l, ZIL_ID_ALL), std::vector<std::string>{"a"});
}

TEST(RenderCategoryFiles, EachRenderGetsItsOwnFolder) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::string name = "x";
    l.lib.GetList(2).push_back(l.lib.ImpIcon(Ico(), &name));
    EXPECT_EQ(ZsRenderCategoryFiles(l.lib, l.Item(2), dir.Path()),
              dir / "TempDelay" / "Sample Subcategory 1");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "TempDelay" / "Sample Subcategory 1" / "x.ico"));
    EXPECT_EQ(ZsRenderCategoryFiles(l.lib, l.Item(2), dir.Path()),
              dir / "TempDelay (2)" / "Sample Subcategory 1");
    // No folder can be made below a file.
    ZsWriteFile(dir / "blocker", std::vector<uint8_t>{1});
    EXPECT_TRUE(ZsRenderCategoryFiles(l.lib, l.Item(2), dir / "blocker").empty());
}

TEST(RenderCategoryFiles, APlanNamesTheFolderBeforeAnythingIsWritten) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::string name = "x";
    l.lib.GetList(2).push_back(l.lib.ImpIcon(Ico(), &name));
    l.tree.SetItemText(l.Item(2), "Sub: 1.");
    const std::filesystem::path planned = ZsPlanCategoryFiles(l.lib, l.Item(2), dir.Path());
    EXPECT_EQ(planned, dir / "TempDelay" / "Sub 1");
    EXPECT_FALSE(std::filesystem::exists(dir / "TempDelay"));
    EXPECT_EQ(ZsPlanCategoryFiles(l.lib, l.Item(2), dir.Path()), planned);
    EXPECT_TRUE(ZsPlanCategoryFiles(l.lib, ZS_TI_NONE, dir.Path()).empty());

    EXPECT_EQ(ZsRenderCategoryFiles(l.lib, l.Item(2), dir.Path(), planned), planned);
    EXPECT_TRUE(std::filesystem::is_regular_file(planned / "x.ico"));
    // The planned folder was taken by something else meanwhile: the files cannot be where they were said
    // to be.
    EXPECT_TRUE(ZsRenderCategoryFiles(l.lib, l.Item(2), dir.Path(), planned).empty());
}
