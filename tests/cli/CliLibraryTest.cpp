#include <gtest/gtest.h>

#include <cstdio>

#include "CliRun.h"
#include "TestSupport.h"
#include "ToolCheck.h"
#include "common/ZsByteReader.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

// Runs SQL through the sqlite3 shell and returns what it printed.
std::string Shell(const test::TempDir& dir, const std::filesystem::path& db, const std::string& sql) {
    std::filesystem::path script = dir / "script.sql";
    ZsWriteFile(script, ZsBytes(reinterpret_cast<const uint8_t*>(sql.data()), sql.size()));
    std::string cmd = "sqlite3 '" + db.string() + "' < '" + script.string() + "' 2>&1";
    std::string out;
    if (std::FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), p)) > 0) {
            out.append(buf, n);
        }
        pclose(p);
    }
    return out;
}

std::string Hex(ZsBytes bytes) {
    return "X'" + ZsHexEncode(bytes) + "'";
}

void PutRecord(ZsBlock& blob, int32_t nDepth, int32_t nId, int nImage, const std::string& title) {
    size_t off = blob.size();
    blob.resize(off + 528);
    ZsSetU32(&blob[off], static_cast<uint32_t>(nDepth));
    ZsSetU32(&blob[off + 4], static_cast<uint32_t>(nId));
    ZsSetU32(&blob[off + 8], static_cast<uint32_t>(nImage));
    ZsSetU32(&blob[off + 12], static_cast<uint32_t>(nImage));
    for (size_t i = 0; i < title.size(); ++i) {
        blob[off + 16 + 2 * i] = static_cast<uint8_t>(title[i]);
    }
}

struct Icons {
    test::TempDir dir;
    std::filesystem::path lib = dir / "lib.pctv";
    Icons() {
        std::filesystem::create_directories(dir / "in" / "sub");
        ZsWriteFile(dir / "in" / "star.ico",
                    test::MakeIco({test::DibImage(32, 32, 32), test::DibImage(16, 16, 32)}));
        ZsWriteFile(dir / "in" / "moon.ico", test::MakeIco({test::DibImage(16, 16, 8)}));
        ZsWriteFile(dir / "in" / "sub" / "sun.ico", test::MakeIco({test::DibImage(48, 48, 32)}));
        ZsWriteFile(dir / "in" / "notes.txt", std::vector<uint8_t>{'x'});
        EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
    }
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, lib.string());
        return test::RunCli(args);
    }
};

}  // namespace

TEST(CliLibrary, ImportListFindAndEdit) {
    Icons t;
    test::CliResult r =
        t.Run({"import", (t.dir / "in").string(), "--category", "My Icons/Sample Category 1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "3 icons imported into 'My Icons/Sample Category 1'.\n");
    // Inserted at a row, the batch keeps its order there.
    r = t.Run({"import", (t.dir / "in" / "star.ico").string(), (t.dir / "in" / "moon.ico").string(),
               "--category", "My Icons/Sample Category 1", "--at", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = t.Run({"list", "--category", "My Icons/Sample Category 1", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    size_t p1 = r.out.find("\"row\": 0, \"id\": 1, \"name\": \"moon\"");
    size_t p2 = r.out.find("\"row\": 1, \"id\": 4, \"name\": \"star\"");
    size_t p3 = r.out.find("\"row\": 2, \"id\": 5, \"name\": \"moon\"");
    size_t p4 = r.out.find("\"row\": 4, \"id\": 3, \"name\": \"sun\", \"keywords\": \"\", \"formats\": 1");
    EXPECT_NE(p1, std::string::npos) << r.out;
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, p3);
    EXPECT_NE(p4, std::string::npos) << r.out;

    ASSERT_EQ(t.Run({"set-name", "--ids", "5", "it's a moon"}).code, 0);
    ASSERT_EQ(
        t.Run({"set-keywords", "--category", "My Icons/Sample Category 1", "--rows", "0,4", "Night Sky"})
            .code,
        0);
    r = t.Run({"find", "night sky", "--whole-word", "--json"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"id\": 1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"id\": 3,"), std::string::npos) << r.out;
    r = t.Run({"find", "MOON", "--case"});
    EXPECT_EQ(r.out, "");
    r = t.Run({"find", "^it.s", "--regex", "--no-keywords", "--scope", "selected", "--category",
               "My Icons/Sample Category 1"});
    EXPECT_NE(r.out.find("it's a moon"), std::string::npos) << r.out;
    r = t.Run({"find", "(", "--regex"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Incorrect regular expression!"), std::string::npos);
    EXPECT_EQ(t.Run({"find", "x", "--no-names", "--no-keywords"}).code, 2);
    EXPECT_EQ(t.Run({"find", "x", "--scope", "nowhere"}).code, 2);

    // Removing from a category keeps the icon; deleting takes it out of the library.
    r = t.Run({"rm", "--rows", "0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Icons leave \"My Icons\" only when they are deleted from the library."),
              std::string::npos)
        << r.err;
    ASSERT_EQ(t.Run({"rm", "--category", "My Icons/Sample Category 1", "--rows", "0,1"}).code, 0);
    ASSERT_EQ(t.Run({"rm", "--ids", "3", "--delete", "--category", "My Icons/Sample Category 1"}).code, 0);
    EXPECT_EQ(t.Run({"rm", "--ids", "99", "--delete"}).code, 1);
    // The deleted icons' pages go when the file is compacted.
    ASSERT_EQ(t.Run({"rm", "--rows", "0,1,2", "--delete"}).code, 0);
    uintmax_t nBefore = std::filesystem::file_size(t.lib);
    ASSERT_EQ(t.Run({"compact"}).code, 0);
    EXPECT_LT(std::filesystem::file_size(t.lib), nBefore);
    r = test::RunCli({"info", "--json", t.lib.string()});
    EXPECT_NE(
        r.out.find("\"kind\": \"pctv\", \"categories\": 7, \"icons\": 1, \"nextNode\": 6, \"nextIcon\": 6"),
        std::string::npos)
        << r.out;
}

TEST(CliLibrary, Categories) {
    Icons t;
    test::CliResult r = t.Run({"mkcat", "My Icons/Sample Category 2/Slash\\/Name"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "6\n");
    EXPECT_EQ(t.Run({"mkcat", "My Icons/Sample Category 2/Slash\\/Name"}).code, 1);
    EXPECT_EQ(t.Run({"mkcat", "Find Results/Inside"}).code, 1);
    EXPECT_EQ(t.Run({"mkcat", "Top level"}).code, 1);
    EXPECT_EQ(t.Run({"mkcat", "My Icons/Nowhere/Inside"}).code, 1);
    ASSERT_EQ(t.Run({"rename", "My Icons/Sample Category 2/Slash\\/Name", "Renamed"}).code, 0);
    EXPECT_EQ(t.Run({"rename", "My Icons", "Mine"}).code, 1);
    r = t.Run({"rename", "My Icons/Sample Category 3", ""});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("': A category needs a title."), std::string::npos) << r.err;
    EXPECT_EQ(t.Run({"rmcat", "Find Results"}).code, 1);
    ASSERT_EQ(t.Run({"import", (t.dir / "in" / "star.ico").string(), "--category-id", "3"}).code, 0);
    ASSERT_EQ(t.Run({"rmcat", "My Icons/Sample Category 1"}).code, 0);
    r = t.Run({"tree"});
    EXPECT_EQ(r.out,
              "My Icons  [id -1, 1 icon]\n"
              "  Sample Category 2  [id 4, 0 icons]\n"
              "    Renamed  [id 6, 0 icons]\n"
              "  Sample Category 3  [id 5, 0 icons]\n"
              "Find Results  [id -2, 0 icons]\n");
    EXPECT_EQ(t.Run({"list", "--category-id", "3"}).code, 1);
    EXPECT_EQ(t.Run({"import", (t.dir / "in" / "star.ico").string(), "--category", "Find Results"}).code, 1);
}

TEST(CliLibrary, RefusalsNameTheFile) {
    Icons t;
    test::CliResult r = t.Run({"import", (t.dir / "in" / "notes.txt").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("notes.txt"), std::string::npos);
    EXPECT_EQ(t.Run({"import", (t.dir / "missing.ico").string()}).code, 1);
    ZsWriteFile(t.dir / "bad.ico", std::vector<uint8_t>{0, 0, 2, 0, 1, 0});
    r = t.Run({"import", (t.dir / "bad.ico").string(), (t.dir / "in" / "moon.ico").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("could not import 'bad'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "1 icon imported into 'My Icons', 1 failed.\n");
    EXPECT_EQ(t.Run({"import", (t.dir / "in").string(), "--resize", "huge"}).code, 2);
    EXPECT_EQ(t.Run({"import", (t.dir / "in").string(), "--tile", "0", "5"}).code, 2);
    EXPECT_EQ(t.Run({"import", (t.dir / "in").string(), "--at", "-1"}).code, 2);
    EXPECT_EQ(t.Run({"list", "--category", "My Icons/None"}).code, 1);
    EXPECT_EQ(t.Run({"new"}).code, 1);
    r = test::RunCli({"list", (t.dir / "in" / "moon.ico").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("moon.ico"), std::string::npos);
    EXPECT_EQ(test::RunCli({"tree", (t.dir / "none.pctv").string()}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(t.dir / "none.pctv"));
}

TEST(CliLibrary, ImportsIconLibrariesAndPictureTiles) {
    Icons t;
    std::filesystem::path icl = t.dir / "set.icl";
    test::CliResult r = test::RunCli({"make-icl", icl.string(), (t.dir / "in" / "star.ico").string(),
                                      (t.dir / "in" / "moon.ico").string()});
    ASSERT_EQ(r.code, 0) << r.err;
    r = t.Run({"import", icl.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 icons imported into 'My Icons'.\n");
    r = t.Run({"list"});
    EXPECT_NE(r.out.find("#1      star"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("#2      moon"), std::string::npos) << r.out;

    // A 64x32 strip cut into 32x32 tiles, each kept at its size.
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(64, 32, 32, 0xFF00FF00), t.dir / "strip.png", ZS_PIC_PNG));
    r = t.Run({"import", (t.dir / "strip.png").string(), "--tile", "32", "32", "--resize", "keep",
               "--category", "My Icons/Sample Category 3"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = t.Run({"list", "--category", "My Icons/Sample Category 3", "--json"});
    EXPECT_NE(r.out.find("\"id\": 3, \"name\": \"strip (1)\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"id\": 4, \"name\": \"strip (2)\""), std::string::npos) << r.out;
}

TEST(CliLibrary, FilesAreReadableByTheSqliteShellAndTheOtherWayRound) {
    ASSERT_TRUE(test::HaveTools({"sqlite3"}));
    Icons t;
    ASSERT_EQ(
        t.Run({"import", (t.dir / "in" / "star.ico").string(), "--category", "My Icons/Sample Category 2"})
            .code,
        0);
    ASSERT_EQ(t.Run({"set-keywords", "--ids", "1", "\xC3\xA4rger"}).code, 0);
    size_t nSize = ZsReadFile(t.dir / "in" / "star.ico")->size();
    EXPECT_EQ(Shell(t.dir, t.lib,
                    "pragma encoding;\n"
                    "select id, length(data) from main;\n"
                    "select id, length(data) from nodes;\n"
                    "select id, length(data), name, kwds, typeof(kwds) from icons;\n"),
              "UTF-16le\n1|16\n2|3696\n-1|4\n4|4\n1|" + std::to_string(nSize) + "|star|\xC3\xA4rger|text\n");

    // A library made by hand to the documented layout, in the shell's own text encoding.
    std::filesystem::path hand = t.dir / "hand.pctv";
    ZsBlock header(16);
    ZsSetU32(&header[8], 2);
    ZsSetU32(&header[12], 2);
    ZsBlock tree;
    PutRecord(tree, 0, -1, 0, "My Icons");
    PutRecord(tree, 1, 1, 2, "Hand");
    PutRecord(tree, 0, -2, 3, "Find Results");
    ZsBlock list(4);
    ZsSetU32(list.data(), 1);
    ZsBlock ico = test::MakeIco({test::DibImage(24, 24, 32)});
    std::string out = Shell(t.dir, hand,
                            "create table main(id integer primary key, data blob);\n"
                            "create table nodes(id integer primary key, data blob);\n"
                            "create table icons(id integer primary key, data blob, name nvarchar(256), "
                            "kwds nvarchar(256));\n"
                            "insert into main(id, data) values(1, " +
                                Hex(header) +
                                ");\n"
                                "insert into main(id, data) values(2, " +
                                Hex(tree) +
                                ");\n"
                                "insert into nodes(id, data) values(-1, " +
                                Hex(list) +
                                ");\n"
                                "insert into nodes(id, data) values(1, " +
                                Hex(list) +
                                ");\n"
                                "insert into icons(id, data, name, kwds) values(1, " +
                                Hex(ico) + ", 'Made by hand', 'shell');\n");
    ASSERT_EQ(out, "");
    test::CliResult r = test::RunCli({"list", hand.string(), "--category", "My Icons/Hand", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "[{\"row\": 0, \"id\": 1, \"name\": \"Made by hand\", \"keywords\": \"shell\", \"formats\": 1, "
              "\"bytes\": " +
                  std::to_string(ico.size()) + "}]\n");
    ASSERT_EQ(test::RunCli({"set-name", hand.string(), "--ids", "1", "Ren\xC3\xA9"}).code, 0);
    EXPECT_EQ(Shell(t.dir, hand, "select name from icons;\n"), "Ren\xC3\xA9\n");
}
