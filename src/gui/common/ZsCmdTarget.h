// Command routing and idle-time enabling. Every menu item, toolbar button and accelerator is one QAction
// carrying a command id; a chain of command targets (the focused pane first, then its window, its document,
// the main frame) is asked to run it or to say whether it is enabled and checked. A command that no target
// handles is disabled.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QWidget;

// The state a target gives a command during an update pass.
class CZsCmdUI {
public:
    explicit CZsCmdUI(int nId) : mnId(nId) {}
    int Id() const { return mnId; }
    void Enable(bool bOn = true) { mbEnabled = bOn; }
    void SetCheck(bool bOn = true) {
        mbCheckable = true;
        mbChecked = bOn;
    }
    bool IsEnabled() const { return mbEnabled; }
    bool IsCheckable() const { return mbCheckable; }
    bool IsChecked() const { return mbChecked; }

private:
    int mnId;
    bool mbEnabled = true;
    bool mbCheckable = false;
    bool mbChecked = false;
};

class CZsCmdTarget {
public:
    virtual ~CZsCmdTarget() = default;
    // Runs the command; false when this target does not handle it.
    virtual bool OnCommand(int nId);
    // Fills in the command's state; false when this target does not handle it.
    virtual bool OnUpdateCommand(CZsCmdUI& ui);
};

// A menu text in the program's own notation, "&Open...\tCtrl+O": the text shown and the accelerator.
struct ZsMenuText {
    QString sText;
    QKeySequence keys;
};
ZsMenuText ZsSplitMenuText(const QString& sMenuText);

// Owns the actions of one window, one per command id, and routes them through the chain it is given.
class CZsCmdRouter : public QObject {
    Q_OBJECT
public:
    using ChainFn = std::function<std::vector<CZsCmdTarget*>()>;

    CZsCmdRouter(QWidget* pWindow, ChainFn chain);

    // The action of a command id, created on first use with the menu text (and the accelerator after "\t")
    // and the fly-by help shown in the status bar. Later calls with the same id return the same action.
    QAction* Action(int nId, const QString& sMenuText = {}, const QString& sStatusTip = {});
    QAction* Find(int nId) const;
    const std::map<int, QAction*>& Actions() const { return mActions; }

    // Asks the chain to run the command; false when no target handled it.
    bool Execute(int nId);
    // One update pass over every action.
    void UpdateAll();
    // The state the chain gives one command (disabled when nobody handles it).
    CZsCmdUI Query(int nId) const;

signals:
    // An update pass has run: the moment for other idle-time work.
    void updated();

private:
    QWidget* mpWindow;
    ChainFn mChain;
    std::map<int, QAction*> mActions;
    QTimer mIdleTimer;
};

// The command targets around a widget: the widget and its ancestors that are targets, nearest first.
std::vector<CZsCmdTarget*> ZsTargetsAround(QWidget* pWidget);
