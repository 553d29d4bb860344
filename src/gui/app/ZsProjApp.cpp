#include "gui/app/ZsProjApp.h"

#include <QApplication>

#include "common/ZsBase.h"
#include "common/ZsConfig.h"
#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocManagerZIL.h"
#include "icon/ZsFormats.h"
#include "library/ZsFirstRun.h"

CZsProjApp::CZsProjApp(QStringList arguments) : CZsWinApp(std::move(arguments)) {}

CZsProjApp::~CZsProjApp() {
    mpProgress.reset();
    mpFrame.reset();
}

bool CZsProjApp::InitProjInstance() {
    ZI_ApplyPngOption();
    mpFrame = std::make_unique<CFrmMain>();
    if (!mpFrame->Create()) {
        return false;
    }
    SetMainWindow(mpFrame.get());
    // The event loop ends when the frame has closed, whatever other windows are left.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(
        mpFrame.get(), &CFrmMain::Closed, this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    mpProgress = std::make_unique<CZsPrgSinkScope>(mpFrame.get());

    // The libraries named on the command line open instead of the workspace; the other files are imported
    // once the window shows.
    std::vector<std::filesystem::path> libraries;
    const QStringList& arguments = Arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-'))) {
            const std::filesystem::path path = ZsPathOf(arguments[i]);
            (CFrmMain::IsLibraryFile(path) ? libraries : mStartImports).push_back(path);
        }
    }
    if (!libraries.empty()) {
        for (const std::filesystem::path& path : libraries) {
            mpFrame->Docs().OpenDocumentFile(path);
        }
        return true;
    }
    std::error_code ec;
    if (std::filesystem::exists(ZsGetConfigPath(), ec)) {
        OpenWorkspace();
        return true;
    }
    // The very first run opens the default library, made now from the installed icon themes when the
    // data folder has none.
    if (const ZIL_SEED_RESULT seeded = ZsSeedDefaultLibrary(); !seeded.sMessage.empty()) {
        ZsLog("%s", seeded.sMessage.c_str());
    }
    if (const auto path = ZsGetDataDir() / ZIL_DEFAULT_LIBRARY; std::filesystem::is_regular_file(path, ec)) {
        mpFrame->Docs().OpenDocumentFile(path);
    }
    return true;
}

void CZsProjApp::OpenWorkspace() {
    // A library that was deleted or moved since the last run is only noted: the log says so, and the
    // status bar once the window is there.
    std::vector<std::string> missing;
    for (const std::string& sEntry : ZS_WORKSPACE.Get()) {
        const CWorkspaceEntry entry = CFrmMain::ParseWorkspaceEntry(sEntry);
        if (entry.path.empty()) {
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::exists(entry.path, ec)) {
            ZsLog("Workspace library '%s' no longer exists; not reopened", ZsPathToUtf8(entry.path).c_str());
            missing.push_back(ZsPathToUtf8(entry.path.filename()));
            continue;
        }
        CDocZIL* pDoc = mpFrame->Docs().OpenDocumentFile(entry.path);
        if (pDoc) {
            mpFrame->RestoreLibraryWindow(pDoc, entry);
        }
    }
    if (missing.size() == 1) {
        mpFrame->SetStatusPane(
            0, ZsS(tr("The library '%1' no longer exists and was not reopened.").arg(ZsQ(missing.front()))));
    } else if (!missing.empty()) {
        std::string sNames;
        for (const std::string& sName : missing) {
            sNames += (sNames.empty() ? "'" : ", '") + sName + "'";
        }
        mpFrame->SetStatusPane(
            0, ZsS(tr("The libraries %1 no longer exist and were not reopened.").arg(ZsQ(sNames))));
    }
}

void CZsProjApp::ShowMainWindow() {
    mpFrame->ShowAtStart();
    if (!mStartImports.empty()) {
        ZsWhenIdle(mpFrame.get(), [this, files = std::move(mStartImports)] { mpFrame->ImportFiles(files); });
        mStartImports.clear();
    }
}

void CZsProjApp::OnForwarded(const QStringList& arguments) {
    mpFrame->OpenForwardedFiles(arguments);
}

int CZsProjApp::ExitInstance() {
    ZsDeleteTree(ZsGetTempDir());
    return CZsWinApp::ExitInstance();
}
