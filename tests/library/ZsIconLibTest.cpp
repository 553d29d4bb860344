#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "LibTestUtil.h"
#include "ToolCheck.h"
#include "icon/ZsPicture.h"
#include "library/ZsIconLib.h"
#include "library/ZsLibCmd.h"

using test::Ico;
using test::Library;
using test::TreeLines;

namespace {

std::vector<std::filesystem::path> WriteIcos(const test::TempDir& dir,
                                             const std::vector<std::string>& names) {
    std::vector<std::filesystem::path> files;
    uint8_t nFill = 1;
    for (const std::string& name : names) {
        files.push_back(dir / name);
        ZsWriteFile(files.back(), Ico(16, nFill++));
    }
    return files;
}

ZsBlock Copy(ZsBytes data) {
    return ZsBlock(data.begin(), data.end());
}

ZsBlock Header(CSQLite& db) {
    return db.QueryBlobCopy("select data from main where id=1;").value_or(ZsBlock());
}

// A library file made through the store: the sample tree, three icons in "Sample Category 1".
std::filesystem::path MakeLibrary(const test::TempDir& dir, const std::string& name = "lib.pctv") {
    Library l;
    l.lib.NewLib();
    l.lib.ImpFiles(WriteIcos(dir, {"a.ico", "b.ico", "c.ico"}), 1, -1, 0, 0, 0, nullptr);
    std::filesystem::path path = dir / name;
    EXPECT_TRUE(l.lib.Save(path));
    return path;
}

}  // namespace

TEST(IconLibNew, SampleTreeAndIds) {
    Library l;
    ASSERT_TRUE(l.lib.NewLib());
    EXPECT_EQ(TreeLines(l.tree),
              (std::vector<std::string>{"0 My Icons -1 0/0", "1 Sample Category 1 1 2/2",
                                        "2 Sample Subcategory 1 2 2/2", "2 Sample Subcategory 2 3 2/2",
                                        "1 Sample Category 2 4 2/2", "1 Sample Category 3 5 2/2",
                                        "0 Find Results -2 3/3"}));
    EXPECT_EQ(l.lib.GetNextNode(), 6);
    EXPECT_EQ(l.lib.GetNextIcon(), 1);
    EXPECT_TRUE(l.lib.Nodes().empty());
    EXPECT_TRUE(l.lib.GetPath().empty());
    EXPECT_FALSE(l.lib.Save());
}

TEST(IconLibFile, FirstSaveWritesTheDocumentedLayout) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::filesystem::path path = dir / "new.pctv";
    test::LogCapture log;
    ASSERT_TRUE(l.lib.Save(path));
    EXPECT_TRUE(log.Contains(ZsPathToUtf8(path) +
                             " saved (7 nodes, 0 icons, last node[0x00000006], last icon[0x00000001])"));
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(
        db.QueryText("select group_concat(sql, '|') from sqlite_master;"),
        "CREATE TABLE main(id integer primary key, data blob)|"
        "CREATE TABLE nodes(id integer primary key, data blob)|"
        "CREATE TABLE icons(id integer primary key, data blob, name nvarchar(256), kwds nvarchar(256))");
    EXPECT_EQ(db.QueryText("pragma encoding;"), "UTF-16le");
    // The desktop's file types tell a library by these four bytes of the header.
    EXPECT_EQ(db.QueryInt("pragma application_id;"), ZIL_APPLICATION_ID);
    const std::optional<ZsBlock> file = ZsReadFile(path);
    ASSERT_TRUE(file && file->size() > 72);
    EXPECT_EQ(std::string(file->begin() + 68, file->begin() + 72), "PCTV");
    EXPECT_EQ(db.QueryText("select group_concat(id) from main;"), "1,2");
    ZsBlock header = Header(db);
    EXPECT_EQ(header, (ZsBlock{0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(db.QueryInt("select length(data) from main where id=2;"), 7 * 528);
    // No list was ever made, so no nodes row; no icons.
    EXPECT_EQ(db.QueryInt("select count(*) from nodes;"), 0);
    EXPECT_EQ(db.QueryInt("select count(*) from icons;"), 0);
    std::optional<ZsBlock> tree = db.QueryBlobCopy("select data from main where id=2;");
    ASSERT_TRUE(tree);
    CZsByteReader r(*tree);
    // Record 2 is "Sample Subcategory 1": depth 2, id 2, images 2/2, UTF-16LE title.
    EXPECT_EQ(r.U32At(2 * 528), 2u);
    EXPECT_EQ(r.U32At(2 * 528 + 4), 2u);
    EXPECT_EQ(r.U32At(2 * 528 + 8), 2u);
    EXPECT_EQ(ZsUtf16LEToUtf8(tree->data() + 2 * 528 + 16, 40), "Sample Subcategory 1");
    EXPECT_EQ(r.U32At(6 * 528 + 4), static_cast<uint32_t>(-2));
    EXPECT_EQ(r.U32At(6 * 528 + 8), 3u);

    // A library of an earlier version carries no application id and opens as before.
    ASSERT_TRUE(db.Exec("pragma application_id=0;"));
    db.CloseDb();
    Library old;
    ASSERT_TRUE(old.lib.Load(path));
    EXPECT_EQ(old.lib.GetList(ZIL_ID_ALL).size(), 0u);
}

TEST(IconLibFile, RowsRoundTripAndLoadReadsNothingUpFront) {
    test::TempDir dir;
    std::filesystem::path path = dir / "lib.pctv";
    {
        Library l;
        l.lib.NewLib();
        ZsBlock ico = Ico(32);
        std::string name = "it's";
        int32_t a = l.lib.ImpIcon(ico, &name);
        int32_t b = l.lib.ImpIcon(Ico(16), nullptr);
        l.lib.SetIconKeywords(a, "red, \xC3\xA4rger");
        l.lib.SetIconName(b, "");
        int32_t c = l.lib.ImpIcon(Ico(16), nullptr);
        l.lib.ListToNode(ZIL_ID_ALL, {a, b, c});
        l.lib.ListToNode(4, {});
        l.lib.ListToNode(1, {b, a});
        ASSERT_TRUE(l.lib.Save(path));
    }
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(db.QueryInt("select count(*) from nodes where id=4 and data is null;"), 1);
    EXPECT_EQ(db.QueryInt("select length(data) from nodes where id=-1;"), 12);
    EXPECT_EQ(db.QueryInt("select count(*) from icons where name is null and kwds is null;"), 2);
    EXPECT_EQ(db.QueryText("select kwds from icons where id=1;"), "red, \xC3\xA4rger");
    EXPECT_EQ(db.QueryText("select name from icons where id=1;"), "it's");
    db.CloseDb();

    Library l;
    test::LogCapture log;
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_TRUE(log.Contains(ZsPathToUtf8(path) + " loaded (7 nodes, 3 icons, last node:6, last icon:4)"));
    EXPECT_TRUE(l.lib.Nodes().empty());
    EXPECT_TRUE(l.lib.Icons().empty());
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{2, 1}));
    EXPECT_TRUE(l.lib.GetList(4).empty());
    EXPECT_EQ(l.lib.GetIconName(1), "it's");
    EXPECT_EQ(l.lib.GetIconName(2), "(Untitled)");
    EXPECT_EQ(l.lib.GetIconKeywords(1), "red, \xC3\xA4rger");
    EXPECT_EQ(l.lib.GetIconKeywords(2), "");
    EXPECT_EQ(ZsBlock(l.lib.GetIconData(1).begin(), l.lib.GetIconData(1).end()), Ico(32));
    CIcon icon;
    EXPECT_TRUE(l.lib.GetIcon(1, icon));
    EXPECT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(TreeLines(l.tree)[2], "2 Sample Subcategory 1 2 2/2");
    // An edited value is not overwritten from the file.
    l.lib.SetIconName(1, "edited");
    EXPECT_EQ(l.lib.GetIconName(1), "edited");
}

TEST(IconLibFile, SaveWritesOnlyFlaggedRowsAndKeepsReservedBytes) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ZsBlock header = Header(db);
        for (int i = 0; i < 8; ++i) {
            header[static_cast<size_t>(i)] = static_cast<uint8_t>(0xA0 + i);
        }
        ASSERT_TRUE(db.ExecBlob("update main set data=? where id=1;", header.data(), header.size()));
        // A change behind the store's back shows which rows a save rewrites.
        ASSERT_TRUE(db.Exec("update icons set name='outside' where id=2;"));
    }
    for (int round = 0; round < 2; ++round) {
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        l.lib.SetIconName(1, "changed");
        ASSERT_TRUE(l.lib.Save());
    }
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    ZsBlock header = Header(db);
    ASSERT_EQ(header.size(), 16u);
    EXPECT_EQ(header[0], 0xA0);
    EXPECT_EQ(header[7], 0xA7);
    EXPECT_EQ(db.QueryText("select name from icons where id=2;"), "outside");
    EXPECT_EQ(db.QueryText("select name from icons where id=1;"), "changed");
}

TEST(IconLibFile, LongTitlesAreCutWithoutSplittingASurrogatePair) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    std::string plain(300, 'x');
    // 254 letters and then a character outside the BMP: the pair would straddle the cut.
    std::string pair = std::string(254, 'y') + "\xF0\x9F\x98\x80" + "zz";
    l.tree.SetItemText(l.Item(4), plain);
    l.tree.SetItemText(l.Item(5), pair);
    ASSERT_TRUE(l.lib.Save(dir / "t.pctv"));
    Library r;
    ASSERT_TRUE(r.lib.Load(dir / "t.pctv"));
    EXPECT_EQ(r.tree.GetItemText(r.Item(4)), std::string(255, 'x'));
    EXPECT_EQ(r.tree.GetItemText(r.Item(5)), std::string(254, 'y'));
}

TEST(IconLibFile, TreeIsRebuiltByTheDepthRule) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    ZsBlock blob;
    test::PutTreeRecord(blob, 0, -1, 0, u"My Icons");
    test::PutTreeRecord(blob, 3, 1, 2, u"Deep");  // more than one deeper: still a child
    test::PutTreeRecord(blob, 2, 2, 2, u"Under deep");
    test::PutTreeRecord(blob, 1, 3, 2, u"Second");
    test::PutTreeRecord(blob, -5, 4, 2, u"Top");
    std::u16string noNul(300, u'q');
    test::PutTreeRecord(blob, 0, -2, 3, noNul);
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.ExecBlob("update main set data=? where id=2;", blob.data(), blob.size()));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_EQ(
        TreeLines(l.tree),
        (std::vector<std::string>{"0 My Icons -1 0/0", "1 Deep 1 2/2", "2 Under deep 2 2/2", "1 Second 3 2/2",
                                  "0 Top 4 2/2", "0 " + std::string(255, 'q') + " -2 3/3"}));
    EXPECT_EQ(l.lib.GetNodeIds(), (std::vector<int32_t>{-1, 1, 2, 3, 4, -2}));
}

TEST(IconLibFile, DamagedFilesAreRefusedWithoutHarm) {
    test::TempDir dir;
    Library l;
    test::LogCapture log;
    // A missing file is not created by trying to open it. Every refusal says why.
    EXPECT_FALSE(l.lib.Load(dir / "missing.pctv"));
    EXPECT_EQ(l.lib.LoadError(), "The file does not exist.");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.pctv"));
    EXPECT_FALSE(l.lib.Load(dir.Path()));
    EXPECT_EQ(l.lib.LoadError(), "It is not a file.");
    // A file that is not a database stays as it was.
    ZsBlock ico = Ico();
    ZsWriteFile(dir / "icon.pctv", ico);
    EXPECT_FALSE(l.lib.Load(dir / "icon.pctv"));
    EXPECT_EQ(l.lib.LoadError(), "The file is not an extended icon library.");
    EXPECT_EQ(ZsReadFile(dir / "icon.pctv"), ico);
    EXPECT_FALSE(l.lib.IsOpen());
    ZsWriteFile(dir / "empty.pctv", ZsBlock());
    EXPECT_FALSE(l.lib.Load(dir / "empty.pctv"));
    EXPECT_EQ(l.lib.LoadError(), "The file is not an extended icon library.");

    std::filesystem::path path = MakeLibrary(dir);
    auto damaged = [&](const std::string& sql, const ZsBlock& blob) {
        std::filesystem::path copy = dir / "damaged.pctv";
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        CSQLite db;
        EXPECT_TRUE(db.Open(copy));
        EXPECT_TRUE(db.ExecBlob(sql, blob.empty() ? nullptr : blob.data(), blob.size()));
        db.CloseDb();
        Library d;
        // The reason the load was refused; "" when it was not.
        return d.lib.Load(copy) ? std::string() : d.lib.LoadError();
    };
    EXPECT_EQ(damaged("update main set data=? where id=1;", ZsBlock(15)),
              "The library is damaged: its header is 15 bytes long instead of 16.");
    EXPECT_EQ(damaged("update main set data=? where id=1;", ZsBlock()),
              "The library is damaged: its header is 0 bytes long instead of 16.");
    EXPECT_EQ(damaged("delete from main where id=1 or ?1 is null;", ZsBlock()),
              "The library is damaged: its header is missing.");
    ZsBlock one;
    test::PutTreeRecord(one, 0, -1, 0, u"My Icons");
    const std::string sBadTree = "The library is damaged: its category tree cannot be read.";
    EXPECT_EQ(damaged("update main set data=? where id=2;", one), sBadTree);
    EXPECT_EQ(damaged("update main set data=? where id=2;", ZsBlock(528 * 2 + 1)), sBadTree);
    EXPECT_EQ(damaged("drop table main;", ZsBlock()), "The file is not an extended icon library.");
    EXPECT_EQ(damaged("update main set data=data where id=2 or ?1 is null;", ZsBlock()), "");

    // Truncated at every page boundary and a few odd lengths: refused or opened, never a crash.
    std::optional<ZsBlock> bytes = ZsReadFile(path);
    ASSERT_TRUE(bytes);
    for (size_t n = 0; n < bytes->size(); n += n < 200 ? 37 : 512) {
        ZsWriteFile(dir / "cut.pctv", ZsBytes(bytes->data(), n));
        Library c;
        if (c.lib.Load(dir / "cut.pctv")) {
            for (int32_t nId : c.lib.GetList(ZIL_ID_ALL)) {
                c.lib.GetIconName(nId);
                c.lib.GetIconData(nId);
            }
        }
    }
}

TEST(IconLibFile, SchemasWithPartsOfOtherKindsAreRefusedBeforeAnythingRuns) {
    ASSERT_TRUE(test::HaveTools({"sqlite3"}));
    test::TempDir dir;
    const std::filesystem::path path = MakeLibrary(dir);
    const std::string sHolds = "It holds parts an icon library does not have: ";
    struct CASE {
        const char* pszSql;
        std::string sError;  // "" when the file opens
    };
    const CASE cases[] = {
        {"create trigger wipe after insert on icons begin delete from icons; end;",
         sHolds + "trigger 'wipe'."},
        {"create trigger nope before update on main begin select raise(abort, 'no'); end;",
         sHolds + "trigger 'nope'."},
        {"alter table icons rename to old; create view icons as with recursive r(id, data, name, kwds) as "
         "(select 1, null, 'x', 'y' union all select id + 1, data, name, kwds from r) select * from r;",
         sHolds + "table 'old', view 'icons'; and lacks table 'icons'."},
        {"create virtual table v using rtree(id, x0, x1);", sHolds + "virtual table 'v', table 'v_rowid', "
                                                                     "table 'v_node', table 'v_parent'."},
        {"create unique index u on icons(name);", sHolds + "index 'u' (unique)."},
        {"create index p on icons(name) where name is not null;", sHolds + "index 'p' (partial)."},
        {"create index e on icons(length(data));", sHolds + "index 'e' (on an expression)."},
        {"create table \"a'\n\"(x);", sHolds + "table 'a\\'\\x0A'."},
        {"alter table icons add column extra;", sHolds + "table 'icons' unlike the library's own."},
        {"create table t(id integer primary key, data blob, name integer, kwds nvarchar(256)); insert into t "
         "select * from icons; drop table icons; alter table t rename to icons;",
         sHolds + "table 'icons' unlike the library's own."},
        {"drop table nodes;", "It lacks parts every icon library has: table 'nodes'."},
        {"pragma writable_schema=1; update sqlite_master set sql='create table icons(' where name='icons';",
         "The library is damaged (malformed database schema (icons) - incomplete input)."},
        // Plain indexes and the statistics of ANALYZE change no result.
        {"create index n on icons(name collate nocase, id desc); analyze;", ""},
    };
    for (const CASE& c : cases) {
        const std::filesystem::path copy = dir / "hostile.pctv";
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        ZsWriteFile(dir / "hostile.sql",
                    ZsBytes(reinterpret_cast<const uint8_t*>(c.pszSql), std::strlen(c.pszSql)));
        ASSERT_EQ(std::system(
                      ("sqlite3 '" + copy.string() + "' < '" + (dir / "hostile.sql").string() + "'").c_str()),
                  0)
            << c.pszSql;
        Library l;
        const bool bLoaded = l.lib.Load(copy);
        EXPECT_EQ(bLoaded ? std::string() : l.lib.LoadError(), c.sError) << c.pszSql;
        if (bLoaded) {
            EXPECT_EQ(l.lib.GetList(1).size(), 3u);
            l.lib.SetIconName(1, "renamed");
            EXPECT_TRUE(l.lib.Save());
        }
    }
}

TEST(IconLibFile, RowsWithBadDataAreSkippedAndIdsAreNeverReused) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7};
        ASSERT_TRUE(db.ExecBlob("update icons set data=? where id=2;", junk, sizeof(junk)));
        ZsBlock header(16);
        ZsSetU32(&header[8], 2);
        ZsSetU32(&header[12], 1);
        ASSERT_TRUE(db.ExecBlob("update main set data=? where id=1;", header.data(), header.size()));
        ASSERT_TRUE(db.ExecBlob("update nodes set data=? where id=-1;", junk, sizeof(junk)));
    }
    Library l;
    test::LogCapture log;
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_EQ(l.lib.GetNextNode(), 6);
    EXPECT_EQ(l.lib.GetNextIcon(), 4);
    EXPECT_TRUE(l.lib.GetIconData(2).empty());
    EXPECT_TRUE(log.Contains("icon 2 cannot be read"));
    CIcon icon;
    EXPECT_FALSE(l.lib.GetIcon(2, icon));
    EXPECT_FALSE(l.lib.GetIconData(1).empty());
    // Seven bytes hold one whole id; the odd rest is ignored.
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 1u);
}

TEST(IconLibSave, FailedSaveWritesNothingAndARetryWritesEverything) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.ImpFiles(WriteIcos(dir, {"d.ico"}), 4, -1, 0, 0, 0, nullptr);
    l.lib.SetIconName(1, "renamed");
    l.tree.SetItemText(l.Item(4), "New title");
    CSQLite other;
    ASSERT_TRUE(other.Open(path));
    // A table the save needs is gone: the icons come last, after header, tree and lists were written. (Taken
    // away on the library's own connection: a change by another one would make the save refuse at once.)
    ASSERT_TRUE(l.lib.Exec("alter table icons rename to hidden;"));
    EXPECT_FALSE(l.lib.Save());
    EXPECT_EQ(Header(other)[12], 4);
    EXPECT_EQ(other.QueryInt("select count(*) from nodes where id=4;"), 0);
    ASSERT_TRUE(l.lib.Exec("alter table hidden rename to icons;"));
    ASSERT_TRUE(l.lib.Save());
    EXPECT_EQ(Header(other)[12], 5);
    EXPECT_EQ(other.QueryInt("select length(data) from nodes where id=4;"), 4);
    EXPECT_EQ(other.QueryText("select name from icons where id=4;"), "d");
    EXPECT_EQ(other.QueryText("select name from icons where id=1;"), "renamed");
    other.CloseDb();
    Library r;
    ASSERT_TRUE(r.lib.Load(path));
    EXPECT_EQ(r.tree.GetItemText(r.Item(4)), "New title");
}

TEST(IconLibSave, SaveAsCopiesAndFirstSaveReplacesAnExistingFile) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    {
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        l.lib.SetIconName(1, "only in copy");
        ASSERT_TRUE(l.lib.Save(dir / "copy.pctv"));
        EXPECT_EQ(l.lib.GetPath(), dir / "copy.pctv");
        l.lib.SetIconName(2, "later");
        ASSERT_TRUE(l.lib.Save());
    }
    Library orig, copy;
    ASSERT_TRUE(orig.lib.Load(path));
    ASSERT_TRUE(copy.lib.Load(dir / "copy.pctv"));
    EXPECT_EQ(orig.lib.GetIconName(1), "a");
    EXPECT_EQ(orig.lib.GetIconName(2), "b");
    EXPECT_EQ(copy.lib.GetIconName(1), "only in copy");
    EXPECT_EQ(copy.lib.GetIconName(2), "later");
    EXPECT_EQ(copy.lib.GetList(1).size(), 3u);

    // A new library saved over the existing file leaves none of the old rows behind.
    Library fresh;
    fresh.lib.NewLib();
    ASSERT_TRUE(fresh.lib.Save(path));
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(db.QueryInt("select count(*) from icons;"), 0);
    EXPECT_EQ(db.QueryInt("select count(*) from main;"), 2);
    EXPECT_EQ(Header(db)[12], 1);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
}

TEST(IconLibSave, SaveAsToAnUnwritablePlaceKeepsTheLibraryUsable) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.SetIconName(1, "pending");
    EXPECT_FALSE(l.lib.Save(dir / "no-such-folder" / "x.pctv"));
    EXPECT_EQ(l.lib.GetPath(), path);
    ASSERT_TRUE(l.lib.Save());
    Library r;
    ASSERT_TRUE(r.lib.Load(path));
    EXPECT_EQ(r.lib.GetIconName(1), "pending");
}

TEST(IconLibImport, PlacesIconsByTargetAndPosition) {
    test::TempDir dir;
    std::vector<std::filesystem::path> files = WriteIcos(dir, {"a.ico", "b.ico", "c.ico"});
    Library l;
    l.lib.NewLib();
    EXPECT_EQ(l.lib.ImpFiles({files[0], files[0]}, ZIL_ID_ALL, -1, 0, 0, 0, nullptr), 2);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2}));
    EXPECT_EQ(l.lib.ImpFiles({files[1]}, 0, -1, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    l.lib.ListToNode(2, {1, 2});
    EXPECT_EQ(l.lib.ImpFiles(files, 2, 1, 0, 0, 0, nullptr), 3);
    EXPECT_EQ(l.lib.GetList(2), (ZIL_LIST{1, 4, 5, 6, 2}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4, 5, 6}));
    // A position past the end appends.
    EXPECT_EQ(l.lib.ImpFiles({files[2]}, 2, 99, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(l.lib.GetList(2).back(), 7);
    EXPECT_EQ(l.lib.GetIconName(4), "a");
    EXPECT_EQ(l.lib.GetIconName(6), "c");
    EXPECT_TRUE(l.lib.Nodes().at(2).nFlags & ZIL_DIRTY_DATA);
    EXPECT_TRUE(l.lib.Icons().at(7).nFlags & ZIL_DIRTY_NAME);
}

TEST(IconLibImport, ReportsEveryIconAndStopsWhenAsked) {
    test::TempDir dir;
    std::vector<std::filesystem::path> files = WriteIcos(dir, {"a.ico", "b.ico", "c.ico"});
    ZsWriteFile(dir / "bad.ico", std::vector<uint8_t>{0, 0, 2, 0, 1, 0});
    ZsWriteFile(dir / "skip.txt", std::vector<uint8_t>{1});
    files.insert(files.begin() + 1, dir / "bad.ico");
    files.insert(files.begin() + 2, dir / "skip.txt");
    files.insert(files.begin() + 3, dir / "missing.ico");
    Library l;
    l.lib.NewLib();
    std::vector<std::string> seen;
    test::LogCapture log;
    bool bCancel = true;
    int n = l.lib.ImpFiles(
        files, 1, -1, 0, 0, 0,
        [&](const ZIL_IMPORTED& r) {
            seen.push_back(std::to_string(r.nId) + " " + r.sName + " " + std::to_string(r.nImported) + " " +
                           std::to_string(r.nFile) + "/" + std::to_string(r.nFiles) + " " +
                           std::to_string(r.data.size()));
            return true;
        },
        &bCancel);
    EXPECT_EQ(n, 3);
    EXPECT_FALSE(bCancel);
    size_t nSize = Ico().size();
    EXPECT_EQ(seen, (std::vector<std::string>{"1 a 1 0/6 " + std::to_string(nSize), "0 bad 1 1/6 0",
                                              "0 missing 1 3/6 0", "2 b 2 4/6 " + std::to_string(nSize),
                                              "3 c 3 5/6 " + std::to_string(nSize)}));
    EXPECT_TRUE(log.Contains("ZI_IsValidIcon"));

    int nCalls = 0;
    n = l.lib.ImpFiles(
        files, 1, -1, 0, 0, 0, [&](const ZIL_IMPORTED&) { return ++nCalls < 1; }, &bCancel);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(l.lib.GetList(1).size(), 4u);
}

TEST(IconLibEdit, DeletingAnIconRemovesItEverywhere) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.ListToNode(2, {2, 3});
    ASSERT_TRUE(l.lib.FindIcons("b", {ZIL_ID_ALL}, false, false, false, true, false));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), (ZIL_LIST{2}));
    l.lib.DelIcon(2);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 3}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3}));
    EXPECT_EQ(l.lib.GetList(2), (ZIL_LIST{3}));
    EXPECT_TRUE(l.lib.GetList(ZIL_ID_FIND).empty());
    ASSERT_TRUE(l.lib.Save());
    EXPECT_EQ(l.lib.Icons().count(2), 0u);
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(db.QueryText("select group_concat(id) from icons;"), "1,3");
}

TEST(IconLibEdit, RemovingRowsAndCategories) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.ListToNode(2, {1, 2, 3});
    // Removing rows only takes the icons out of the category.
    EXPECT_EQ(ZsRemoveIcons(l.lib, 1, {2, 0, 0, 7}).nIcons, 2);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{2}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 3u);
    // Deleting takes them out of every list.
    EXPECT_EQ(ZsDeleteIconsFromLibrary(l.lib, ZIL_ID_ALL, {0}).nIcons, 1);
    EXPECT_EQ(l.lib.GetList(2), (ZIL_LIST{2, 3}));
    EXPECT_TRUE(l.lib.Icons().at(1).nFlags & ZIL_DELETED);
    EXPECT_EQ(ZsDeleteIconsFromLibrary(l.lib, 2, {1}).nIcons, 1);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{2}));

    // A deleted category takes its subcategories with it; the icons stay.
    EXPECT_EQ(l.lib.DelNode(l.Item(ZIL_ID_ALL)), 0);
    EXPECT_EQ(l.lib.NewNode(l.Item(ZIL_ID_FIND), ZS_TI_LAST, "Inside"), ZS_TI_NONE);
    ASSERT_EQ(l.lib.DelNode(l.Item(1)), 3);
    EXPECT_EQ(l.lib.GetNodeIds(), (std::vector<int32_t>{-1, 4, 5, -2}));
    ZsTreeItem added = l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_FIRST, "Added");
    EXPECT_EQ(l.tree.GetItemData(added), 6);
    ASSERT_TRUE(l.lib.Save());
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(db.QueryText("select group_concat(id) from nodes order by id;"), "-1");
    EXPECT_EQ(db.QueryText("select group_concat(id) from icons;"), "2");
    EXPECT_EQ(Header(db)[8], 7);
}

TEST(IconLibQuery, PathsAndLocations) {
    test::TempDir dir;
    Library l;
    l.lib.NewLib();
    for (int i = 0; i < 4; ++i) {
        l.lib.ImpIcon(Ico(), nullptr);
    }
    l.lib.ListToNode(ZIL_ID_ALL, {1, 2, 3, 4});
    l.lib.ListToNode(2, {1});
    l.lib.ListToNode(5, {2, 1});
    l.lib.ListToNode(ZIL_ID_FIND, {3});
    EXPECT_EQ(l.lib.FindIconNode(1), 2);
    EXPECT_EQ(l.lib.GetIconPath(1), "\\Sample Category 1\\Sample Subcategory 1");
    EXPECT_EQ(l.lib.GetIconPath(2), "\\Sample Category 3");
    EXPECT_EQ(l.lib.GetIconPath(3), "\\Find Results");
    EXPECT_EQ(l.lib.FindIconNode(4), 0);
    EXPECT_EQ(l.lib.GetIconPath(4), "");
    ZIL_LIST view{9};
    l.lib.NodeToList(5, view);
    EXPECT_EQ(view, (ZIL_LIST{9, 2, 1}));
}

TEST(IconLibImport, PicturesBecomeIconsWholeOrCutIntoTiles) {
    test::TempDir dir;
    CZsBitmap picture(40, 20, 32, 0xFF336699);
    ASSERT_TRUE(ZsSaveBitmapFile(picture, dir / "pic.png", ZS_PIC_PNG));
    ASSERT_TRUE(ZsSaveBitmapFile(picture, dir / "pic.bmp", ZS_PIC_BMP));
    std::filesystem::copy_file(dir / "pic.png", dir / "pic.jpeg");
    Library l;
    l.lib.NewLib();
    // ".jpeg" is not one of the taken extensions.
    EXPECT_EQ(l.lib.ImpFiles({dir / "pic.png", dir / "pic.jpeg", dir / "pic.bmp"}, 1, -1, 0, 0,
                             ZI_SIZING_KEEP, nullptr),
              2);
    CIcon icon;
    ASSERT_TRUE(l.lib.GetIcon(1, icon));
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{40, 20, 32}));
    ASSERT_TRUE(l.lib.GetIcon(2, icon));
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{40, 20, 32}));
    ASSERT_TRUE(l.lib.ImpFiles({dir / "pic.png"}, 1, -1, 0, 0, ZI_SIZING_ENLARGE, nullptr));
    ASSERT_TRUE(l.lib.GetIcon(3, icon));
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{48, 48, 32}));

    std::vector<std::string> pieces;
    int n = l.lib.ImpFiles({dir / "pic.png"}, 1, 0, 20, 20, ZI_SIZING_KEEP, [&](const ZIL_IMPORTED& r) {
        pieces.push_back(r.sName + " " + std::to_string(r.nPiece) + "/" + std::to_string(r.nPieces));
        return true;
    });
    EXPECT_EQ(n, 2);
    EXPECT_EQ(pieces, (std::vector<std::string>{"pic (1) 0/2", "pic (2) 1/2"}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{4, 5, 1, 2, 3}));
    ASSERT_TRUE(l.lib.GetIcon(5, icon));
    EXPECT_EQ(icon.GetImage(0).Format(), (ZI_FORMAT{20, 20, 32}));
    // A file that is no picture is reported as refused.
    ZsWriteFile(dir / "fake.png", std::vector<uint8_t>{1, 2, 3});
    int nRefused = 0;
    EXPECT_EQ(l.lib.ImpFiles({dir / "fake.png"}, 1, -1, 0, 0, 0,
                             [&](const ZIL_IMPORTED& r) {
                                 nRefused += r.nId == 0;
                                 return true;
                             }),
              0);
    EXPECT_EQ(nRefused, 1);
}

TEST(IconLibFile, RandomTreeBlobsLoadAndSaveBack) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        ZsBlock blob((2 + rng() % 8) * 528);
        for (uint8_t& b : blob) {
            b = static_cast<uint8_t>(rng());
        }
        // Small depths half of the time, so that real nesting happens too.
        for (size_t off = 0; off < blob.size() && round % 2; off += 528) {
            ZsSetU32(&blob[off], rng() % 4);
        }
        {
            CSQLite db;
            ASSERT_TRUE(db.Open(path));
            ASSERT_TRUE(db.ExecBlob("update main set data=? where id=2;", blob.data(), blob.size()));
        }
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        EXPECT_EQ(l.tree.GetCount(), static_cast<int>(blob.size() / 528));
        std::vector<std::string> before = TreeLines(l.tree);
        ASSERT_TRUE(l.lib.Save());
        Library r;
        ASSERT_TRUE(r.lib.Load(path));
        // Compared as a whole: the titles are long random texts.
        EXPECT_TRUE(TreeLines(r.tree) == before) << "round " << round;
    }
}

TEST(IconLibFile, UsedUpIdsAreRefusedNotWrapped) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ZsBlock header(16);
        ZsSetU32(&header[8], 0x7FFFFFFF);
        ZsSetU32(&header[12], 0x7FFFFFFF);
        ASSERT_TRUE(db.ExecBlob("update main set data=? where id=1;", header.data(), header.size()));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_EQ(l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_LAST, "More"), ZS_TI_NONE);
    EXPECT_EQ(l.lib.NewNodeId(), 0);
    std::string sError;
    EXPECT_EQ(l.lib.ImpIcon(Ico(), nullptr, &sError), 0);
    EXPECT_EQ(l.lib.GetNextIcon(), 0x7FFFFFFF);
    // An import is refused naming the library and why.
    const std::string sWhy = "it has no icon id left (its next icon id is 2147483647)";
    EXPECT_EQ(sError, "the library '" + path.string() + "' cannot take it: " + sWhy);
    const ZIL_CHECK check = ZsCheckImportTarget(l.lib, 1);
    EXPECT_EQ(check.nRefusal, ZIL_REFUSED_IDS_USED_UP);
    EXPECT_EQ(check.sRefusal, "The library cannot take new icons: " + sWhy + ".");
}

namespace {

// Replaces the stored data of the icons with bytes that are not ICO data.
void DamageStoredData(const std::filesystem::path& path, const char* pszIds) {
    CSQLite db;
    ASSERT_TRUE(db.Open(path));
    const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(
        db.ExecBlob(ZsFormat("update icons set data=? where id in (%s);", pszIds), junk, sizeof(junk)));
}

}  // namespace

// Names, keywords and the data summaries of a list come in one pass, without keeping any image data, and
// agree with what reading each icon whole gives: for data in memory, stored data, data that is not ICO
// data, no data, a directory longer than the first bytes read, and icons that have no row yet.
TEST(IconLibRead, TextsAndSummariesInOnePass) {
    test::TempDir dir;
    std::filesystem::path path = dir / "lib.pctv";
    std::vector<test::IcoImage> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(test::DibImage(1, 1, 32, static_cast<uint8_t>(i)));
    }
    {
        Library l;
        l.lib.NewLib();
        const std::string sName = "Globe";
        ZIL_LIST all;
        all.push_back(l.lib.ImpIcon(Ico(32), &sName));
        all.push_back(l.lib.ImpIcon(test::MakeIco(many), nullptr));
        all.push_back(l.lib.ImpIcon(Ico(16), nullptr));
        all.push_back(l.lib.ImpIcon(Ico(16), nullptr));
        l.lib.SetIconKeywords(all[0], "round, blue");
        l.lib.ListToNode(ZIL_ID_ALL, all);
        ASSERT_TRUE(l.lib.Save(path));
        DamageStoredData(path, "3");
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.Exec("update icons set data=null where id=4;"));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.SetIconName(1, "edited");
    l.lib.SetIconData(2, Ico(48));
    const std::string sNew = "New";
    const int32_t nNew = l.lib.ImpIcon(Ico(24), &sNew);
    const ZIL_LIST ids = {1, 2, 3, 4, nNew, 1, 77};
    std::vector<ZIL_DATA_SUMMARY> summaries;
    test::LogCapture log;
    l.lib.LoadIconTexts(ids, ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS, &summaries);
    ASSERT_EQ(summaries.size(), ids.size());
    EXPECT_EQ(l.lib.GetIconName(1), "edited");
    EXPECT_EQ(l.lib.GetIconKeywords(1), "round, blue");
    EXPECT_EQ(l.lib.GetIconName(nNew), "New");
    EXPECT_EQ(l.lib.GetIconName(77), "(Untitled)");
    EXPECT_FALSE(l.lib.Icons().at(1).data);
    EXPECT_FALSE(l.lib.Icons().at(3).data);

    Library whole;
    ASSERT_TRUE(whole.lib.Load(path));
    whole.lib.SetIconData(2, Ico(48));
    whole.lib.ImpIcon(Ico(24), &sNew);
    for (size_t i = 0; i < ids.size(); ++i) {
        const ZsBytes data = whole.lib.GetIconData(ids[i]);
        EXPECT_EQ(summaries[i], (ZIL_DATA_SUMMARY{ZI_GetImageCount(data), data.size()})) << ids[i];
    }
    EXPECT_EQ(summaries[0].nFormats, 2);
    EXPECT_EQ(summaries[2], ZIL_DATA_SUMMARY());
    // Stored, the 300-image directory is longer than the first bytes read.
    Library stored;
    ASSERT_TRUE(stored.lib.Load(path));
    stored.lib.LoadIconTexts({2}, 0, &summaries);
    EXPECT_EQ(summaries, (std::vector<ZIL_DATA_SUMMARY>{{300, test::MakeIco(many).size()}}));
}

// Data read from the file is kept up to a limit, the latest reads always; changed data stays until it is
// saved, then goes like the rest, and dropped data reads back the same.
TEST(IconLibCache, SavedDataIsDroppedBeyondTheLimit) {
    test::TempDir dir;
    std::filesystem::path path = dir / "lib.pctv";
    const int nIcons = static_cast<int>(ZIL_DATA_KEPT_LOADS) + 40;
    {
        Library l;
        l.lib.NewLib();
        l.lib.SetDataCacheLimit(0);
        ZIL_LIST all;
        for (int i = 0; i < nIcons; ++i) {
            all.push_back(l.lib.ImpIcon(Ico(16, static_cast<uint8_t>(i)), nullptr));
        }
        l.lib.ListToNode(ZIL_ID_ALL, all);
        // Nothing is dropped before the library has a file.
        EXPECT_EQ(Copy(l.lib.GetIconData(1)), Ico(16, 0));
        ASSERT_TRUE(l.lib.Save(path));
        size_t nHeld = 0;
        for (const auto& [nId, icon] : l.lib.Icons()) {
            nHeld += icon.data.has_value();
        }
        EXPECT_EQ(nHeld, ZIL_DATA_KEPT_LOADS);
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    l.lib.SetDataCacheLimit(1);
    l.lib.SetIconData(1, Ico(32));
    for (int32_t nId = 2; nId <= nIcons; ++nId) {
        ASSERT_EQ(Copy(l.lib.GetIconData(nId)), Ico(16, static_cast<uint8_t>(nId - 1)));
    }
    size_t nHeld = 0;
    for (const auto& [nId, icon] : l.lib.Icons()) {
        nHeld += icon.data.has_value();
    }
    EXPECT_EQ(nHeld, ZIL_DATA_KEPT_LOADS + 1);
    EXPECT_TRUE(l.lib.Icons().at(1).data);
    EXPECT_EQ(Copy(l.lib.GetIconData(2)), Ico(16, 1));
    ASSERT_TRUE(l.lib.Save());
    for (int nRound = 0; nRound < 2; ++nRound) {
        for (int32_t nId = 2; nId <= nIcons; ++nId) {
            l.lib.GetIconData(nId);
        }
    }
    EXPECT_FALSE(l.lib.Icons().at(1).data);
    EXPECT_EQ(Copy(l.lib.GetIconData(1)), Ico(32));
    EXPECT_LE(l.lib.GetCachedDataBytes(), (ZIL_DATA_KEPT_LOADS + 1) * Ico(32).size());
}

// Texts for most of the library come from one pass over the whole table; rows not asked for are skipped.
TEST(IconLibRead, WholeTablePassForMostOfTheLibrary) {
    test::TempDir dir;
    std::filesystem::path path = dir / "lib.pctv";
    const int nIcons = 700;
    {
        Library l;
        l.lib.NewLib();
        ZIL_LIST all;
        for (int i = 0; i < nIcons; ++i) {
            const std::string sName = "Icon " + std::to_string(i);
            all.push_back(l.lib.ImpIcon(Ico(16), &sName));
            l.lib.SetIconKeywords(all.back(), "shape " + std::to_string(i % 7));
        }
        l.lib.ListToNode(ZIL_ID_ALL, all);
        ASSERT_TRUE(l.lib.Save(path));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    ZIL_LIST ids(l.lib.GetList(ZIL_ID_ALL).begin() + 100, l.lib.GetList(ZIL_ID_ALL).end());
    std::vector<ZIL_DATA_SUMMARY> summaries;
    l.lib.LoadIconTexts(ids, ZIL_ICON_LOADNAME, &summaries);
    EXPECT_FALSE(l.lib.Icons().count(1));
    EXPECT_EQ(*l.lib.Icons().at(101).name, "Icon 100");
    EXPECT_FALSE(l.lib.Icons().at(101).kwds);
    EXPECT_EQ(summaries.back(), (ZIL_DATA_SUMMARY{2, Ico(16).size()}));
    ASSERT_TRUE(l.lib.FindIcons("SHAPE 3", {ZIL_ID_ALL}, false, false, false, false, true));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND).size(), 100u);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND).front(), 4);
}

// A pass over a large library reads half of its rows on a second connection: the texts and summaries are
// those of the icons one by one, in both ways of opening, for rows on either side of the split (damaged data
// and a long directory among them); inside a transaction of the caller's, only this connection is used, so
// changes made in it are seen.
TEST(IconLibRead, LargePassOnTwoConnections) {
    test::TempDir dir;
    std::filesystem::path path = dir / "lib.pctv";
    const int nIcons = static_cast<int>(ZIL_PARALLEL_SCAN_ICONS) + 300;
    std::vector<test::IcoImage> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(test::DibImage(1, 1, 32, static_cast<uint8_t>(i)));
    }
    {
        Library l;
        l.lib.NewLib();
        ZIL_LIST all;
        for (int i = 0; i < nIcons; ++i) {
            const std::string sName = "Icon " + std::to_string(i);
            all.push_back(l.lib.ImpIcon(i % 1000 == 999 ? test::MakeIco(many) : Ico(16), &sName));
            l.lib.SetIconKeywords(all.back(), "shape " + std::to_string(i % 7));
        }
        l.lib.ListToNode(ZIL_ID_ALL, all);
        ASSERT_TRUE(l.lib.Save(path));
        DamageStoredData(path, "10, 8000");
    }
    for (ZS_SQL_OPEN nMode : {ZS_SQL_READ_WRITE, ZS_SQL_READ_ONLY}) {
        Library l;
        ASSERT_TRUE(l.lib.Load(path, nMode));
        const ZIL_LIST ids = l.lib.GetList(ZIL_ID_ALL);
        ASSERT_EQ(ids.size(), static_cast<size_t>(nIcons));
        std::vector<ZIL_DATA_SUMMARY> summaries;
        l.lib.LoadIconTexts(ids, ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS, &summaries);
        ASSERT_EQ(summaries.size(), ids.size());
        Library one;
        ASSERT_TRUE(one.lib.Load(path, nMode));
        for (size_t i = 0; i < ids.size(); ++i) {
            ASSERT_EQ(*l.lib.Icons().at(ids[i]).name, "Icon " + std::to_string(i)) << nMode;
            ASSERT_EQ(*l.lib.Icons().at(ids[i]).kwds, "shape " + std::to_string(i % 7)) << nMode;
            const ZsBytes data = one.lib.GetIconData(ids[i]);
            ASSERT_EQ(summaries[i], (ZIL_DATA_SUMMARY{ZI_GetImageCount(data), data.size()})) << ids[i];
        }
        EXPECT_EQ(summaries[9], ZIL_DATA_SUMMARY());
        EXPECT_EQ(summaries[7999], ZIL_DATA_SUMMARY());
        EXPECT_EQ(summaries[6999].nFormats, 300);
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    ASSERT_TRUE(l.lib.BeginTrans());
    ASSERT_TRUE(l.lib.Exec("update icons set name='Changed' where id=8400;"));
    l.lib.LoadIconTexts(l.lib.GetList(ZIL_ID_ALL), ZIL_ICON_LOADNAME);
    EXPECT_EQ(*l.lib.Icons().at(8400).name, "Changed");
    EXPECT_TRUE(l.lib.RollbackTrans());

    // Another library put in the place of the open one is not read by the second connection.
    Library open;
    ASSERT_TRUE(open.lib.Load(path));
    std::filesystem::copy_file(path, dir / "other.pctv");
    {
        CSQLite other;
        ASSERT_TRUE(other.Open(dir / "other.pctv"));
        ASSERT_TRUE(other.Exec("update icons set name='Other';"));
    }
    std::filesystem::rename(dir / "other.pctv", path);
    open.lib.LoadIconTexts(open.lib.GetList(ZIL_ID_ALL), ZIL_ICON_LOADNAME);
    EXPECT_EQ(*open.lib.Icons().at(8400).name, "Icon 8399");
}

namespace {

// Icons ZIL_DATA_KEPT_LOADS + 40 with data of their own (fill n for icon n) named "New n", into "My Icons"
// and category 4; with a limit of 0 all but the latest ZIL_DATA_KEPT_LOADS go to the staging file.
ZIL_LIST ImportStaged(CZsIconLib& lib) {
    lib.SetUnsavedDataLimit(0);
    ZIL_LIST ids;
    for (size_t i = 0; i < ZIL_DATA_KEPT_LOADS + 40; ++i) {
        const std::string sName = "New " + std::to_string(i);
        ids.push_back(lib.ImpIcon(Ico(16, static_cast<uint8_t>(i)), &sName));
    }
    ZIL_LIST all = lib.GetList(ZIL_ID_ALL);
    all.insert(all.end(), ids.begin(), ids.end());
    lib.ListToNode(ZIL_ID_ALL, all);
    lib.ListToNode(4, ids);
    return ids;
}

size_t DataHeld(const CZsIconLib& lib) {
    size_t nHeld = 0;
    for (const auto& [nId, icon] : lib.Icons()) {
        nHeld += icon.data.has_value();
    }
    return nHeld;
}

}  // namespace

// New data beyond the limit waits in the staging file: the library file stays as saved, a failed save keeps
// it, and the save that succeeds moves all of it in and drops the staging file.
TEST(IconLibStaging, StagedDataReachesTheFileOnlyThroughASave) {
    test::TempDir dir;
    std::filesystem::path path = MakeLibrary(dir);
    const ZsBlock saved = *ZsReadFile(path);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    const ZIL_LIST ids = ImportStaged(l.lib);
    const std::filesystem::path stage = l.lib.GetStagingPath();
    ASSERT_FALSE(stage.empty());
    EXPECT_TRUE(std::filesystem::exists(stage));
    EXPECT_EQ(DataHeld(l.lib), ZIL_DATA_KEPT_LOADS);
    EXPECT_LE(l.lib.GetUnsavedDataBytes(), ZIL_DATA_KEPT_LOADS * Ico(16).size());
    EXPECT_EQ(*ZsReadFile(path), saved);

    // Staged data reads back, and its summary comes from the staging file too.
    EXPECT_FALSE(l.lib.Icons().at(ids[0]).data);
    EXPECT_EQ(Copy(l.lib.GetIconData(ids[0])), Ico(16, 0));
    std::vector<ZIL_DATA_SUMMARY> summaries;
    l.lib.LoadIconTexts({ids[1]}, ZIL_ICON_LOADNAME, &summaries);
    EXPECT_EQ(summaries[0], (ZIL_DATA_SUMMARY{2, Ico(16).size()}));

    // Changed after it was staged, deleted while staged: the save takes the change and leaves the deleted
    // out.
    l.lib.SetIconData(ids[2], Ico(32, 7));
    l.lib.DelIcon(ids[3]);
    for (int i = 0; i < 70; ++i) {
        l.lib.SetIconName(ids[5], "again");
        l.lib.SetIconData(ids[4 + i % 2], Ico(16, static_cast<uint8_t>(100 + i)));
    }
    EXPECT_FALSE(l.lib.Icons().at(ids[2]).data);

    // A failed save (a table it needs taken away on its own connection) keeps the staging file.
    ASSERT_TRUE(l.lib.Exec("alter table icons rename to hidden;"));
    const ZsBlock hidden = *ZsReadFile(path);
    EXPECT_FALSE(l.lib.Save());
    EXPECT_EQ(*ZsReadFile(path), hidden);
    ASSERT_TRUE(l.lib.Exec("alter table hidden rename to icons;"));
    EXPECT_EQ(l.lib.GetStagingPath(), stage);

    ASSERT_TRUE(l.lib.Save());
    EXPECT_TRUE(l.lib.GetStagingPath().empty());
    EXPECT_FALSE(std::filesystem::exists(stage));
    EXPECT_EQ(l.lib.GetUnsavedDataBytes(), 0u);
    Library r;
    ASSERT_TRUE(r.lib.Load(path));
    EXPECT_EQ(r.lib.GetList(4).size(), ids.size() - 1);
    EXPECT_EQ(r.lib.GetList(ZIL_ID_ALL).size(), 3 + ids.size() - 1);
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i == 3) {
            EXPECT_TRUE(r.lib.GetIconData(ids[i]).empty());
            continue;
        }
        const ZsBlock expected = i == 2   ? Ico(32, 7)
                                 : i == 4 ? Ico(16, 168)
                                 : i == 5 ? Ico(16, 169)
                                          : Ico(16, static_cast<uint8_t>(i));
        ASSERT_EQ(Copy(r.lib.GetIconData(ids[i])), expected) << "icon " << ids[i];
        EXPECT_EQ(r.lib.GetIconName(ids[i]), i == 5 ? "again" : "New " + std::to_string(i));
    }
    EXPECT_EQ(Copy(r.lib.GetIconData(1)), Ico(16, 1));
}

// A new library's first save builds its file from the staging file; closing or opening another library
// without saving throws the staged data away and leaves the file as it was saved.
// A staging file is named after its process; those left by processes that ended are removed when the next
// one is made, and nothing else: not the files of live processes, names of another shape, nor folders.
TEST(IconLibStaging, StaleStagingFilesOfEndedProcessesGo) {
    test::TempDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const auto name = [](long long nPid, const char* pszTail) {
        return ZsFormat("%s%lld-%s", ZIL_STAGING_PREFIX, nPid, pszTail);
    };
    const std::string sDead = name(child, "a1B2c3");
    const std::vector<std::string> kept = {name(getpid(), "a1B2c3"), name(1, "a1B2c3"), name(child, "a1B2"),
                                           std::string(ZIL_STAGING_PREFIX) + "a1B2c3", "other-" + sDead};
    for (const std::string& s : kept) {
        ASSERT_TRUE(ZsWriteFile(dir / s, ZsBlock{1}));
    }
    ASSERT_TRUE(ZsWriteFile(dir / sDead, ZsBlock{1}));
    std::filesystem::create_directory(dir / name(child, "d1r0ab"));
    EXPECT_EQ(ZsRemoveStaleStagingFiles(dir.Path()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / sDead));
    for (const std::string& s : kept) {
        EXPECT_TRUE(std::filesystem::exists(dir / s)) << s;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / name(child, "d1r0ab")));

    Library l;
    l.lib.NewLib();
    ImportStaged(l.lib);
    EXPECT_EQ(ZsPathToUtf8(l.lib.GetStagingPath().filename()).rfind(name(getpid(), ""), 0), 0u);
    // Unsaved data is the user's: it waits in the user's cache folder, not the shared temporary one.
    EXPECT_TRUE(ZsSamePath(l.lib.GetStagingPath().parent_path(), ZsGetCacheDir()));
}

TEST(IconLibStaging, NewLibrarySavesStagedDataAndCloseDiscardsIt) {
    test::TempDir dir;
    std::filesystem::path path = dir / "new.pctv";
    {
        Library l;
        l.lib.NewLib();
        const ZIL_LIST ids = ImportStaged(l.lib);
        ASSERT_FALSE(l.lib.GetStagingPath().empty());
        ASSERT_TRUE(l.lib.Save(path));
        EXPECT_TRUE(l.lib.GetStagingPath().empty());
    }
    const ZsBlock saved = *ZsReadFile(path);
    std::filesystem::path stage;
    for (int nWay = 0; nWay < 3; ++nWay) {
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        EXPECT_EQ(Copy(l.lib.GetIconData(1)), Ico(16, 0));
        ImportStaged(l.lib);
        stage = l.lib.GetStagingPath();
        ASSERT_TRUE(std::filesystem::exists(stage));
        if (nWay == 0) {
            l.lib.Close();
        } else if (nWay == 1) {
            l.lib.Load(path);
            EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), ZIL_DATA_KEPT_LOADS + 40);
        }
        EXPECT_EQ(*ZsReadFile(path), saved);
    }
    EXPECT_FALSE(std::filesystem::exists(stage));
}

namespace {

// A saved library of five icons named i1 to i5, listed in "My Icons" and (but for i5) in "Sample Category
// 1", whose stored data was then damaged with SQL: icon 2 random bytes, icon 3 cut after its directory,
// icon 4's row gone. Icon 5 is listed only in "Sample Category 2".
std::filesystem::path MakeDamagedLibrary(const test::TempDir& dir) {
    const std::filesystem::path path = dir / "damaged.pctv";
    {
        Library l;
        l.lib.NewLib();
        ZIL_LIST ids;
        for (int i = 1; i <= 5; ++i) {
            const std::string sName = "i" + std::to_string(i);
            ids.push_back(l.lib.ImpIcon(Ico(16, static_cast<uint8_t>(i)), &sName));
        }
        l.lib.ListToNode(ZIL_ID_ALL, ZIL_LIST(ids.begin(), ids.end() - 1));
        l.lib.ListToNode(1, ZIL_LIST(ids.begin(), ids.end() - 1));
        l.lib.ListToNode(4, {ids.back()});
        EXPECT_TRUE(l.lib.Save(path));
    }
    CSQLite db;
    EXPECT_TRUE(db.Open(path));
    EXPECT_TRUE(db.Exec("update icons set data=randomblob(200) where id=2;"));
    EXPECT_TRUE(db.Exec("update icons set data=substr(data, 1, 38) where id=3;"));
    EXPECT_TRUE(db.Exec("delete from icons where id=4;"));
    EXPECT_TRUE(db.Exec("update icons set data=substr(data, 1, 20) where id=5;"));
    return path;
}

}  // namespace

// Damaged icons are found as they are read, whole or as summaries; after the first one the whole library is
// checked once for the warning, which names every one of them, and never again.
TEST(IconLibRead, DamagedIconsAreFoundAsReadAndToldOnce) {
    test::TempDir dir;
    const std::filesystem::path path = MakeDamagedLibrary(dir);
    Library l;
    test::LogCapture log;
    ASSERT_TRUE(l.lib.Load(path));
    int nNotices = 0;
    l.lib.SetUnreadableNotice([&] { ++nNotices; });
    EXPECT_TRUE(l.lib.TakeUnreadableWarning().empty());
    EXPECT_TRUE(ZsIsReadableIcon(l.lib.GetIconData(1)));
    EXPECT_EQ(nNotices, 0);
    // Cut after its directory: the header is sound but no image lies inside the data.
    EXPECT_TRUE(l.lib.GetIconData(3).empty());
    CIcon icon;
    EXPECT_FALSE(l.lib.GetIcon(3, icon));
    EXPECT_EQ(l.lib.GetUnreadableIcons(), (std::set<int32_t>{3}));
    std::vector<ZIL_DATA_SUMMARY> summaries;
    l.lib.LoadIconTexts({1, 2, 4}, ZIL_ICON_LOADNAME, &summaries);
    EXPECT_EQ(summaries[0].nFormats, 2);
    EXPECT_EQ(summaries[1], ZIL_DATA_SUMMARY());
    EXPECT_EQ(summaries[2], ZIL_DATA_SUMMARY());
    EXPECT_EQ(l.lib.GetUnreadableIcons(), (std::set<int32_t>{2, 3, 4}));
    EXPECT_EQ(nNotices, 1);
    EXPECT_TRUE(log.Contains("icon 4 cannot be read: no row"));
    // The warning checks every category, so it finds icon 5 too, though nothing showed it yet.
    const std::vector<int32_t> told = l.lib.TakeUnreadableWarning();
    EXPECT_EQ(told, (std::vector<int32_t>{2, 3, 4, 5}));
    EXPECT_EQ(ZsUnreadableIconsText(told), "4 icons could not be read (ids 2, 3, 4, 5)");
    EXPECT_EQ(ZsUnreadableIconsText(told, 2), "4 icons could not be read (ids 2, 3 and 2 more)");
    EXPECT_EQ(ZsUnreadableIconsText({7}), "1 icon could not be read (id 7)");
    EXPECT_TRUE(l.lib.TakeUnreadableWarning().empty());
    EXPECT_EQ(nNotices, 1);

    // New data mends an icon; a deleted one is no longer spoken of. Opening again starts afresh.
    l.lib.SetIconData(2, Ico(32));
    l.lib.DelIcon(3);
    EXPECT_EQ(l.lib.GetUnreadableIcons(), (std::set<int32_t>{4, 5}));
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_TRUE(l.lib.GetUnreadableIcons().empty());
    l.lib.GetIconData(4);
    EXPECT_EQ(l.lib.TakeUnreadableWarning().size(), 4u);
}

// The store never takes an icon without an image that can be read, and says why.
TEST(IconLibImport, IconsWithoutAReadableImageAreRefusedWithTheReason) {
    Library l;
    l.lib.NewLib();
    std::string sError;
    EXPECT_EQ(l.lib.ImpIcon(ZsBlock{1, 2, 3, 4, 5, 6, 7}, nullptr, &sError), 0);
    EXPECT_EQ(sError, "not an icon");
    ZsBlock hollow = test::MakeIco({});
    EXPECT_EQ(l.lib.ImpIcon(hollow, nullptr, &sError), 0);
    EXPECT_EQ(sError, "no image that can be read");
    ZsBlock cut = Ico(16);
    cut.resize(6 + 2 * 16 + 10);
    EXPECT_EQ(l.lib.ImpIcon(cut, nullptr, &sError), 0);
    EXPECT_EQ(sError, "no image that can be read");
    EXPECT_EQ(l.lib.GetNextIcon(), 1);
    EXPECT_EQ(l.lib.ImpIcon(Ico(16), nullptr, &sError), 1);
}
