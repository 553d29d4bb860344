#include <gtest/gtest.h>

#include "TestSupport.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"

namespace {

uint16_t U16(const ZsBlock& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

using test::AniFrames;
using test::AniHeader;
using test::MakeAni;
using test::RiffChunk;

CIcon TwoImages() {
    CIcon icon;
    icon.SetData(test::MakeIco({test::DibImage(32, 32, 32, 0x44), test::DibImage(16, 16, 4, 0x21)}));
    return icon;
}

}  // namespace

TEST(Cursor, WrittenWithScaledHotSpotsAndReadBackAsTheSameIcon) {
    const CIcon icon = TwoImages();
    const ZsBlock cur = ZI_IconToCursor(icon, 31, 9);
    ASSERT_FALSE(cur.empty());
    EXPECT_TRUE(ZI_IsCursor(cur));
    // 32 x 32 first: the hot spot as given; 16 x 16: halved.
    EXPECT_EQ(U16(cur, 6 + 4), 31);
    EXPECT_EQ(U16(cur, 6 + 6), 9);
    EXPECT_EQ(U16(cur, 22 + 4), 15);
    EXPECT_EQ(U16(cur, 22 + 6), 4);

    std::string sError;
    CIcon back;
    ASSERT_TRUE(back.SetData(ZI_CursorToIcon(cur, &sError))) << sError;
    ASSERT_EQ(back.GetImageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back.GetImage(i).wPlanes, 1);
        EXPECT_EQ(back.GetImage(i).Format(), icon.GetImage(i).Format());
        EXPECT_EQ(back.GetImage(i).data, icon.GetImage(i).data);
    }
    EXPECT_TRUE(ZI_IconToCursor(icon, 32, 0).empty());
    EXPECT_TRUE(ZI_IconToCursor(icon, 0, -1).empty());
    EXPECT_TRUE(ZI_IconToCursor(CIcon(), 0, 0).empty());
}

TEST(Cursor, CursorsOutOfBoundsOrWithoutImagesAreRefused) {
    std::string sError;
    EXPECT_TRUE(ZI_CursorToIcon(test::MakeIco({test::DibImage(16, 16, 32)}), &sError).empty());
    EXPECT_EQ(sError, "the file is not a cursor file");
    ZsBlock cur = ZI_IconToCursor(TwoImages(), 0, 0);
    // The first image's data claims to run past the end: it is left out, the other stays.
    cur[6 + 8] = 0xFF;
    cur[6 + 9] = 0xFF;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ZI_CursorToIcon(cur)));
    EXPECT_EQ(icon.GetImageCount(), 1);
    cur.resize(40);
    EXPECT_TRUE(ZI_CursorToIcon(cur, &sError).empty());
    EXPECT_EQ(sError, "the cursor holds no image that can be read");
}

TEST(AnimatedCursor, OneIconPerFrameOfCursorsOrIcons) {
    const ZsBlock cur = ZI_IconToCursor(TwoImages(), 4, 4);
    const ZsBlock ico = test::MakeIco({test::DibImage(16, 16, 32)});
    // An odd-length chunk before the frames checks the pad byte; INFO lists are passed over.
    const ZsBlock ani = MakeAni({RiffChunk("anih", AniHeader()), RiffChunk("rate", {10, 0, 0}),
                                 RiffChunk("LIST", {'I', 'N', 'F', 'O'}), AniFrames({cur, ico})});
    std::vector<ZsBlock> frames;
    std::string sError;
    ASSERT_TRUE(ZI_ReadAnimatedCursor(ani, frames, &sError)) << sError;
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], ZI_CursorToIcon(cur));
    EXPECT_EQ(frames[1], ico);

    test::TempDir dir;
    ZsWriteFile(dir / "busy.ani", ani);
    CIconSource source;
    EXPECT_EQ(ZI_GetSourceKind("busy.ANI"), ZI_SOURCE_CURSOR);
    ASSERT_TRUE(source.Open(dir / "busy.ani", ZI_SOURCE_CURSOR));
    EXPECT_FALSE(source.IsWhole());
    EXPECT_EQ(source.GetCount(), 2);
    EXPECT_EQ(source.GetName(1), "busy (2)");
    ZsWriteFile(dir / "arrow.cur", cur);
    ASSERT_TRUE(source.Open(dir / "arrow.cur", ZI_SOURCE_CURSOR));
    EXPECT_TRUE(source.IsWhole());
    EXPECT_EQ(source.GetName(0), "arrow");
    EXPECT_EQ(ZI_GetImageCount(source.GetData(0)), 2);
}

TEST(AnimatedCursor, HostileChunksAreRefusedWithAReason) {
    const ZsBlock ico = test::MakeIco({test::DibImage(16, 16, 32)});
    const auto refused = [](const ZsBlock& ani) {
        std::vector<ZsBlock> frames;
        std::string sError;
        EXPECT_FALSE(ZI_ReadAnimatedCursor(ani, frames, &sError));
        EXPECT_TRUE(frames.empty());
        return sError;
    };
    EXPECT_EQ(refused(ico), "the file is not an animated cursor");
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader()), AniFrames({ico})}, 1 << 20)),
              "the animated cursor is damaged (its length passes the end of the file)");
    // A frame chunk longer than its list, a list longer than the file's body.
    ZsBlock list{'f', 'r', 'a', 'm'};
    const ZsBlock longFrame = RiffChunk("icon", ico, static_cast<int64_t>(ico.size()) + 2);
    list.insert(list.end(), longFrame.begin(), longFrame.end());
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader()), RiffChunk("LIST", list)})),
              "the animated cursor is damaged (a chunk passes the end of its parent)");
    EXPECT_EQ(
        refused(MakeAni({RiffChunk("anih", AniHeader()), RiffChunk("LIST", {'f', 'r', 'a', 'm'}, 100)})),
        "the animated cursor is damaged (a chunk passes the end of its parent)");
    EXPECT_EQ(refused(MakeAni({AniFrames({ico})})), "the animated cursor is damaged (it has no header)");
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", {1, 2, 3, 4}), AniFrames({ico})})),
              "the animated cursor is damaged (its header is too short)");
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader(0)), AniFrames({{1, 2, 3}})})),
              "the animated cursor keeps its frames as raw bitmaps, which cannot be read");
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader()), AniFrames({ico, {0, 0, 1, 0, 0, 0}})})),
              "the animated cursor cannot be read: frame 2 is no icon or cursor");
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader())})), "the animated cursor has no frames");
    // Frames beyond the limit are not read one by one into memory.
    std::vector<ZsBlock> many(ZI_MAX_ANI_FRAMES + 1, test::MakeIco({test::DibImage(1, 1, 32)}));
    EXPECT_EQ(refused(MakeAni({RiffChunk("anih", AniHeader()), AniFrames(many)})),
              "the animated cursor cannot be read: it has more than 4096 frames");
    // The pad byte of an odd last chunk may be missing.
    ZsBlock ani = MakeAni({RiffChunk("anih", AniHeader()), AniFrames({ico}), RiffChunk("seq ", {1})});
    ani.pop_back();
    const uint32_t nRiff = static_cast<uint32_t>(ani.size() - 8);
    std::copy_n(reinterpret_cast<const uint8_t*>(&nRiff), 4, ani.begin() + 4);
    std::vector<ZsBlock> frames;
    EXPECT_TRUE(ZI_ReadAnimatedCursor(ani, frames));
    EXPECT_EQ(frames.size(), 1u);
}
