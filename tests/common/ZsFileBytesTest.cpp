#include "common/ZsFileBytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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

TEST(ZsFileBytes, FileCutShortWhileMappedReadsZerosInsteadOfEndingTheProcess) {
    test::TempDir dir;
    std::vector<uint8_t> data(200000, 0x5A);
    ZsWriteFile(dir / "a.bin", data);
    std::shared_ptr<const CZsFileBytes> file = CZsFileBytes::Open(dir / "a.bin");
    ASSERT_TRUE(file);
    ZsBytes bytes = file->Bytes();
    EXPECT_EQ(bytes[5000], 0x5A);
    // Another process cuts the file short: the pages past its new end are gone.
    std::filesystem::resize_file(dir / "a.bin", 10000);
    ASSERT_EQ(bytes.size(), data.size());
    EXPECT_EQ(bytes[5000], 0x5A);
    EXPECT_EQ(bytes[150000], 0);
    size_t nSum = 0;
    for (uint8_t b : bytes) {
        nSum += b;
    }
    EXPECT_GE(nSum, 8192u * 0x5A);
    EXPECT_LE(nSum, 12288u * 0x5A);
    // ... or rewrites it in place: what is read is old, new or zeros, never a crash.
    std::filesystem::resize_file(dir / "a.bin", 0);
    ZsWriteFile(dir / "a.bin", std::vector<uint8_t>(data.size(), 0x33));
    for (size_t i = 0; i < bytes.size(); i += 4096) {
        EXPECT_TRUE(bytes[i] == 0x33 || bytes[i] == 0x5A || bytes[i] == 0) << i;
    }
    // Many mappings at once, more than are guarded, are all readable.
    std::vector<std::shared_ptr<const CZsFileBytes>> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back(CZsFileBytes::Open(dir / "a.bin"));
        ASSERT_TRUE(many.back());
    }
    std::filesystem::resize_file(dir / "a.bin", 0);
    for (const auto& p : many) {
        EXPECT_EQ(p->Bytes().size(), data.size());
        EXPECT_TRUE(p->Bytes()[100000] == 0x33 || p->Bytes()[100000] == 0);
    }
}

TEST(ZsFileBytes, OtherBusErrorsStillEndTheProcess) {
    test::TempDir dir;
    ZsWriteFile(dir / "guarded.bin", std::vector<uint8_t>(100000, 1));
    ZsWriteFile(dir / "other.bin", std::vector<uint8_t>(100000, 1));
    std::shared_ptr<const CZsFileBytes> file = CZsFileBytes::Open(dir / "guarded.bin");
    ASSERT_TRUE(file);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A mapping of someone else's: its bus error is not ours to hide.
        int fd = ::open((dir / "other.bin").c_str(), O_RDONLY);
        void* p = ::mmap(nullptr, 100000, PROT_READ, MAP_PRIVATE, fd, 0);
        std::filesystem::resize_file(dir / "other.bin", 0);
        volatile uint8_t b = static_cast<const uint8_t*>(p)[90000];
        ::_exit(b == 7 ? 3 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    // Killed by the signal; under the address sanitizer its report ends the process with an error instead.
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) ||
                (WIFEXITED(status) && WEXITSTATUS(status) != 3 && WEXITSTATUS(status) != 4))
        << status;
}
