#include "common/ZsFileBytes.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(ZsFileBytes, MapsWholeFilesAndRefusesTheRest) {
    test::TempDir dir;
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    ZsWriteFile(dir / "a.bin", data);
    std::shared_ptr<const CZsFileBytes> file = CZsFileBytes::Open(dir / "a.bin");
    ASSERT_TRUE(file);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), file->Bytes().begin(), file->Bytes().end()));
    // The bytes stay as they were read when the file is replaced meanwhile.
    ZsWriteFileAtomic(dir / "a.bin", std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(file->Bytes().size(), data.size());
    EXPECT_EQ(file->Bytes()[99999], data[99999]);

    ZsWriteFile(dir / "empty.bin", {});
    ASSERT_TRUE(CZsFileBytes::Open(dir / "empty.bin"));
    EXPECT_TRUE(CZsFileBytes::Open(dir / "empty.bin")->Bytes().empty());
    EXPECT_FALSE(CZsFileBytes::Open(dir / "missing.bin"));
    EXPECT_FALSE(CZsFileBytes::Open(dir.Path()));
    EXPECT_FALSE(CZsFileBytes::Open(dir / "a.bin", 2));
    EXPECT_EQ(CZsFileBytes::FromBlock({4, 5})->Bytes().size(), 2u);
}
