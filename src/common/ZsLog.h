// The activity log "log.txt" and the error line every failing function writes to it, and the message-box
// protocol through which the core asks questions and shows errors without knowing who answers.
#pragma once

#include <cerrno>
#include <functional>
#include <memory>
#include <string>

#include "common/ZsText.h"

// Appends one line to the log (UTF-16LE with a byte-order mark, CR LF line ends) and flushes it. The first
// call opens and truncates "log.txt" in the data folder; when the file cannot be opened the line is dropped.
// Returns true when the line reached the file (or the installed sink).
bool ZsLog(const char* pszFormat, ...) ZS_PRINTF(1, 2);

// Where log lines go instead of "log.txt" (the command-line tool prints them with --verbose or drops them).
// An empty function restores the file.
using ZsLogSink = std::function<void(const std::string& line)>;
void ZsSetLogSink(ZsLogSink sink);

// The bare file name of a source path, for the error line.
constexpr const char* ZsSourceName(const char* psz) {
    const char* pName = psz;
    for (const char* p = psz; *p; ++p) {
        if (*p == '/' || *p == '\\') {
            pName = p + 1;
        }
    }
    return pName;
}

// The system's text for an error code, unaltered; empty when it has none.
std::string ZsErrorText(int nError);

// Builds and logs the error line "ERR(%d)'%s'@%s(%d)>%s: " + tail. errno is read first, before anything
// else can change it. The function name is the qualified name of the reporter, such as "CIcon::GetData".
#define ZS_LOG_ERR(pszFunction, pszTail, ...)                                            \
    do {                                                                                 \
        const int nZsErr_ = errno;                                                       \
        ZsLog("ERR(%d)'%s'@%s(%d)>%s: " pszTail, nZsErr_, ZsErrorText(nZsErr_).c_str(),  \
              ZsSourceName(__FILE__), __LINE__, pszFunction __VA_OPT__(, ) __VA_ARGS__); \
    } while (0)

// The start and end of a program's log: the banner "Pictavo 1.0.0.1108" and the command line when it is
// made, an empty line and "End log" when it goes. The log file itself outlives it.
class CZsInit {
public:
    explicit CZsInit(const std::string& sCommandLine);
    ~CZsInit();
    CZsInit(const CZsInit&) = delete;
    CZsInit& operator=(const CZsInit&) = delete;
};

// Message-box types the program uses and the buttons they return.
enum : int {
    ZS_MB_OK = 0x0,
    ZS_MB_OKCANCEL = 0x1,
    ZS_MB_ICONERROR = 0x10,
    ZS_MB_ICONQUESTION = 0x20,
    ZS_MB_DEFBUTTON2 = 0x100,
    ZS_MB_QUESTION = ZS_MB_OKCANCEL | ZS_MB_ICONQUESTION | ZS_MB_DEFBUTTON2,  // 289
    ZS_MB_ERROR = ZS_MB_OK | ZS_MB_ICONERROR,                                 // 16
    ZS_IDOK = 1,
    ZS_IDCANCEL = 2,
};

// The buttons of the remove-or-delete question: its first button (the one whose label the caller chooses)
// and "&Delete"; it returns ZS_IDCANCEL for "&Cancel".
enum : int {
    ZS_ID_FIRST = 6,
    ZS_ID_DELETE = 7,
};

// Whoever shows the program's messages: the GUI shows message boxes captioned "Pictavo", the command-line
// tool prints errors and answers questions from its flags, tests script the answers.
class CZsMessageHandler {
public:
    virtual ~CZsMessageHandler() = default;
    // Shows the text with the given type and returns the button pressed (0 when nothing could be shown).
    virtual int MsgBox(int nType, const std::string& sText) = 0;
    // Asks the remove-or-delete question: a first button labelled sFirstLabel (none when it is empty),
    // "&Delete" and "&Cancel" (the default). Returns ZS_ID_FIRST, ZS_ID_DELETE or ZS_IDCANCEL. A handler
    // that cannot offer the choice shows the text as a question and declines it.
    virtual int AskRemoveOrDelete(const std::string& sText, const std::string& sFirstLabel);
};

// Installs a handler (nullptr restores the default, which prints to stderr and answers every question with
// Cancel). Returns the previous one, which stays owned by whoever installed it.
CZsMessageHandler* ZsSetMessageHandler(CZsMessageHandler* pHandler);

// Formats the text printf-style and hands it to the current message handler.
int ZsMsgBox(int nType, const char* pszFormat, ...) ZS_PRINTF(2, 3);
// Hands the remove-or-delete question to the current message handler; pszFirstLabel may be empty.
int ZsAskRemoveOrDelete(const char* pszText, const char* pszFirstLabel);
