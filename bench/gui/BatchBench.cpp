// Batch commands in a library window against the command-line tool on the same library: Export Icons (icon
// files) and Delete Formats (16x16 at 16 colours, so every icon changes) on every icon of "My Icons".
// - window: a fresh process of its own, offscreen, that opens the library in the main window, selects every
//   icon, runs the command through its menu action with the command's dialog answered, and reports the
//   time from the action to the closed progress dialog (and, for Delete Formats, the save that follows);
// - pictavo-cli: `export LIB DIR --type ico` and `delete-formats LIB --rows 0,...,N-1 --formats 16x16-16`,
//   the whole process (open, work and, for delete-formats, the save) on its own copy of the library.
// Every run starts from the same library file (Delete Formats on a fresh copy), in /dev/shm unless a
// folder is given (which then keeps the library for the next time). Best of RUNS. The window's
// process then waits a few seconds, as after a batch the program says "Ready", and reports the share of a
// core it used meanwhile.
// bench_BatchBench [--icons N] [--runs RUNS] [--folder DIR]
#include <sys/resource.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../BenchSupport.h"
#include "GuiBenchSupport.h"
#include "common/ZsLog.h"
#include "gui/batch/DlgIconExp.h"
#include "gui/batch/DlgIconFmts.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsCmdIds.h"

namespace {

constexpr ZI_FORMAT kDeleted{16, 16, 4};
constexpr qint64 kIdleMs = 3000;

// The processor time of this process so far, user and system.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// 16 kinds of icons of five formats with noisy pixels.
std::vector<ZsBlock> IconKinds() {
    std::mt19937 rng(11);
    std::vector<ZsBlock> kinds;
    for (int k = 0; k < 16; ++k) {
        kinds.push_back(bench::MakeIcon(rng));
    }
    return kinds;
}

// Answers the next modal dialog with fn, which accepts it.
void OnNextModal(std::function<void(QWidget*)> fn) {
    auto* pTimer = new QTimer(qApp);
    pTimer->setInterval(5);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, fn] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            pTimer->stop();
            pTimer->deleteLater();
            fn(pModal);
        }
    });
    pTimer->start();
}

// The number of log lines the progress dialog held as it went away.
class CLogWatch : public QObject {
public:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        if (auto* pDialog = qobject_cast<CDlgPrg*>(pObject); pDialog && pEvent->type() == QEvent::Hide) {
            nLogLines = pDialog->LogList()->count();
        }
        return false;
    }
    int nLogLines = 0;
};

// The job in this process's window: prints "batch_seconds save_seconds log_lines idle_share".
int MeasureWindow(const std::filesystem::path& path, const std::string& sJob,
                  const std::filesystem::path& out) {
    CFrmMain frame;
    if (!frame.Create()) {
        return 1;
    }
    frame.resize(1280, 800);
    frame.show();
    CZsPrgSinkScope progress(&frame);
    CDocZIL* pDoc = nullptr;
    QListView* pList = bench::OpenMyIcons(frame, path, &pDoc);
    if (!pList) {
        return 1;
    }
    pList->setFocus();
    pList->selectAll();
    QApplication::processEvents();

    CLogWatch watch;
    qApp->installEventFilter(&watch);
    const bool bExport = sJob == "export";
    OnNextModal([bExport, out](QWidget* pModal) {
        if (bExport) {
            auto* pDialog = qobject_cast<CDlgIconExp*>(pModal);
            pDialog->FileFormatCombo()->setCurrentIndex(ZS_EXPORT_ICO);
            pDialog->FolderEdit()->setText(QString::fromStdString(out.string()));
            pDialog->EachCheck()->setChecked(false);
            pDialog->CustomCheck()->setChecked(false);
            pDialog->accept();
        } else {
            auto* pDialog = qobject_cast<CDlgDelFmts*>(pModal);
            pDialog->InsertDesired(kDeleted);
            pDialog->ExceptCheck()->setChecked(false);
            pDialog->KeepBigCheck()->setChecked(false);
            pDialog->accept();
        }
    });
    frame.Router().UpdateAll();
    QElapsedTimer timer;
    timer.start();
    frame.Router().Find(bExport ? ID_ICON_EXPORT : ID_ICON_DEL_FMTS)->trigger();
    const double batch = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    qApp->removeEventFilter(&watch);
    double save = 0;
    if (!bExport) {
        timer.restart();
        if (!pDoc->OnSaveDocument(path)) {
            return 1;
        }
        save = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }
    // What the program does once it says "Ready": the processor time of a few seconds of waiting, after
    // a second for what the batch left to do (the list repainted, the commands' states brought up to date).
    auto waitFor = [](qint64 nMs) {
        QEventLoop wait;
        QTimer::singleShot(nMs, &wait, &QEventLoop::quit);
        wait.exec();
    };
    waitFor(1000);
    const double busy = CpuSeconds();
    waitFor(kIdleMs);
    const double idle = (CpuSeconds() - busy) * 1000 / kIdleMs;
    std::printf("%.3f %.3f %d %.4f\n", batch, save, watch.nLogLines, idle);
    std::fflush(stdout);
    pDoc->SetModifiedFlag(false);
    return 0;
}

double RunCli(const QString& sCli, const QStringList& args) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(sCli, args);
    process.waitForFinished(-1);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? seconds : -1;
}

struct CWindowRun {
    double batch = -1;
    double save = 0;
    int nLogLines = 0;
    double idle = 0;  // share of a core used while waiting after the batch
};

CWindowRun RunWindow(const QString& sSelf, const std::filesystem::path& lib, const std::string& sJob,
                     const std::filesystem::path& out, const std::filesystem::path& folder) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(
        sSelf, {QStringLiteral("--child"), QString::fromStdString(lib.string()), QStringLiteral("--job"),
                QString::fromStdString(sJob), QStringLiteral("--out"), QString::fromStdString(out.string()),
                QStringLiteral("--folder"), QString::fromStdString(folder.string())});
    process.waitForFinished(-1);
    CWindowRun run;
    if (std::sscanf(process.readAllStandardOutput().constData(), "%lf %lf %d %lf", &run.batch, &run.save,
                    &run.nLogLines, &run.idle) != 4) {
        run.batch = -1;
    }
    return run;
}

void FreshFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder, ec);
}

bool FreshCopy(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    std::filesystem::remove(to, ec);
    return std::filesystem::copy_file(from, to, ec);
}

double Best(double a, double b) {
    return a < 0 ? b : (b < 0 ? a : std::min(a, b));
}

void Row(const char* pszJob, int nIcons, double window, double cli) {
    std::printf("%-28s %8.2f s %8.0f /s   %8.2f s %8.0f /s   %6.2f\n", pszJob, window, nIcons / window, cli,
                nIcons / cli, cli / window);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2) {
        options[argv[i]] = argv[i + 1];
    }
    auto option = [&options](const char* pszName, const std::string& sDefault) {
        auto it = options.find(pszName);
        return it == options.end() ? sDefault : it->second;
    };
    // In memory where the system has such a folder: creating thousands of files on a disk just after
    // thousands were deleted takes longer the more were deleted, whoever writes them.
    std::error_code ec;
    const std::filesystem::path scratch =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    const bool bOwnFolder = !options.count("--folder");
    const std::filesystem::path folder = option("--folder", (scratch / "pictavo-batch-bench").string());
    const int nIcons = std::max(1, std::atoi(option("--icons", "10000").c_str()));
    const int nRuns = std::max(1, std::atoi(option("--runs", "3").c_str()));
    ZsSetLogSink([](const std::string&) {});
    if (options.count("--child")) {
        // Settings, log and caches of its own, so that the user's program is not touched.
        for (const char* pszName : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
            qputenv(pszName, QByteArray::fromStdString((folder / "home" / pszName).string()));
        }
        QApplication app(argc, argv);
        return MeasureWindow(options["--child"], options["--job"], options["--out"]);
    }

    QCoreApplication app(argc, argv);
    const QString sSelf = QString::fromLocal8Bit(argv[0]);
    const QString sCli =
        QString::fromStdString((std::filesystem::path(argv[0]).parent_path() / "pictavo-cli").string());
    std::filesystem::create_directories(folder);
    const std::filesystem::path lib = folder / ZsFormat("icons-%d.pctv", nIcons);
    const std::filesystem::path copy = folder / "copy.pctv";
    const std::filesystem::path exported = folder / "out";
    if (!bench::WriteLibrary(lib, IconKinds(), nIcons)) {
        std::fprintf(stderr, "Can not build the library in %s\n", folder.c_str());
        return 1;
    }
    double load[1] = {};
    if (getloadavg(load, 1) != 1) {
        load[0] = 0;
    }
    std::printf("%d icons, %ju MB; load %.2f\n", nIcons,
                static_cast<uintmax_t>(std::filesystem::file_size(lib) >> 20), load[0]);
    QStringList rows;
    for (int i = 0; i < nIcons; ++i) {
        rows << QString::number(i);
    }
    double exportWindow = -1, exportCli = -1, deleteWindow = -1, deleteSave = 0, deleteCli = -1;
    int nExportLines = 0, nDeleteLines = 0;
    double exportIdle = 0, deleteIdle = 0;
    for (int nRun = 0; nRun < nRuns; ++nRun) {
        FreshFolder(exported);
        const CWindowRun e = RunWindow(sSelf, lib, "export", exported, folder);
        exportWindow = Best(exportWindow, e.batch);
        nExportLines = e.nLogLines;
        exportIdle = std::max(exportIdle, e.idle);
        FreshFolder(exported);
        exportCli =
            Best(exportCli, RunCli(sCli, {QStringLiteral("export"), QString::fromStdString(lib.string()),
                                          QString::fromStdString(exported.string()), QStringLiteral("--type"),
                                          QStringLiteral("ico")}));

        if (!FreshCopy(lib, copy)) {
            return 1;
        }
        const CWindowRun d = RunWindow(sSelf, copy, "delete", exported, folder);
        if (d.batch >= 0 && (deleteWindow < 0 || d.batch < deleteWindow)) {
            deleteWindow = d.batch;
            deleteSave = d.save;
        }
        nDeleteLines = d.nLogLines;
        deleteIdle = std::max(deleteIdle, d.idle);
        if (!FreshCopy(lib, copy)) {
            return 1;
        }
        deleteCli = Best(
            deleteCli, RunCli(sCli, {QStringLiteral("delete-formats"), QString::fromStdString(copy.string()),
                                     QStringLiteral("--rows"), rows.join(QLatin1Char(',')),
                                     QStringLiteral("--formats"), QStringLiteral("16x16-16")}));
    }
    if (exportWindow < 0 || exportCli < 0 || deleteWindow < 0 || deleteCli < 0) {
        std::fprintf(stderr, "A run failed\n");
        return 1;
    }
    std::printf("%-28s %21s   %21s   %6s\n", "job (best of runs)", "window", "pictavo-cli", "ratio");
    Row("export icons (.ico)", nIcons, exportWindow, exportCli);
    Row("delete formats", nIcons, deleteWindow, deleteCli);
    Row("delete formats + save", nIcons, deleteWindow + deleteSave, deleteCli);
    std::printf("log lines kept: export %d, delete formats %d (of %d items and \"Completed!\")\n",
                nExportLines, nDeleteLines, nIcons);
    std::printf(
        "processor while waiting %.0f s after the batch (most of runs): export %.1f %%, delete formats "
        "%.1f %%\n",
        kIdleMs / 1000.0, exportIdle * 100, deleteIdle * 100);
    if (bOwnFolder) {
        std::filesystem::remove_all(folder, ec);
    }
    return 0;
}
