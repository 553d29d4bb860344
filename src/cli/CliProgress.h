// The command-line tool's progress sink: on a terminal a one-line bar on stderr for long work, as wide as the
// terminal (its window size, else $COLUMNS, else 80 columns) less one, never wrapping, and with
// --verbose every log line of the run on a line of its own. The tool installs one for its whole run.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "common/ZsProgress.h"

class CCliProgressSink : public CZsProgressSink {
public:
    // Everything goes to pOut. bBar draws the bar (meant for terminals only); bLog prints the PRG_LOG lines.
    // The bar first appears once nInterval has passed since the run began and is redrawn at most once per
    // nInterval, so quick runs show no bar at all.
    CCliProgressSink(std::FILE* pOut, bool bBar, bool bLog, std::chrono::milliseconds nInterval);

    void Begin() override;
    void SetText(int nTargets, const std::string& sText) override;
    void SetPos(int nPos, int nUpper) override;
    bool Pump() override { return true; }
    void End(bool bCompleted) override;

    // Prints one line of text, taking the bar out of its way first.
    void PrintLine(const std::string& sLine);

private:
    void Draw(bool bForce);

    std::FILE* mpOut;
    bool mbBar;
    bool mbLog;
    std::chrono::milliseconds mnInterval;
    std::chrono::steady_clock::time_point mtBegin;
    std::chrono::steady_clock::time_point mtDrawn;
    bool mbRunning = false;
    bool mbShown = false;  // the bar is on the line the cursor is on
    std::string msTitle;
    int mnPos = 0;
    int mnUpper = 100;
    int mnWidth = 0;  // of the bar line last drawn
};

// Whether the stream is a terminal.
bool CliIsTerminal(std::FILE* pStream);
