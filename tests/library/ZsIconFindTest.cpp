#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "common/ZsSettings.h"
#include "common/ZsText.h"
#include "library/ZsIconLib.h"

using test::Ico;
using test::Library;

namespace {

// A store whose icons 1.. carry the given names and keywords, all in "My Icons".
struct Named : Library {
    explicit Named(const std::vector<std::pair<std::string, std::string>>& icons) {
        lib.NewLib();
        ZIL_LIST all;
        for (const auto& [name, kwds] : icons) {
            int32_t nId = lib.ImpIcon(Ico(), &name);
            lib.SetIconKeywords(nId, kwds);
            all.push_back(nId);
        }
        lib.ListToNode(ZIL_ID_ALL, all);
    }
    ZIL_LIST Find(const std::string& text, bool bCase, bool bWhole, bool bRegEx, bool bNames = true,
                  bool bKwds = true) {
        EXPECT_TRUE(lib.FindIcons(text, {ZIL_ID_ALL}, bCase, bWhole, bRegEx, bNames, bKwds));
        return lib.GetList(ZIL_ID_FIND);
    }
};

}  // namespace

TEST(IconFind, PlainAndWholeWordMatching) {
    Named n({{"Star", ""}, {"Star 2", "night sky"}, {"\xC3\x84rger", "STAR"}, {"", "blue"}});
    EXPECT_EQ(n.Find("star", false, true, false), (ZIL_LIST{1, 3}));
    EXPECT_EQ(n.Find("star", true, true, false), ZIL_LIST{});
    EXPECT_EQ(n.Find("tar", false, false, false), (ZIL_LIST{1, 2, 3}));
    EXPECT_EQ(n.Find("tar", true, false, false), (ZIL_LIST{1, 2}));
    // Case folding covers letters beyond ASCII.
    EXPECT_EQ(n.Find("\xC3\xA4RG", false, false, false), (ZIL_LIST{3}));
    EXPECT_EQ(n.Find("\xC3\xA4RG", true, false, false), ZIL_LIST{});
    // Keywords are one text: no splitting into words.
    EXPECT_EQ(n.Find("sky", false, true, false), ZIL_LIST{});
    EXPECT_EQ(n.Find("night sky", false, true, false), (ZIL_LIST{2}));
    EXPECT_EQ(n.Find("star", false, true, false, true, false), (ZIL_LIST{1}));
    EXPECT_EQ(n.Find("star", false, true, false, false, true), (ZIL_LIST{3}));
    // Text beyond ASCII can fold onto ASCII letters (the Kelvin sign is a k).
    Named k({{"\xE2\x84\xAA", ""}, {"x\xE2\x84\xAAy", ""}, {"K", ""}});
    EXPECT_EQ(k.Find("k", false, true, false), (ZIL_LIST{1, 3}));
    EXPECT_EQ(k.Find("xk", false, false, false), (ZIL_LIST{2}));
    EXPECT_EQ(k.Find("k", true, false, false), ZIL_LIST{});
    // An empty name is tested like any other text.
    EXPECT_EQ(n.Find("", false, true, false, true, false), (ZIL_LIST{4}));
}

// Plain ASCII texts take a fast path that folds through a table: for every byte value of the text and every
// ASCII letter or sign of the pattern it finds what folding both texts in full finds.
TEST(IconFind, FastCaseFoldingAgreesWithTheGeneralOneForEveryByte) {
    std::vector<std::pair<std::string, std::string>> icons;
    for (int b = 0; b < 256; ++b) {
        icons.emplace_back(std::string("x") + static_cast<char>(b) + "y", "");
    }
    Named n(icons);
    for (int p = 1; p < 128; ++p) {
        const std::string sPattern = std::string(1, static_cast<char>(p)) + "y";
        const std::string sWord = "x" + sPattern;
        ZIL_LIST found, equal;
        for (int b = 0; b < 256; ++b) {
            const std::string sText = ZsToLower(icons[static_cast<size_t>(b)].first);
            if (sText.find(ZsToLower(sPattern)) != std::string::npos) {
                found.push_back(b + 1);
            }
            if (sText == ZsToLower(sWord)) {
                equal.push_back(b + 1);
            }
        }
        ASSERT_EQ(n.Find(sPattern, false, false, false, true, false), found) << "byte " << p;
        ASSERT_EQ(n.Find(sWord, false, true, false, true, false), equal) << "byte " << p;
    }
}

TEST(IconFind, RegularExpressions) {
    Named n({{"star", ""}, {"stars", ""}, {"moon", "Sun"}});
    EXPECT_EQ(n.Find("st.r", false, true, true), (ZIL_LIST{1}));
    EXPECT_EQ(n.Find("st.r", false, false, true), (ZIL_LIST{1, 2}));
    // Whole-word alternatives apply to the whole text, each of them.
    EXPECT_EQ(n.Find("star|moon", false, true, true), (ZIL_LIST{1, 3}));
    EXPECT_EQ(n.Find("^s", false, false, true), (ZIL_LIST{1, 2, 3}));
    EXPECT_EQ(n.Find("^s", true, false, true), (ZIL_LIST{1, 2}));
    std::string sError;
    EXPECT_FALSE(n.lib.FindIcons("(", {ZIL_ID_ALL}, false, false, true, true, true, &sError));
    EXPECT_FALSE(sError.empty());
    EXPECT_TRUE(n.lib.GetList(ZIL_ID_FIND).empty());
}

TEST(IconFind, ScopesAndRepeatedListings) {
    Named n({{"a1", ""}, {"a2", ""}, {"b", ""}});
    n.lib.ListToNode(1, {1, 3});
    n.lib.ListToNode(2, {1, 2});
    n.lib.ListToNode(3, {2});
    EXPECT_EQ(n.lib.GetFindScope(n.Item(1), ZIL_SCOPE_DESCENDANTS), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(n.lib.GetFindScope(n.Item(1), ZIL_SCOPE_SELECTED), (std::vector<int32_t>{1}));
    EXPECT_EQ(n.lib.GetFindScope(n.Item(1), ZIL_SCOPE_ALL), (std::vector<int32_t>{-1}));
    EXPECT_EQ(n.lib.GetFindScope(n.Item(ZIL_ID_ALL), ZIL_SCOPE_DESCENDANTS), (std::vector<int32_t>{-1}));
    EXPECT_EQ(n.lib.GetFindScope(ZS_TI_NONE, ZIL_SCOPE_DESCENDANTS), (std::vector<int32_t>{0}));
    ASSERT_TRUE(n.lib.FindIcons("a", n.lib.GetFindScope(n.Item(1), ZIL_SCOPE_DESCENDANTS), false, false,
                                false, true, true));
    // Listed in three of the searched categories, found once each.
    EXPECT_EQ(n.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{1, 2}));
    // Searching "Find Results" narrows the previous results, and the results are not saved by themselves.
    ASSERT_TRUE(n.lib.FindIcons("2", {ZIL_ID_FIND}, false, false, false, true, true));
    EXPECT_EQ(n.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{2}));
    EXPECT_FALSE(n.lib.Nodes().at(ZIL_ID_FIND).nFlags & ZIL_DIRTY_DATA);
}

TEST(IconFind, NamesAreReadFromTheFileOnFirstUse) {
    test::TempDir dir;
    {
        Named n({{"alpha", "x"}, {"beta", "y"}});
        ASSERT_TRUE(n.lib.Save(dir / "f.pctv"));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(dir / "f.pctv"));
    ASSERT_TRUE(l.lib.FindIcons("Y", {ZIL_ID_ALL}, false, true, false, false, true));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{2}));
    // Only the keywords were needed.
    EXPECT_FALSE(l.lib.Icons().at(2).name);
}

TEST(FindHistory, MovesToFrontDropsRepeatsAndKeepsTheLimit) {
    std::vector<std::string> h = {"Star", "moon", "STAR", "sun"};
    EXPECT_EQ(ZsUpdateFindHistory(h, "star", 20), (std::vector<std::string>{"star", "moon", "sun"}));
    EXPECT_EQ(ZsUpdateFindHistory(h, "sky", 2), (std::vector<std::string>{"sky", "Star"}));
    EXPECT_TRUE(ZsUpdateFindHistory(h, "sky", 0).empty());
    EXPECT_EQ(ZsUpdateFindHistory(h, "\xC3\x84rger", 1), (std::vector<std::string>{"\xC3\x84rger"}));
    EXPECT_EQ(ZsUpdateFindHistory({"\xC3\xA4rger"}, "\xC3\x84RGER", 5),
              (std::vector<std::string>{"\xC3\x84RGER"}));
    std::vector<std::string> many;
    for (int i = 0; i < 25; ++i) {
        many = ZsUpdateFindHistory(many, "text " + std::to_string(i), 20);
    }
    ASSERT_EQ(many.size(), 20u);
    EXPECT_EQ(many.front(), "text 24");
    EXPECT_EQ(many.back(), "text 5");
}

TEST(FindHistory, StoredWithTheLimitOfTheOptions) {
    CZsMemIni ini;
    ZS_OPT_FIND_HISTORY.Set(2, ini);
    ZsAddFindHistory("one", ini);
    ZsAddFindHistory("two", ini);
    ZsAddFindHistory("ONE", ini);
    ZsAddFindHistory("three", ini);
    EXPECT_EQ(ZS_FIND_HISTORY.Get(ini), (std::vector<std::string>{"three", "ONE"}));
    ini.SetString("IDC_EDT_FIND_HISTORY", "0x3", "CDlgOpt");
    ZsAddFindHistory("four", ini);
    EXPECT_EQ(ZS_FIND_HISTORY.Get(ini).size(), 3u);
}

TEST(IconFind, StrayIdsFromADamagedFileAreHandled) {
    Named n({{"near", ""}, {"other", ""}});
    for (int32_t nId : {2147483000, -7, 0}) {
        n.lib.SetIconName(nId, "far");
    }
    n.lib.ListToNode(1, {1, 2147483000, -7, 0, 2147483000, 1});
    ASSERT_TRUE(n.lib.FindIcons("", {1}, false, false, false, true, false));
    EXPECT_EQ(n.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{1, 2147483000, -7, 0}));
    EXPECT_EQ(n.lib.GetIconName(2147483000), "far");
}

TEST(IconFind, HostileLongTextsFromAFile) {
    // Texts longer than the store lets in, as a damaged or hostile file holds them.
    test::TempDir dir;
    {
        Named n({{"first", ""}, {"second", ""}, {"third", ""}});
        ASSERT_TRUE(n.lib.Save(dir / "f.pctv"));
    }
    std::string sAb;
    for (int i = 0; i < 20000; ++i) {
        sAb += i % 2 ? 'a' : 'b';
    }
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(dir / "f.pctv"));
        ASSERT_TRUE(db.Exec("update icons set kwds='" + std::string(50000, 'k') + "' where id=1;"));
        ASSERT_TRUE(db.Exec("update icons set name='" + sAb + "' where id=2;"));
        ASSERT_TRUE(db.Exec("update icons set kwds='" + std::string(49999, 'k') + "x' where id=3;"));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(dir / "f.pctv"));
    ASSERT_TRUE(l.lib.FindIcons(".*x", {ZIL_ID_ALL}, false, false, true, true, true));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{3}));
    // No text holds a "c".
    ASSERT_TRUE(l.lib.FindIcons("(a|b)*c", {ZIL_ID_ALL}, false, false, true, true, true));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), ZIL_LIST{});
    ASSERT_TRUE(l.lib.FindIcons("(b|a)+", {ZIL_ID_ALL}, true, true, true, true, false));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{2}));
    // What is read from the file stays as it is: the limits apply where texts are set.
    EXPECT_EQ(l.lib.GetIconKeywords(1).size(), 50000u);
}
