#include <gtest/gtest.h>

#include "CliRun.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/CliLib.h"

namespace {

std::vector<uint8_t> Ico(uint8_t nFill) {
    return test::MakeIco({test::DibImage(16, 16, 32, nFill)});
}

// A new library with three icons a, b, c (ids 1..3) in "My Icons", a and b also in "Sample Category 1".
struct Lib {
    test::TempDir dir;
    std::filesystem::path lib;
    explicit Lib(const std::string& sName = "lib.pctv") : lib(dir / sName) {
        EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
        std::vector<std::string> args{"import", lib.string()};
        for (const char* name : {"a", "b", "c"}) {
            ZsWriteFile(dir / (std::string(name) + ".ico"), Ico(static_cast<uint8_t>(name[0])));
            args.push_back((dir / (std::string(name) + ".ico")).string());
        }
        EXPECT_EQ(test::RunCli(args).code, 0);
        EXPECT_EQ(Run({"link", "My Icons/Sample Category 1", "--rows", "0,1"}).code, 0);
    }
    test::CliResult Run(std::vector<std::string> args) const {
        args.insert(args.begin() + 1, lib.string());
        return test::RunCli(args);
    }
    std::string Tree() const { return Run({"tree"}).out; }
};

}  // namespace

TEST(CliMvCat, MovesKeepIdsAndRefuseWhatTheTreeForbids) {
    Lib l;
    test::CliResult r = l.Run({"mvcat", "My Icons/Sample Category 1", "My Icons/Sample Category 3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = l.Run(
        {"mvcat", "My Icons/Sample Category 2", "My Icons/Sample Category 3/Sample Category 1", "--below"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(l.Tree(),
              "My Icons  [id -1, 3 icons]\n"
              "  Sample Category 3  [id 5, 0 icons]\n"
              "    Sample Category 1  [id 1, 2 icons]\n"
              "      Sample Subcategory 1  [id 2, 0 icons]\n"
              "      Sample Subcategory 2  [id 3, 0 icons]\n"
              "    Sample Category 2  [id 4, 0 icons]\n"
              "Find Results  [id -2, 0 icons]\n");
    // Into its own subtree, to where it is, fixed categories, "Find Results": each refused, nothing saved.
    const auto before = std::filesystem::last_write_time(l.lib);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"mvcat", "My Icons/Sample Category 3", "My Icons/Sample Category 3/Sample Category 1"},
             {"mvcat", "My Icons/Sample Category 3/Sample Category 2", "My Icons/Sample Category 3"},
             {"mvcat", "My Icons", "My Icons/Sample Category 3"},
             {"mvcat", "My Icons/Sample Category 3", "Find Results"},
             {"mvcat", "My Icons/Sample Category 3", "My Icons", "--above"}}) {
        r = l.Run(args);
        EXPECT_EQ(r.code, 1) << args[1];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("pictavo-cli: cannot change '" + l.lib.string() + "': ", 0), 0u) << r.err;
    }
    EXPECT_EQ(std::filesystem::last_write_time(l.lib), before);
    EXPECT_EQ(l.Run({"mvcat", "My Icons/None", "My Icons"}).code, 1);
    EXPECT_EQ(l.Run({"mvcat", "My Icons/Sample Category 3", "My Icons", "--above", "--below"}).code, 2);
}

TEST(CliCpCat, CopiesWithinALibraryAndFromAnother) {
    Lib l;
    test::CliResult r = l.Run({"cpcat", "My Icons/Sample Category 1", "My Icons/Sample Category 2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "6\n");
    r = l.Run({"list", "--category-id", "6", "--json"});
    EXPECT_NE(r.out.find("\"id\": 1, \"name\": \"a\""), std::string::npos) << r.out;
    EXPECT_NE(l.Tree().find("    Sample Category 1  [id 6, 2 icons]\n"
                            "      Sample Subcategory 1  [id 7, 0 icons]\n"),
              std::string::npos)
        << l.Tree();

    // From another library: new categories, new icons, and the other library as it was.
    Lib other("other.pctv");
    const std::string sOtherTree = other.Tree();
    r = l.Run({"cpcat", "My Icons/Sample Category 1", "My Icons", "--from", other.lib.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "9\n");
    r = l.Run({"list", "--category-id", "9", "--json"});
    EXPECT_NE(r.out.find("\"row\": 0, \"id\": 4, \"name\": \"a\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"row\": 1, \"id\": 5, \"name\": \"b\""), std::string::npos) << r.out;
    EXPECT_NE(l.Tree().find("My Icons  [id -1, 5 icons]"), std::string::npos) << l.Tree();
    EXPECT_EQ(other.Tree(), sOtherTree);
    EXPECT_EQ(l.Run({"cpcat", "My Icons/None", "My Icons", "--from", other.lib.string()}).code, 1);
    EXPECT_EQ(l.Run({"cpcat", "Find Results", "My Icons", "--from", other.lib.string()}).code, 1);
    EXPECT_EQ(
        l.Run({"cpcat", "My Icons/Sample Category 1", "My Icons", "--from", (l.dir / "no.pctv").string()})
            .code,
        1);
}

TEST(CliLink, PutsIconsIntoACategoryOnce) {
    Lib l;
    test::CliResult r = l.Run({"link", "My Icons/Sample Category 2", "--rows", "2,0,2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 icons put into 'My Icons/Sample Category 2'.\n");
    r = l.Run({"link", "My Icons/Sample Category 2", "--ids", "1,2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1 icon put into 'My Icons/Sample Category 2'.\n");
    // A move takes them out of the category they came from.
    r = l.Run({"link", "My Icons/Sample Category 3", "--category", "My Icons/Sample Category 2", "--rows",
               "0", "--move"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(l.Tree().find("Sample Category 2  [id 4, 2 icons]"), std::string::npos) << l.Tree();
    EXPECT_NE(l.Tree().find("Sample Category 3  [id 5, 1 icon]"), std::string::npos) << l.Tree();

    EXPECT_EQ(l.Run({"link", "Find Results", "--rows", "0"}).code, 1);
    r = l.Run({"link", "My Icons", "--category", "My Icons/Sample Category 1", "--rows", "0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"My Icons\" lists every icon of the library already."), std::string::npos)
        << r.err;
    EXPECT_EQ(l.Run({"link", "My Icons/Sample Category 1", "--category", "My Icons/Sample Category 1",
                     "--rows", "0"})
                  .code,
              1);
    EXPECT_EQ(l.Run({"link", "My Icons/Sample Category 1", "--rows", "7"}).code, 1);
    EXPECT_EQ(l.Run({"link", "My Icons/Sample Category 1"}).code, 2);

    // From another library the icons become new ones, "My Icons" included.
    Lib other("other.pctv");
    r = l.Run({"link", "My Icons", "--from", other.lib.string(), "--ids", "3", "--move"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "1 icon put into 'My Icons'.\n");
    EXPECT_NE(l.Tree().find("My Icons  [id -1, 4 icons]"), std::string::npos) << l.Tree();
    EXPECT_NE(other.Tree().find("My Icons  [id -1, 3 icons]"), std::string::npos);
}

TEST(CliLib, TitlePathsAndArguments) {
    EXPECT_EQ(SplitPath("My Icons/a\\/b/c"), (std::vector<std::string>{"My Icons", "a/b", "c"}));
    EXPECT_EQ(SplitPath(""), std::vector<std::string>{""});
    CliLib l;
    l.lib.NewLib();
    const ZsTreeItem item = FindItemPath(l.tree, "My Icons/Sample Category 1/Sample Subcategory 2");
    ASSERT_NE(item, ZS_TI_NONE);
    EXPECT_EQ(l.tree.GetItemData(item), 3);
    l.tree.SetItemText(item, "x/y");
    EXPECT_EQ(ItemPath(l.tree, item), "My Icons/Sample Category 1/x\\/y");
    EXPECT_EQ(FindItemPath(l.tree, ItemPath(l.tree, item)), item);
    EXPECT_EQ(ParseNumbers("1,-2,30"), (std::vector<long long>{1, -2, 30}));
    EXPECT_FALSE(ParseNumbers("1,,2"));
    EXPECT_FALSE(ParseNumbers("1,x"));

    CCliArgs args({"--rows", "1,2", "lib.pctv", "--move", "--tile", "3", "4"});
    EXPECT_TRUE(args.Flag("--move"));
    EXPECT_EQ(args.Option("--rows"), "1,2");
    EXPECT_EQ(args.Option("--tile", 2), (std::vector<std::string>{"3", "4"}));
    std::vector<std::string> pos;
    EXPECT_TRUE(args.Positionals(pos));
    EXPECT_EQ(pos, std::vector<std::string>{"lib.pctv"});
    CCliArgs bad({"lib.pctv", "--unknown", "--at"});
    EXPECT_FALSE(bad.Option("--at"));
    EXPECT_TRUE(bad.Bad());
    EXPECT_FALSE(bad.Positionals(pos));
}
