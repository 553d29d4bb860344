// The store under faults: saves killed at many points leave either the previous or the new library, a full
// disk fails a save without losing what is in memory, a file cut short or rewritten while open is no crash,
// and names and keywords are cut to their limits where they enter.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <map>

#include "LibTestUtil.h"
#include "SqliteFaults.h"
#include "common/ZsText.h"
#include "library/ZsIconLib.h"

using test::Ico;
using test::Library;

namespace fs = std::filesystem;

namespace {

// Everything a library file holds, as text: the next ids, the tree, every list and every icon.
std::string Contents(const fs::path& path) {
    Library l;
    if (!l.lib.Load(path)) {
        return "(cannot open)";
    }
    CZsSqlReadBatch batch(l.lib);
    std::string s = std::to_string(l.lib.GetNextNode()) + " " + std::to_string(l.lib.GetNextIcon()) + "\n";
    for (const std::string& line : test::TreeLines(l.tree)) {
        s += line + "\n";
    }
    for (int32_t nNode : l.lib.GetNodeIds()) {
        s += "list " + std::to_string(nNode) + ":";
        for (int32_t nId : l.lib.GetList(nNode)) {
            s += " " + std::to_string(nId);
        }
        s += "\n";
    }
    for (int32_t nId : l.lib.GetList(ZIL_ID_ALL)) {
        ZsBytes data = l.lib.GetIconData(nId);
        std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
        s += std::to_string(nId) + " '" + l.lib.GetIconName(nId) + "' '" + l.lib.GetIconKeywords(nId) + "' " +
             std::to_string(data.size()) + " " + std::to_string(std::hash<std::string_view>()(bytes)) + "\n";
    }
    s += "rows " + std::to_string(l.lib.QueryInt("select count(*) from icons;").value_or(-1));
    return s;
}

// A library of nIcons icons spread over ten categories, with names, some keywords, and the free pages that
// deleted icons leave behind.
void MakeLargeLibrary(const fs::path& path, int nIcons) {
    Library l;
    l.lib.NewLib();
    for (int i = 0; i < 5; ++i) {
        l.lib.NewNode(l.Item(ZIL_ID_ALL), ZS_TI_LAST, "Extra " + std::to_string(i));
    }
    ZIL_LIST all;
    std::map<int32_t, ZIL_LIST> lists;
    for (int i = 0; i < nIcons; ++i) {
        const std::string sName = "icon " + std::to_string(i);
        int32_t nId = l.lib.ImpIcon(Ico(i % 3 ? 16 : 32, static_cast<uint8_t>(i)), &sName);
        if (i % 4 == 0) {
            l.lib.SetIconKeywords(nId, "keyword " + std::to_string(i));
        }
        all.push_back(nId);
        lists[1 + i % 10].push_back(nId);
    }
    l.lib.ListToNode(ZIL_ID_ALL, all);
    for (const auto& [nNode, list] : lists) {
        l.lib.ListToNode(nNode, list);
    }
    ASSERT_TRUE(l.lib.Save(path));
    for (size_t i = 0; i < all.size(); i += 3) {
        l.lib.DelIcon(all[i]);
    }
    ASSERT_TRUE(l.lib.Save());
}

// New icons in a category, named.
void AddIcons(Library& l, int nCount, int32_t nNode) {
    ZIL_LIST all = l.lib.GetList(ZIL_ID_ALL);
    ZIL_LIST list = l.lib.GetList(nNode);
    for (int i = 0; i < nCount; ++i) {
        const std::string sName = "new " + std::to_string(i);
        int32_t nId = l.lib.ImpIcon(Ico(24, static_cast<uint8_t>(i + 7)), &sName);
        all.push_back(nId);
        list.push_back(nId);
    }
    l.lib.ListToNode(ZIL_ID_ALL, all);
    l.lib.ListToNode(nNode, list);
}

// Renamed categories, renamed icons with new keywords, and a few deleted icons.
void RenameThings(Library& l) {
    for (int32_t nNode = 1; nNode <= 10; ++nNode) {
        l.tree.SetItemText(l.Item(nNode), "Renamed " + std::to_string(nNode));
    }
    ZIL_LIST all = l.lib.GetList(ZIL_ID_ALL);
    for (size_t i = 0; i < all.size(); i += 2) {
        l.lib.SetIconName(all[i], "renamed " + std::to_string(i));
        l.lib.SetIconKeywords(all[i], "new keywords");
    }
    for (size_t i = 1; i < all.size(); i += 17) {
        l.lib.DelIcon(all[i]);
    }
}

// Removes everything in the folder: files, journals and temporary files of earlier runs.
void EmptyFolder(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::remove_all(entry.path());
    }
}

}  // namespace

TEST(IconLibFault, NamesAndKeywordsAreCutWhereTheyEnter) {
    Library l;
    l.lib.NewLib();
    // Two-byte characters: the cut never splits one.
    std::string sLong;
    for (int i = 0; i < 70000; ++i) {
        sLong += "\xC3\xA9";
    }
    int32_t nId = l.lib.ImpIcon(Ico(), &sLong);
    ASSERT_NE(nId, 0);
    EXPECT_EQ(ZsCharCount(l.lib.GetIconName(nId)), ZIL_MAX_NAME_CHARS);
    EXPECT_EQ(l.lib.GetIconName(nId).size(), 2 * ZIL_MAX_NAME_CHARS);
    l.lib.SetIconName(nId, std::string(ZIL_MAX_NAME_CHARS, 'n'));
    EXPECT_EQ(l.lib.GetIconName(nId).size(), ZIL_MAX_NAME_CHARS);
    l.lib.SetIconName(nId, "a" + sLong);
    EXPECT_EQ(l.lib.GetIconName(nId).size(), 2 * ZIL_MAX_NAME_CHARS - 1);
    l.lib.SetIconKeywords(nId, sLong);
    EXPECT_EQ(ZsCharCount(l.lib.GetIconKeywords(nId)), ZIL_MAX_KWDS_CHARS);
    l.lib.SetIconKeywords(nId, std::string("short\0tail", 10));
    EXPECT_EQ(l.lib.GetIconKeywords(nId), "short");
}

TEST(IconLibFault, SavesKilledAtAnyPointLeaveThePreviousOrTheNewLibrary) {
    test::TempDir dir;
    const fs::path base = dir / "base.pctv";
    const fs::path other = dir / "other.pctv";
    MakeLargeLibrary(base, 300);
    MakeLargeLibrary(other, 30);
    const std::string sBase = Contents(base);
    const std::string sOther = Contents(other);
    std::filesystem::create_directories(dir / "run");
    const fs::path work = dir / "run" / "lib.pctv";
    const fs::path target = dir / "run" / "target.pctv";

    struct Scenario {
        const char* pszName;
        std::function<bool(Library&)> run;
        fs::path result;        // the file the save writes
        std::string sPrevious;  // what that file held before
        bool bChanges = true;   // the new content differs from the previous one
    };
    const std::vector<Scenario> scenarios = {
        {"new icons",
         [](Library& l) {
             AddIcons(l, 60, 3);
             return l.lib.Save();
         },
         work, sBase},
        {"renamed categories",
         [](Library& l) {
             RenameThings(l);
             return l.lib.Save();
         },
         work, sBase},
        {"compact", [](Library& l) { return l.lib.Compact(); }, work, sBase, false},
        {"save as over another library",
         [&](Library& l) {
             AddIcons(l, 20, 5);
             RenameThings(l);
             return l.lib.Save(target);
         },
         target, sOther},
    };

    test::SqliteFaults faults;
    auto reset = [&] {
        EmptyFolder(dir / "run");
        fs::copy_file(base, work);
        fs::copy_file(other, target);
    };
    constexpr int kKillsPerScenario = 25;
    int nKills = 0, nGood = 0;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.pszName);
        // One run to the end: what the save writes and how many file operations it takes.
        reset();
        int nOps = 0;
        {
            Library l;
            ASSERT_TRUE(l.lib.Load(work));
            faults.StartCounting();
            ASSERT_TRUE(scenario.run(l));
            nOps = faults.Count();
        }
        const std::string sNew = Contents(scenario.result);
        ASSERT_GT(nOps, kKillsPerScenario);
        ASSERT_EQ(sNew != scenario.sPrevious, scenario.bChanges);
        for (int k = 0; k < kKillsPerScenario; ++k) {
            const int nKillAt = 1 + k * (nOps - 1) / (kKillsPerScenario - 1);
            reset();
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                Library l;
                if (!l.lib.Load(work)) {
                    ::_exit(5);
                }
                faults.KillAt(nKillAt);
                ::_exit(scenario.run(l) ? 3 : 4);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            const bool bKilled = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            nKills += bKilled;
            const std::string sAfter = Contents(scenario.result);
            const bool bGood = bKilled && (sAfter == scenario.sPrevious || sAfter == sNew) &&
                               (scenario.result == work || Contents(work) == sBase);
            EXPECT_TRUE(bGood) << "killed at operation " << nKillAt << " of " << nOps << ", status "
                               << status;
            nGood += bGood;
        }
    }
    EXPECT_EQ(nKills, 100);
    EXPECT_EQ(nGood, 100);
}

TEST(IconLibFault, FullDiskFailsTheSaveAndKeepsEverythingInMemory) {
    test::TempDir dir;
    const fs::path full = dir / "full";
    const fs::path room = dir / "room";
    fs::create_directories(full);
    fs::create_directories(room);
    const fs::path path = full / "lib.pctv";
    MakeLargeLibrary(path, 60);
    const std::string sBefore = Contents(path);
    // What the edits make of the library when the disk has room.
    auto edit = [](Library& l) {
        AddIcons(l, 40, 2);
        RenameThings(l);
    };
    std::string sEdited;
    {
        fs::copy_file(path, room / "reference.pctv");
        Library l;
        ASSERT_TRUE(l.lib.Load(room / "reference.pctv"));
        edit(l);
        ASSERT_TRUE(l.lib.Save());
        sEdited = Contents(room / "reference.pctv");
    }

    test::SqliteFaults faults;
    // The disk fills up at ever later points of the save, until it has room for all of it.
    int nFailed = 0;
    for (uint64_t nFree = 0;; nFree += 12000) {
        SCOPED_TRACE(nFree);
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        edit(l);
        faults.FillDisk(full, nFree);
        if (l.lib.Save()) {
            faults.FreeDisk();
            EXPECT_EQ(Contents(path), sEdited);
            break;
        }
        ++nFailed;
        EXPECT_EQ(l.lib.LastError(), "database or disk is full");
        // Saving as another file on the same disk fails as well and leaves nothing behind.
        EXPECT_FALSE(l.lib.Save(full / "copy.pctv"));
        EXPECT_EQ(l.lib.GetPath(), path);
        faults.FreeDisk();
        EXPECT_EQ(Contents(path), sBefore);
        for (const auto& entry : fs::directory_iterator(full)) {
            EXPECT_EQ(entry.path().filename(), "lib.pctv");
        }
        // Everything is still in memory and a save elsewhere writes all of it.
        faults.FillDisk(full, 0);
        const fs::path elsewhere = room / ("saved " + std::to_string(nFailed) + ".pctv");
        ASSERT_TRUE(l.lib.Save(elsewhere));
        faults.FreeDisk();
        EXPECT_EQ(Contents(elsewhere), sEdited);
        ASSERT_LT(nFailed, 200);
    }
    EXPECT_GT(nFailed, 3);
}

TEST(IconLibFault, LibraryCutShortOrRewrittenWhileOpen) {
    test::TempDir dir;
    const fs::path path = dir / "lib.pctv";
    MakeLargeLibrary(path, 200);
    const ZsBlock bytes = ZsReadFile(path).value();
    for (size_t nKeep : {size_t(0), size_t(100), size_t(4096), bytes.size() / 2}) {
        SCOPED_TRACE(nKeep);
        ASSERT_TRUE(ZsWriteFile(path, bytes));
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        l.lib.GetIconData(l.lib.GetList(ZIL_ID_ALL).at(0));
        std::filesystem::resize_file(path, nKeep);
        // Whatever can still be read is read; the rest is empty; nothing crashes.
        for (int32_t nNode : l.lib.GetNodeIds()) {
            for (int32_t nId : l.lib.GetList(nNode)) {
                l.lib.GetIconName(nId);
                l.lib.GetIconKeywords(nId);
                CIcon icon;
                l.lib.GetIcon(nId, icon);
            }
        }
        ASSERT_TRUE(l.lib.FindIcons("icon", {ZIL_ID_ALL}, false, false, false, true, true));
        // Edits are kept in memory; saving writes them or fails, and a save elsewhere writes what is known.
        AddIcons(l, 3, 1);
        l.lib.Save();
        if (l.lib.Save(dir / "rescued.pctv")) {
            Library r;
            EXPECT_TRUE(r.lib.Load(dir / "rescued.pctv"));
        }
    }
    // Rewritten in place with another library while open.
    ASSERT_TRUE(ZsWriteFile(path, bytes));
    MakeLargeLibrary(dir / "other.pctv", 20);
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    ASSERT_TRUE(ZsWriteFile(path, ZsReadFile(dir / "other.pctv").value()));
    for (int32_t nId : l.lib.GetList(ZIL_ID_ALL)) {
        l.lib.GetIconName(nId);
        l.lib.GetIconData(nId);
    }
    l.lib.Save();
}
