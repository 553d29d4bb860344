// Saving against what happened to the file meanwhile: deleted while open (the whole library is written
// again, also what only the staging file holds), changed by another program (the save refuses, and a copy
// holds all of this library's work), read-only (never written), and failed saves that leave nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "LibTestUtil.h"
#include "library/ZsIconLib.h"

using test::Ico;
using test::Library;

namespace fs = std::filesystem;

namespace {

// What a library file shows: the tree, then every icon of "My Icons" with its name and data.
std::vector<std::string> Shown(const fs::path& path) {
    Library l;
    if (!l.lib.Load(path)) {
        return {"(cannot open)"};
    }
    std::vector<std::string> lines = test::TreeLines(l.tree);
    for (int32_t nId : l.lib.GetList(ZIL_ID_ALL)) {
        const ZsBytes data = l.lib.GetIconData(nId);
        lines.push_back(l.lib.GetIconName(nId) + " " + std::to_string(data.size()) + " " +
                        std::to_string(data.empty() ? -1 : data[data.size() / 2]));
    }
    return lines;
}

// Names of the icons of "My Icons" of a file.
std::vector<std::string> Names(const fs::path& path) {
    Library l;
    std::vector<std::string> names;
    if (l.lib.Load(path)) {
        for (int32_t nId : l.lib.GetList(ZIL_ID_ALL)) {
            names.push_back(l.lib.GetIconName(nId));
        }
    }
    return names;
}

// Imports nCount icons named sPrefix 0, 1, ... into a category and "My Icons".
void AddIcons(Library& l, const std::string& sPrefix, int nCount, int32_t nNode = 1) {
    ZIL_LIST all = l.lib.GetList(ZIL_ID_ALL);
    ZIL_LIST list = l.lib.GetList(nNode);
    for (int i = 0; i < nCount; ++i) {
        const std::string sName = sPrefix + " " + std::to_string(i);
        const int32_t nId = l.lib.ImpIcon(Ico(16 + 8 * (i % 3), static_cast<uint8_t>(0x20 + i)), &sName);
        all.push_back(nId);
        list.push_back(nId);
    }
    l.lib.ListToNode(ZIL_ID_ALL, all);
    l.lib.ListToNode(nNode, list);
}

void MakeLibrary(const fs::path& path, int nIcons) {
    Library l;
    l.lib.NewLib();
    AddIcons(l, "saved", nIcons);
    ASSERT_TRUE(l.lib.Save(path));
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> Numbered(const std::string& sPrefix, int nCount) {
    std::vector<std::string> names;
    for (int i = 0; i < nCount; ++i) {
        names.push_back(sPrefix + " " + std::to_string(i));
    }
    return names;
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files.push_back(entry.path().filename());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(IconLibSaveOverFile, AFileDeletedWhileOpenIsWrittenWholeBySaveAndBySaveAs) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    MakeLibrary(path, 30);
    // What the edits below make of the library when its file stays.
    std::vector<std::string> expected;
    for (bool bDelete : {false, true}) {
        SCOPED_TRACE(bDelete);
        if (bDelete) {
            MakeLibrary(path, 30);
        }
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        // Most of the new data goes to the staging file; the saved icons are read only from the file.
        l.lib.SetUnsavedDataLimit(0);
        AddIcons(l, "new", 80, 2);
        l.tree.SetItemText(l.Item(3), "Renamed");
        ASSERT_FALSE(l.lib.GetStagingPath().empty());
        if (!bDelete) {
            ASSERT_TRUE(l.lib.Save());
            expected = Shown(path);
            continue;
        }
        fs::remove(path);
        EXPECT_EQ(l.lib.CheckFile(), ZIL_FILE_GONE);
        ASSERT_TRUE(l.lib.Save()) << l.lib.SaveError();
        EXPECT_EQ(Shown(path), expected);
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<fs::path>{"lib.pctv"});
        // Deleted again after that save: Save As writes the whole library too, edits since included.
        AddIcons(l, "later", 5, 4);
        fs::remove(path);
        ASSERT_TRUE(l.lib.Save(dir / "rescued.pctv")) << l.lib.SaveError();
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(Names(dir / "rescued.pctv"),
                  Concat(Concat(Numbered("saved", 30), Numbered("new", 80)), Numbered("later", 5)));
        EXPECT_EQ(l.lib.GetPath(), dir / "rescued.pctv");
    }
}

TEST(IconLibSaveOverFile, AFailedSaveOfAGoneFileLeavesNothingAndKeepsTheWork) {
    test::TempDir dir;
    fs::create_directories(dir / "folder");
    const fs::path path = dir / "folder" / "lib.pctv";
    MakeLibrary(path, 12);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    AddIcons(l, "new", 4);
    // The library's folder has gone with it: nothing can be written there, and nothing is made there.
    fs::remove_all(dir / "folder");
    EXPECT_FALSE(l.lib.Save());
    EXPECT_EQ(l.lib.SaveError(), "the folder '" + ZsPathToUtf8(dir / "folder") + "' does not exist");
    EXPECT_FALSE(fs::exists(dir / "folder"));
    EXPECT_FALSE(l.lib.Save(path));
    EXPECT_FALSE(fs::exists(dir / "folder"));
    // A save elsewhere still writes everything: the connection still reads the deleted file.
    ASSERT_TRUE(l.lib.Save(dir / "elsewhere.pctv")) << l.lib.SaveError();
    EXPECT_EQ(Names(dir / "elsewhere.pctv"), Concat(Numbered("saved", 12), Numbered("new", 4)));
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<fs::path>{"elsewhere.pctv"});
}

TEST(IconLibSaveOverFile, AnotherProgramsChangeIsNeverOverwrittenAndACopyKeepsThisWork) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    // The other program imports before this one (this one's ids then follow theirs), also before this one
    // has read "My Icons" (which then lists their icons too), or after this one imported (both took the same
    // ids).
    enum { kOtherFirst, kOtherBeforeTheListIsRead, kOtherAfter };
    for (int nCase : {kOtherFirst, kOtherBeforeTheListIsRead, kOtherAfter}) {
        SCOPED_TRACE(nCase);
        const bool bOtherFirst = nCase != kOtherAfter;
        MakeLibrary(path, 6);
        Library mine;
        ASSERT_TRUE(mine.lib.Load(path));
        if (nCase != kOtherBeforeTheListIsRead) {
            mine.lib.GetList(ZIL_ID_ALL);
        }
        auto otherImports = [&] {
            Library other;
            ASSERT_TRUE(other.lib.Load(path));
            AddIcons(other, "theirs", 3, 4);
            ASSERT_TRUE(other.lib.Save());
        };
        if (bOtherFirst) {
            otherImports();
        }
        AddIcons(mine, "mine", 5, 2);
        mine.lib.SetIconName(mine.lib.GetList(ZIL_ID_ALL)[0], "renamed here");
        if (!bOtherFirst) {
            otherImports();
        }
        const std::vector<std::string> theirs = Shown(path);
        ASSERT_EQ(Names(path), Concat(Numbered("saved", 6), Numbered("theirs", 3)));

        EXPECT_EQ(mine.lib.CheckFile(), ZIL_FILE_CHANGED);
        EXPECT_FALSE(mine.lib.Save());
        EXPECT_EQ(mine.lib.SaveError(), "another program has changed the library since it was opened here");
        EXPECT_EQ(Shown(path), theirs);
        // Still refused, however often it is tried.
        EXPECT_FALSE(mine.lib.Save(path));
        EXPECT_EQ(Shown(path), theirs);

        // The copy holds everything this library shows, each icon with its own data.
        std::vector<std::string> names = Numbered("saved", 6);
        if (nCase == kOtherBeforeTheListIsRead) {
            names = Concat(names, Numbered("theirs", 3));
        }
        names = Concat(names, Numbered("mine", 5));
        names[0] = "renamed here";
        ASSERT_TRUE(mine.lib.Save(dir / "copy.pctv")) << mine.lib.SaveError();
        EXPECT_EQ(Names(dir / "copy.pctv"), names);
        Library copy;
        ASSERT_TRUE(copy.lib.Load(dir / "copy.pctv"));
        for (int32_t nId : copy.lib.GetList(2)) {
            const ZsBytes data = copy.lib.GetIconData(nId);
            const int i = std::stoi(copy.lib.GetIconName(nId).substr(5));
            EXPECT_EQ(ZsBlock(data.begin(), data.end()),
                      Ico(16 + 8 * (i % 3), static_cast<uint8_t>(0x20 + i)));
        }
        // Ids go on above every id the file holds, the other program's included.
        EXPECT_GT(copy.lib.GetNextIcon(), *copy.lib.QueryInt("select max(id) from icons;"));
        EXPECT_EQ(Shown(path), theirs);
        // Saving on in the copy works as usual.
        AddIcons(mine, "after", 1);
        EXPECT_TRUE(mine.lib.Save());
        fs::remove(dir / "copy.pctv");
    }
}

TEST(IconLibSaveOverFile, AFilePutInThePlaceOfTheLibraryIsNotOverwritten) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    MakeLibrary(path, 4);
    MakeLibrary(dir / "other.pctv", 2);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    AddIcons(l, "mine", 2);
    fs::rename(dir / "other.pctv", path);
    EXPECT_EQ(l.lib.CheckFile(), ZIL_FILE_CHANGED);
    EXPECT_FALSE(l.lib.Save());
    EXPECT_EQ(l.lib.SaveError(),
              "another program has put another file in the place of the library since it was opened here");
    EXPECT_EQ(Names(path), Numbered("saved", 2));
    // The copy is of the file this library read.
    ASSERT_TRUE(l.lib.Save(dir / "copy.pctv"));
    EXPECT_EQ(Names(dir / "copy.pctv"), Concat(Numbered("saved", 4), Numbered("mine", 2)));
}

TEST(IconLibSaveOverFile, AReadOnlyFileIsNeverWritten) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    const fs::path other = dir / "other.pctv";
    MakeLibrary(path, 3);
    MakeLibrary(other, 2);
    const ZsBlock bytes = ZsReadFile(path).value();
    const ZsBlock otherBytes = ZsReadFile(other).value();
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(other, fs::perms::owner_read);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    AddIcons(l, "new", 2);
    EXPECT_EQ(l.lib.CheckFile(), ZIL_FILE_READ_ONLY);
    EXPECT_FALSE(l.lib.Save());
    EXPECT_EQ(l.lib.SaveError(), "the file '" + ZsPathToUtf8(path) + "' is read-only");
    // Keeping the name in Save As is the same save; another read-only file is not replaced either.
    EXPECT_FALSE(l.lib.Save(path));
    EXPECT_FALSE(l.lib.Save(other));
    EXPECT_EQ(l.lib.SaveError(), "the file '" + ZsPathToUtf8(other) + "' is read-only");
    EXPECT_EQ(ZsReadFile(path).value(), bytes);
    EXPECT_EQ(ZsReadFile(other).value(), otherBytes);
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<fs::path>{"lib.pctv", "other.pctv"}));
    // Under another name it is saved whole, and then saves go on there.
    ASSERT_TRUE(l.lib.Save(dir / "copy.pctv"));
    EXPECT_EQ(Names(dir / "copy.pctv"), Concat(Numbered("saved", 3), Numbered("new", 2)));
    EXPECT_EQ(l.lib.CheckFile(), ZIL_FILE_UNCHANGED);
    // A library opened read-only is never written.
    Library r;
    ASSERT_TRUE(r.lib.Load(dir / "copy.pctv", ZS_SQL_READ_ONLY));
    EXPECT_EQ(r.lib.CheckFile(), ZIL_FILE_READ_ONLY);
    EXPECT_FALSE(r.lib.Save());
    EXPECT_EQ(r.lib.SaveError(), "the library was opened read-only");
    fs::permissions(path, fs::perms::owner_all);
    fs::permissions(other, fs::perms::owner_all);
}

TEST(IconLibSaveOverFile, ATableThatIgnoresWritesIsRefusedAndLeftAsItWas) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    {
        Library l;
        l.lib.NewLib();
        const std::string sName = "a";
        l.lib.ListToNode(ZIL_ID_ALL, {l.lib.ImpIcon(Ico(), &sName)});
        ASSERT_TRUE(l.lib.Save(path));
        // A table made elsewhere that ignores a second icon of the same name.
        ASSERT_TRUE(
            l.lib.Exec("create table i2(id integer primary key, data blob, name nvarchar(256) unique on "
                       "conflict ignore, kwds nvarchar(256));"));
        ASSERT_TRUE(l.lib.Exec("insert into i2 select * from icons;"));
        ASSERT_TRUE(l.lib.Exec("drop table icons;"));
        ASSERT_TRUE(l.lib.Exec("alter table i2 rename to icons;"));
    }
    // Such a file is refused before anything is read or written; the check of every write stays behind
    // it for what the schema cannot show.
    const ZsBlock before = ZsReadFile(path).value();
    Library l;
    EXPECT_FALSE(l.lib.Load(path));
    EXPECT_NE(l.lib.LoadError().find("holds parts an icon library does not have"), std::string::npos)
        << l.lib.LoadError();
    EXPECT_EQ(ZsReadFile(path).value(), before);
}
