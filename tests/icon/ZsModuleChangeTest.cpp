// Modules and classic icon libraries that another process cuts short or rewrites while they are open (an
// unfinished download, a file on a network share): reading their groups goes on and gives damaged or empty
// icons, never a dead process.
#include <gtest/gtest.h>

#include "ModuleFixtures.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"

namespace {

// Groups of large images, so that the icon data spans many pages of the file.
std::vector<std::vector<test::IcoImage>> LargeGroups() {
    std::vector<std::vector<test::IcoImage>> groups;
    for (uint8_t i = 0; i < 12; ++i) {
        groups.push_back({test::DibImage(128, 128, 32, static_cast<uint8_t>(0x10 + i)),
                          test::DibImage(64, 64, 8, static_cast<uint8_t>(0x40 + i))});
    }
    return groups;
}

std::vector<uint8_t> Module(bool bNe) {
    const auto groups = LargeGroups();
    if (bNe) {
        std::vector<std::string> names{"ICL"};
        for (size_t i = 0; i < groups.size(); ++i) {
            names.push_back("Group " + std::to_string(i));
        }
        return test::MakeNe(groups, names).bytes;
    }
    std::vector<test::PeName> ids;
    for (uint16_t i = 0; i < groups.size(); ++i) {
        ids.emplace_back(static_cast<uint16_t>(i + 1));
    }
    return test::MakePe(test::IconResources(groups, ids)).bytes;
}

// Reads every group's name and data; the number of groups that still read as they did before the change.
int ReadAll(CIconLibrary& lib, const std::vector<ZsBlock>& before) {
    int nIntact = 0;
    for (int i = 0; i < lib.GetIconCount(); ++i) {
        lib.GetIconName(i);
        ZsBlock data = lib.GetIconData(i);
        nIntact += static_cast<size_t>(i) < before.size() && data == before[static_cast<size_t>(i)];
    }
    return nIntact;
}

}  // namespace

TEST(ModuleChange, CutShortOrRewrittenWhileOpen) {
    test::TempDir dir;
    for (bool bNe : {false, true}) {
        const std::vector<uint8_t> bytes = Module(bNe);
        ASSERT_GT(bytes.size(), 400000u);
        std::vector<ZsBlock> before;
        {
            ASSERT_TRUE(ZsWriteFile(dir / "m.dll", bytes));
            CIconLibrary lib;
            ASSERT_TRUE(lib.Open(dir / "m.dll"));
            ASSERT_EQ(lib.GetIconCount(), 12);
            for (int i = 0; i < lib.GetIconCount(); ++i) {
                before.push_back(lib.GetIconData(i));
                ASSERT_TRUE(ZI_IsValidIcon(before.back()));
            }
        }
        for (size_t nKeep : {size_t(0), size_t(4096), bytes.size() / 2, bytes.size() - 1}) {
            SCOPED_TRACE(std::to_string(bNe) + " " + std::to_string(nKeep));
            ASSERT_TRUE(ZsWriteFile(dir / "m.dll", bytes));
            CIconLibrary lib;
            ASSERT_TRUE(lib.Open(dir / "m.dll"));
            std::filesystem::resize_file(dir / "m.dll", nKeep);
            const int nIntact = ReadAll(lib, before);
            if (nKeep == 0) {
                EXPECT_EQ(nIntact, 0);
            } else if (nKeep > bytes.size() / 2) {
                EXPECT_GT(nIntact, 0);
            }
        }
        // Rewritten in place with other bytes of the same length while open.
        ASSERT_TRUE(ZsWriteFile(dir / "m.dll", bytes));
        CIconLibrary lib;
        ASSERT_TRUE(lib.Open(dir / "m.dll"));
        ASSERT_TRUE(ZsWriteFile(dir / "m.dll", std::vector<uint8_t>(bytes.size(), 0xEE)));
        ReadAll(lib, before);
    }
}
