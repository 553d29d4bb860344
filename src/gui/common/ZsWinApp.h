// The common start-up and end of the desktop program. InitInstance runs the start-up sequence in its order:
// on the first call only, the hand-over to a running instance (which ends this process's start before it
// touches the log or the settings) and then the log banner; the framework settings file; the program's own
// start (InitProjInstance); showing the main window, listening for later starts and adding the tray icon.
// Run does that, runs the event loop until the program quits and ends with ExitInstance. On Unix, the signals
// that ask a program to end (SIGTERM, SIGINT, SIGHUP) close the main window as the user would.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class CZsInstanceServer;
class CZsTray;
class QWidget;

class CZsWinApp : public QObject {
    Q_OBJECT
public:
    // The arguments include the program path first, as the process got them.
    explicit CZsWinApp(QStringList arguments);
    ~CZsWinApp() override;

    // False when the program must end now: HandedOver() tells whether that is because a running instance
    // took the arguments (exit code 0) or because the start failed.
    bool InitInstance();
    // Called once the event loop has ended; returns the exit code.
    virtual int ExitInstance();
    // InitInstance, the event loop, ExitInstance; the process's exit code.
    int Run();

    bool HandedOver() const { return mbHandedOver; }
    const QStringList& Arguments() const { return mArguments; }
    QWidget* MainWindow() const { return mpMainWnd; }
    CZsInstanceServer* InstanceServer() const { return mpServer.get(); }
    CZsTray* Tray() const { return mpTray.get(); }

protected:
    // The program's own start: creates the main window (SetMainWindow) and opens the first documents.
    virtual bool InitProjInstance() = 0;
    // Shows the main window as the last run left it.
    virtual void ShowMainWindow();
    // A later start handed over its arguments (the program path left out, paths absolute).
    virtual void OnForwarded(const QStringList& arguments) = 0;
    // The window that InitInstance shows and that later starts bring to the front.
    void SetMainWindow(QWidget* pMainWnd) { mpMainWnd = pMainWnd; }

private:
    QStringList mArguments;
    bool mbHandedOver = false;
    QPointer<QWidget> mpMainWnd;
    std::unique_ptr<CZsInstanceServer> mpServer;
    std::unique_ptr<CZsTray> mpTray;
    std::unique_ptr<QObject> mpSignalWatch;
};
