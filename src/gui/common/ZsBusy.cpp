#include "gui/common/ZsBusy.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <utility>

namespace {

// Modal dialogs end without telling anyone, so waiting work looks again this often.
constexpr int kPollMs = 50;

struct CIdleQueue {
    int nBusy = 0;
    bool bRunning = false;    // waiting work runs now; what comes meanwhile queues behind it
    bool bScheduled = false;  // a look is due
    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> work;
};

CIdleQueue& Queue() {
    static CIdleQueue queue;
    return queue;
}

void Schedule(int nDelayMs);

void RunWaiting() {
    CIdleQueue& q = Queue();
    if (q.bRunning) {
        return;
    }
    q.bRunning = true;
    while (!q.work.empty() && !ZsIsBusy()) {
        auto [pContext, work] = std::move(q.work.front());
        q.work.pop_front();
        if (pContext) {
            work();
        }
    }
    q.bRunning = false;
    if (!q.work.empty()) {
        Schedule(kPollMs);
    }
}

void Schedule(int nDelayMs) {
    CIdleQueue& q = Queue();
    if (q.bScheduled || !qApp) {
        return;
    }
    q.bScheduled = true;
    QTimer::singleShot(nDelayMs, qApp, [] {
        Queue().bScheduled = false;
        RunWaiting();
    });
}

}  // namespace

CZsBusyScope::CZsBusyScope() {
    ++Queue().nBusy;
}

CZsBusyScope::~CZsBusyScope() {
    if (--Queue().nBusy == 0 && !Queue().work.empty()) {
        Schedule(0);
    }
}

bool ZsIsBusy() {
    return Queue().nBusy > 0 || QApplication::activeModalWidget() != nullptr;
}

void ZsWhenIdle(QObject* pContext, std::function<void()> work) {
    CIdleQueue& q = Queue();
    if (q.work.empty() && !q.bRunning && !ZsIsBusy()) {
        work();
        return;
    }
    q.work.emplace_back(pContext, std::move(work));
    Schedule(ZsIsBusy() ? kPollMs : 0);
}
