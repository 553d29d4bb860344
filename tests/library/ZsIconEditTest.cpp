#include <gtest/gtest.h>

#include "EditTestUtil.h"
#include "LibTestUtil.h"
#include "library/ZsIconEdit.h"

using test::Library;
using test::SolidIco;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;

// A library with one icon (id 1) of a 32x32 red image.
void OneIcon(Library& l) {
    l.lib.NewLib();
    const std::string sName = "Red";
    l.lib.ImpIcon(SolidIco({{32, kRed}}), &sName);
    l.lib.ListToNode(ZIL_ID_ALL, {1});
}

// Writes bytes over the edit's file as a program saving it would, with a later time stamp.
void SaveAs(const ZIL_ICON_EDIT& edit, ZsBytes bytes) {
    ASSERT_TRUE(ZsWriteFile(edit.file, bytes));
    std::error_code ec;
    std::filesystem::last_write_time(
        edit.file, std::filesystem::last_write_time(edit.file) + std::chrono::seconds(2), ec);
}

}  // namespace

TEST(IconEdit, EachEditGetsAFileOfItsOwnHoldingTheIcon) {
    Library l;
    OneIcon(l);
    ZIL_ICON_EDIT first, second;
    ASSERT_TRUE(ZsBeginIconEdit(l.lib, 1, first));
    ASSERT_TRUE(ZsBeginIconEdit(l.lib, 1, second));
    EXPECT_EQ(first.file.parent_path(), ZsGetTempDir().parent_path());
    EXPECT_EQ(first.file.filename(), "Edit.ico");
    EXPECT_EQ(second.file.filename(), "Edit (2).ico");
    const std::optional<ZsBlock> written = ZsReadFile(first.file);
    ASSERT_TRUE(written);
    const ZsBytes stored = l.lib.GetIconData(1);
    EXPECT_TRUE(std::equal(written->begin(), written->end(), stored.begin(), stored.end()));
    EXPECT_FALSE(ZsIconEditTouched(first));

    // An icon without data is not handed out.
    test::LogCapture log;
    ZIL_ICON_EDIT none;
    EXPECT_FALSE(ZsBeginIconEdit(l.lib, 99, none));
    std::filesystem::remove(first.file);
    std::filesystem::remove(second.file);
}

TEST(IconEdit, AnEditorThatDoesNotSaveLeavesTheIconAlone) {
    Library l;
    OneIcon(l);
    l.lib.GetIconRec(1, 0).nFlags = 0;
    ZIL_ICON_EDIT edit;
    ASSERT_TRUE(ZsBeginIconEdit(l.lib, 1, edit));
    EXPECT_EQ(ZsEndIconEdit(l.lib, edit), ZIL_EDIT_END_UNCHANGED);
    // Saved again with the same bytes: touched, but nothing to take back.
    SaveAs(edit, edit.original);
    EXPECT_TRUE(ZsIconEditTouched(edit));
    EXPECT_EQ(ZsEndIconEdit(l.lib, edit), ZIL_EDIT_END_UNCHANGED);
    EXPECT_EQ(l.lib.GetIconRec(1, 0).nFlags & ZIL_DIRTY_DATA, 0);
    std::filesystem::remove(edit.file);
}

TEST(IconEdit, ASavedIconReplacesTheDataAndAnythingElseIsRefused) {
    Library l;
    OneIcon(l);
    ZIL_ICON_EDIT edit;
    ASSERT_TRUE(ZsBeginIconEdit(l.lib, 1, edit));
    const ZsBlock edited = SolidIco({{48, 0xFF00FF00}, {16, 0xFF00FF00}});
    SaveAs(edit, edited);
    EXPECT_EQ(ZsEndIconEdit(l.lib, edit), ZIL_EDIT_END_REPLACED);
    EXPECT_EQ(ZI_GetImageCount(l.lib.GetIconData(1)), 2);
    EXPECT_TRUE(l.lib.GetIconRec(1, 0).nFlags & ZIL_DIRTY_DATA);

    // No icon, an icon without images, a file gone: refused with the file named; the data stays.
    std::filesystem::remove(edit.file);
    ZIL_ICON_EDIT next;
    ASSERT_TRUE(ZsBeginIconEdit(l.lib, 1, next));
    const std::string sRefused =
        "'" + ZsPathToUtf8(next.file) + "' holds no icon that can be read. The icon keeps its images.";
    for (const ZsBlock& bad : {ZsBlock{'P', 'N', 'G'}, ZsBlock{0, 0, 1, 0, 0, 0}}) {
        test::ScriptedMessages messages;
        SaveAs(next, bad);
        EXPECT_EQ(ZsEndIconEdit(l.lib, next), ZIL_EDIT_END_REFUSED);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0], std::make_pair(int(ZS_MB_ERROR), sRefused));
        EXPECT_EQ(ZI_GetImageCount(l.lib.GetIconData(1)), 2);
    }
    std::filesystem::remove(next.file);
    test::ScriptedMessages messages;
    EXPECT_EQ(ZsEndIconEdit(l.lib, next), ZIL_EDIT_END_REFUSED);
    EXPECT_EQ(messages.shown.size(), 1u);
}
