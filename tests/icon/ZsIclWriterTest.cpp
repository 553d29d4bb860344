#include "icon/ZsIclWriter.h"

#include <gtest/gtest.h>

#include <random>

#include "ModuleFixtures.h"
#include "TestSupport.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPe.h"

namespace {

using test::IcoImage;

std::filesystem::path MakeTemplate(const test::TempDir& dir) {
    std::filesystem::path p = dir / "Template.icl";
    EXPECT_TRUE(ZsWriteFile(p, ZsMakeTemplateModule()));
    return p;
}

ZsBytes ResourceOf(const CZsPeModule& module, uint16_t wType, uint16_t wName) {
    ZsBytes data;
    EXPECT_EQ(module.Find(CZsResName(wType), CZsResName(wName), &data), CZsPeModule::FindResult::Found)
        << wType << "/" << wName;
    return data;
}

// The resource directory at nDir (an offset from nRes, the section's start in the file), read from the raw
// bytes: at every level the named entries come first, sorted by their names in capitals, then the ids in
// ascending order, as readers that search the entries expect.
void ExpectDirectoryOrder(const ZsBlock& image, uint64_t nRes, uint64_t nDir, int nLevel) {
    ASSERT_LE(nRes + nDir + 16, image.size());
    const uint16_t nNamed = test::Get16(image, nRes + nDir + 12);
    const uint16_t nIds = test::Get16(image, nRes + nDir + 14);
    ASSERT_LE(nRes + nDir + 16 + 8 * (nNamed + nIds), image.size());
    std::u16string sPrevious;
    for (uint32_t i = 0; i < uint32_t{nNamed} + nIds; ++i) {
        const uint64_t nEntry = nRes + nDir + 16 + 8 * i;
        const uint32_t dwName = test::Get32(image, nEntry), dwTarget = test::Get32(image, nEntry + 4);
        ASSERT_EQ((dwName >> 31) != 0, i < nNamed) << "level " << nLevel << " entry " << i;
        if (i < nNamed) {
            const uint64_t nAt = nRes + (dwName & 0x7FFFFFFF);
            std::u16string sName;
            for (uint16_t k = 0; k < test::Get16(image, nAt); ++k) {
                const char16_t c = test::Get16(image, nAt + 2 + 2 * k);
                sName += c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
            }
            EXPECT_TRUE(i == 0 || sPrevious < sName) << "level " << nLevel << " entry " << i;
            sPrevious = sName;
        } else if (i > nNamed) {
            EXPECT_LT(test::Get32(image, nEntry - 8), dwName) << "level " << nLevel << " entry " << i;
        }
        ASSERT_EQ((dwTarget >> 31) != 0, nLevel < 2);
        if (nLevel < 2) {
            ExpectDirectoryOrder(image, nRes, dwTarget & 0x7FFFFFFF, nLevel + 1);
        }
    }
}

// The header fields the writer must keep consistent, checked against the sections themselves, and the order
// of the resource directory.
void ExpectConsistentHeaders(const ZsBlock& image) {
    CZsPeModule module;
    ASSERT_TRUE(module.Load(image)) << module.GetError();
    const uint64_t nOpt = module.OptionalHeaderOffset();
    const uint32_t dwSecAlign = test::Get32(image, nOpt + 32);
    const uint32_t dwFileAlign = test::Get32(image, nOpt + 36);
    uint64_t nEnd = 0;
    bool bResourceSection = false;
    for (const CZsPeModule::Section& s : module.Sections()) {
        EXPECT_EQ(s.dwPointerToRawData % dwFileAlign, 0u);
        EXPECT_EQ(s.dwSizeOfRawData % dwFileAlign, 0u);
        EXPECT_LE(uint64_t{s.dwPointerToRawData} + s.dwSizeOfRawData, image.size());
        nEnd = std::max<uint64_t>(nEnd, uint64_t{s.dwVirtualAddress} + s.dwVirtualSize);
        if (s.dwVirtualAddress == module.ResourceRva()) {
            bResourceSection = true;
            EXPECT_EQ(test::Get32(image, module.DataDirectoryOffset() + 20), s.dwVirtualSize);
            ExpectDirectoryOrder(image, s.dwPointerToRawData, 0, 0);
        }
    }
    EXPECT_TRUE(bResourceSection);
    EXPECT_EQ(test::Get32(image, nOpt + 56), (nEnd + dwSecAlign - 1) / dwSecAlign * dwSecAlign);
    std::vector<ZS_PE_RESOURCE> all;
    EXPECT_TRUE(module.ReadAll(&all)) << module.GetError();
}

}  // namespace

TEST(IconLibraryTemplate, IsAnEmptyResourceOnlyPe32Dll) {
    ZsBlock image = ZsMakeTemplateModule();
    CZsPeModule module;
    ASSERT_TRUE(module.Load(image));
    EXPECT_FALSE(module.Is64());
    EXPECT_EQ(test::Get16(image, 0x40 + 22) & 0x2000, 0x2000);  // a DLL
    ASSERT_EQ(module.Sections().size(), 1u);
    std::vector<ZS_PE_RESOURCE> all;
    EXPECT_TRUE(module.ReadAll(&all));
    EXPECT_TRUE(all.empty());
    ExpectConsistentHeaders(image);
}

TEST(IconLibraryWriter, ExportWritesGroupsIconsAndNames) {
    test::TempDir dir;
    std::filesystem::path tmpl = MakeTemplate(dir);
    std::vector<uint8_t> sun = test::MakeIco(
        {test::DibImage(32, 32, 32, 1), test::DibImage(16, 16, 8, 2), test::PngStub(256, 256, 32, 64)});
    std::vector<uint8_t> moon = test::MakeIco({test::DibImage(48, 48, 4, 3), test::DibImage(24, 24, 1, 4)});
    std::filesystem::path lib = dir / "out.icl";
    CIconLibraryWriter writer;
    ASSERT_TRUE(writer.Begin(lib, tmpl));
    EXPECT_TRUE(writer.AddIcon(sun, "Sun"));
    EXPECT_TRUE(writer.AddIcon(moon, "Moon"));
    EXPECT_EQ(writer.End(), ZI_UPDATE_OK);
    EXPECT_TRUE(writer.GetFailed().empty());
    // No temporary file is left beside the library.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    std::optional<ZsBlock> image = ZsReadFile(lib);
    ASSERT_TRUE(image);
    ExpectConsistentHeaders(*image);
    CZsPeModule module;
    ASSERT_TRUE(module.Load(*image));
    std::vector<CZsResName> groups, icons;
    ASSERT_TRUE(module.EnumNames(CZsResName(14), &groups));
    ASSERT_TRUE(module.EnumNames(CZsResName(3), &icons));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].nId, 2);
    ASSERT_EQ(icons.size(), 5u);
    EXPECT_EQ(icons[4].nId, 5);
    // Group 2 lists icons 4 and 5; the PNG image is stored unchanged.
    ZsBytes group2 = ResourceOf(module, 14, 2);
    EXPECT_EQ(test::Get16(std::vector<uint8_t>(group2.begin(), group2.end()), 6 + 12), 4);
    std::vector<ZI_ENTRY> sunEntries = ZI_GetEntries(sun);
    ZsBytes png = ResourceOf(module, 3, 3);
    EXPECT_TRUE(std::equal(png.begin(), png.end(), sunEntries[2].image.begin(), sunEntries[2].image.end()));
    ZsBytes names = ResourceOf(module, 301, 1);
    EXPECT_EQ(std::vector<uint8_t>(names.begin(), names.end()),
              (std::vector<uint8_t>{3, 'I', 'C', 'L', 3, 'S', 'u', 'n', 4, 'M', 'o', 'o', 'n'}));

    CIconLibrary reader;
    ASSERT_TRUE(reader.Open(lib));
    ASSERT_EQ(reader.GetIconCount(), 2);
    EXPECT_EQ(reader.GetIconName(0), "Sun");
    EXPECT_EQ(reader.GetIconName(1), "Moon");
    EXPECT_EQ(reader.GetIconData(0), sun);
    EXPECT_EQ(reader.GetIconData(1), moon);
}

// The export adds every icon to one update and writes the library once: the bytes are those of one update
// of the file per icon and one for the names, with an icon that cannot be added skipped in both.
TEST(IconLibraryWriter, OneWriteGivesTheBytesOfOneUpdatePerIcon) {
    test::TempDir dir;
    std::filesystem::path tmpl = MakeTemplate(dir);
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> icons = {
        {test::MakeIco({test::DibImage(32, 32, 32, 1), test::DibImage(16, 16, 8, 2)}), "Sun"},
        {test::MakeIco({test::PngStub(256, 256, 32, 80)}), ""},
        {{0, 0, 2, 0, 1, 0}, "Broken"},
        {test::MakeIco(
             {test::DibImage(48, 48, 4, 3), test::DibImage(24, 24, 1, 4), test::DibImage(8, 8, 32, 5)}),
         "Caf\xC3\xA9 \xE2\x98\x83"},
    };
    const std::filesystem::path oneByOne = dir / "one-by-one.icl";
    std::filesystem::copy_file(tmpl, oneByOne);
    test::LogCapture log;
    int nGroup = 1, nIcon = 1;
    std::vector<std::string> names;
    for (const auto& [ico, sName] : icons) {
        if (ZI_UpdateIconResource(oneByOne, ico, nGroup, nIcon) == ZI_UPDATE_OK) {
            names.push_back(sName);
        }
        ++nGroup;
        nIcon += ZI_GetImageCount(ico);
    }
    ASSERT_EQ(ZI_UpdateIconNames(oneByOne, names), ZI_UPDATE_OK);

    CIconLibraryWriter writer;
    ASSERT_TRUE(writer.Begin(dir / "at-once.icl", tmpl));
    for (const auto& [ico, sName] : icons) {
        writer.AddIcon(ico, sName);
    }
    EXPECT_EQ(writer.End(), ZI_UPDATE_OK);
    EXPECT_EQ(writer.GetFailed(), std::vector<int>{2});
    const std::optional<ZsBlock> expected = ZsReadFile(oneByOne);
    ASSERT_TRUE(expected);
    EXPECT_EQ(ZsReadFile(dir / "at-once.icl"), expected);
    CIconLibrary reader;
    ASSERT_TRUE(reader.Open(dir / "at-once.icl"));
    ASSERT_EQ(reader.GetIconCount(), 3);
    EXPECT_EQ(reader.GetIconName(0), "Sun");
    EXPECT_EQ(reader.GetIconName(2), "Caf\xC3\xA9 ?");
    EXPECT_EQ(reader.GetIconData(2), icons[3].first);
}

// Nothing reaches the destination before End; a writer whose copy is not a module adds nothing.
TEST(IconLibraryWriter, WritesOnlyAtTheEnd) {
    test::TempDir dir;
    std::filesystem::path tmpl = MakeTemplate(dir);
    std::vector<uint8_t> ico = test::MakeIco({test::DibImage(16, 16, 32, 1)});
    CIconLibraryWriter writer;
    ASSERT_TRUE(writer.Begin(dir / "x.icl", tmpl));
    EXPECT_TRUE(writer.AddIcon(ico, "A"));
    EXPECT_EQ(ZsReadFile(dir / "x.icl"), ZsReadFile(tmpl));
    EXPECT_EQ(writer.End(), ZI_UPDATE_OK);
    EXPECT_NE(ZsReadFile(dir / "x.icl"), ZsReadFile(tmpl));

    ZsWriteFile(dir / "text.icl", std::vector<uint8_t>{'M', 'Z', 0, 0});
    test::LogCapture log;
    ASSERT_TRUE(writer.Begin(dir / "y.icl", dir / "text.icl"));
    EXPECT_FALSE(writer.AddIcon(ico, "A"));
    EXPECT_EQ(writer.End(), ZI_UPDATE_CANNOT_OPEN);
    EXPECT_EQ(writer.GetFailedNames(), std::vector<std::string>{"A"});
}

TEST(IconLibraryWriter, NamesAreWindows1252CutTo255Bytes) {
    std::string sLong(300, 'x');
    ZsBlock names = ZI_MakeIconNames({"", "Caf\xC3\xA9", "Snow\xE2\x98\x83", sLong});
    std::vector<uint8_t> expected = {3,    'I', 'C', 'L', 0,   4,   'C', 'a', 'f',
                                     0xE9, 5,   'S', 'n', 'o', 'w', '?', 255};
    expected.insert(expected.end(), 255, 'x');
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ZsParseIconNames(names),
              (std::vector<std::string>{"", "Caf\xC3\xA9", "Snow?", std::string(255, 'x')}));
}

TEST(IconLibraryWriter, ReturnCodes) {
    test::TempDir dir;
    std::filesystem::path tmpl = MakeTemplate(dir);
    std::vector<uint8_t> ico = test::MakeIco({test::DibImage(16, 16, 32)});
    test::LogCapture log;
    EXPECT_EQ(ZI_UpdateIconResource(dir / "missing.icl", ico, 1, 1), ZI_UPDATE_CANNOT_OPEN);
    ZsWriteFile(dir / "text.icl", std::vector<uint8_t>{'M', 'Z', 0, 0});
    EXPECT_EQ(ZI_UpdateIconResource(dir / "text.icl", ico, 1, 1), ZI_UPDATE_CANNOT_OPEN);
    EXPECT_EQ(ZI_UpdateIconNames(dir / "missing.icl", {"a"}), ZI_UPDATE_CANNOT_OPEN);
    EXPECT_EQ(ZI_UpdateIconResource(tmpl, std::vector<uint8_t>{0, 0, 2, 0, 0, 0}, 1, 1),
              ZI_UPDATE_CANNOT_ADD);
    EXPECT_EQ(ZI_UpdateIconResource(tmpl, ico, 0, 1), ZI_UPDATE_CANNOT_ADD);
    EXPECT_EQ(ZI_UpdateIconResource(tmpl, ico, 1, 65536), ZI_UPDATE_CANNOT_ADD);
    // Nothing of a refused icon reached the file.
    EXPECT_EQ(*ZsReadFile(tmpl), ZsMakeTemplateModule());
    // A module whose resources sit before its code and whose headers are full cannot take a new section.
    test::PeOptions opt;
    opt.bResourceFirst = true;
    opt.bTightHeaders = true;
    ZsWriteFile(dir / "full.dll", test::MakePe({test::PeRes{6, 1, 0, {1}}}, opt).bytes);
    EXPECT_EQ(ZI_UpdateIconResource(dir / "full.dll", ico, 1, 1), ZI_UPDATE_CANNOT_COMMIT);
    // A resource section whose data claims to start inside the headers (where an empty directory happens to
    // be readable) cannot be rebuilt in place.
    test::PeLayout overlapping = test::MakePe({test::PeRes{6, 1, 0, {1}}});
    test::Set32(overlapping.bytes, overlapping.nOpt + 0xE0 + 16, 0);  // the code section holds no file bytes
    test::Set32(overlapping.bytes, overlapping.nOpt + 0xE0 + 40 + 20, 0x80);
    ZsWriteFile(dir / "overlap.dll", overlapping.bytes);
    EXPECT_EQ(ZI_UpdateIconResource(dir / "overlap.dll", ico, 1, 1), ZI_UPDATE_CANNOT_COMMIT);
    EXPECT_EQ(ZsReadFile(dir / "overlap.dll"), overlapping.bytes);
    EXPECT_FALSE(log.Lines().empty());
    EXPECT_EQ(ZI_UpdateIconResource(tmpl, ico, 65535, 65535), ZI_UPDATE_OK);
}

TEST(IconLibraryWriter, ExportReportsIconsItCouldNotWrite) {
    test::TempDir dir;
    std::filesystem::path tmpl = MakeTemplate(dir);
    std::vector<uint8_t> a = test::MakeIco({test::DibImage(16, 16, 32, 1), test::DibImage(32, 32, 32, 2)});
    std::vector<uint8_t> bad = {1, 2, 3};
    std::vector<uint8_t> c = test::MakeIco({test::DibImage(24, 24, 8, 3)});
    std::filesystem::path lib = dir / "x.icl";
    CIconLibraryWriter writer;
    ASSERT_TRUE(writer.Begin(lib, tmpl));
    EXPECT_TRUE(writer.AddIcon(a, "A"));
    EXPECT_FALSE(writer.AddIcon(bad, "Broken"));
    EXPECT_TRUE(writer.AddIcon(c, "C"));
    EXPECT_EQ(writer.End(), ZI_UPDATE_OK);
    EXPECT_EQ(writer.GetFailed(), std::vector<int>{1});
    EXPECT_EQ(writer.GetFailedNames(), std::vector<std::string>{"Broken"});

    // The ids ran on past the failed icon; the names still match the written groups by position.
    CZsPeModule module;
    ASSERT_TRUE(module.Open(lib));
    std::vector<CZsResName> groups;
    ASSERT_TRUE(module.EnumNames(CZsResName(14), &groups));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].nId, 3);
    CIconLibrary reader;
    ASSERT_TRUE(reader.Open(lib));
    EXPECT_EQ(reader.GetIconName(0), "A");
    EXPECT_EQ(reader.GetIconName(1), "C");
    EXPECT_EQ(reader.GetIconData(1), c);
}

TEST(IconLibraryWriter, MissingTemplateShowsTheError) {
    test::TempDir dir;
    test::ScriptedMessages messages;
    CIconLibraryWriter writer;
    EXPECT_FALSE(writer.Begin(dir / "x.icl", dir / "NoTemplate.icl"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, ZS_MB_ERROR);
    EXPECT_EQ(messages.shown[0].second, "Can not create \"" + ZsPathToUtf8(dir / "x.icl") + "\"!");
}

class ResourceUpdate : public ::testing::TestWithParam<int> {};

// Updating a module built elsewhere: its code and other resources stay, headers follow the new section, the
// checksum is recomputed, and an overlay moves along.
TEST_P(ResourceUpdate, KeepsTheModuleIntact) {
    test::TempDir dir;
    test::PeOptions opt;
    opt.b64 = GetParam() & 1;
    opt.bResourceFirst = GetParam() & 2;
    opt.bChecksum = true;
    opt.overlay = {'O', 'V', 'E', 'R'};
    std::vector<test::PeRes> res = test::IconResources({{test::DibImage(16, 16, 8, 9)}}, {u"MAINICON"});
    res.push_back(test::PeRes{16, 1, 0x409, {1, 2, 3, 4, 5}});
    res.push_back(test::PeRes{16, 1, 0x407, {6, 7}});
    res.push_back(test::PeRes{u"CUSTOM", u"Data", 0, std::vector<uint8_t>(300, 0xAB)});
    test::PeLayout pe = test::MakePe(res, opt);
    // A symbol table in the overlay, addressed by file offset from the file header.
    test::Set32(pe.bytes, pe.nOpt - 12, static_cast<uint32_t>(pe.bytes.size() - 4));
    std::filesystem::path path = dir / "m.exe";
    ZsWriteFile(path, pe.bytes);

    std::vector<uint8_t> ico = test::MakeIco({test::DibImage(32, 32, 32, 5)});
    ASSERT_EQ(ZI_UpdateIconResource(path, ico, 1, 1), ZI_UPDATE_OK);  // icon 1 replaced, group 1 added
    std::optional<ZsBlock> image = ZsReadFile(path);
    ASSERT_TRUE(image);
    ExpectConsistentHeaders(*image);
    uint64_t nOpt = pe.nOpt;
    EXPECT_EQ(test::Get32(*image, nOpt + 64), test::PeChecksum(*image, nOpt + 64));
    EXPECT_TRUE(std::equal(pe.bytes.begin() + static_cast<std::ptrdiff_t>(pe.nCode),
                           pe.bytes.begin() + static_cast<std::ptrdiff_t>(pe.nCode) + 0x180,
                           image->begin() + static_cast<std::ptrdiff_t>(pe.nCode)));
    EXPECT_EQ(std::vector<uint8_t>(image->end() - 4, image->end()), opt.overlay);
    EXPECT_EQ(test::Get32(*image, pe.nOpt - 12), image->size() - 4);

    CZsPeModule module;
    ASSERT_TRUE(module.Load(*image));
    EXPECT_EQ(module.Is64(), opt.b64);
    std::vector<ZS_PE_RESOURCE> all;
    ASSERT_TRUE(module.ReadAll(&all));
    EXPECT_EQ(all.size(), 6u);
    ZsBytes custom;
    ASSERT_EQ(module.Find(CZsResName::FromText("custom"), CZsResName::FromText("DATA"), &custom),
              CZsPeModule::FindResult::Found);
    EXPECT_EQ(custom.size(), 300u);
    CIconLibrary lib;
    ASSERT_TRUE(lib.Open(path));
    EXPECT_EQ(lib.mssGrpNames, (std::vector<std::string>{"MAINICON", "#1"}));
    EXPECT_EQ(lib.GetIconData(1), ico);
    // The old group still lists icon 1 with its old, smaller size: that many bytes of the new image.
    ZsBlock old = lib.GetIconData(0);
    ASSERT_EQ(ZI_GetImageCount(old), 1);
    EXPECT_EQ(ZI_GetEntries(old)[0].image.size(), test::DibImage(16, 16, 8).data.size());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ResourceUpdate, ::testing::Values(0, 1, 2, 3));

// A module whose directory lists its entries out of order (names unsorted, ids descending, at every level)
// comes out of an update in the order the format requires.
TEST(ResourceUpdate, WritesTheDirectoryInOrderWhateverTheModuleHeld) {
    test::TempDir dir;
    std::vector<test::PeRes> res;
    for (const test::PeName& type : {test::PeName(24), test::PeName(u"zeta"), test::PeName(16),
                                     test::PeName(u"Alpha"), test::PeName(u"beta")}) {
        res.push_back(test::PeRes{type, 9, 0x409, {1}});
        res.push_back(test::PeRes{type, 9, 0x407, {2}});
        res.push_back(test::PeRes{type, u"b", 0, {3}});
        res.push_back(test::PeRes{type, 2, 0, {4}});
        res.push_back(test::PeRes{type, u"A", 0, {5}});
    }
    const std::filesystem::path path = dir / "m.dll";
    ZsWriteFile(path, test::MakePe(res).bytes);
    ASSERT_EQ(ZI_UpdateIconResource(path, test::MakeIco({test::DibImage(16, 16, 32, 5)}), 7, 3),
              ZI_UPDATE_OK);
    ExpectConsistentHeaders(*ZsReadFile(path));
}

TEST(ResourceUpdateDamage, SectionReachingTheTopOfTheAddressSpaceIsRefused) {
    // The template's one section claims to span all but the last 2.5 KB of the 4 GB address space and the
    // module has no resources yet, so the new resource section would have to start at 4 GB: an RVA of 0.
    test::TempDir dir;
    ZsBlock temp = ZsMakeTemplateModule();
    CZsPeModule module;
    ASSERT_TRUE(module.Load(temp));
    const uint64_t nSection = module.Sections()[0].nHeaderOffset;
    ZsSetU32(temp.data() + nSection + 12, 0);
    ZsSetU32(temp.data() + nSection + 16, 0xFFFFF600u);
    ZsSetU32(temp.data() + module.DataDirectoryOffset() + 16, 0);
    ZsWriteFile(dir / "t.icl", temp);
    test::LogCapture log;
    EXPECT_EQ(ZI_UpdateIconResource(dir / "t.icl", test::MakeIco({test::DibImage(4, 4, 32)}), 1, 1),
              ZI_UPDATE_CANNOT_COMMIT);
    EXPECT_TRUE(log.Contains("leave no room for a resource section"));
}

// The writer opens modules it did not make: damaged ones are refused or rewritten into modules that read
// back soundly, never written from outside the bytes.
TEST(ResourceUpdateDamage, RandomByteDamageIsSafe) {
    test::TempDir dir;
    std::vector<test::PeRes> res = test::IconResources({{test::DibImage(8, 8, 8, 9)}}, {u"MAINICON", 2});
    res.push_back(test::PeRes{16, 1, 0x409, {1, 2, 3}});
    test::PeOptions opt;
    opt.bChecksum = true;
    opt.overlay = {1, 2, 3, 4};
    const std::vector<uint8_t> good = test::MakePe(res, opt).bytes;
    std::vector<uint8_t> ico = test::MakeIco({test::DibImage(16, 16, 32, 5)});
    std::mt19937 rng(8122026);
    test::LogCapture quiet;
    // Header fields matter most to the writer: damage the first kilobyte more often.
    for (int round = 0; round < 250; ++round) {
        std::vector<uint8_t> b = good;
        int nFlips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < nFlips; ++k) {
            size_t at = rng() % (rng() % 2 ? 0x400 : b.size());
            b[at] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
        }
        std::filesystem::path path = dir / "w.dll";
        ZsWriteFile(path, b);
        if (ZI_UpdateIconResource(path, ico, 9, 40) != ZI_UPDATE_OK) {
            continue;
        }
        std::optional<ZsBlock> image = ZsReadFile(path);
        ASSERT_TRUE(image);
        EXPECT_LT(image->size(), good.size() + 0x20000);
        CIconLibrary lib;
        ASSERT_TRUE(lib.Open(path)) << round;
        ASSERT_FALSE(lib.mssGrpNames.empty());
        EXPECT_EQ(lib.mssGrpNames.back(), "#9");
        EXPECT_EQ(lib.GetIconData(lib.GetIconCount() - 1), ico);
    }
}
