// Libraries damaged below the level of rows: a record that claims more bytes than it holds, a page whose cell
// pointers lead past its end, and a list that names one icon a quarter of a million times.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "LibTestUtil.h"
#include "common/ZsText.h"
#include "library/ZsLibCmd.h"

using test::Ico;
using test::Library;

namespace fs = std::filesystem;

namespace {

// A saved library of five icons in "My Icons" and category 1, each of its own bytes.
fs::path MakeFive(const test::TempDir& dir, std::vector<ZsBlock>& data) {
    const fs::path path = dir / "lib.pctv";
    Library l;
    l.lib.NewLib();
    ZIL_LIST ids;
    for (int i = 1; i <= 5; ++i) {
        data.push_back(Ico(16, static_cast<uint8_t>(i * 16)));
        const std::string sName = "i" + std::to_string(i);
        ids.push_back(l.lib.ImpIcon(data.back(), &sName));
    }
    l.lib.ListToNode(ZIL_ID_ALL, ids);
    l.lib.ListToNode(1, ids);
    EXPECT_TRUE(l.lib.Save(path));
    return path;
}

// The file's bytes with fix applied at the offset where needle starts.
void PatchAt(const fs::path& path, const ZsBlock& needle, const std::function<void(ZsBlock&, size_t)>& fix) {
    ZsBlock file = ZsReadFile(path).value();
    const auto it = std::search(file.begin(), file.end(), needle.begin(), needle.end());
    ASSERT_NE(it, file.end());
    fix(file, static_cast<size_t>(it - file.begin()));
    ASSERT_TRUE(ZsWriteFile(path, file));
}

}  // namespace

// The record of icon 2 says its data is 4,000 bytes longer than the row holds: the listing reads every
// other icon, and only icon 2 is unreadable.
TEST(IconLibDamage, ARecordThatLiesAboutItsLengthCostsOnlyItsOwnRow) {
    test::TempDir dir;
    std::vector<ZsBlock> data;
    const fs::path path = MakeFive(dir, data);
    PatchAt(path, data[1], [&](ZsBlock& file, size_t nData) {
        // The record header just before the data: its length, the id's serial type 0, then the data's serial
        // type as a two-byte varint.
        size_t nHead = nData - 6;
        ASSERT_EQ(file[nHead], 6);
        ASSERT_EQ(file[nHead + 1], 0);
        const size_t nType = 12 + 2 * (data[1].size() + 4000);
        file[nHead + 2] = static_cast<uint8_t>(0x80 | (nType >> 7));
        file[nHead + 3] = static_cast<uint8_t>(nType & 0x7F);
    });
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    std::vector<ZIL_DATA_SUMMARY> summaries;
    l.lib.LoadIconTexts(l.lib.GetList(ZIL_ID_ALL), ZIL_ICON_LOADNAME, &summaries);
    ASSERT_EQ(summaries.size(), 5u);
    for (size_t i : {0, 2, 3, 4}) {
        EXPECT_EQ(summaries[i], (ZIL_DATA_SUMMARY{2, data[i].size()})) << i;
        EXPECT_EQ(l.lib.GetIconName(static_cast<int32_t>(i + 1)), "i" + std::to_string(i + 1));
    }
    EXPECT_EQ(summaries[1], ZIL_DATA_SUMMARY());
    EXPECT_EQ(l.lib.GetUnreadableIcons(), (std::set<int32_t>{2}));
}

// Pages of 64 KiB whose cell pointers lead to the last bytes of the page: the cells would be read from
// beyond it. The file is damaged the same way on every open, and an import names the library and why.
TEST(IconLibDamage, APageOfBigCellsPastItsEndIsDamageOnEveryOpen) {
    test::TempDir dir;
    std::vector<ZsBlock> data;
    const fs::path path = MakeFive(dir, data);
    int64_t nRoot = 0;
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.Exec("pragma page_size=65536;"));
        ASSERT_TRUE(db.Exec("vacuum;"));
        nRoot = db.QueryInt("select rootpage from sqlite_master where name='icons';").value_or(0);
        ASSERT_GT(nRoot, 1);
    }
    ZsBlock file = ZsReadFile(path).value();
    const size_t nPage = static_cast<size_t>(nRoot - 1) * 65536;
    ASSERT_EQ(file.at(nPage), 13);  // a leaf page of a table
    const size_t nCells = size_t(file[nPage + 3]) << 8 | file[nPage + 4];
    ASSERT_EQ(nCells, 5u);
    for (size_t i = 0; i < nCells; ++i) {
        file[nPage + 8 + 2 * i] = 0xFF;
        file[nPage + 9 + 2 * i] = static_cast<uint8_t>(0xFB + i % 4);
    }
    ASSERT_TRUE(ZsWriteFile(path, file));

    for (int nOpen = 0; nOpen < 3; ++nOpen) {
        Library l;
        ASSERT_TRUE(l.lib.Load(path));
        EXPECT_EQ(l.lib.GetNextIcon(), 6);
        EXPECT_EQ(l.lib.GetDamage(), "its table of icons cannot be read (database disk image is malformed)");
        EXPECT_EQ(ZsCheckImportTarget(l.lib, 1).nRefusal, ZIL_REFUSED_DAMAGED);
        ZsWriteFile(dir / "new.ico", Ico(32));
        std::vector<std::string> errors;
        EXPECT_EQ(l.lib.ImpFiles({dir / "new.ico"}, 1, -1, 0, 0, 0,
                                 [&](const ZIL_IMPORTED& r) {
                                     errors.push_back(r.sError);
                                     return true;
                                 }),
                  0);
        EXPECT_EQ(errors, std::vector<std::string>{ZsFormat("the library '%s' cannot take it: %s",
                                                            path.c_str(), l.lib.GetDamage().c_str())});
    }
}

// A list that names icon 3 a quarter of a million times between icons 1 and 2 is read as those three ids.
TEST(IconLibDamage, AnIconListedAQuarterMillionTimesIsReadOnce) {
    test::TempDir dir;
    std::vector<ZsBlock> data;
    const fs::path path = MakeFive(dir, data);
    {
        ZsBlock list;
        for (uint32_t nId : {3u, 1u}) {
            ZsPutU32(list, nId);
        }
        for (int i = 0; i < 250000; ++i) {
            ZsPutU32(list, i % 2 ? 1 : 3);
        }
        ZsPutU32(list, 2);
        CSQLite db;
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.ExecBlob("update nodes set data=? where id=1;", list.data(), list.size()));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(path));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{3, 1, 2}));
}
