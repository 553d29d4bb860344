#include "icon/ZsIconLibrary.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ModuleFixtures.h"
#include "TestSupport.h"
#include "common/ZsText.h"
#include "icon/ZsIcon.h"

namespace {

using test::IcoImage;

std::vector<std::vector<IcoImage>> ThreeGroups() {
    return {{test::DibImage(32, 32, 32, 0x21), test::DibImage(16, 16, 8, 0x22)},
            {test::DibImage(48, 48, 4, 0x23)},
            {test::PngStub(256, 256, 32, 40), test::DibImage(32, 32, 24, 0x24)}};
}

// Small images keep the files of the byte-by-byte tests small.
std::vector<std::vector<IcoImage>> SmallGroups() {
    return {{test::DibImage(8, 8, 32, 0x41), test::DibImage(8, 8, 4, 0x42)},
            {test::DibImage(16, 16, 1, 0x43)},
            {test::PngStub(256, 256, 32, 8), test::DibImage(4, 4, 8, 0x44)}};
}

std::filesystem::path WriteTemp(const test::TempDir& dir, const std::string& name,
                                const std::vector<uint8_t>& b) {
    std::filesystem::path p = dir / name;
    EXPECT_TRUE(ZsWriteFile(p, b));
    return p;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool HasLineEnding(const test::LogCapture& log, const std::string& tail) {
    for (const std::string& line : log.Lines()) {
        if (EndsWith(line, tail)) {
            return true;
        }
    }
    return false;
}

// Every group either fails or yields a block whose images are all readable and whose directory is exact.
// The header's reserved and type words are the group's own, so a damaged group may give a block that is
// not an icon (the importer refuses it); its directory is still exact.
void ExpectSoundOrRefused(CIconLibrary& lib) {
    for (int i = 0; i < lib.GetIconCount(); ++i) {
        ZsBlock data = lib.GetIconData(i);
        if (data.empty()) {
            continue;
        }
        ASSERT_GE(data.size(), 6u);
        size_t nCount = test::Get16(data, 4);
        ASSERT_GE(data.size(), 6 + 16 * nCount);
        size_t nEnd = 6 + 16 * nCount;
        for (size_t k = 0; k < nCount; ++k) {
            EXPECT_EQ(test::Get32(data, 6 + 16 * k + 12), nEnd);
            nEnd += test::Get32(data, 6 + 16 * k + 8);
        }
        EXPECT_EQ(nEnd, data.size());
        if (ZI_IsValidIcon(data)) {
            EXPECT_EQ(ZI_GetImageCount(data), static_cast<int>(nCount));
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// NE libraries

TEST(NeLibrary, ReadsGroupsNamesAndTraceLines) {
    test::TempDir dir;
    auto groups = ThreeGroups();
    test::NeLayout ne = test::MakeNe(groups, {"ICL", "Alpha", "@", "B\xE9ta"});
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", ne.bytes)));
    EXPECT_EQ(lib.mnType, CIconLibrary::TYPE_NE);
    ASSERT_EQ(lib.GetIconCount(), 3);
    EXPECT_EQ(lib.GetIconName(0), "Alpha");
    EXPECT_EQ(lib.GetIconName(1), "");
    EXPECT_EQ(lib.GetIconName(2), "B\xC3\xA9ta");
    EXPECT_EQ(lib.GetIconName(3), "");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lib.GetIconData(i), test::MakeIco(groups[static_cast<size_t>(i)])) << i;
    }
    ASSERT_GE(log.Lines().size(), 2u);
    EXPECT_EQ(log.Lines()[0],
              ZsFormat("CIconLibrary::ReadFileHeader: mwWin16Off=0x0040, mdwResTblStart=0x00000080, "
                       "mdwNamesTblStart=0x%08X",
                       lib.mdwNamesTblStart));
    EXPECT_EQ(log.Lines()[1],
              "CIconLibrary::ReadResourceTable: mwAlignShift=0x0004, mwGrpIconCnt=3, mwIconCnt=5, "
              "mssGrpIconNames.size()=3");
}

TEST(NeLibrary, FirstNameOtherThanIclIsKept) {
    test::TempDir dir;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", test::MakeNe(ThreeGroups(), {"One", "Two"}).bytes)));
    EXPECT_EQ(lib.GetIconName(0), "One");
    EXPECT_EQ(lib.GetIconName(1), "Two");
    EXPECT_EQ(lib.GetIconName(2), "");
}

TEST(NeLibrary, GroupsAreNamedByTheirOwnResourceIds) {
    test::TempDir dir;
    CIconLibrary lib;
    // Out of order, and a group with an integer id in the middle: each group takes the name its id points
    // at, and the integer id gives no name.
    ASSERT_TRUE(lib.Open(
        WriteTemp(dir, "a.icl", test::MakeNe(ThreeGroups(), {"ICL", "A", "B"}, 4, {2, -1, 1}).bytes)));
    EXPECT_EQ(lib.GetIconName(0), "B");
    EXPECT_EQ(lib.GetIconName(1), "");
    EXPECT_EQ(lib.GetIconName(2), "A");
    // Integer-named groups first, and a name of a resource of another type before the groups' names.
    ASSERT_TRUE(lib.Open(WriteTemp(
        dir, "b.icl", test::MakeNe(ThreeGroups(), {"ICL", "STRINGS", "Sun", "Moon"}, 4, {-1, 2, 3}).bytes)));
    EXPECT_EQ(lib.GetIconName(0), "");
    EXPECT_EQ(lib.GetIconName(1), "Sun");
    EXPECT_EQ(lib.GetIconName(2), "Moon");
    // A name offset past the end of the file gives no name, and the group stays readable.
    test::NeLayout ne = test::MakeNe(ThreeGroups(), {"ICL", "A", "B", "C"});
    test::Set16(ne.bytes, ne.nGroupEntries + 12 + 6, 0x7FF0);
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "c.icl", ne.bytes)));
    EXPECT_EQ(lib.GetIconName(1), "");
    EXPECT_EQ(lib.GetIconName(2), "C");
    EXPECT_FALSE(lib.GetIconData(1).empty());
}

TEST(NeLibrary, AlignmentAndIdsLocateTheResources) {
    test::TempDir dir;
    auto groups = SmallGroups();
    test::NeLayout ne = test::MakeNe(groups, {});
    ASSERT_LT(ne.bytes.size(), 0x1230u);
    // Shift 4, offset 0x0123, length 0x0002: the group is the 32 bytes at 0x1230.
    std::vector<uint8_t> group = test::GroupBytes(groups[1], 3);
    ne.bytes.resize(0x1230 + 32, 0);
    std::copy(group.begin(), group.end(), ne.bytes.begin() + 0x1230);
    test::Set16(ne.bytes, ne.nGroupEntries + 12, 0x0123);
    test::Set16(ne.bytes, ne.nGroupEntries + 12 + 2, 0x0002);
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", ne.bytes)));
    EXPECT_EQ(lib.mwAlignShift, 4);
    // The group's nID 3 names the icon resource 0x8003.
    EXPECT_EQ(lib.mpIconInfo[2].wId, 0x8003);
    EXPECT_EQ(lib.GetIconData(1), test::MakeIco(groups[1]));

    test::NeLayout wide = test::MakeNe(groups, {}, 9);
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "b.icl", wide.bytes)));
    EXPECT_EQ(lib.GetIconData(2), test::MakeIco(groups[2]));
}

TEST(NeLibrary, HeaderFaultsGiveTheirErrorLines) {
    test::TempDir dir;
    std::vector<uint8_t> good = test::MakeNe(ThreeGroups(), {}).bytes;
    struct Case {
        std::function<void(std::vector<uint8_t>&)> damage;
        std::string tail;
    } cases[] = {
        {[](std::vector<uint8_t>& b) {
             test::Set16(b, 0x3C, 0x20);
             b[0x20] = 'N';
             b[0x21] = 'E';
         },
         ">CIconLibrary::ReadFileHeader: mwWin16Off=0x0020"},
        {[](std::vector<uint8_t>& b) { test::Set16(b, 0x40 + 36, 0); },
         ">CIconLibrary::ReadFileHeader: wResTblOff=0"},
        {[](std::vector<uint8_t>& b) { test::Set16(b, 0x40 + 38, 0); },
         ">CIconLibrary::ReadFileHeader: wNamesTblOff=0"},
        // The icon type renamed to another type: no icon table.
        {[](std::vector<uint8_t>& b) { test::Set16(b, 0x80 + 2 + 8 + 12 + 8 + 12 * 3, 0x8005); },
         ">CIconLibrary::ReadResourceTable: ReadResourceTable"},
        // The resource table past the end of the file.
        {[](std::vector<uint8_t>& b) { test::Set16(b, 0x40 + 36, 0xFFF0); },
         ">CIconLibrary::ReadResourceTable: ReadResourceTable"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        c.damage(b);
        test::LogCapture log;
        CIconLibrary lib;
        EXPECT_FALSE(lib.Open(WriteTemp(dir, "bad.icl", b))) << c.tail;
        EXPECT_EQ(lib.mnType, 0);
        EXPECT_TRUE(HasLineEnding(log, c.tail)) << c.tail;
    }
}

TEST(NeLibrary, FileKindNeedsMzAndSignature) {
    test::TempDir dir;
    std::vector<uint8_t> b = test::MakeNe(ThreeGroups(), {}).bytes;
    EXPECT_EQ(CIconLibrary::GetFileKind(b), CIconLibrary::TYPE_NE);
    b[0x40] = 'X';
    EXPECT_EQ(CIconLibrary::GetFileKind(b), CIconLibrary::TYPE_UNKNOWN);
    test::LogCapture log;
    CIconLibrary lib;
    EXPECT_FALSE(lib.Open(WriteTemp(dir, "x.icl", b)));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(lib.Open(dir / "missing.icl"));
    EXPECT_EQ(CIconLibrary::GetFileKind(std::vector<uint8_t>{'M', 'Z'}), CIconLibrary::TYPE_UNKNOWN);
}

TEST(NeLibrary, MissingOrShortImagesAreDroppedFromTheBlock) {
    test::TempDir dir;
    auto groups = ThreeGroups();
    test::NeLayout ne = test::MakeNe(groups, {});
    // The first image of group 0 has no icon resource; the second image of group 2 is cut short.
    test::Set16(ne.bytes, ne.nIconEntries + 6, 0x8040);
    test::Set16(ne.bytes, ne.nIconEntries + 12 * 4 + 2, 1);
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", ne.bytes)));
    EXPECT_EQ(lib.GetIconData(0), test::MakeIco({groups[0][1]}));
    EXPECT_TRUE(HasLineEnding(log, "nIdx=0: icon resource 1 is missing, image dropped"));
    EXPECT_EQ(lib.GetIconData(2), test::MakeIco({groups[2][0]}));
    EXPECT_TRUE(HasLineEnding(log, ZsFormat("nIdx=2: icon resource 5 holds 16 of %zu bytes, image dropped",
                                            groups[2][1].data.size())));
}

TEST(NeLibrary, OutOfRangeGroupsAndShiftsAreRefused) {
    test::TempDir dir;
    test::NeLayout ne = test::MakeNe(ThreeGroups(), {});
    test::Set16(ne.bytes, ne.nGroupEntries + 12, 0xFFFF);      // group 1 far beyond the file
    test::Set16(ne.bytes, ne.nGroupEntries + 24 + 2, 0xFFFF);  // group 2 runs past the end
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", ne.bytes)));
    EXPECT_FALSE(lib.GetIconData(0).empty());
    EXPECT_TRUE(lib.GetIconData(1).empty());
    EXPECT_TRUE(lib.GetIconData(2).empty());
    EXPECT_TRUE(lib.GetIconData(3).empty());
    EXPECT_TRUE(lib.GetIconData(-1).empty());
    EXPECT_TRUE(HasLineEnding(log, ">CIconLibrary::GetIconData: nIdx=3"));

    for (uint16_t wShift : {uint16_t{32}, uint16_t{40}, uint16_t{0xFFFF}}) {
        std::vector<uint8_t> b = ne.bytes;
        test::Set16(b, 0x80, wShift);
        CIconLibrary shifted;
        ASSERT_TRUE(shifted.Open(WriteTemp(dir, "s.icl", b)));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(shifted.GetIconData(i).empty()) << wShift;
        }
    }
}

TEST(NeLibrary, GroupCountBeyondItsResourceIsRefused) {
    test::TempDir dir;
    test::NeLayout ne = test::MakeNe(ThreeGroups(), {});
    size_t nGroup = size_t{test::Get16(ne.bytes, ne.nGroupEntries)} << 4;
    test::Set16(ne.bytes, nGroup + 4, 9000);
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", ne.bytes)));
    EXPECT_TRUE(lib.GetIconData(0).empty());
}

namespace {

// A group resource whose entries all name one image of the library.
std::vector<uint8_t> RepeatingGroup(size_t nEntries, const IcoImage& image) {
    std::vector<uint8_t> group = test::GroupBytes(std::vector<IcoImage>(nEntries, image), 1);
    for (size_t k = 0; k < nEntries; ++k) {
        test::Set16(group, 6 + 14 * k + 12, 1);
    }
    return group;
}

}  // namespace

TEST(NeLibrary, GroupNamingOneImageOverAndOverIsRefusedBeyondTheFile) {
    test::TempDir dir;
    std::vector<IcoImage> one(1, test::DibImage(1, 1, 1));
    test::NeLayout ne = test::MakeNe({one}, {});
    const size_t nGroupAt = ne.nGroupEntries;
    auto withGroup = [&](const std::vector<uint8_t>& group) {
        std::vector<uint8_t> b = ne.bytes;
        test::Set16(b, nGroupAt, static_cast<uint16_t>(b.size() >> 4));
        test::Set16(b, nGroupAt + 2, static_cast<uint16_t>((group.size() + 15) >> 4));
        b.insert(b.end(), group.begin(), group.end());
        b.resize((b.size() + 15) / 16 * 16, 0);
        return b;
    };
    // Three copies fit the file: each is placed and counted.
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", withGroup(RepeatingGroup(3, one[0])))));
    ZsBlock data = lib.GetIconData(0);
    ASSERT_EQ(ZI_GetImageCount(data), 3);
    EXPECT_EQ(data.size(), 6 + 3 * (16 + one[0].data.size()));
    // 65535 copies (3.7 MB from a file of under 1 MB) are refused before anything is copied.
    test::LogCapture log;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "b.icl", withGroup(RepeatingGroup(65535, one[0])))));
    EXPECT_TRUE(lib.GetIconData(0).empty());
    EXPECT_TRUE(log.Contains("the group's images add up to more than the file's"));
}

TEST(NeLibrary, EveryTruncationIsSafe) {
    test::TempDir dir;
    std::vector<uint8_t> good = test::MakeNe(SmallGroups(), {"ICL", "A", "B", "C"}).bytes;
    test::LogCapture quiet;
    for (size_t n = 0; n < good.size(); ++n) {
        CIconLibrary lib;
        if (lib.Open(dir / "t.icl", ZsBlock(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)))) {
            ExpectSoundOrRefused(lib);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// PE modules

class PeModule : public ::testing::TestWithParam<bool> {};

TEST_P(PeModule, ReadsGroupsInEnumerationOrder) {
    test::TempDir dir;
    auto groups = ThreeGroups();
    groups.push_back({test::DibImage(24, 24, 32, 0x31)});
    // Directory order: an id, a name, a lower id, another name; the icons listed with ids descending.
    test::PeOptions opt;
    opt.b64 = GetParam();
    std::vector<test::PeRes> res = test::IconResources(groups, {7, u"ZETA", 2, u"Alpha"});
    std::stable_partition(res.begin(), res.end(), [](const test::PeRes& r) { return r.type.nId == 14; });
    std::reverse(res.begin() + 4, res.end());
    test::PeLayout pe = test::MakePe(res, opt);
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "m.dll", pe.bytes)));
    EXPECT_EQ(lib.mnType, CIconLibrary::TYPE_PE);
    EXPECT_EQ(lib.mhModule->Is64(), GetParam());
    ASSERT_EQ(lib.GetIconCount(), 4);
    EXPECT_EQ(lib.mssGrpNames, (std::vector<std::string>{"ZETA", "Alpha", "#2", "#7"}));
    EXPECT_EQ(lib.GetIconName(2), "#2");
    EXPECT_EQ(lib.GetIconData(0), test::MakeIco(groups[1]));
    EXPECT_EQ(lib.GetIconData(1), test::MakeIco(groups[3]));
    EXPECT_EQ(lib.GetIconData(2), test::MakeIco(groups[2]));
    EXPECT_EQ(lib.GetIconData(3), test::MakeIco(groups[0]));
}

TEST_P(PeModule, NamesResourceNamesGroupsByPosition) {
    test::TempDir dir;
    auto groups = ThreeGroups();
    test::PeOptions opt;
    opt.b64 = GetParam();
    std::vector<test::PeRes> res = test::IconResources(groups, {1, 2, 3});
    res.push_back(test::PeRes{301, 1, 0, test::NamesBytes({"ICL", "A", "", "B\xE9"})});
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.icl", test::MakePe(res, opt).bytes)));
    EXPECT_EQ(lib.GetIconName(0), "A");
    EXPECT_EQ(lib.GetIconName(1), "");
    EXPECT_EQ(lib.GetIconName(2), "B\xC3\xA9");

    // Not beginning with the marker: every string names a group; groups beyond the names keep "#id".
    res.back().data = test::NamesBytes({"First"});
    // A length byte running past the end stops the names.
    res.back().data.push_back(40);
    res.back().data.push_back('x');
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "b.icl", test::MakePe(res, opt).bytes)));
    EXPECT_EQ(lib.mssGrpIconNames, std::vector<std::string>{"First"});
    EXPECT_EQ(lib.GetIconName(0), "First");
    EXPECT_EQ(lib.GetIconName(1), "#2");
    EXPECT_EQ(lib.GetIconName(2), "#3");
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeModule, ::testing::Values(false, true));

TEST(PeModuleEdge, ModulesWithoutIconsOpenEmpty) {
    test::TempDir dir;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "t.icl", ZsMakeTemplateModule())));
    EXPECT_EQ(lib.GetIconCount(), 0);
    test::PeLayout pe = test::MakePe({test::PeRes{6, 1, 0, {1, 2, 3}}});
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "s.dll", pe.bytes)));
    EXPECT_EQ(lib.GetIconCount(), 0);
    // No resource directory at all.
    test::Set32(pe.bytes, pe.nOpt + 96 + 16, 0);
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "n.dll", pe.bytes)));
    EXPECT_EQ(lib.GetIconCount(), 0);
}

TEST(PeModuleEdge, ResourceLookupByTextAndErrors) {
    auto groups = ThreeGroups();
    CZsPeModule module;
    ASSERT_TRUE(module.Load(test::MakePe(test::IconResources(groups, {101, u"Main", 5})).bytes));
    uint32_t dwSize = 0;
    const uint8_t* p = ZsGetResourceData(module, CZsResName::FromText("#101"), CZsResName(14), &dwSize);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(dwSize, 6u + 14u * 2u);
    EXPECT_NE(ZsGetResourceData(module, CZsResName::FromText("main"), CZsResName(14)), nullptr);
    EXPECT_EQ(CZsResName::FromText("#70000").bIsId, false);
    EXPECT_EQ(CZsResName::FromText("#12a").bIsId, false);
    test::LogCapture log;
    EXPECT_EQ(ZsGetResourceData(module, CZsResName(99), CZsResName(14)), nullptr);
    EXPECT_TRUE(HasLineEnding(log, ">ZsGetResourceData: FindResource"));
}

namespace {

// Offsets inside the resource section of MakePe(IconResources(ThreeGroups(), {1, 2, 3})): the root lists
// type 14 then type 3.
struct RsrcMap {
    size_t nRoot;
    size_t nGroupDir;  // directory of type 14
    size_t nIconDir;   // directory of type 3
};

RsrcMap MapOf(const test::PeLayout& pe) {
    RsrcMap m{pe.nRsrc, 0, 0};
    m.nGroupDir = pe.nRsrc + (test::Get32(pe.bytes, pe.nRsrc + 20) & 0x7FFFFFFF);
    m.nIconDir = pe.nRsrc + (test::Get32(pe.bytes, pe.nRsrc + 28) & 0x7FFFFFFF);
    return m;
}

// The data entry of the k-th name of a type directory (first language).
size_t DataEntryOf(const test::PeLayout& pe, size_t nTypeDir, size_t k) {
    size_t nNameDir = pe.nRsrc + (test::Get32(pe.bytes, nTypeDir + 16 + 8 * k + 4) & 0x7FFFFFFF);
    return pe.nRsrc + test::Get32(pe.bytes, nNameDir + 20);
}

}  // namespace

TEST(PeModuleDamage, MissingAndShortImagesAreDropped) {
    test::TempDir dir;
    auto groups = ThreeGroups();
    test::PeLayout pe = test::MakePe(test::IconResources(groups, {1, 2, 3}));
    RsrcMap m = MapOf(pe);
    // Icon 1 renamed to 77 (missing); icon 5 two bytes short; icon 3 pointing past the file.
    test::Set32(pe.bytes, m.nIconDir + 16, 77);
    size_t nFive = DataEntryOf(pe, m.nIconDir, 4);
    test::Set32(pe.bytes, nFive + 4, test::Get32(pe.bytes, nFive + 4) - 2);
    size_t nThree = DataEntryOf(pe, m.nIconDir, 2);
    test::Set32(pe.bytes, nThree, 0x00FFFFF0);
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "m.dll", pe.bytes)));
    EXPECT_EQ(lib.GetIconData(0), test::MakeIco({groups[0][1]}));
    EXPECT_TRUE(HasLineEnding(log, ">CIconLibrary::GetIconData: ZsGetResourceData(1), image dropped"));
    EXPECT_EQ(lib.GetIconData(1), test::MakeIco({}));
    EXPECT_TRUE(HasLineEnding(log, ">ZsGetResourceData: LoadResource"));
    EXPECT_EQ(lib.GetIconData(2), test::MakeIco({groups[2][0]}));
    EXPECT_TRUE(
        HasLineEnding(log, ZsFormat(">CIconLibrary::GetIconData: ZsGetResourceData(5), %zu of %zu bytes, "
                                    "image dropped",
                                    groups[2][1].data.size() - 2, groups[2][1].data.size())));
}

TEST(PeModuleDamage, UnreadableGroupIsRefused) {
    test::TempDir dir;
    test::PeLayout pe = test::MakePe(test::IconResources(ThreeGroups(), {1, 2, 3}));
    RsrcMap m = MapOf(pe);
    size_t nGroup = DataEntryOf(pe, m.nGroupDir, 1);
    test::Set32(pe.bytes, nGroup + 4, 0xFFFFFFF0u);  // size beyond the file
    size_t nGroup2 = DataEntryOf(pe, m.nGroupDir, 2);
    test::Set32(pe.bytes, nGroup2 + 4, 20);  // claims 3 entries in 20 bytes
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "m.dll", pe.bytes)));
    EXPECT_FALSE(lib.GetIconData(0).empty());
    EXPECT_TRUE(lib.GetIconData(1).empty());
    EXPECT_TRUE(HasLineEnding(log, ">CIconLibrary::GetIconData: ZsGetResourceData"));
    EXPECT_TRUE(lib.GetIconData(2).empty());
}

TEST(PeModuleDamage, BytesNamedOverAndOverAreRefusedBeyondTheFile) {
    test::TempDir dir;
    const IcoImage image = test::DibImage(8, 8, 8);
    // One group naming one image 65535 times: 72 MB from a module of under 1 MB.
    std::vector<test::PeRes> res{test::PeRes{14, 1, 0, RepeatingGroup(65535, image)},
                                 test::PeRes{3, 1, 0, image.data}};
    test::LogCapture log;
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(WriteTemp(dir, "a.dll", test::MakePe(res).bytes)));
    EXPECT_TRUE(lib.GetIconData(0).empty());
    EXPECT_TRUE(log.Contains("the group's images add up to more than the file's"));
    // 2000 groups whose names all point at one name of 30,000 characters: 120 MB of names from a module
    // of under 100 KB.
    res.clear();
    for (int i = 0; i < 2000; ++i) {
        const std::u16string name =
            i == 0 ? std::u16string(30000, u'A') : u"B" + ZsUtf8ToUtf16(std::to_string(i));
        res.push_back(test::PeRes{14, name.c_str(), 0, {0, 0, 1, 0, 0, 0}});
    }
    test::PeLayout pe = test::MakePe(res);
    const size_t nTypeDir = pe.nRsrc + (test::Get32(pe.bytes, pe.nRsrc + 20) & 0x7FFFFFFF);
    const uint32_t dwLongName = test::Get32(pe.bytes, nTypeDir + 16);
    for (size_t k = 0; k < 2000; ++k) {
        test::Set32(pe.bytes, nTypeDir + 16 + 8 * k, dwLongName);
    }
    EXPECT_FALSE(lib.Open(WriteTemp(dir, "b.dll", pe.bytes)));
    EXPECT_NE(lib.GetError().find("share their text"), std::string::npos) << lib.GetError();
    CZsPeModule module;
    ASSERT_TRUE(module.Load(pe.bytes));
    std::vector<ZS_PE_RESOURCE> all;
    EXPECT_FALSE(module.ReadAll(&all));
    ZsBytes data;
    EXPECT_EQ(module.Find(CZsResName(14), CZsResName::FromString(u"A"), &data),
              CZsPeModule::FindResult::Damaged);
}

TEST(PeModuleDamage, LoopsDeepNestingAndOverrunsAreRefused) {
    test::TempDir dir;
    const test::PeLayout good = test::MakePe(test::IconResources(ThreeGroups(), {1, 2, 3}));
    const RsrcMap m = MapOf(good);
    const size_t nRoot = good.nRsrc;
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        bool bOpens;
    } cases[] = {
        {"group name directory points back to the root",
         [&](std::vector<uint8_t>& b) { test::Set32(b, m.nGroupDir + 20, 0x80000000u); }, true},
        {"group name directory points to the type directory",
         [&](std::vector<uint8_t>& b) {
             test::Set32(b, m.nGroupDir + 20, 0x80000000u | static_cast<uint32_t>(m.nGroupDir - nRoot));
         },
         true},
        {"language entry nests one level deeper",
         [&](std::vector<uint8_t>& b) {
             size_t nNameDir = nRoot + (test::Get32(b, m.nGroupDir + 20) & 0x7FFFFFFF);
             test::Set32(b, nNameDir + 20, 0x80000000u | static_cast<uint32_t>(m.nGroupDir - nRoot));
         },
         true},
        {"type directory is the root",
         [&](std::vector<uint8_t>& b) { test::Set32(b, nRoot + 20, 0x80000000u); }, false},
        {"type entry is data, not a directory",
         [&](std::vector<uint8_t>& b) { test::Set32(b, nRoot + 20, 0x40); }, false},
        {"entry count runs past the section",
         [&](std::vector<uint8_t>& b) { test::Set16(b, m.nGroupDir + 14, 0xFFFF); }, false},
        {"directory offset past the section",
         [&](std::vector<uint8_t>& b) { test::Set32(b, nRoot + 20, 0xFFFFFF00u); }, false},
        {"name string runs past the section",
         [&](std::vector<uint8_t>& b) {
             size_t nStr = b.size() - good.nRsrc - 8;
             test::Set32(b, m.nGroupDir + 16, 0x80000000u | static_cast<uint32_t>(nStr));
             test::Set16(b, good.nRsrc + nStr, 0x4000);
         },
         false},
        {"resource directory RVA outside every section",
         [&](std::vector<uint8_t>& b) { test::Set32(b, good.nOpt + 96 + 16, 0x00900000); }, false},
        {"section table past the end", [&](std::vector<uint8_t>& b) { test::Set16(b, 0x80 + 6, 0x4000); },
         false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good.bytes;
        c.damage(b);
        test::LogCapture log;
        CIconLibrary lib;
        bool bOpened = lib.Open(WriteTemp(dir, "m.dll", b));
        EXPECT_EQ(bOpened, c.bOpens) << c.what;
        if (bOpened) {
            EXPECT_TRUE(lib.GetIconData(0).empty()) << c.what;
            ExpectSoundOrRefused(lib);
        } else {
            EXPECT_TRUE(
                HasLineEnding(log, ">CIconLibrary::Open: LoadLibraryEx: " + ZsPathToUtf8(dir / "m.dll")))
                << c.what;
            EXPECT_FALSE(lib.GetError().empty());
        }
    }
}

TEST(PeModuleDamage, EveryTruncationIsSafe) {
    test::TempDir dir;
    std::vector<test::PeRes> res = test::IconResources(SmallGroups(), {1, u"Two", 3});
    res.push_back(test::PeRes{301, 1, 0, test::NamesBytes({"ICL", "A", "B", "C"})});
    for (bool b64 : {false, true}) {
        test::PeOptions opt;
        opt.b64 = b64;
        std::vector<uint8_t> good = test::MakePe(res, opt).bytes;
        test::LogCapture quiet;
        for (size_t n = 0; n < good.size(); ++n) {
            std::vector<uint8_t> b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
            CZsPeModule module;
            if (!module.Load(b)) {
                continue;
            }
            CIconLibrary lib;
            if (lib.Open(dir / "t.dll", b)) {
                ExpectSoundOrRefused(lib);
            }
            std::vector<ZS_PE_RESOURCE> all;
            module.ReadAll(&all);
        }
    }
}

// Seeded random damage to sound modules: whatever is opened must read soundly or refuse, never misbehave
// (run under the sanitizers this catches any read outside the bytes).
TEST(ModuleDamage, RandomByteDamageIsSafe) {
    test::TempDir dir;
    std::vector<test::PeRes> res = test::IconResources(SmallGroups(), {u"First", 2, 3});
    res.push_back(test::PeRes{301, 1, 0, test::NamesBytes({"ICL", "A", "B", "C"})});
    const std::vector<std::vector<uint8_t>> goods = {
        test::MakeNe(SmallGroups(), {"ICL", "A", "@", "C"}).bytes, test::MakePe(res).bytes};
    std::mt19937 rng(20261208);
    test::LogCapture quiet;
    for (const std::vector<uint8_t>& good : goods) {
        for (int round = 0; round < 1500; ++round) {
            std::vector<uint8_t> b = good;
            int nFlips = 1 + static_cast<int>(rng() % 8);
            for (int k = 0; k < nFlips; ++k) {
                size_t at = rng() % b.size();
                b[at] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
            }
            CIconLibrary lib;
            if (lib.Open(dir / "r.dll", b)) {
                ExpectSoundOrRefused(lib);
                for (int i = 0; i < lib.GetIconCount(); ++i) {
                    lib.GetIconName(i);
                }
            }
        }
    }
}
