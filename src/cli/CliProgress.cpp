#include "cli/CliProgress.h"

#include <algorithm>
#include <cstdint>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "common/ZsText.h"

namespace {

// The bar line: the title in kTitleWidth characters, then "[####------] 42%"; 79 characters in all, so
// it fits the narrowest usual terminal without wrapping.
constexpr int kTitleWidth = 41;
constexpr int kBarWidth = 30;

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
        std::fprintf(mpOut, "\r%*s\r", kTitleWidth + kBarWidth + 8, "");
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
    int nFilled = static_cast<int>(nPercent * kBarWidth / 100);
    std::string bar = std::string(static_cast<size_t>(nFilled), '#') +
                      std::string(static_cast<size_t>(kBarWidth - nFilled), '-');
    std::string line = ZsFormat("\r%-*.*s [%s] %3d%%", kTitleWidth, kTitleWidth, msTitle.c_str(), bar.c_str(),
                                static_cast<int>(nPercent));
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
