// The program's application object: its start creates the main frame, installs the progress dialog as the
// sink of long operations, and opens the first libraries: the libraries named on the command line, or else
// the saved workspace, or on the very first run (no "config.ini" yet) "Default.pctv" from the data folder,
// made from the installed icon themes when it is not there. The other files named on the command line are
// imported into the active library once the window shows. Its end deletes the temporary folder.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "gui/common/ZsWinApp.h"

class CFrmMain;
class CZsPrgSinkScope;

class CZsProjApp : public CZsWinApp {
    Q_OBJECT
public:
    explicit CZsProjApp(QStringList arguments);
    ~CZsProjApp() override;

    CFrmMain* Frame() const { return mpFrame.get(); }
    int ExitInstance() override;

protected:
    bool InitProjInstance() override;
    void ShowMainWindow() override;
    void OnForwarded(const QStringList& arguments) override;

private:
    void OpenWorkspace();

    std::unique_ptr<CFrmMain> mpFrame;
    std::unique_ptr<CZsPrgSinkScope> mpProgress;
    // The files of the command line that are imported when the window shows.
    std::vector<std::filesystem::path> mStartImports;
};
