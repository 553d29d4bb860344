#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliProgress.h"
#include "common/ZsText.h"

namespace {

using namespace std::chrono_literals;

// A sink writing into a temporary file, installed for the life of the object.
class Capture {
public:
    Capture(bool bBar, bool bLog, std::chrono::milliseconds nInterval = 0ms)
        : mpFile(std::tmpfile(), std::fclose), mSink(mpFile.get(), bBar, bLog, nInterval) {
        mpPrevious = ZsSetProgressSink(&mSink);
    }
    ~Capture() { ZsSetProgressSink(mpPrevious); }

    CCliProgressSink& Sink() { return mSink; }
    std::string Output() {
        std::fflush(mpFile.get());
        std::rewind(mpFile.get());
        std::string s;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, mpFile.get())) > 0) {
            s.append(buf, n);
        }
        return s;
    }

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> mpFile;
    CCliProgressSink mSink;
    CZsProgressSink* mpPrevious;
};

void Export(const std::vector<std::string>& names) {
    BeginProgress();
    int n = static_cast<int>(names.size());
    for (int k = 1; k <= n; ++k) {
        const char* psz = names[static_cast<size_t>(k - 1)].c_str();
        SetProgressText(PRG_TITLE, "Export Icons (%d/%d)", k, n);
        SetProgressText(PRG_STATUS, "Exporting icon '%s'...", psz);
        SetProgressText(PRG_LOG, "%.4d. >> %s", k, psz);
        SetProgressPos(k, n);
        if (!PumpProgress()) {
            break;
        }
    }
    EndProgress();
}

// The pieces of the output between carriage returns and line feeds.
std::vector<std::string> Segments(const std::string& out) {
    std::vector<std::string> parts(1);
    for (char c : out) {
        if (c == '\r' || c == '\n') {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    return parts;
}

}  // namespace

TEST(CliProgress, WithoutATerminalVerbosePrintsTheLogLinesAndQuietPrintsNothing) {
    {
        Capture verbose(false, true);
        Export({"a.ico", "b.ico"});
        EXPECT_EQ(verbose.Output(), "0001. >> a.ico\n0002. >> b.ico\nCompleted!\n");
    }
    {
        Capture quiet(false, false);
        Export({"a.ico", "b.ico"});
        EXPECT_EQ(quiet.Output(), "");
    }
}

TEST(CliProgress, TheBarShowsTitleAndShareDoneOnOneLineAndEndsIt) {
    Capture bar(true, false);
    Export({"a.ico", "b.ico"});
    std::string out = bar.Output();
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_NE(out.find("\rExport Icons (1/2)"), std::string::npos);
    EXPECT_NE(out.find("]  50%"), std::string::npos);
    EXPECT_NE(out.find("[##############################] 100%\n"), std::string::npos);
    for (const std::string& s : Segments(out)) {
        EXPECT_LE(ZsCharCount(s), 79u) << s;
    }
}

TEST(CliProgress, LongTitlesAreCutAndLogLinesClearTheBarFirst) {
    Capture both(true, true);
    BeginProgress();
    SetProgressText(PRG_TITLE, "Import Icons (1/1) from %s",
                    "ünïcödé\nname that goes on and on and on and on");
    SetProgressPos(0, 4);
    std::string title = Segments(both.Output()).back();
    EXPECT_EQ(ZsCharCount(title), 79u);
    EXPECT_TRUE(title.starts_with("Import Icons (1/1) from ünïcödé name that [")) << title;
    EXPECT_NE(title.find("[------------------------------]   0%"), std::string::npos);

    both.Sink().PrintLine("ERR(0)'': something");
    EXPECT_TRUE(both.Output().ends_with("\r" + std::string(79, ' ') + "\rERR(0)'': something\n"));
    EndProgress();
    EXPECT_TRUE(both.Output().ends_with("] 100%\n"));
}

TEST(CliProgress, AQuickRunShowsNoBarAtAll) {
    Capture bar(true, false, 1h);
    Export({"a.ico", "b.ico", "c.ico"});
    EXPECT_EQ(bar.Output(), "");
}

TEST(CliProgress, TheBarFollowsTheTerminalWidthAndNeverWraps) {
    for (const char* pszColumns : {"120", "40", "12", "5", "1"}) {
        setenv("COLUMNS", pszColumns, 1);
        Capture bar(true, false);
        Export({"a name long enough to be cut on every width there is.ico"});
        const size_t nColumns = static_cast<size_t>(std::atoi(pszColumns));
        for (const std::string& s : Segments(bar.Output())) {
            EXPECT_LE(ZsCharCount(s), std::max<size_t>(nColumns - 1, 4)) << pszColumns << ": " << s;
        }
        EXPECT_NE(bar.Output().find("100%"), std::string::npos) << pszColumns;
    }
    setenv("COLUMNS", "120", 1);
    Capture wide(true, false);
    Export({"a.ico"});
    EXPECT_EQ(ZsCharCount(Segments(wide.Output())[1]), 119u);
    unsetenv("COLUMNS");
}
