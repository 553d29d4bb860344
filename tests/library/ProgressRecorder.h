// A progress sink for the operation tests: keeps titles, status lines and log lines apart, and answers Pump
// with "go on" until an abort is scripted at a given pump.
#pragma once

#include <string>
#include <vector>

#include "common/ZsProgress.h"

namespace test {

class ProgressRecorder : public CZsProgressSink {
public:
    // nAbortAtPump: the pump (counted from 1) at which the user aborts; 0 for never.
    explicit ProgressRecorder(int nAbortAtPump = 0)
        : mnAbortAt(nAbortAtPump), mpPrevious(ZsSetProgressSink(this)) {}
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
    bool Pump() override { return ++nPumps != mnAbortAt; }
    void End(bool bCompleted) override { ends.push_back(bCompleted); }

    std::vector<std::string> titles, statuses, logs, positions;
    std::vector<bool> ends;
    int nBegins = 0;
    int nPumps = 0;

private:
    int mnAbortAt;
    CZsProgressSink* mpPrevious;
};

}  // namespace test
