// The progress protocol every long operation talks through. An operation calls BeginProgress, then per item
// SetProgressText (title, status, log), SetProgressPos and PumpProgress, stopping as soon as PumpProgress
// returns false, and finally EndProgress. The calls go to the installed progress sink: the GUI's progress
// dialog, the command-line tool's terminal bar, or a test's recorder. With no sink they do nothing and
// PumpProgress returns true.
//
// A run ends in one of two ways. Completed: EndProgress writes "Completed!" to the status line and the log,
// fills the bar, and tells the sink the run completed. Aborted: the sink's Pump reported that the user gave
// up; from then on the run writes nothing more, PumpProgress keeps returning false, and EndProgress only
// tells the sink the run did not complete.
//
// A BeginProgress inside a run joins it: only the outermost EndProgress ends the run. A run talks only to
// the sink it began on, and only while that sink stays installed. Single-threaded; the sink belongs to
// whoever installed it.
#pragma once

#include <string>

#include "common/ZsText.h"

// Targets of SetProgressText, combinable.
enum : int {
    PRG_TITLE = 1,   // the window title
    PRG_STATUS = 2,  // the status line
    PRG_LOG = 4,     // a new line at the end of the log
};

class CZsProgressSink {
public:
    virtual ~CZsProgressSink() = default;
    // A run starts: title and status are empty, the log is empty, the bar's range is 0 to 100.
    virtual void Begin() = 0;
    // Writes the text to each of the targets in nTargets.
    virtual void SetText(int nTargets, const std::string& sText) = 0;
    // The bar's position within the range 0 to nUpper.
    virtual void SetPos(int nPos, int nUpper) = 0;
    // Lets the user act (pause, look at the log, abort) and returns false once the user aborted.
    virtual bool Pump() = 0;
    // The run is over; bCompleted is false after an abort.
    virtual void End(bool bCompleted) = 0;
};

// Installs a sink (nullptr removes it) and returns the previous one.
CZsProgressSink* ZsSetProgressSink(CZsProgressSink* pSink);

void BeginProgress();
// Formats the text printf-style and writes it to the targets.
void SetProgressText(int nTargets, const char* pszFormat, ...) ZS_PRINTF(2, 3);
// Moves the bar to nPos; a positive nCount first makes 0 to nCount the bar's range.
void SetProgressPos(int nPos, int nCount);
// True while the operation may go on; false once the user aborted the run.
bool PumpProgress();
void EndProgress();
