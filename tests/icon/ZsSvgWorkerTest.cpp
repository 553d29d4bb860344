#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "TestSupport.h"
#include "ToolCheck.h"
#include "common/ZsByteReader.h"
#include "common/ZsWorkerProcess.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"

using namespace std::chrono_literals;

namespace {

ZsBlock Bytes(const std::string& text) {
    return ZsBlock(text.begin(), text.end());
}

const char* const kLogo = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="48">
  <defs><linearGradient id="g"><stop offset="0" stop-color="#f80" stop-opacity="0.3"/>
  <stop offset="1" stop-color="#08f"/></linearGradient></defs>
  <circle cx="32" cy="24" r="22" fill="url(#g)" stroke="#135" stroke-width="3"/>
  <path d="M16 26 L28 38 L50 10" fill="none" stroke="#fff" stroke-opacity="0.6" stroke-width="6"/>
</svg>)svg";

// Draws in the helper built beside the tests for as long as it lives, then in process again.
class CHelper {
public:
    explicit CHelper(std::chrono::milliseconds limit = ZS_SVG_TIME_LIMIT_MS,
                     const std::filesystem::path& exe = PICTAVO_SVG_WORKER) {
        ZsSetSvgWorker(exe);
        ZsSetSvgTimeLimit(limit);
    }
    ~CHelper() {
        ZsSetSvgWorker({});
        ZsSetSvgTimeLimit(ZS_SVG_TIME_LIMIT_MS);
    }
    CHelper(const CHelper&) = delete;
    CHelper& operator=(const CHelper&) = delete;
};

// The outcome of one drawing: the icon block and the sentence.
struct OUTCOME {
    ZsBlock block;
    std::string sError;
};

OUTCOME Icon(const std::string& svg, std::vector<ZI_FORMAT> formats = {}) {
    OUTCOME r;
    r.block = ZI_SvgToIcon(Bytes(svg), formats, &r.sError);
    return r;
}

// The logo at one size, to check that a helper works again.
bool Draws() {
    const OUTCOME r = Icon(kLogo, {{16, 16, 32}});
    return !r.block.empty() && r.sError.empty();
}

// Starts a slow drawing on another thread with a long limit and sends the signal to the helper until the
// drawing ends (a helper signalled before the request reached it is replaced by the next, which draws it);
// the sentence the drawing ends with.
std::string KilledMidDrawing(int nSignal) {
    CHelper helper(600s);
    EXPECT_TRUE(Draws());
    const int nFirst = ZsGetSvgWorkerPid();
    std::string sError;
    std::atomic<bool> bDone{false};
    std::thread drawing([&] {
        EXPECT_TRUE(ZI_SvgToIcon(Bytes(test::SlowSvg()), {}, &sError).empty());
        bDone = true;
    });
    while (!bDone) {
        std::this_thread::sleep_for(200ms);
        if (const int nPid = ZsGetSvgWorkerPid(); nPid != 0 && !bDone) {
            kill(nPid, nSignal);
        }
    }
    drawing.join();
    EXPECT_TRUE(Draws());
    EXPECT_NE(ZsGetSvgWorkerPid(), nFirst);
    return sError;
}

std::map<int, CZsBitmap> IcnsSides(const ZsBlock& icns) {
    std::map<int, CZsBitmap> sides;
    CIcon icon;
    EXPECT_TRUE(icon.SetData(ZI_IcnsToIcon(icns)));
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        sides[icon.GetImage(i).Format().nWidth] = icon.GetHBITMAP(i);
    }
    return sides;
}

}  // namespace

TEST(ZsSvgWorker, HelperDrawsTheSamePixelsAndSentences) {
    // Icons of several format lists, and refusals: too large a size, damaged XML, no size of its own.
    const std::vector<std::pair<std::string, std::vector<ZI_FORMAT>>> icons = {
        {kLogo, {}},
        {kLogo, {{20, 20, 32}, {48, 48, 8}, {48, 48, 32}, {300, 150, 32}, {1024, 1024, 32}}},
        {kLogo, {{5000, 5000, 32}}},
        {R"(<svg xmlns="http://www.w3.org/2000/svg"><rect</svg>)", {}},
        {R"(<svg xmlns="http://www.w3.org/2000/svg"><rect width="9" height="9"/></svg>)", {{16, 16, 32}}},
    };
    std::vector<OUTCOME> here;
    std::vector<std::pair<CZsBitmap, std::string>> pictures;
    for (const auto& [svg, formats] : icons) {
        here.push_back(Icon(svg, formats));
        std::string sError;
        CZsBitmap picture = ZsRenderSvgPicture(Bytes(svg), &sError);
        pictures.emplace_back(std::move(picture), sError);
    }
    ASSERT_FALSE(here[1].block.empty()) << here[1].sError;
    ASSERT_FALSE(pictures[0].first.IsNull());
    ASSERT_NE(pictures[4].second.find("no size of its own"), std::string::npos);

    CHelper helper;
    int nPid = 0;
    for (size_t i = 0; i < icons.size(); ++i) {
        const OUTCOME r = Icon(icons[i].first, icons[i].second);
        EXPECT_EQ(r.block, here[i].block) << i;
        EXPECT_EQ(r.sError, here[i].sError) << i;
        std::string sError;
        EXPECT_EQ(ZsRenderSvgPicture(Bytes(icons[i].first), &sError), pictures[i].first) << i;
        EXPECT_EQ(sError, pictures[i].second) << i;
        // One helper serves every drawing, refused or not.
        EXPECT_NE(ZsGetSvgWorkerPid(), 0);
        EXPECT_TRUE(nPid == 0 || ZsGetSvgWorkerPid() == nPid);
        nPid = ZsGetSvgWorkerPid();
    }
    // Too large a file is refused before it reaches the helper.
    std::string big = R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)";
    big += std::string(ZS_MAX_SVG_FILE_BYTES, ' ') + "</svg>";
    EXPECT_NE(Icon(big).sError.find("larger than 10 MB"), std::string::npos);
    EXPECT_EQ(ZsGetSvgWorkerPid(), nPid);
}

TEST(ZsSvgWorker, ThreadsShareTheHelper) {
    const ZsBlock expected = Icon(kLogo).block;
    CHelper helper;
    std::vector<std::thread> threads;
    std::atomic<int> nSame{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                nSame += Icon(kLogo).block == expected;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(nSame, 20);
}

TEST(ZsSvgWorker, SlowDrawingsAreStoppedAtTheLimit) {
    CHelper helper(300ms);
    ASSERT_TRUE(Draws());
    const int nPid = ZsGetSvgWorkerPid();
    const OUTCOME r = Icon(test::SlowSvg(), {{1024, 1024, 32}});
    EXPECT_TRUE(r.block.empty());
    EXPECT_EQ(r.sError, "drawing the SVG took longer than 0.3 seconds");
    // The picture of a drawing's own size has the same limit.
    std::string sError;
    EXPECT_TRUE(ZsRenderSvgPicture(Bytes(test::SlowSvg()), &sError).IsNull());
    EXPECT_EQ(sError, "drawing the SVG took longer than 0.3 seconds");
    // The next drawing has a fresh helper.
    EXPECT_TRUE(Draws());
    EXPECT_NE(ZsGetSvgWorkerPid(), 0);
    EXPECT_NE(ZsGetSvgWorkerPid(), nPid);
}

TEST(ZsSvgWorker, HelperThatDiesIsARefusalNotACrash) {
    // Killed from outside, or crashed, in the middle of a drawing.
    EXPECT_EQ(KilledMidDrawing(SIGKILL), "the SVG cannot be drawn: the helper process ended unexpectedly");
    // An abort, not a fault: the address sanitizer of the sanitizer build catches faults and exits instead.
    EXPECT_EQ(KilledMidDrawing(SIGABRT),
              "the SVG cannot be drawn: the helper process ended unexpectedly (killed by signal 6)");
    // Killed while idle: the next drawing starts another without a refusal.
    {
        CHelper helper;
        ASSERT_TRUE(Draws());
        const int nPid = ZsGetSvgWorkerPid();
        kill(nPid, SIGKILL);
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(Draws());
        EXPECT_NE(ZsGetSvgWorkerPid(), nPid);
    }
}

TEST(ZsSvgWorker, WhatACrashingHelperWritesGoesToTheLogNotTheTerminal) {
    // A helper that takes the request, prints a backtrace and far more than the log keeps, and crashes.
    test::TempDir dir;
    const std::filesystem::path exe = dir / "crashing-helper";
    {
        std::ofstream(exe) << "#!/bin/sh\nhead -c 4 >/dev/null\necho 'frame #0 in draw()' >&2\n"
                              "head -c 100000 /dev/zero | tr '\\0' x >&2\nkill -SEGV $$\n";
    }
    std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
    test::LogCapture log;
    testing::internal::CaptureStderr();
    std::string sError;
    {
        CHelper helper(10s, exe);
        sError = Icon(kLogo).sError;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(sError.rfind("the SVG cannot be drawn: ", 0), 0u) << sError;
    EXPECT_TRUE(log.Contains("'crashing-helper' wrote: frame #0 in draw()"));
    EXPECT_TRUE(log.Contains("bytes more, not logged"));
    size_t nLogged = 0;
    for (const std::string& line : log.Lines()) {
        nLogged += line.size();
    }
    EXPECT_LT(nLogged, ZS_WORKER_MAX_LOGGED + 1024);
}

TEST(ZsSvgWorker, BrokenHelpersAreRefusedAndForgotten) {
    // Missing, ending at once, echoing the request, or flooding the output: each drawing is refused with a
    // reason, and the caller carries on.
    const std::map<std::string, std::string> helpers = {
        {"/nonexistent/pictavo-svg-worker", "cannot be started"},
        {"/bin/true", "ended unexpectedly"},
        {"/bin/cat", "answered out of turn"},
        {"/usr/bin/yes", "answered with"},
    };
    for (const auto& [exe, sWhy] : helpers) {
        CHelper helper(10s, exe);
        for (int i = 0; i < 2; ++i) {
            const OUTCOME r = Icon(kLogo);
            EXPECT_TRUE(r.block.empty()) << exe;
            EXPECT_EQ(r.sError.rfind("the SVG cannot be drawn: ", 0), 0u) << r.sError;
            EXPECT_NE(r.sError.find(sWhy), std::string::npos) << exe << ": " << r.sError;
            EXPECT_EQ(ZsGetSvgWorkerPid(), 0);
        }
    }
    // The helper's side refuses a damaged request and answers the next one.
    CHelper helper;
    EXPECT_TRUE(Draws());
}

TEST(ZsSvgWorker, AppleIconFilesHaveEverySideDrawn) {
    for (const bool bHelper : {false, true}) {
        std::optional<CHelper> helper;
        if (bHelper) {
            helper.emplace();
        }
        std::string sError;
        const ZsBlock icns = ZI_SvgToIcns(Bytes(kLogo), {}, &sError);
        ASSERT_TRUE(ZI_IsIcns(icns)) << sError;
        const std::map<int, CZsBitmap> sides = IcnsSides(icns);
        std::vector<int> got;
        for (const auto& [nSide, bmp] : sides) {
            got.push_back(nSide);
            EXPECT_EQ(bmp.Width(), nSide);
        }
        EXPECT_EQ(got, std::vector<int>(std::begin(ZI_ICNS_SIDES), std::end(ZI_ICNS_SIDES)));
        // Drawn at 512, not scaled from 256 or 1024.
        CZsSvg drawing;
        ASSERT_TRUE(drawing.Load(Bytes(kLogo)));
        EXPECT_EQ(sides.at(512), drawing.Render(512, 512)) << bHelper;
        EXPECT_EQ(sides.at(16), drawing.Render(16, 16)) << bHelper;
    }
    // Formats given set the largest side; each side is still drawn, at the depth given for it.
    std::string sError;
    const std::vector<ZI_FORMAT> formats = {{32, 32, 8}, {48, 48, 32}, {100, 60, 32}};
    const std::map<int, CZsBitmap> sides = IcnsSides(ZI_SvgToIcns(Bytes(kLogo), formats, &sError));
    ASSERT_EQ(sides.size(), 3u) << sError;
    CZsSvg drawing;
    ASSERT_TRUE(drawing.Load(Bytes(kLogo)));
    EXPECT_EQ(sides.at(64), drawing.Render(64, 64));
    EXPECT_EQ(sides.at(16), drawing.Render(16, 16));
    CIcon reduced;
    ASSERT_TRUE(reduced.SetData(ZI_SvgToIcon(Bytes(kLogo), std::vector<ZI_FORMAT>{{32, 32, 8}})));
    EXPECT_EQ(sides.at(32).Pixels(), reduced.GetHBITMAP(0).Pixels());
    // A drawing that cannot be drawn gives no file, and says why.
    EXPECT_TRUE(ZI_SvgToIcns(Bytes("<svg"), {}, &sError).empty());
    EXPECT_NE(sError.find("damaged SVG"), std::string::npos) << sError;
}

TEST(ZsSvgWorker, AppleIconFilesOfPictureFiles) {
    test::TempDir dir;
    { std::ofstream(dir / "logo.svg") << kLogo; }
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(40, 40, 32, 0xFF00FF00), dir / "green.png", ZS_PIC_PNG));
    std::string sError;
    EXPECT_EQ(IcnsSides(ZI_LoadPictureIcns(dir / "logo.svg", ZI_SIZING_ENLARGE, &sError)).size(), 7u)
        << sError;
    // A bitmap picture keeps its one canvas: sides up to 48, made from it.
    EXPECT_EQ(IcnsSides(ZI_LoadPictureIcns(dir / "green.png", ZI_SIZING_ENLARGE, &sError)).size(), 2u)
        << sError;
    EXPECT_TRUE(ZI_LoadPictureIcns(dir / "none.svg", ZI_SIZING_ENLARGE, &sError).empty());
    EXPECT_EQ(sError, "the file cannot be read: No such file or directory");
    ASSERT_TRUE(test::HaveTools({"icns2png"}));
    ZsWriteFile(dir / "logo.icns", ZI_LoadPictureIcns(dir / "logo.svg", ZI_SIZING_ENLARGE));
    const std::string sDir = ZsPathToUtf8(dir.Path());
    ASSERT_EQ(std::system(("cd '" + sDir + "' && icns2png -x logo.icns >/dev/null 2>&1").c_str()), 0);
    CZsSvg drawing;
    ASSERT_TRUE(drawing.Load(Bytes(kLogo)));
    for (const int n : {512, 1024}) {
        EXPECT_EQ(ZsLoadPicture(dir / ZsFormat("logo_%dx%dx32.png", n, n)), drawing.Render(n, n)) << n;
    }
}
