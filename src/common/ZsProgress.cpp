#include "common/ZsProgress.h"

#include <cstdarg>

namespace {

struct ProgressState {
    CZsProgressSink* pSink = nullptr;     // the installed sink
    CZsProgressSink* pRunSink = nullptr;  // the sink the active run began on
    int nDepth = 0;                       // nested BeginProgress calls of the active run; 0 when none runs
    bool bAborted = false;                // the active run was aborted
    int nUpper = 100;                     // the bar's range, as a fresh progress bar has it
};

ProgressState& State() {
    static ProgressState state;
    return state;
}

// The sink of the active run while it is still installed; a sink installed in the middle of a run never
// hears of it, and one removed in the middle hears no more.
CZsProgressSink* RunSink() {
    const ProgressState& s = State();
    return s.nDepth > 0 && s.pRunSink == s.pSink ? s.pRunSink : nullptr;
}

// The sink to write to: none after an abort.
CZsProgressSink* Writer() {
    return State().bAborted ? nullptr : RunSink();
}

}  // namespace

CZsProgressSink* ZsSetProgressSink(CZsProgressSink* pSink) {
    CZsProgressSink* pOld = State().pSink;
    State().pSink = pSink;
    return pOld;
}

void BeginProgress() {
    ProgressState& s = State();
    if (s.nDepth++ > 0) {
        return;
    }
    s.pRunSink = s.pSink;
    s.bAborted = false;
    s.nUpper = 100;
    if (s.pRunSink) {
        s.pRunSink->Begin();
    }
}

void SetProgressText(int nTargets, const char* pszFormat, ...) {
    CZsProgressSink* pSink = Writer();
    if (!pSink) {
        return;
    }
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    pSink->SetText(nTargets, text);
}

void SetProgressPos(int nPos, int nCount) {
    CZsProgressSink* pSink = Writer();
    if (!pSink) {
        return;
    }
    ProgressState& s = State();
    if (nCount > 0) {
        s.nUpper = nCount;
    }
    pSink->SetPos(nPos, s.nUpper);
}

bool PumpProgress() {
    ProgressState& s = State();
    if (CZsProgressSink* pSink = Writer(); pSink && !pSink->Pump()) {
        s.bAborted = true;
    }
    return !(s.nDepth > 0 && s.bAborted);
}

void EndProgress() {
    ProgressState& s = State();
    if (s.nDepth == 0) {
        return;
    }
    if (s.nDepth > 1) {
        --s.nDepth;
        return;
    }
    CZsProgressSink* pSink = RunSink();
    bool bCompleted = !s.bAborted;
    if (pSink && bCompleted) {
        pSink->SetText(PRG_STATUS | PRG_LOG, "Completed!");
        pSink->SetPos(s.nUpper, s.nUpper);
    }
    s.nDepth = 0;
    s.pRunSink = nullptr;
    s.bAborted = false;
    if (pSink) {
        pSink->End(bCompleted);
    }
}
