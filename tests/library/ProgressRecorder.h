// A progress sink for the operation tests: keeps titles, status lines and log lines apart, and answers Pump
// with "go on" until an abort is scripted, either at a given pump or as a list of answers (true once the
// list runs out). Installed for its lifetime.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/ZsProgress.h"

namespace test {

class ProgressRecorder : public CZsProgressSink {
public:
    // nAbortAtPump: the pump (counted from 1) at which the user aborts; 0 for never.
    explicit ProgressRecorder(int nAbortAtPump = 0)
        : mnAbortAt(nAbortAtPump), mpPrevious(ZsSetProgressSink(this)) {}
    // The answers of the pumps in order.
    explicit ProgressRecorder(std::vector<bool> pumps)
        : mPumps(std::move(pumps)), mpPrevious(ZsSetProgressSink(this)) {}
    ~ProgressRecorder() override { ZsSetProgressSink(mpPrevious); }
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    void Begin() override { ++nBegins; }
    void SetText(int nTargets, const std::string& sText) override {
        if (nTargets & PRG_TITLE) {
            titles.push_back(sText);
        }
        if (nTargets & PRG_STATUS) {
            statuses.push_back(sText);
        }
        if (nTargets & PRG_LOG) {
            logs.push_back(sText);
        }
    }
    void SetPos(int nPos, int nUpper) override {
        positions.push_back(std::to_string(nPos) + "/" + std::to_string(nUpper));
    }
    bool Pump() override {
        ++nPumps;
        if (!mPumps.empty()) {
            bool b = mPumps.front();
            mPumps.erase(mPumps.begin());
            return b;
        }
        return nPumps != mnAbortAt;
    }
    void End(bool bCompleted) override { ends.push_back(bCompleted); }

    std::vector<std::string> titles, statuses, logs, positions;
    std::vector<bool> ends;
    int nBegins = 0;
    int nPumps = 0;

private:
    int mnAbortAt = 0;
    std::vector<bool> mPumps;
    CZsProgressSink* mpPrevious;
};

}  // namespace test
