// The progress dialog of every long operation. The operation owns the loop and talks to the dialog only
// through the core's progress protocol (BeginProgress, SetProgressText, SetProgressPos, PumpProgress,
// EndProgress); CZsPrgSinkScope installs the sink that turns those calls into this dialog. There is at most
// one dialog at a time: it is created when a run begins, disables the main window while it exists, and goes
// when the run completes (by itself) or when the user aborts (Cancel, Esc or the close box, confirmed).
// An operation learns of an abort at its next PumpProgress, which then returns false.
//
// A run may write thousands of items a second; the dialog keeps every text and log line it is given but
// shows them, and lets the user's events in, at a human rate (kRefreshMs): showing each item would
// cost more than the work itself. Pausing, showing the details and completing show everything at once.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
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
    // How often a run's texts, bar and log reach the screen and the user's events are handled, in ms.
    static constexpr int kRefreshMs = 50;

    // The current dialog, or null when no run goes on or the user aborted it.
    static CDlgPrg* Current();

    // Writes the text to each target (PRG_TITLE, PRG_STATUS, PRG_LOG); a log line goes at the end of the
    // log. What was written is shown at the next Refresh, which comes by itself once kRefreshMs have
    // passed since the last one.
    void SetProgressText(int nTargets, const std::string& sText);
    // The bar's range becomes 0 to nUpper and its position nPos (shown at the next Refresh).
    void SetProgressPos(int nPos, int nUpper);
    // Puts what was written since the last time into the controls: the title, the status line, the bar,
    // and the new log lines, the list's caret on the last one and scrolled to it. The window repaints at
    // the next event processing.
    void Refresh();
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
    // What the run wrote and the controls do not show yet.
    QString msTitle;
    QString msStatus;
    QStringList mPendingLog;
    int mnPos = 0;
    int mnUpper = 100;
    QElapsedTimer mRefreshed;
    // Shows what was written last when no further text or pump comes to do it (a run waiting on a slow
    // item, or one that has written its last lines).
    QTimer mRefreshLater;
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
