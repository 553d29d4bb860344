#include <gtest/gtest.h>

#include "../icon/ModuleFixtures.h"
#include "CliRun.h"
#include "TestSupport.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"
#include "library/ZsSQLite.h"

namespace {

std::vector<uint8_t> Ico(int n, uint8_t nFill = 0x11) {
    return test::MakeIco({test::DibImage(n, n, 32, nFill), test::DibImage(16, 16, 32, nFill)});
}

// A library and a folder tree of icon files: in/a.ico, in/b.ico, in/sub/c.ico.
struct Fixture {
    test::TempDir dir;
    std::filesystem::path lib = dir / "Work.pctv";
    Fixture() {
        std::filesystem::create_directories(dir / "in" / "sub");
        ZsWriteFile(dir / "in" / "a.ico", Ico(32, 1));
        ZsWriteFile(dir / "in" / "b.ico", Ico(48, 2));
        ZsWriteFile(dir / "in" / "sub" / "c.ico", Ico(24, 3));
        EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
    }
    test::CliResult Run(std::vector<std::string> args, bool bVerbose = false) {
        args.insert(args.begin() + 1, lib.string());
        if (bVerbose) {
            args.insert(args.begin(), "--verbose");
        }
        return test::RunCli(args);
    }
    std::string P(const std::string& rel) const { return (dir / rel).string(); }
};

size_t CountLines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(CliImport, ProgressLinesWithVerboseAndFolderErrors) {
    Fixture t;
    test::CliResult r = t.Run({"import", t.P("in"), "--category", "My Icons/Sample Category 2"}, true);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3 icons imported into 'My Icons/Sample Category 2'.\n");
    EXPECT_NE(r.err.find("0001. 'a               ' << " + t.P("in/a.ico") + "\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("0003. 'c               ' << " + t.P("in/sub/c.ico") + "\nCompleted!\n"),
              std::string::npos)
        << r.err;
    // Without --verbose the tool stays quiet on stderr.
    r = t.Run({"import", t.P("in/a.ico")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");

    std::filesystem::create_directories(t.dir / "empty");
    ZsWriteFile(t.dir / "empty" / "x.txt", std::vector<uint8_t>{1});
    // An input that gives nothing is named; the others are imported all the same.
    r = t.Run({"import", t.P("in/a.ico"), t.P("empty")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "pictavo-cli: could not import '" + t.P("empty") + "' (a folder without supported files).\n");
    EXPECT_EQ(r.out, "1 icon imported into 'My Icons'.\n");

    ZsWriteFile(t.dir / "in" / "bad.ico", std::vector<uint8_t>{1, 2});
    r = t.Run({"import", t.P("in/bad.ico"), t.P("in/b.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "1 icon imported into 'My Icons', 1 failed.\n");
    EXPECT_EQ(r.err, "pictavo-cli: could not import 'bad' from '" + t.P("in/bad.ico") + "' (not an icon).\n");
    r = t.Run({"list", "--json"});
    EXPECT_NE(r.out.find("\"row\": 5, \"id\": 6, \"name\": \"b\""), std::string::npos) << r.out;
}

TEST(CliImport, RefusedFilesAreNamedAndTheOthersImported) {
    Fixture t;
    // An NE driver: "info" reads it, but ".drv" is no kind of file that is imported.
    const std::vector<std::vector<test::IcoImage>> groups{{test::DibImage(16, 16, 32)}};
    ZsWriteFile(t.dir / "display.drv", test::MakeNe(groups, {"ICL", "One"}).bytes);
    ASSERT_EQ(test::RunCli({"info", t.P("display.drv")}).code, 0);
    test::CliResult r =
        t.Run({"import", t.P("display.drv"), t.P("in/a.ico"), t.P("missing.ico"), t.P("in/b.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "2 icons imported into 'My Icons'.\n");
    EXPECT_EQ(r.err, "pictavo-cli: could not import '" + t.P("display.drv") +
                         "' (not a kind of file that is imported), '" + t.P("missing.ico") +
                         "' (cannot be read).\n");
    r = t.Run({"list"});
    EXPECT_EQ(CountLines(r.out), 2u) << r.out;
    // Nothing to import at all: nothing is written.
    const auto before = std::filesystem::last_write_time(t.lib);
    r = t.Run({"import", t.P("display.drv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::filesystem::last_write_time(t.lib), before);
}

// A folder with random bytes named .ico and a module cut short: only icons with images go in, every file and
// group refused is named in the log with its reason, and the counts end the log and the summary.
TEST(CliImport, RandomBytesAndATruncatedModuleAreNamedAndCounted) {
    Fixture t;
    std::filesystem::create_directories(t.dir / "mixed");
    std::vector<uint8_t> noise(256);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<uint8_t>(i * 97 + 13);
    }
    ZsWriteFile(t.dir / "mixed" / "noise.ico", noise);
    const std::vector<std::vector<test::IcoImage>> groups{{test::DibImage(32, 32, 32, 1)},
                                                          {test::DibImage(48, 48, 32, 2)}};
    const test::PeLayout pe = test::MakePe(test::IconResources(groups, {u"First", u"Second"}));
    // Cut inside the image of the second group, which comes last.
    ZsWriteFile(t.dir / "mixed" / "cut.dll", ZsBytes(pe.bytes.data(), pe.bytes.size() - 0x300));
    test::CliResult r = t.Run({"import", t.P("mixed")}, true);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "1 icon imported into 'My Icons', 2 failed.\n");
    EXPECT_NE(r.err.find("FAILED! 'noise           ' << " + t.P("mixed/noise.ico") + ": not an icon\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("FAILED! 'Second          ' << " + t.P("mixed/cut.dll") + ": "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 icon imported, 2 failed\nCompleted!\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("pictavo-cli: could not import "), std::string::npos) << r.err;
    r = t.Run({"list"});
    EXPECT_EQ(CountLines(r.out), 1u) << r.out;
    EXPECT_NE(r.out.find("First"), std::string::npos) << r.out;
}

// A library with damaged icon data: one line says how many icons could not be read, and an export leaves
// them out, names them and fails, writing the others.
TEST(CliExport, DamagedIconsAreToldOnceAndLeftOut) {
    Fixture t;
    ASSERT_EQ(t.Run({"import", t.P("in")}).code, 0);
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(t.lib));
        ASSERT_TRUE(db.Exec("update icons set data=randomblob(100) where id=1;"));
        ASSERT_TRUE(db.Exec("update icons set data=substr(data, 1, 30), name=null where id=3;"));
    }
    const std::string sWarning =
        "pictavo-cli: '" + t.lib.string() + "': 2 icons could not be read (ids 1, 3).\n";
    test::CliResult r = t.Run({"list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, sWarning);
    std::filesystem::create_directories(t.dir / "out");
    r = t.Run({"export", t.P("out"), "--type", "ico"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: 2 icons could not be read (ids 1, 3) and were left out.\n" + sWarning);
    EXPECT_EQ(r.out, "1 icon exported to '" + t.P("out") + "'.\n");
    EXPECT_TRUE(std::filesystem::exists(t.dir / "out" / "b.ico"));
    EXPECT_FALSE(std::filesystem::exists(t.dir / "out" / "(Untitled).ico"));
    // A verb that reads no icon data has nothing to say.
    r = t.Run({"tree"});
    EXPECT_EQ(r.err, "");
}

TEST(CliImportTree, FoldersBecomeCategoriesUnderTheGivenOne) {
    Fixture t;
    test::CliResult r = t.Run({"import-tree", t.P("in"), "--under", "My Icons/Sample Category 3"}, true);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3 icons imported into 'My Icons/Sample Category 3/in'.\n");
    EXPECT_NE(r.err.find("Completed!"), std::string::npos);
    r = t.Run({"tree", "--json"});
    EXPECT_NE(r.out.find(
                  "{\"depth\": 2, \"id\": 6, \"title\": \"in\", \"path\": \"My Icons/Sample Category 3/in\", "
                  "\"icons\": 2}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find("\"title\": \"sub\", \"path\": \"My Icons/Sample Category 3/in/sub\", \"icons\": 1}"),
        std::string::npos)
        << r.out;
    // Default: under "My Icons".
    r = t.Run({"import-tree", t.P("in/sub")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1 icon imported into 'My Icons/sub'.\n");

    r = t.Run({"import-tree", t.P("none")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: The directory '" + t.P("none") + "' does not exist!\n");
    r = t.Run({"import-tree", t.P("in"), "--under", "Find Results"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(CountLines(r.err), 1u);
    r = t.Run({"import-tree", t.P("in"), "--under", "My Icons/Nowhere"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(CountLines(r.err), 1u);
    EXPECT_EQ(t.Run({"import-tree"}).code, 2);
}

TEST(CliExport, TypesRowsAndFormats) {
    Fixture t;
    ASSERT_EQ(t.Run({"import", t.P("in")}).code, 0);
    ASSERT_EQ(t.Run({"set-name", "--ids", "2", "a:b"}).code, 0);
    std::filesystem::create_directories(t.dir / "ico");
    test::CliResult r = t.Run({"export", t.P("ico"), "--type", "ico"}, true);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3 icons exported to '" + t.P("ico") + "'.\n");
    EXPECT_NE(r.err.find("0002. >> " + t.P("ico/ab.ico") + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(*ZsReadFile(t.dir / "ico" / "a.ico"), Ico(32, 1));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "ico" / "c.ico"));

    std::filesystem::create_directories(t.dir / "png");
    r = t.Run({"export", t.P("png"), "--type", "png", "--rows", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(t.dir / "png" / "c (24x24 - XP).png"));
    EXPECT_TRUE(std::filesystem::exists(t.dir / "png" / "c (16x16 - XP).png"));

    std::filesystem::create_directories(t.dir / "each");
    r = t.Run({"export", t.P("each"), "--type", "ico", "--each", "--ids", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(t.dir / "each" / "a (32x32 - XP).ico"));

    std::filesystem::create_directories(t.dir / "fmt");
    r = t.Run({"export", t.P("fmt"), "--type", "ico", "--ids", "2", "--formats", "16x16-XP,64x64-XP"});
    ASSERT_EQ(r.code, 0) << r.err;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(t.dir / "fmt" / "ab.ico")));
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{64, 64, 32}));
    r = t.Run(
        {"export", t.P("fmt"), "--type", "ico", "--ids", "2", "--formats", "64x64-XP", "--no-generate"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(t.dir / "fmt" / "ab.ico")));
    EXPECT_EQ(icon.GetImageCount(), 0);
    r = t.Run({"export", t.P("fmt"), "--type", "ico", "--ids", "2", "--preset", "16x16 Image Formats",
               "--except", "--no-generate"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(t.dir / "fmt" / "ab.ico")));
    ASSERT_EQ(icon.GetImageCount(), 1);
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{48, 48, 32}));
}

TEST(CliExport, LibrariesNeverReplaceAnExistingOne) {
    Fixture t;
    ASSERT_EQ(t.Run({"import", t.P("in"), "--category", "My Icons/Sample Category 1"}).code, 0);
    std::filesystem::create_directories(t.dir / "out");
    test::CliResult r =
        t.Run({"export", t.P("out"), "--type", "icl", "--category", "My Icons/Sample Category 1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3 icons exported to '" + t.P("out/Work.icl") + "'.\n");
    r = t.Run({"export", t.P("out"), "--type", "icl", "--rows", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1 icon exported to '" + t.P("out/Work (2).icl") + "'.\n");
    CIconLibrary icl;
    ASSERT_TRUE(icl.Open(t.dir / "out" / "Work.icl"));
    ASSERT_EQ(icl.GetIconCount(), 3);
    EXPECT_EQ(icl.GetIconName(2), "c");
    ASSERT_TRUE(icl.Open(t.dir / "out" / "Work (2).icl"));
    EXPECT_EQ(icl.GetIconCount(), 1);
}

TEST(CliExport, ErrorsGiveOneLine) {
    Fixture t;
    ASSERT_EQ(t.Run({"import", t.P("in")}).code, 0);
    test::CliResult r = t.Run({"export", t.P("missing"), "--type", "ico"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: The directory '" + t.P("missing") + "' does not exist!\n");
    EXPECT_FALSE(std::filesystem::exists(t.dir / "missing"));

    // A file that cannot be written is named; the others are written.
    std::filesystem::create_directories(t.dir / "out" / "b.ico");
    r = t.Run({"export", t.P("out"), "--type", "ico"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: could not write '" + t.P("out/b.ico") + "'.\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(t.dir / "out" / "a.ico"));
    EXPECT_TRUE(std::filesystem::is_regular_file(t.dir / "out" / "c.ico"));

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"export", t.P("out")},
             {"export", t.P("out"), "--type", "svg"},
             {"export", t.P("out"), "--type", "png", "--each"},
             {"export", t.P("out"), "--type", "ico", "--except"},
             {"export", t.P("out"), "--type", "ico", "--no-generate"},
             {"export", t.P("out"), "--type", "ico", "--formats", "33x33-Purple"},
             {"export", t.P("out"), "--type", "ico", "--rows", "x"}}) {
        EXPECT_EQ(t.Run(bad).code, 2) << bad.back();
    }
    r = t.Run({"export", t.P("out"), "--type", "ico", "--rows", "7"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(CountLines(r.err), 1u);
}

TEST(CliExportTree, CategoriesBecomeFolders) {
    Fixture t;
    ASSERT_EQ(t.Run({"import-tree", t.P("in"), "--under", "My Icons/Sample Category 1"}).code, 0);
    std::filesystem::create_directories(t.dir / "out");
    test::CliResult r = t.Run({"export-tree", t.P("out"), "--category", "My Icons/Sample Category 1"}, true);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "'My Icons/Sample Category 1' exported to '" + t.P("out/Sample Category 1") + "'.\n");
    EXPECT_NE(r.err.find("directory '" + t.P("out/Sample Category 1/in/sub") + "' created\n0001. >> "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(*ZsReadFile(t.dir / "out" / "Sample Category 1" / "in" / "sub" / "c.ico"), Ico(24, 3));
    EXPECT_TRUE(std::filesystem::is_directory(t.dir / "out" / "Sample Category 1" / "Sample Subcategory 2"));

    // The whole library by default.
    std::filesystem::create_directories(t.dir / "all");
    r = t.Run({"export-tree", t.P("all")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(t.dir / "all" / "My Icons" / "a.ico"));

    r = t.Run({"export-tree", t.P("none")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: The directory '" + t.P("none") + "' does not exist!\n");
    EXPECT_EQ(t.Run({"export-tree", t.P("all"), "--category", "Nowhere"}).code, 1);
    EXPECT_EQ(t.Run({"export-tree"}).code, 2);
}
