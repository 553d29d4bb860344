#include <gtest/gtest.h>

#include "EditTestUtil.h"
#include "LibTestUtil.h"
#include "icon/ZsFormats.h"
#include "library/ZsLibEdit.h"

using test::Library;
using test::ProgressRecorder;
using test::ScriptedMessages;
using test::SolidIco;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr ZI_FORMAT k32XP{32, 32, 32};
constexpr ZI_FORMAT k16XP{16, 16, 32};

// A new library whose "Sample Category 1" (id 1) and "My Icons" list n icons named "n0", "n1", ...; icon ids
// run from 1, so row r holds icon r + 1.
void AddIcons(Library& l, int n, const ZsBlock& data) {
    l.lib.NewLib();
    ZIL_LIST ids;
    for (int i = 0; i < n; ++i) {
        std::string sName = "n" + std::to_string(i);
        ids.push_back(l.lib.ImpIcon(data, &sName));
    }
    l.lib.ListToNode(ZIL_ID_ALL, ids);
    l.lib.ListToNode(1, ids);
}

int ImageCount(Library& l, int32_t nId) {
    return ZI_GetImageCount(l.lib.GetIconData(nId));
}

bool IsDeleted(Library& l, int32_t nId) {
    return (l.lib.GetIconRec(nId, 0).nFlags & ZIL_DELETED) != 0;
}

}  // namespace

TEST(MergeIcons, PairsTheFirstHalfWithTheSecondAndLogsEachPair) {
    Library l;
    AddIcons(l, 10, SolidIco({{32, kRed}, {16, kRed}}));
    ScriptedMessages answers({ZS_IDOK});
    ProgressRecorder progress;
    ZIL_EDIT_RESULT r = ZsMergeIcons(l.lib, 1, {9, 5, 2, 6});

    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0],
              std::make_pair(int(ZS_MB_QUESTION),
                             std::string("Are you sure you want to merge the selected icons?")));
    EXPECT_EQ(r.nStatus, ZIL_EDIT_DONE);
    EXPECT_EQ(r.nChanged, 2);
    EXPECT_EQ(r.nDeleted, 2);
    EXPECT_EQ(r.nCaret, 2);
    // Row 2 (icon 3) absorbs row 6 (icon 7), row 5 (icon 6) absorbs row 9 (icon 10).
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2, 3, 4, 5, 6, 8, 9}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4, 5, 6, 8, 9}));
    EXPECT_EQ(ImageCount(l, 3), 4);
    EXPECT_EQ(ImageCount(l, 6), 4);
    EXPECT_EQ(ImageCount(l, 4), 2);
    EXPECT_TRUE(IsDeleted(l, 7));
    EXPECT_TRUE(IsDeleted(l, 10));
    EXPECT_EQ(l.lib.GetIconName(3), "n2");

    EXPECT_EQ(progress.titles, (std::vector<std::string>{"Merge Icons (0/2)", "Combine Icons (1/2)",
                                                         "Merge Icons (1/2)", "Combine Icons (2/2)"}));
    EXPECT_EQ(progress.statuses, (std::vector<std::string>{"Merging icon 'n2' and 'n6' ...",
                                                           "Merging icon 'n5' and 'n9' ...", "Completed!"}));
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{
                  "0000. #0002[0x00000003] << #0006[0x00000007]( 2) (#0002:'n2' #0006:'n6')",
                  "0001. #0005[0x00000006] << #0009[0x0000000A]( 2) (#0005:'n5' #0009:'n9')", "Completed!"}));
    EXPECT_EQ(progress.positions, (std::vector<std::string>{"1/2", "2/2", "2/2"}));
    EXPECT_EQ(progress.ends, std::vector<bool>{true});
}

TEST(MergeIcons, KeepsDuplicateFormatsAndTheTargetsName) {
    Library l;
    AddIcons(l, 2, SolidIco({{32, kRed}}));
    l.lib.SetIconData(2, SolidIco({{32, kBlue}, {16, kBlue}}));
    l.lib.SetIconKeywords(1, "kept");
    ScriptedMessages answers({ZS_IDOK});
    ZsMergeIcons(l.lib, ZIL_ID_ALL, {0, 1});
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    ASSERT_EQ(icon.GetImageCount(), 3);
    EXPECT_EQ(icon.GetImage(0).Format(), k32XP);
    EXPECT_EQ(icon.GetImage(1).Format(), k32XP);
    EXPECT_EQ(l.lib.GetIconName(1), "n0");
    EXPECT_EQ(l.lib.GetIconKeywords(1), "kept");
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), ZIL_LIST{1});
}

TEST(MergeIcons, DeclinedOrAbortedRunsKeepWhatTheyHad) {
    Library l;
    AddIcons(l, 4, SolidIco({{16, kRed}}));
    {
        ScriptedMessages answers({ZS_IDCANCEL});
        ProgressRecorder progress;
        EXPECT_EQ(ZsMergeIcons(l.lib, 1, {0, 1}).nStatus, ZIL_EDIT_DECLINED);
        EXPECT_EQ(progress.nBegins, 0);
        EXPECT_EQ(l.lib.GetList(1).size(), 4u);
    }
    ScriptedMessages answers({ZS_IDOK});
    ProgressRecorder progress({true, false});
    ZIL_EDIT_RESULT r = ZsMergeIcons(l.lib, 1, {0, 1, 2, 3});
    EXPECT_EQ(r.nStatus, ZIL_EDIT_ABORTED);
    EXPECT_EQ(r.nChanged, 1);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2, 4}));
    EXPECT_EQ(progress.logs.size(), 1u);
    EXPECT_EQ(progress.ends, std::vector<bool>{false});
}

TEST(MergeIcons, NeverMergesAnIconWithItselfOrLosesUnreadableData) {
    Library l;
    AddIcons(l, 2, SolidIco({{16, kRed}}));
    // A list that names icon 1 twice, and an icon whose stored data is no icon.
    l.lib.ListToNode(1, {1, 2, 1});
    const ZsBlock junk{1, 2, 3, 4};
    l.lib.SetIconData(2, junk);
    ScriptedMessages answers({ZS_IDOK, ZS_IDOK});
    ProgressRecorder progress;
    ZIL_EDIT_RESULT r = ZsMergeIcons(l.lib, 1, {0, 2});
    EXPECT_EQ(r.nChanged, 0);
    EXPECT_EQ(r.failed, ZIL_LIST{1});
    EXPECT_FALSE(IsDeleted(l, 1));
    EXPECT_EQ(ImageCount(l, 1), 1);
    EXPECT_EQ(progress.logs.front(),
              "0000. FAILED! #0000[0x00000001] << #0002[0x00000001] (#0000:'n0' #0002:'n0')");

    r = ZsMergeIcons(l.lib, 1, {0, 1});
    EXPECT_EQ(r.failed, ZIL_LIST{1});
    EXPECT_FALSE(IsDeleted(l, 2));
    EXPECT_EQ(*l.lib.GetIconRec(2, 0).data, junk);
}

TEST(DeleteIcons, MyIconsOffersOnlyDeleting) {
    Library l;
    AddIcons(l, 3, SolidIco({{16, kRed}}));
    {
        // The first button is not there, so its answer cannot remove anything.
        ScriptedMessages answers({ZS_ID_FIRST});
        EXPECT_EQ(ZsDeleteIcons(l.lib, ZIL_ID_ALL, {1}, 1).nStatus, ZIL_EDIT_DECLINED);
        EXPECT_EQ(answers.firstLabels, std::vector<std::string>{""});
        EXPECT_EQ(answers.shown[0].second, "Are you sure you want to permanently delete the selected icons?");
    }
    ScriptedMessages answers({ZS_ID_DELETE});
    ZIL_EDIT_RESULT r = ZsDeleteIcons(l.lib, ZIL_ID_ALL, {1, 2}, 2);
    EXPECT_EQ(r.nDeleted, 2);
    EXPECT_EQ(r.nCaret, 0);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), ZIL_LIST{1});
    EXPECT_EQ(l.lib.GetList(1), ZIL_LIST{1});
    EXPECT_TRUE(IsDeleted(l, 3));
}

TEST(DeleteIcons, RemovingFromACategoryKeepsTheIconsElsewhere) {
    Library l;
    AddIcons(l, 3, SolidIco({{16, kRed}}));
    l.lib.ListToNode(4, {2, 3});
    {
        ScriptedMessages answers({ZS_IDCANCEL});
        EXPECT_EQ(ZsDeleteIcons(l.lib, 1, {0}, 0).nStatus, ZIL_EDIT_DECLINED);
        EXPECT_EQ(answers.firstLabels, std::vector<std::string>{"&Remove"});
        EXPECT_EQ(
            answers.shown[0].second,
            "Are you sure you want to remove or permanently delete the selected icons?\n\nChoose Remove to "
            "remove the icons from the current category.\nChoose Delete to permanently delete the icons.");
        EXPECT_EQ(l.lib.GetList(1).size(), 3u);
    }
    ScriptedMessages remove({ZS_ID_FIRST});
    ZIL_EDIT_RESULT r = ZsDeleteIcons(l.lib, 1, {1, 1, 7}, 1);
    EXPECT_EQ(r.nChanged, 1);
    EXPECT_EQ(r.nDeleted, 0);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    EXPECT_EQ(l.lib.GetList(4), (ZIL_LIST{2, 3}));

    ScriptedMessages erase({ZS_ID_DELETE});
    ZsDeleteIcons(l.lib, 1, {1}, 1);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2}));
    EXPECT_EQ(l.lib.GetList(4), ZIL_LIST{2});
}

TEST(DeleteFormats, WorksFromTheLastRowUpAndDeletesEmptiedIcons) {
    Library l;
    AddIcons(l, 3, SolidIco({{32, kRed}, {16, kRed}}));
    l.lib.SetIconData(2, SolidIco({{16, kBlue}}));
    ProgressRecorder progress;
    const std::vector<ZI_FORMAT> formats{k16XP};
    ZIL_EDIT_RESULT r = ZsDeleteFormats(l.lib, 1, {0, 1, 2}, formats, false, false);
    EXPECT_EQ(r.nChanged, 2);
    EXPECT_EQ(r.nDeleted, 1);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3}));
    EXPECT_EQ(ImageCount(l, 1), 1);
    EXPECT_EQ(progress.titles.front(), "Delete Formats from Selected Icons (0/3)");
    EXPECT_EQ(progress.statuses.front(), "Deleting formats from icon 'n2' ...");
    EXPECT_EQ(progress.logs,
              (std::vector<std::string>{"0000.  1 images deleted from icon( 2 images) 'n2'",
                                        "0001.  1 images deleted from icon( 1 images) 'n1'. Icon deleted.",
                                        "0002.  1 images deleted from icon( 2 images) 'n0'", "Completed!"}));
}

TEST(DeleteFormats, ExceptAndKeepLargest) {
    Library l;
    AddIcons(l, 2, SolidIco({{48, kRed}, {32, kRed}, {16, kRed}}));
    l.lib.SetIconData(2, SolidIco({{32, kBlue}}));
    ProgressRecorder progress;
    const std::vector<ZI_FORMAT> keep{k16XP};
    ZsDeleteFormats(l.lib, 1, {0}, keep, true, false);
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    ASSERT_EQ(icon.GetImageCount(), 1);
    EXPECT_EQ(icon.GetImage(0).Format(), k16XP);

    // Keeping the largest image, no icon is ever deleted.
    const std::vector<ZI_FORMAT> all{k32XP, k16XP};
    ZIL_EDIT_RESULT r = ZsDeleteFormats(l.lib, 1, {0, 1}, all, false, true);
    EXPECT_EQ(r.nDeleted, 0);
    EXPECT_EQ(ImageCount(l, 1), 1);
    EXPECT_EQ(ImageCount(l, 2), 1);
    EXPECT_EQ(l.lib.GetList(1).size(), 2u);
}

TEST(DeleteFormats, AbortStopsBeforeTheNextIcon) {
    Library l;
    AddIcons(l, 5, SolidIco({{32, kRed}, {16, kRed}}));
    ProgressRecorder progress({true, true, false});
    const std::vector<ZI_FORMAT> formats{k16XP};
    ZIL_EDIT_RESULT r = ZsDeleteFormats(l.lib, 1, {0, 1, 2, 3, 4}, formats, false, false);
    EXPECT_EQ(r.nStatus, ZIL_EDIT_ABORTED);
    EXPECT_EQ(r.nChanged, 2);
    EXPECT_EQ(ImageCount(l, 5), 1);
    EXPECT_EQ(ImageCount(l, 4), 1);
    EXPECT_EQ(ImageCount(l, 3), 2);
    EXPECT_EQ(progress.logs.size(), 2u);
}

TEST(AddFormats, MakesMissingFormatsFromTheLargestImage) {
    Library l;
    AddIcons(l, 2, SolidIco({{32, kRed}}));
    const ZsBlock junk{9, 9, 9};
    l.lib.SetIconData(2, junk);
    ProgressRecorder progress;
    const std::vector<ZI_FORMAT> formats{k32XP, k16XP, {48, 48, 8}};
    ZIL_EDIT_RESULT r = ZsAddFormats(l.lib, 1, {1, 0}, formats);
    EXPECT_EQ(r.nChanged, 1);
    EXPECT_EQ(r.failed, ZIL_LIST{2});
    EXPECT_EQ(*l.lib.GetIconRec(2, 0).data, junk);
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    ASSERT_EQ(icon.GetImageCount(), 3);
    EXPECT_TRUE(icon.HasFormat({48, 48, 8}));
    CZsBitmap small = icon.GetHBITMAP(1);
    ASSERT_EQ(small.Width(), 16);
    EXPECT_EQ(small.At(8, 8), kRed);
    EXPECT_EQ(progress.logs, (std::vector<std::string>{"0000.  2 images added to icon( 1 images) 'n0'",
                                                       "0001. FAILED! 'n1'", "Completed!"}));
}

TEST(CompactLib, RunsOnASavedLibrary) {
    test::TempDir dir;
    Library l;
    AddIcons(l, 2, SolidIco({{16, kRed}}));
    EXPECT_FALSE(l.lib.Compact());
    ASSERT_TRUE(l.lib.Save(dir / "lib.pctv"));
    EXPECT_TRUE(l.lib.Compact());
}

TEST(DeleteImages, TheChosenImagesGoAndTheIconStaysEvenWithoutImages) {
    Library l;
    AddIcons(l, 2, SolidIco({{48, kRed}, {32, kRed}, {16, kRed}}));
    ZIL_EDIT_RESULT r = ZsDeleteImages(l.lib, 1, {2, 0, 7, 2, -1}, 2);
    EXPECT_EQ(r.nChanged, 1);
    EXPECT_EQ(r.nCaret, 0);
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    ASSERT_EQ(icon.GetImageCount(), 1);
    EXPECT_EQ(icon.GetImage(0).Format(), k32XP);
    EXPECT_TRUE(l.lib.GetIconRec(1, 0).nFlags & ZIL_DIRTY_DATA);

    // The last image going leaves an icon without images, still listed.
    r = ZsDeleteImages(l.lib, 1, {0}, 0);
    EXPECT_EQ(r.nChanged, 1);
    EXPECT_EQ(r.nCaret, -1);
    EXPECT_EQ(ImageCount(l, 1), 0);
    EXPECT_FALSE(IsDeleted(l, 1));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2}));

    // Nothing chosen changes nothing; data that is no icon is left as it is.
    EXPECT_EQ(ZsDeleteImages(l.lib, 2, {}, 1).nChanged, 0);
    EXPECT_EQ(ImageCount(l, 2), 3);
    l.lib.SetIconData(2, ZsBlock{1, 2, 3});
    r = ZsDeleteImages(l.lib, 2, {0}, 0);
    EXPECT_EQ(r.failed, (std::vector<int32_t>{2}));
    EXPECT_EQ(l.lib.GetIconRec(2, 0).data, (ZsBlock{1, 2, 3}));
}

TEST(PasteImage, APictureOfAnotherSizeKeepsTheImagesFormat) {
    Library l;
    AddIcons(l, 1, SolidIco({{48, kRed}, {32, kRed}}));
    CIcon before;
    ASSERT_TRUE(l.lib.GetIcon(1, before));
    const CZsBitmap picture(100, 60, 32, kBlue);
    ASSERT_TRUE(ZsPasteImage(l.lib, 1, 1, picture));
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetImage(1).Format(), k32XP);
    // Fitted with its aspect kept: the top rows are blue, the 48x48 image stays as it was.
    EXPECT_EQ(icon.GetHBITMAP(1).At(16, 2), kBlue);
    EXPECT_EQ(icon.GetHBITMAP(0), before.GetHBITMAP(0));

    // A paste that cannot be done changes nothing.
    const ZsBlock data(l.lib.GetIconData(1).begin(), l.lib.GetIconData(1).end());
    test::LogCapture log;
    EXPECT_FALSE(ZsPasteImage(l.lib, 1, 2, picture));
    EXPECT_FALSE(ZsPasteImage(l.lib, 1, 0, CZsBitmap()));
    const ZsBytes after = l.lib.GetIconData(1);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), data.begin(), data.end()));
}
