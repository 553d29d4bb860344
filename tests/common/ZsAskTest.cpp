#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/ZsLog.h"

namespace {

// A handler that knows only message boxes and answers every one with OK.
class OkHandler : public CZsMessageHandler {
public:
    int MsgBox(int nType, const std::string& sText) override {
        shown.emplace_back(nType, sText);
        return ZS_IDOK;
    }
    std::vector<std::pair<int, std::string>> shown;
};

}  // namespace

TEST(AskRemoveOrDelete, AHandlerWithoutTheChoiceShowsTheQuestionAndDeclines) {
    OkHandler handler;
    CZsMessageHandler* pPrevious = ZsSetMessageHandler(&handler);
    // OK to a plain question must not turn into removing or deleting anything.
    EXPECT_EQ(ZsAskRemoveOrDelete("Remove them?", "&Remove"), ZS_IDCANCEL);
    ZsSetMessageHandler(pPrevious);
    ASSERT_EQ(handler.shown.size(), 1u);
    EXPECT_EQ(handler.shown[0], std::make_pair(int(ZS_MB_QUESTION), std::string("Remove them?")));
}

TEST(AskRemoveOrDelete, ReachesTheHandlersOwnChoice) {
    test::ScriptedMessages answers({ZS_ID_DELETE});
    EXPECT_EQ(ZsAskRemoveOrDelete("Delete them?", nullptr), ZS_ID_DELETE);
    EXPECT_EQ(answers.firstLabels, std::vector<std::string>{""});
    EXPECT_EQ(answers.shown[0].second, "Delete them?");
}
