#include "cli/CliProgress.h"

#include <algorithm>
#include <cstdint>

#include <cstdlib>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "common/ZsText.h"

namespace {

// The terminal's width: the stream's own when it is a terminal, else $COLUMNS, else 80.
int TerminalColumns(std::FILE* pOut) {
#if !defined(_WIN32)
    winsize ws{};
    if (ioctl(fileno(pOut), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) {
        return ws.ws_col;
    }
#else
    (void)pOut;
#endif
    const char* pszColumns = std::getenv("COLUMNS");
    const int n = pszColumns ? std::atoi(pszColumns) : 0;
    return n > 0 && n < 10000 ? n : 80;
}

}  // namespace

CCliProgressSink::CCliProgressSink(std::FILE* pOut, bool bBar, bool bLog, std::chrono::milliseconds nInterval)
    : mpOut(pOut), mbBar(bBar), mbLog(bLog), mnInterval(nInterval) {}

void CCliProgressSink::Begin() {
    mbRunning = true;
    mbShown = false;
    msTitle.clear();
    mnPos = 0;
    mnUpper = 100;
    mtBegin = std::chrono::steady_clock::now();
}

void CCliProgressSink::SetText(int nTargets, const std::string& sText) {
    if (nTargets & PRG_LOG && mbLog) {
        PrintLine(sText);
    }
    if (nTargets & PRG_TITLE) {
        // Names in titles may hold line breaks or tabs; the bar must stay one line.
        msTitle = sText;
        std::replace_if(
            msTitle.begin(), msTitle.end(), [](char c) { return c >= 0 && c < 0x20; }, ' ');
        Draw(false);
    }
}

void CCliProgressSink::SetPos(int nPos, int nUpper) {
    mnPos = nPos;
    mnUpper = nUpper;
    Draw(false);
}

void CCliProgressSink::End(bool /*bCompleted*/) {
    if (mbShown) {
        Draw(true);
        std::fputc('\n', mpOut);
        std::fflush(mpOut);
    }
    mbShown = false;
    mbRunning = false;
}

void CCliProgressSink::PrintLine(const std::string& sLine) {
    if (mbShown) {
        std::fprintf(mpOut, "\r%*s\r", mnWidth, "");
        mbShown = false;
    }
    std::fprintf(mpOut, "%s\n", sLine.c_str());
    std::fflush(mpOut);
}

void CCliProgressSink::Draw(bool bForce) {
    if (!mbBar || !mbRunning) {
        return;
    }
    auto tNow = std::chrono::steady_clock::now();
    if (!bForce && (tNow - (mbShown ? mtDrawn : mtBegin) < mnInterval)) {
        return;
    }
    int64_t nPercent = mnUpper > 0 ? int64_t{std::clamp(mnPos, 0, mnUpper)} * 100 / mnUpper : 0;
    // One column short of the terminal's width, so that the cursor never wraps to the next line: on 80
    // columns the title takes 41 characters and the bar 30, and both shrink on narrower terminals.
    const int nWidth = std::max(TerminalColumns(mpOut) - 1, 4);
    const int nRoom = nWidth - 8;  // for the title and the bar, beside " [", "] " and "100%"
    std::string line;
    if (nRoom < 2) {
        line = ZsFormat("\r%3d%%", static_cast<int>(nPercent));
    } else {
        const int nBarWidth = std::clamp(nRoom * 30 / 71, std::min(nRoom, 10), 50);
        const int nTitleWidth = nRoom - nBarWidth;
        const int nFilled = static_cast<int>(nPercent * nBarWidth / 100);
        const std::string bar = std::string(static_cast<size_t>(nFilled), '#') +
                                std::string(static_cast<size_t>(nBarWidth - nFilled), '-');
        line = nTitleWidth > 0 ? ZsFormat("\r%-*.*s [%s] %3d%%", nTitleWidth, nTitleWidth, msTitle.c_str(),
                                          bar.c_str(), static_cast<int>(nPercent))
                               : ZsFormat("\r[%s] %3d%%", bar.c_str(), static_cast<int>(nPercent));
    }
    mnWidth = static_cast<int>(ZsCharCount(line)) - 1;
    std::fputs(line.c_str(), mpOut);
    std::fflush(mpOut);
    mbShown = true;
    mtDrawn = tNow;
}

bool CliIsTerminal(std::FILE* pStream) {
#if defined(_WIN32)
    return _isatty(_fileno(pStream)) != 0;
#else
    return isatty(fileno(pStream)) != 0;
#endif
}
