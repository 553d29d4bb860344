#include "gui/common/ZsWinApp.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <functional>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsInstance.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTray.h"

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#endif

namespace {

// The command line as one text for the log, arguments with spaces quoted.
std::string CommandLine(const QStringList& arguments) {
    QStringList parts;
    for (const QString& sArg : arguments) {
        parts << (sArg.contains(QLatin1Char(' ')) ? QLatin1Char('"') + sArg + QLatin1Char('"') : sArg);
    }
    return ZsS(parts.join(QLatin1Char(' ')));
}

#ifdef Q_OS_UNIX
// A signal only writes a byte into a socket pair; the event loop reads it and closes the main window.
int gSignalFds[2] = {-1, -1};

void OnEndSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &c, 1);
}

std::unique_ptr<QObject> WatchEndSignals(const std::function<void()>& onSignal) {
    if (gSignalFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0) {
        ZS_LOG_ERR("CZsWinApp::InitInstance", "socketpair");
        return nullptr;
    }
    auto pNotifier = std::make_unique<QSocketNotifier>(gSignalFds[1], QSocketNotifier::Read);
    QObject::connect(pNotifier.get(), &QSocketNotifier::activated, [onSignal] {
        char buffer[16];
        [[maybe_unused]] const ssize_t n = ::read(gSignalFds[1], buffer, sizeof buffer);
        onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(nSignal, &action, nullptr);
    }
    return pNotifier;
}
#endif

}  // namespace

CZsWinApp::CZsWinApp(QStringList arguments) : mArguments(std::move(arguments)) {}

CZsWinApp::~CZsWinApp() = default;

bool CZsWinApp::InitInstance() {
    static bool bStarted = false;
    if (!bStarted) {
        // A running instance takes the arguments; this process then ends without log or settings.
        std::string sWhy;
        const QString sServer = CZsInstanceServer::ServerName(ZsGetDataDir(), &sWhy);
        if (CZsInstanceServer::HandOver(sServer, mArguments.mid(1), &sWhy)) {
            mbHandedOver = true;
            return false;
        }
        if (!sWhy.empty()) {
            // Nothing was handed to a stranger: this start goes on as a program of its own.
            std::fprintf(stderr, "%s: not handing over to a running %s: %s\n", ZS_PRODUCT_NAME,
                         ZS_PRODUCT_NAME, sWhy.c_str());
        }
        bStarted = true;
        // Made once and destroyed at process exit, after the configuration has been written and before
        // the log closes: the banner first, "End log" last.
        static CZsInit init(CommandLine(mArguments));
    }
    if (!InitProjInstance()) {
        return false;
    }
    if (!mpMainWnd) {
        return true;
    }
    ShowMainWindow();
    mpTray = std::make_unique<CZsTray>(mpMainWnd);
#ifdef Q_OS_UNIX
    mpSignalWatch = WatchEndSignals([this] {
        ZsWhenIdle(this, [this] {
            if (mpMainWnd) {
                mpMainWnd->close();
            }
        });
    });
#endif
    // Listening last: a later start that finds the server finds this instance fully started, its end
    // signals handled too.
    mpServer = std::make_unique<CZsInstanceServer>();
    // A later start's libraries open when the program is idle, not in the middle of a batch or a dialog.
    connect(mpServer.get(), &CZsInstanceServer::Received, this, [this](const QStringList& arguments) {
        ZsWhenIdle(this, [this, arguments] { OnForwarded(arguments); });
    });
    mpServer->Listen(CZsInstanceServer::ServerName(ZsGetDataDir()));
    return true;
}

void CZsWinApp::ShowMainWindow() {
    mpMainWnd->show();
}

int CZsWinApp::ExitInstance() {
    return 0;
}

int CZsWinApp::Run() {
    if (!InitInstance()) {
        return mbHandedOver ? 0 : 1;
    }
    QApplication::exec();
    return ExitInstance();
}
