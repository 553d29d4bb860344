// One "busy" state for the whole program. It is busy while a long operation runs (its progress run, from
// BeginProgress to EndProgress, whose dialog pumps events) or while a modal dialog is open. Work that comes
// from outside and would cut into such a run (the hand-over of a later start, the tray's Exit, a signal
// asking the program to end) waits: ZsWhenIdle runs it at once when the program is idle and otherwise keeps
// it, to run in the order it came as soon as the program is idle again.
#pragma once

#include <QObject>
#include <functional>

// Marks the program busy for its lifetime; scopes nest.
class CZsBusyScope {
public:
    CZsBusyScope();
    ~CZsBusyScope();
    CZsBusyScope(const CZsBusyScope&) = delete;
    CZsBusyScope& operator=(const CZsBusyScope&) = delete;
};

// True while a busy scope lives or a modal dialog is open.
bool ZsIsBusy();

// Runs the work now when the program is idle and nothing waits before it, else as soon as it is idle. Work
// whose context object is gone by then is dropped.
void ZsWhenIdle(QObject* pContext, std::function<void()> work);
