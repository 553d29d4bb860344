#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/ZsProgress.h"

namespace {

// Records every call as one line and answers Pump from a script (true once the script runs out).
class RecordingSink : public CZsProgressSink {
public:
    explicit RecordingSink(std::vector<bool> pumps = {}) : mPumps(std::move(pumps)) {}

    void Begin() override { events.push_back("begin"); }
    void SetText(int nTargets, const std::string& sText) override {
        events.push_back("text" + std::to_string(nTargets) + ":" + sText);
    }
    void SetPos(int nPos, int nUpper) override {
        events.push_back("pos:" + std::to_string(nPos) + "/" + std::to_string(nUpper));
    }
    bool Pump() override {
        events.push_back("pump");
        if (mPumps.empty()) {
            return true;
        }
        bool b = mPumps.front();
        mPumps.erase(mPumps.begin());
        return b;
    }
    void End(bool bCompleted) override { events.push_back(bCompleted ? "end:completed" : "end:aborted"); }

    std::vector<std::string> events;

private:
    std::vector<bool> mPumps;
};

// Installs a sink for the life of the object.
class SinkScope {
public:
    explicit SinkScope(CZsProgressSink* pSink) : mpPrevious(ZsSetProgressSink(pSink)) {}
    ~SinkScope() { ZsSetProgressSink(mpPrevious); }

private:
    CZsProgressSink* mpPrevious;
};

// The shape of every batch: per item title, status, log, position and pump; returns how many items ran.
int RunBatch(const std::vector<std::string>& items) {
    BeginProgress();
    int n = static_cast<int>(items.size());
    int k = 0;
    for (const std::string& item : items) {
        ++k;
        SetProgressText(PRG_TITLE, "Export Icons (%d/%d)", k, n);
        SetProgressText(PRG_STATUS, "Exporting icon '%s'...", item.c_str());
        SetProgressText(PRG_LOG, "%.4d. >> %s", k, item.c_str());
        SetProgressPos(k, n);
        if (!PumpProgress()) {
            break;
        }
    }
    EndProgress();
    return k;
}

}  // namespace

TEST(ZsProgress, WithoutASinkEveryCallIsHarmlessAndTheRunGoesOn) {
    SinkScope none(nullptr);
    EXPECT_TRUE(PumpProgress());
    EXPECT_EQ(RunBatch({"a", "b", "c"}), 3);
    EXPECT_TRUE(PumpProgress());
    EndProgress();
}

TEST(ZsProgress, CompletedRunWritesCompletedAndFillsTheBar) {
    RecordingSink sink;
    SinkScope scope(&sink);
    EXPECT_EQ(RunBatch({"a.ico", "b.ico"}), 2);
    EXPECT_EQ(sink.events, (std::vector<std::string>{
                               "begin", "text1:Export Icons (1/2)", "text2:Exporting icon 'a.ico'...",
                               "text4:0001. >> a.ico", "pos:1/2", "pump", "text1:Export Icons (2/2)",
                               "text2:Exporting icon 'b.ico'...", "text4:0002. >> b.ico", "pos:2/2", "pump",
                               "text6:Completed!", "pos:2/2", "end:completed"}));
}

TEST(ZsProgress, TextIsFormattedWithWidthsCountingCharacters) {
    RecordingSink sink;
    SinkScope scope(&sink);
    BeginProgress();
    SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", 7, "Café", "/tmp/x.ico");
    SetProgressText(PRG_TITLE | PRG_STATUS, "%s", "");
    EndProgress();
    ASSERT_GE(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[1], "text4:0007. 'Café            ' << /tmp/x.ico");
    EXPECT_EQ(sink.events[2], "text3:");
}

TEST(ZsProgress, TheBarKeepsItsRangeUntilAPositiveCountChangesIt) {
    RecordingSink sink;
    SinkScope scope(&sink);
    BeginProgress();
    SetProgressPos(5, 0);
    SetProgressPos(3, 8);
    SetProgressPos(4, -1);
    EndProgress();
    EXPECT_EQ(sink.events, (std::vector<std::string>{"begin", "pos:5/100", "pos:3/8", "pos:4/8",
                                                     "text6:Completed!", "pos:8/8", "end:completed"}));

    sink.events.clear();
    BeginProgress();  // a new run starts with the fresh range again
    EndProgress();
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"begin", "text6:Completed!", "pos:100/100", "end:completed"}));
}

TEST(ZsProgress, AbortStopsTheRunAndNothingOfTheCompletionIsWritten) {
    RecordingSink sink({true, false});
    SinkScope scope(&sink);
    EXPECT_EQ(RunBatch({"1", "2", "3", "4", "5"}), 2);
    ASSERT_GE(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[sink.events.size() - 2], "pump");
    EXPECT_EQ(sink.events.back(), "end:aborted");
    for (const std::string& e : sink.events) {
        EXPECT_EQ(e.find("Completed!"), std::string::npos);
        EXPECT_EQ(e.find("(3/5)"), std::string::npos);
    }

    // A careless operation that goes on after the abort writes nothing, and keeps hearing "aborted".
    RecordingSink again({false});
    SinkScope scope2(&again);
    BeginProgress();
    EXPECT_FALSE(PumpProgress());
    SetProgressText(PRG_LOG, "late");
    SetProgressPos(1, 1);
    EXPECT_FALSE(PumpProgress());
    EndProgress();
    EndProgress();
    EXPECT_EQ(again.events, (std::vector<std::string>{"begin", "pump", "end:aborted"}));

    // The next run starts afresh.
    again.events.clear();
    EXPECT_TRUE(PumpProgress());
    EXPECT_EQ(RunBatch({"x"}), 1);
    EXPECT_EQ(again.events.back(), "end:completed");
}

TEST(ZsProgress, ANestedRunJoinsTheOuterOne) {
    RecordingSink sink;
    SinkScope scope(&sink);
    BeginProgress();
    EXPECT_EQ(RunBatch({"inner"}), 1);
    EXPECT_EQ(sink.events.back(), "pump");
    SetProgressText(PRG_LOG, "outer goes on");
    EndProgress();
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "begin"), 1);
    EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "end:completed"), 1);
    EXPECT_EQ(sink.events.back(), "end:completed");
}

TEST(ZsProgress, ASinkInstalledDuringARunHearsNothingOfIt) {
    RecordingSink first;
    RecordingSink second;
    SinkScope scope(&first);
    BeginProgress();
    ZsSetProgressSink(&second);
    SetProgressText(PRG_LOG, "x");
    EXPECT_TRUE(PumpProgress());
    EndProgress();
    ZsSetProgressSink(&first);
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(first.events, (std::vector<std::string>{"begin"}));
}
