#include <gtest/gtest.h>

#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <random>

#include "TestSupport.h"
#include "common/ZsBase.h"
#include "common/ZsConfig.h"
#include "common/ZsSettings.h"
#include "common/ZsText.h"

namespace fs = std::filesystem;

namespace {

void WriteRaw(const fs::path& path, const std::string& bytes) {
    ASSERT_TRUE(ZsWriteFile(path, ZsBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())));
}

// Writes the text the way the program does: UTF-16LE with a byte-order mark.
void WriteConfig(const fs::path& path, const std::string& text) {
    ASSERT_TRUE(ZsWriteFile(path, ZsUtf8ToUtf16LE(text, true)));
}

std::string ReadRaw(const fs::path& path) {
    std::optional<ZsBlock> data = ZsReadFile(path);
    return data ? std::string(data->begin(), data->end()) : std::string("<missing>");
}

// The file as UTF-8 text, checking that it starts with the byte-order mark.
std::string ReadConfig(const fs::path& path) {
    std::string raw = ReadRaw(path);
    if (raw.size() < 2 || raw.compare(0, 2, "\xFF\xFE") != 0) {
        return "<no BOM>";
    }
    return ZsUtf16LEToUtf8(reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
}

CZsMemIni LoadText(const test::TempDir& dir, const std::string& text) {
    WriteConfig(dir / "config.ini", text);
    CZsMemIni ini;
    EXPECT_TRUE(ini.Load(dir / "config.ini"));
    return ini;
}

CZsMemIni::Entries Section(const CZsMemIni& ini, const char* pszSection) {
    const CZsMemIni::Entries* p = ini.FindSection(pszSection);
    return p ? *p : CZsMemIni::Entries{{"<none>", ""}};
}

}  // namespace

TEST(CZsMemIniRead, RepeatedHeaderStartsTheSectionAfresh) {
    test::TempDir dir;
    CZsMemIni ini = LoadText(dir, "[A]\r\nx=1\r\n[B]\r\nz=3\r\n[A]\r\ny=2\r\n");
    EXPECT_EQ(Section(ini, "A"), (CZsMemIni::Entries{{"y", "2"}}));
    EXPECT_EQ(Section(ini, "B"), (CZsMemIni::Entries{{"z", "3"}}));
}

TEST(CZsMemIniRead, SplitsAtTheFirstEqualsWithoutTrimmingEitherSide) {
    test::TempDir dir;
    CZsMemIni ini = LoadText(dir,
                             "root=r\r\n"
                             "[S]\r\n"
                             "  key = value  \r\n"
                             "a=b=c\r\n"
                             "bare\r\n"
                             "=lost\r\n"
                             "empty=\r\n"
                             "dup=1\r\n"
                             "dup=2\r\n"
                             "\t\r\n"
                             "[]\r\n"
                             "[ ]\r\n"
                             "in=space\r\n");
    EXPECT_EQ(Section(ini, nullptr), (CZsMemIni::Entries{{"root", "r"}}));
    EXPECT_EQ(Section(ini, "S"), (CZsMemIni::Entries{{"key ", " value"},
                                                     {"a", "b=c"},
                                                     {"bare", ""},
                                                     {"", ""},
                                                     {"empty", ""},
                                                     {"dup", "2"},
                                                     {"[]", ""}}));
    EXPECT_EQ(Section(ini, " "), (CZsMemIni::Entries{{"in", "space"}}));
    EXPECT_EQ(ini.FindSection("s"), nullptr);  // lookups are case-sensitive
}

TEST(CZsMemIniRead, MissingFileLeavesTheStoreEmptyAndEveryReadGivesItsDefault) {
    test::TempDir dir;
    CZsMemIni ini;
    ini.SetString("old", "value", "Main");
    EXPECT_FALSE(ini.Load(dir / "config.ini"));
    EXPECT_EQ(ini.FindSection("Main"), nullptr);
    EXPECT_TRUE(ini.FindSection(nullptr)->empty());
    EXPECT_EQ(ini.GetString("old", "def", "Main"), "def");
    EXPECT_EQ(ini.GetInt("n", 42, "Main"), 42);
    EXPECT_TRUE(ini.GetList("Workspace").empty());
    EXPECT_TRUE(ini.GetIntList("CDlgIconExp").empty());
    // Saving then creates the file.
    ini.SetInt("n", 1, "Main");
    EXPECT_TRUE(ini.Save());
    EXPECT_EQ(ReadConfig(dir / "config.ini"), "[Main]\r\nn=1\r\n\r\n");
}

TEST(CZsMemIniWrite, SectionsAndKeysInMapOrderEachFollowedByAnEmptyLine) {
    test::TempDir dir;
    CZsMemIni ini;
    ini.Load(dir / "config.ini");
    ini.SetString("IconViewFormat", "33282", "Main");
    ini.SetString("B", "2", "Main");
    ini.SetString("a", "1", "Main");
    ini.SetString("IDC_CBO_RESIZE", "0", "CDlgOpt");
    ini.SetList("FindHistory", {});
    ASSERT_TRUE(ini.Save());
    // Ordinal order: upper-case letters before lower-case ones; an empty section keeps its header.
    EXPECT_EQ(ReadConfig(dir / "config.ini"),
              "[CDlgOpt]\r\nIDC_CBO_RESIZE=0\r\n\r\n"
              "[FindHistory]\r\n\r\n"
              "[Main]\r\nB=2\r\nIconViewFormat=33282\r\na=1\r\n\r\n");

    ini.SetString("z", "root", nullptr);
    ini.SetString("y", "", nullptr);
    ASSERT_TRUE(ini.Save());
    std::string text = ReadConfig(dir / "config.ini");
    EXPECT_EQ(text.substr(0, text.find("[CDlgOpt]")), "y=\r\nz=root\r\n\r\n");
}

TEST(CZsMemIniWrite, NonAsciiTextSurvivesARoundTrip) {
    test::TempDir dir;
    CZsMemIni ini;
    ini.Load(dir / "config.ini");
    const std::string value = "Café Noël — 名前 😀";
    ini.SetString("Ключ", value, "Übersicht");
    ini.SetList("Workspace", {"/home/ö/Bibliothek.pctv;0A0B;3", "/tmp/日本.pctv"});
    ASSERT_TRUE(ini.Save());

    std::string raw = ReadRaw(dir / "config.ini");
    EXPECT_NE(raw.find(std::string("\x3D\xD8\x00\xDE", 4)),
              std::string::npos);  // U+1F600 as a surrogate pair
    EXPECT_NE(raw.find(std::string("\r\0\n\0", 4)), std::string::npos);

    CZsMemIni back;
    ASSERT_TRUE(back.Load(dir / "config.ini"));
    EXPECT_EQ(back.GetString("Ключ", "", "Übersicht"), value);
    EXPECT_EQ(back.GetList("Workspace"),
              (std::vector<std::string>{"/home/ö/Bibliothek.pctv;0A0B;3", "/tmp/日本.pctv"}));
}

TEST(CZsMemIniWrite, LineBreaksInValuesCannotAddEntriesOrSections) {
    test::TempDir dir;
    CZsMemIni ini;
    ini.Load(dir / "config.ini");
    ini.SetList("FindHistory", {"one\r\n[Main]\r\nIconViewFormat=1", "two"});
    ASSERT_TRUE(ini.Save());

    CZsMemIni back;
    ASSERT_TRUE(back.Load(dir / "config.ini"));
    EXPECT_EQ(back.FindSection("Main"), nullptr);
    EXPECT_EQ(back.GetList("FindHistory"),
              (std::vector<std::string>{"one  [Main]  IconViewFormat=1", "two"}));
}

TEST(CZsMemIniValues, GetIntReadsDecimalAndHexadecimalAndFallsBackToTheDefault) {
    CZsMemIni ini;
    auto get = [&ini](const std::string& text) {
        ini.SetString("k", text, "S");
        return ini.GetInt("k", -7, "S");
    };
    EXPECT_EQ(get("0x10"), 16);
    EXPECT_EQ(get("0XfF"), 255);
    EXPECT_EQ(get("0xFF00FF"), 16711935);
    EXPECT_EQ(get("0xFFFFFFFF"), -1);
    EXPECT_EQ(get("42"), 42);
    EXPECT_EQ(get("  -5"), -5);
    EXPECT_EQ(get("+3"), 3);
    EXPECT_EQ(get("12abc"), 12);
    EXPECT_EQ(get("010"), 10);
    EXPECT_EQ(get("0x"), 0);
    EXPECT_EQ(get("-2147483648"), INT_MIN);
    EXPECT_EQ(get("abc"), -7);
    EXPECT_EQ(get(""), -7);
    EXPECT_EQ(get("-"), -7);
    EXPECT_EQ(get("2147483648"), -7);
    EXPECT_EQ(get("0x100000000"), -7);
    EXPECT_EQ(get("99999999999999999999999"), -7);
    EXPECT_EQ(ini.GetInt("missing", 33282, "S"), 33282);
    EXPECT_EQ(ini.GetInt("k", 1, "NoSuchSection"), 1);

    ini.SetInt("n", -123, nullptr);
    EXPECT_EQ(ini.GetString("n", "", nullptr), "-123");
}

TEST(CZsMemIniValues, ListsStopAtTheFirstGapAndAreReplacedWhole) {
    CZsMemIni ini;
    ini.SetString("0", "a", "L");
    ini.SetString("1", "b", "L");
    ini.SetString("3", "d", "L");
    EXPECT_EQ(ini.GetList("L"), (std::vector<std::string>{"a", "b"}));

    ini.SetString("other", "x", "L");
    ini.SetList("L", {"c"});
    EXPECT_EQ(Section(ini, "L"), (CZsMemIni::Entries{{"0", "c"}}));

    std::vector<std::string> many;
    for (int i = 0; i < 12; ++i) {
        many.push_back("v" + std::to_string(i));
    }
    ini.SetList("L", many);
    EXPECT_EQ(ini.GetList("L"), many);  // "10" sorts before "2" in the map, not in the list
}

TEST(CZsMemIniValues, IntListsSplitAtEverySeparator) {
    CZsMemIni ini;
    auto get = [&ini](const std::string& text) {
        ini.SetString(ZS_KEY_SEL_FMTS, text, "CDlgDelFmts");
        return ini.GetIntList("CDlgDelFmts");
    };
    EXPECT_EQ(get("3;5;"), (std::vector<int>{3, 5, 0}));
    EXPECT_EQ(get(";"), (std::vector<int>{0, 0}));
    EXPECT_EQ(get("7;x;-2;0x10"), (std::vector<int>{7, 0, -2, 0}));
    EXPECT_EQ(get(""), std::vector<int>{});

    ini.SetIntList("CDlgNewFmts", {134225952, 16, -1});
    EXPECT_EQ(ini.GetString(ZS_KEY_SEL_FMTS, "", "CDlgNewFmts"), "134225952;16;-1");
    EXPECT_EQ(ini.GetIntList("CDlgNewFmts"), (std::vector<int>{134225952, 16, -1}));
    ini.SetIntList("CDlgNewFmts", {});
    EXPECT_EQ(ini.GetString(ZS_KEY_SEL_FMTS, "?", "CDlgNewFmts"), "");
    EXPECT_TRUE(ini.GetIntList("CDlgNewFmts").empty());
}

TEST(CZsMemIniDamaged, OddLengthMissingBomAndOtherEncodingsAreReadSafely) {
    test::TempDir dir;
    fs::path path = dir / "config.ini";
    CZsMemIni ini;

    std::vector<uint8_t> utf16 = ZsUtf8ToUtf16LE("[Main]\r\nk=v\r\n", false);
    WriteRaw(path, std::string(utf16.begin(), utf16.end()));  // UTF-16LE without a BOM
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("k", "", "Main"), "v");

    WriteRaw(path, std::string(utf16.begin(), utf16.end()) + "x");  // a stray last byte
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("k", "", "Main"), "v");

    WriteRaw(path, "[Main]\nk=Zoë\n");  // written by hand in UTF-8
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("k", "", "Main"), "Zoë");

    WriteRaw(path, "\xEF\xBB\xBF[Main]\r\nk=\xFF\r\n");  // UTF-8 with its mark and a malformed byte
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("k", "", "Main"), "\xEF\xBF\xBD");

    WriteRaw(path, std::string("\xFF\xFE\x00\xD8=\x00", 6));  // a lone surrogate
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(Section(ini, nullptr), (CZsMemIni::Entries{{"\xEF\xBF\xBD", ""}}));

    std::error_code ec;
    fs::create_directory(dir / "folder.ini", ec);
    EXPECT_FALSE(ini.Load(dir / "folder.ini"));
    EXPECT_TRUE(ini.FindSection(nullptr)->empty());
}

TEST(CZsMemIniDamaged, HugeLinesAndBinaryJunkLoadAndSaveStably) {
    test::TempDir dir;
    fs::path path = dir / "config.ini";
    std::string big(1 << 20, 'x');
    WriteConfig(path, "[Main]\r\nbig=" + big + "\r\n[" + big + "]\r\nk=1");
    CZsMemIni ini;
    ASSERT_TRUE(ini.Load(path));
    EXPECT_EQ(ini.GetString("big", "", "Main"), big);
    EXPECT_EQ(ini.GetInt("k", 0, big.c_str()), 1);

    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        std::string junk(static_cast<size_t>(rng() % 4096), '\0');
        for (char& c : junk) {
            c = static_cast<char>(rng());
        }
        if (round % 2 == 0) {
            junk.replace(0, std::min<size_t>(2, junk.size()), "\xFF\xFE");
        }
        WriteRaw(path, junk);
        CZsMemIni first;
        first.Load(path);
        ASSERT_TRUE(first.Save());
        CZsMemIni second;
        ASSERT_TRUE(second.Load(path));
        ASSERT_TRUE(second.Save());
        // Whatever the junk held, what the store writes it reads back the same.
        std::string once = ReadRaw(path);
        CZsMemIni third;
        ASSERT_TRUE(third.Load(path));
        ASSERT_TRUE(third.Save());
        ASSERT_EQ(ReadRaw(path), once) << "round " << round;
    }
}

TEST(CZsMemIniSave, ReplacesTheFileWholeAndFailsQuietlyWhereItCannotWrite) {
    test::TempDir dir;
    fs::path path = dir / "config.ini";
    WriteConfig(path, "[Old]\r\nk=1\r\n");
    CZsMemIni ini;
    ASSERT_TRUE(ini.Load(path));
    ini.SetString("k", "2", "Old");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ReadConfig(path), "[Old]\r\nk=2\r\n\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    // A folder that cannot hold the file: its place is taken by a plain file.
    WriteRaw(dir / "blocker", "x");
    CZsMemIni lost;
    lost.Load(dir / "blocker" / "config.ini");
    lost.SetString("k", "v", "S");
    {
        test::LogCapture log;
        EXPECT_FALSE(lost.Save());
        EXPECT_TRUE(log.Contains("CZsMemIni::Save"));
    }

    // A target that cannot be replaced stays as it is, and no half-written file is left beside it.
    fs::create_directory(dir / "taken.ini");
    CZsMemIni taken;
    taken.Load(dir / "taken.ini");
    taken.SetString("k", "v", "S");
    EXPECT_FALSE(taken.Save());
    EXPECT_TRUE(fs::is_directory(dir / "taken.ini"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);

    CZsMemIni neverLoaded;
    neverLoaded.SetString("k", "v", "S");
    EXPECT_FALSE(neverLoaded.Save());
}

TEST(CZsConfig, SavesWhenDestroyedAndSaysNothingWhenItCannot) {
    test::TempDir dir;
    {
        CZsConfig config(dir / "config.ini");
        config.SetInt("IconViewFormat", 33284, "Main");
    }
    EXPECT_EQ(ReadConfig(dir / "config.ini"), "[Main]\r\nIconViewFormat=33284\r\n\r\n");
    {
        CZsConfig config(dir / "config.ini");
        EXPECT_EQ(config.GetInt("IconViewFormat", 0, "Main"), 33284);
    }
    // Nothing changed, but the file is rewritten all the same.
    EXPECT_EQ(ReadConfig(dir / "config.ini"), "[Main]\r\nIconViewFormat=33284\r\n\r\n");

    WriteRaw(dir / "blocker", "x");
    test::LogCapture log;
    {
        CZsConfig config(dir / "blocker" / "config.ini");
        config.SetInt("k", 1, "S");
    }
    EXPECT_TRUE(log.Lines().empty());
}

namespace {

// Runs at exit after the configuration has been destroyed, because it was registered before the
// configuration was created.
void CheckSavedAtExit() {
    std::string text = ReadConfig(ZsGetConfigDir() / "config.ini");
    _exit(text == "[Main]\r\nImpIconFltrIdx=3\r\nOld=kept\r\n\r\n" ? 0 : 3);
}

// An earlier version kept the settings in the data folder: the first use takes that file over.
void UseTheProcessConfig() {
    WriteConfig(ZsGetDataDir() / "config.ini", "[Main]\r\nOld=kept\r\n");
    // The folders are made before the exit-time check is registered, so that they outlive it.
    ZsGetConfigDir();
    std::atexit(CheckSavedAtExit);
    CZsConfig& config = ZsGetConfig();
    if (&config != &ZsGetConfig() || config.GetPath() != ZsGetConfigDir() / "config.ini" ||
        config.GetString("Old", "", "Main") != "kept" ||
        std::filesystem::exists(ZsGetDataDir() / "config.ini")) {
        _exit(2);
    }
    ZS_IMP_ICON_FLTR_IDX.Set(3);
    std::exit(1);  // the exit-time check decides the code
}

}  // namespace

TEST(ZsGetConfigDeathTest, TakesOverAnEarlierVersionsFileOnFirstUseAndSavesAtProcessExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(UseTheProcessConfig(), ::testing::ExitedWithCode(0), "");
}

TEST(ZsSettings, TypedReadsFollowTheStoredTextOrTheDefault) {
    CZsMemIni ini;
    EXPECT_EQ(ZS_ICON_VIEW_FORMAT.Get(ini), 33282);
    EXPECT_TRUE(ZS_OPT_IMP_DIRS_WITH_ICONS.Get(ini));
    ZS_OPT_IMP_DIRS_WITH_ICONS.Set(false, ini);
    EXPECT_EQ(ini.GetString("IDC_CHK_IMP_DIRS_WITH_ICONS", "", "CDlgOpt"), "0");
    EXPECT_FALSE(ZS_OPT_IMP_DIRS_WITH_ICONS.Get(ini));
    // Any text that is no number counts as the default, any other number as on.
    ini.SetString("IDC_CHK_IMP_DIRS_WITH_ICONS", "yes", "CDlgOpt");
    EXPECT_TRUE(ZS_OPT_IMP_DIRS_WITH_ICONS.Get(ini));
    ini.SetString("IDC_CHK_IMP_DIRS_WITH_ICONS", "2", "CDlgOpt");
    EXPECT_TRUE(ZS_OPT_IMP_DIRS_WITH_ICONS.Get(ini));
    ini.SetString("IDC_BTN_BG_COLOR", "0x0000FF", "CDialog");
    EXPECT_EQ(ZS_EXP_GRID_BTN_BG_COLOR.Get(ini), 255);

    EXPECT_EQ(ZS_IMP_DIR_INIT_DIR.Get(ini), ZsPathToUtf8(ZsGetAppDir()));
    EXPECT_EQ(ZS_EXP_DIR.Get(ini), ZsPathToUtf8(ZsGetDocumentsDir()));
    EXPECT_EQ(
        ZS_OPT_IMP_EXTS.Get(ini),
        "*.ico;*.icl;*.exe;*.dll;*.png;*.bmp;*.jpg;*.gif;*.exif;*.tiff;*.webp;*.svg;*.icns;*.cur;*.ani");
    ZS_EXP_DIR.Set("/srv/icons/", ini);
    EXPECT_EQ(ZS_EXP_DIR.Get(ini), "/srv/icons/");

    ZS_FIND_HISTORY.Set({"b", "a"}, ini);
    EXPECT_EQ(ini.GetList("FindHistory"), (std::vector<std::string>{"b", "a"}));
}

TEST(ZsSettings, SharedDialogKeysLiveUnderEachDialogsOwnSection) {
    CZsMemIni ini;
    ZS_FMTS_EDT_W.In(ZS_SEC_ICON_EXP).Set(12, ini);
    ZS_FMTS_LB_SEL_FMTS.In(ZS_SEC_DEL_FMTS).Set({16, 24}, ini);
    ZS_EXP_EDT_DIR.In(ZS_SEC_IMG_EXP).Set("/out/", ini);
    EXPECT_EQ(ini.GetString("IDC_EDT_W", "", "CDlgIconExp"), "12");
    EXPECT_EQ(ZS_FMTS_EDT_W.In(ZS_SEC_IMG_EXP).Get(ini), 8);
    EXPECT_EQ(ini.GetString("IDC_LB_SEL_FMTS", "", "CDlgDelFmts"), "16;24");
    EXPECT_TRUE(ZS_FMTS_LB_SEL_FMTS.In(ZS_SEC_NEW_FMTS).Get(ini).empty());
    EXPECT_EQ(ZS_EXP_EDT_DIR.In(ZS_SEC_IMG_EXP).Get(ini), "/out/");
    EXPECT_EQ(ZS_EXP_EDT_DIR.In(ZS_SEC_ICON_EXP).Get(ini), ZsPathToUtf8(ZsGetDocumentsDir()));
}
