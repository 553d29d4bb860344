// The progress dialog of every long operation. The operation owns the loop and talks to the dialog only
// through the core's progress protocol (BeginProgress, SetProgressText, SetProgressPos, PumpProgress,
// EndProgress); CZsPrgSinkScope installs the sink that turns those calls into this dialog. There is at most
// one dialog at a time: it is created when a run begins, disables the main window while it exists, and goes
// when the run completes (by itself) or when the user aborts (Cancel, Esc or the close box, confirmed).
// An operation learns of an abort at its next PumpProgress, which then returns false.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "common/ZsProgress.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

class CDlgPrg : public QDialog {
    Q_OBJECT
public:
    // The current dialog, or null when no run goes on or the user aborted it.
    static CDlgPrg* Current();

    // Writes the text to each target (PRG_TITLE, PRG_STATUS, PRG_LOG) and repaints at once; a log line
    // becomes the list's last line and its caret follows it.
    void SetProgressText(int nTargets, const std::string& sText);
    // The bar's range becomes 0 to nUpper and its position nPos.
    void SetProgressPos(int nPos, int nUpper);
    // Shows or hides the log list; the window grows or shrinks by the list's height, width and position
    // stay.
    void ShowDetails(bool bShow);
    // Pause and Resume.
    void TogglePause();
    // The run completed: "&OK" instead of "&Cancel", Pause disabled, and the dialog closes by itself.
    void Complete();

    bool IsPaused() const { return mbPaused; }
    bool IsCompleted() const { return mbCompleted; }
    bool IsDetailsShown() const { return mbDetails; }

    QLabel* StatusLine() const { return mpStatus; }
    QProgressBar* Bar() const { return mpBar; }
    QPushButton* DetailsButton() const { return mpDetails; }
    QPushButton* PauseButton() const { return mpPause; }
    QPushButton* CancelButton() const { return mpCancel; }
    QListWidget* LogList() const { return mpLog; }

public slots:
    // Cancel: before completion it asks whether to abort (the run stays paused while asking and goes on in
    // its former state unless the answer is OK); then the dialog closes.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    friend class CZsPrgSink;
    friend class CZsPrgSinkScope;
    // Creates the dialog owned by the main window and disables that window.
    explicit CDlgPrg(QWidget* pMainWnd);
    // Enables the main window again and takes the dialog away.
    void Destroy();

    QPointer<QWidget> mpMainWnd;
    QLabel* mpStatus;
    QProgressBar* mpBar;
    QPushButton* mpDetails;
    QPushButton* mpPause;
    QPushButton* mpCancel;
    QListWidget* mpLog;
    bool mbCompleted = false;
    bool mbPaused = false;
    bool mbDetails = true;
    bool mbAutoClose = true;
};

// The progress sink that shows CDlgPrg, installed for the lifetime of the scope (the previous sink comes
// back afterwards). The dialogs it creates belong to the given main window.
class CZsPrgSinkScope {
public:
    explicit CZsPrgSinkScope(QWidget* pMainWnd);
    ~CZsPrgSinkScope();
    CZsPrgSinkScope(const CZsPrgSinkScope&) = delete;
    CZsPrgSinkScope& operator=(const CZsPrgSinkScope&) = delete;

private:
    std::unique_ptr<CZsProgressSink> mpSink;
    CZsProgressSink* mpPrevious;
};
