#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "common/ZsBase.h"
#include "common/ZsLog.h"

namespace {

std::string ReadLogBytes() {
    std::optional<ZsBlock> data = ZsReadFile(ZsGetStateDir() / "log.txt");
    return data ? std::string(data->begin(), data->end()) : std::string();
}

std::string Utf16(const std::string& ascii) {
    std::string s;
    for (char c : ascii) {
        s.push_back(c);
        s.push_back('\0');
    }
    return s;
}

// Runs in a fresh process: the log must not have been opened before.
void WriteAndCheckWholeLog() {
    std::filesystem::path log = ZsGetStateDir() / "log.txt";
    ZsWriteFile(log, std::vector<uint8_t>{'o', 'l', 'd'});
    {
        CZsInit init("pictavo /tmp/a.pctv");
        ZsLog("line %d", 1);
    }
    std::string expected =
        std::string("\xFF\xFE", 2) + Utf16(
                                         "Pictavo 1.0.0.1108\r\nCommand lines: pictavo /tmp/a.pctv\r\n\r\n"
                                         "line 1\r\n\r\nEnd log\r\n");
    std::exit(ReadLogBytes() == expected ? 0 : 1);
}

void LogWithoutAWritableFolder() {
    std::filesystem::path blocker = test::TestRoot() / "blocker";
    ZsWriteFile(blocker, std::vector<uint8_t>{1});
    setenv("XDG_STATE_HOME", (blocker / "sub").c_str(), 1);
    bool written = ZsLog("lost line");
    ZS_LOG_ERR("Test", "tail");
    std::exit(written ? 1 : 0);
}

}  // namespace

TEST(ZsLogDeathTest, WholeLogIsUtf16WithBannerAndEndLineAndStartsAfresh) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(WriteAndCheckWholeLog(), ::testing::ExitedWithCode(0), "");
}

TEST(ZsLogDeathTest, UnwritableStateFolderDropsLinesWithoutFailing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(LogWithoutAWritableFolder(), ::testing::ExitedWithCode(0), "");
}

TEST(ZsLog, ErrorLineCarriesErrnoTextSourceLineAndFunction) {
    test::LogCapture log;
    errno = ENOENT;
    int line = __LINE__ + 1;
    ZS_LOG_ERR("CIcon::GetData", "nImgIdx=%d", 7);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "ERR(2)'No such file or directory'@ZsLogTest.cpp(" + std::to_string(line) +
                                  ")>CIcon::GetData: nImgIdx=7");
    errno = 0;
    ZS_LOG_ERR("ZsGlobalAlloc", "plain tail");
    EXPECT_EQ(log.Lines()[1].substr(0, 9), "ERR(0)''@");
    EXPECT_TRUE(log.Lines()[1].ends_with(">ZsGlobalAlloc: plain tail"));
}

TEST(ZsMsgBox, GoesToTheInstalledHandler) {
    test::ScriptedMessages messages({ZS_IDOK});
    EXPECT_EQ(ZsMsgBox(ZS_MB_QUESTION, "Delete %d icons?", 3), ZS_IDOK);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, 289);
    EXPECT_EQ(messages.shown[0].second, "Delete 3 icons?");
    EXPECT_EQ(ZS_MB_ERROR, 16);
}

TEST(ZsMsgBox, WithoutAHandlerQuestionsAreDeclined) {
    CZsMessageHandler* previous = ZsSetMessageHandler(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ZsMsgBox(ZS_MB_QUESTION, "Proceed?"), ZS_IDCANCEL);
    EXPECT_EQ(ZsMsgBox(ZS_MB_ERROR, "Broken"), ZS_IDOK);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Broken"), std::string::npos);
    ZsSetMessageHandler(previous);
}
