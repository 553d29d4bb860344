// Painting the icon list of a library window (offscreen, 1280 x 800, icons at 32x32 with names): a library
// whose "My Icons" lists 100,000 icons beside one of 100. Each library is measured in a fresh process of
// its own:
// - first paint: from opening the file to the icon list painted on screen (open, list, layout, pictures of
//   the rows in view);
// - scrolling: the list scrolled one page at a time and painted, 40 pages; the first pass makes the pictures
//   of every page, the second pass goes over the same pages again;
// - memory: resident set growth from before opening to after the first paint and after the scrolling;
// - end to end: the list then scrolled a page at a time from its start to its end, painted at every step,
//   with the peak resident set of the whole program and the time it took.
// bench_IconListBench [--icons N] [--folder DIR]
#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "../BenchSupport.h"
#include "GuiBenchSupport.h"
#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/ui/DocZIL.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace {

constexpr int kPages = 40;

// Icons of three formats (32x32 and 16x16 at 32 bits, 16x16 at 256 colours) with noisy pixels; 64 kinds.
std::vector<ZsBlock> IconKinds() {
    std::mt19937 random(7);
    std::vector<ZsBlock> kinds;
    for (int k = 0; k < 64; ++k) {
        CIcon icon;
        for (const ZI_FORMAT& format : {ZI_FORMAT{32, 32, 32}, ZI_FORMAT{16, 16, 32}, ZI_FORMAT{16, 16, 8}}) {
            CZsBitmap bitmap(format.nWidth, format.nHeight, 32);
            for (uint32_t& p : bitmap.Pixels()) {
                p = 0xFF000000 | (random() & 0xFFFFFF) | 0x010101;
            }
            ZI_IMAGE image = CIcon::NewImage(format);
            ZI_SetImageBitmap(image, bitmap);
            icon.AddImage(std::move(image));
        }
        kinds.push_back(icon.GetData());
    }
    return kinds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// 0 for a list that fits one page and never scrolls.
double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// One library in this process: prints "first_paint_ms pass1_median pass1_max pass2_median pass2_max
// rss_open_kb rss_scroll_kb icons end_to_end_s peak_rss_kb".
int Measure(const std::filesystem::path& path) {
    CFrmMain frame;
    if (!frame.Create()) {
        return 1;
    }
    frame.resize(1280, 800);
    frame.show();
    QApplication::processEvents();
    const long nRssBefore = RssKiB();

    QElapsedTimer timer;
    timer.start();
    CDocZIL* pDoc = nullptr;
    QListView* pList = bench::OpenMyIcons(frame, path, &pDoc);
    if (!pList) {
        return 1;
    }
    pList->viewport()->repaint();
    const double firstPaint = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const long nRssOpen = RssKiB() - nRssBefore;

    QScrollBar* pBar = pList->horizontalScrollBar()->maximum() > 0 ? pList->horizontalScrollBar()
                                                                   : pList->verticalScrollBar();
    std::vector<double> passes[2];
    for (std::vector<double>& pass : passes) {
        pBar->setValue(0);
        pList->viewport()->repaint();
        for (int nPage = 0; nPage < kPages && pBar->value() < pBar->maximum(); ++nPage) {
            timer.restart();
            pBar->setValue(pBar->value() + pBar->pageStep());
            pList->viewport()->repaint();
            pass.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
    }
    const long nRssScroll = RssKiB() - nRssBefore;
    timer.restart();
    pBar->setValue(0);
    pList->viewport()->repaint();
    while (pBar->value() < pBar->maximum()) {
        pBar->setValue(pBar->value() + pBar->pageStep());
        pList->viewport()->repaint();
    }
    const double endToEnd = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("%.2f %.2f %.2f %.2f %.2f %ld %ld %d %.2f %ld\n", firstPaint, Median(passes[0]),
                Max(passes[0]), Median(passes[1]), Max(passes[1]), nRssOpen, nRssScroll,
                pList->model()->rowCount(), endToEnd, RssKiB("VmHWM:"));
    std::fflush(stdout);
    pDoc->SetModifiedFlag(false);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "pictavo-iconlist-bench";
    int nIcons = 100000;
    std::filesystem::path child;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string sArg = argv[i];
        if (sArg == "--icons") {
            nIcons = std::atoi(argv[i + 1]);
        } else if (sArg == "--folder") {
            folder = argv[i + 1];
        } else if (sArg == "--child") {
            child = argv[i + 1];
        }
    }
    ZsSetLogSink([](const std::string&) {});
    if (!child.empty()) {
        // A data folder of its own, so the settings of the user's program are not touched.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((folder / "data").string()));
        QApplication app(argc, argv);
        ZS_ICON_VIEW_FORMAT.Set(ZS_ICON_VIEW_FORMAT.nDefault);
        ZS_ICON_VIEW_INFO.Set(true);
        return Measure(child);
    }

    QCoreApplication app(argc, argv);
    std::filesystem::create_directories(folder);
    const std::filesystem::path big = folder / ZsFormat("icons-%d.pctv", nIcons);
    const std::filesystem::path small = folder / "icons-100.pctv";
    QElapsedTimer build;
    build.start();
    const std::vector<ZsBlock> kinds = IconKinds();
    if (!bench::WriteLibrary(big, kinds, nIcons) || !bench::WriteLibrary(small, kinds, 100)) {
        std::fprintf(stderr, "Can not build the libraries in %s\n", folder.c_str());
        return 1;
    }
    std::printf("libraries ready in %.1f s\n", static_cast<double>(build.elapsed()) / 1000);
    std::printf("%-8s %12s %14s %14s %14s %14s %12s %12s %12s %12s\n", "icons", "first paint", "page 1st med",
                "page 1st max", "page 2nd med", "page 2nd max", "rss open", "rss scrolled", "end to end",
                "peak rss");
    for (const std::filesystem::path& path : {small, big}) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QString::fromLocal8Bit(argv[0]),
                      {QStringLiteral("--child"), QString::fromStdString(path.string()),
                       QStringLiteral("--folder"), QString::fromStdString(folder.string())});
        process.waitForFinished(-1);
        double f[5] = {};
        long rss[3] = {};
        int nCount = 0;
        double endToEnd = 0;
        if (std::sscanf(process.readAllStandardOutput().constData(), "%lf %lf %lf %lf %lf %ld %ld %d %lf %ld",
                        &f[0], &f[1], &f[2], &f[3], &f[4], &rss[0], &rss[1], &nCount, &endToEnd,
                        &rss[2]) != 10) {
            std::fprintf(stderr, "The measurement of %s failed\n", path.c_str());
            return 1;
        }
        std::printf(
            "%-8d %9.2f ms %11.2f ms %11.2f ms %11.2f ms %11.2f ms %9.1f MB %9.1f MB %10.1f s %9.1f MB\n",
            nCount, f[0], f[1], f[2], f[3], f[4], rss[0] / 1024.0, rss[1] / 1024.0, endToEnd,
            rss[2] / 1024.0);
    }
    return 0;
}
