#include "gui/common/ZsCmdTarget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QWidget>

#include "gui/common/ZsCmdIds.h"

namespace {
// Idle-time enabling runs this long after something that may change what the commands offer; menus also
// update right before they open.
constexpr int kIdleUpdateMs = 150;

// Starts the idle pass after the events that may change a command's state: the user's input, focus and
// activation, windows shown, hidden or closed, drops, the program's own timers and queued calls, and
// sockets (a later start handing over its files). A program left alone gets no pass and stays idle.
class CIdleTrigger : public QObject {
public:
    CIdleTrigger(QTimer* pTimer, QObject* pParent) : QObject(pParent), mpTimer(pTimer) {
        qApp->installEventFilter(this);
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Trigger(); });
    }

    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        switch (pEvent->type()) {
            case QEvent::Timer:
                // Not the pass's own timer, or it would run for ever.
                if (pObject != mpTimer) {
                    Trigger();
                }
                break;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::WindowActivate:
            case QEvent::WindowDeactivate:
            case QEvent::ApplicationStateChange:
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::Close:
            case QEvent::Drop:
            case QEvent::DragLeave:
            case QEvent::MetaCall:
            case QEvent::SockAct:
                Trigger();
                break;
            default:
                break;
        }
        return false;
    }

private:
    void Trigger() {
        if (!mpTimer->isActive()) {
            mpTimer->start();
        }
    }

    QTimer* mpTimer;
};

}  // namespace

int ZsDisplaySizeOf(int nCmdId) {
    static constexpr int kSizes[] = {16, 24, 32, 48, 64, 72, 80, 96, 128, 256};
    if (nCmdId < ID_VIEW_16 || nCmdId > ID_VIEW_256) {
        return 0;
    }
    return kSizes[nCmdId - ID_VIEW_16];
}

bool CZsCmdTarget::OnCommand(int) {
    return false;
}

bool CZsCmdTarget::OnUpdateCommand(CZsCmdUI&) {
    return false;
}

ZsMenuText ZsSplitMenuText(const QString& sMenuText) {
    const qsizetype nTab = sMenuText.indexOf(QLatin1Char('\t'));
    if (nTab < 0) {
        return {sMenuText, {}};
    }
    return {sMenuText.left(nTab), QKeySequence(sMenuText.mid(nTab + 1), QKeySequence::PortableText)};
}

CZsCmdRouter::CZsCmdRouter(QWidget* pWindow, ChainFn chain)
    : QObject(pWindow), mpWindow(pWindow), mChain(std::move(chain)) {
    mIdleTimer.setSingleShot(true);
    mIdleTimer.setInterval(kIdleUpdateMs);
    connect(&mIdleTimer, &QTimer::timeout, this, [this] {
        if (mpWindow->isVisible()) {
            UpdateAll();
        }
    });
    new CIdleTrigger(&mIdleTimer, this);
    mIdleTimer.start();
}

QAction* CZsCmdRouter::Action(int nId, const QString& sMenuText, const QString& sStatusTip) {
    if (QAction* pAction = Find(nId)) {
        return pAction;
    }
    const ZsMenuText text = ZsSplitMenuText(sMenuText);
    auto* pAction = new QAction(text.sText, mpWindow);
    pAction->setData(nId);
    if (!text.keys.isEmpty()) {
        pAction->setShortcut(text.keys);
        pAction->setShortcutContext(Qt::WindowShortcut);
    }
    if (!sStatusTip.isEmpty()) {
        pAction->setStatusTip(sStatusTip);
        QString sTip = text.sText;
        sTip.remove(QLatin1Char('&'));
        if (sTip.endsWith(QLatin1String("..."))) {
            sTip.chop(3);
        }
        pAction->setToolTip(sTip);
    }
    // The action is kept in the map before it is wired, so a handler that looks it up finds it.
    mActions[nId] = pAction;
    mpWindow->addAction(pAction);
    connect(pAction, &QAction::triggered, this, [this, nId] {
        Execute(nId);
        UpdateAll();
    });
    return pAction;
}

QAction* CZsCmdRouter::Find(int nId) const {
    auto it = mActions.find(nId);
    return it == mActions.end() ? nullptr : it->second;
}

bool CZsCmdRouter::Execute(int nId) {
    CZsCmdUI ui = Query(nId);
    if (!ui.IsEnabled()) {
        return false;
    }
    for (CZsCmdTarget* pTarget : mChain()) {
        if (pTarget->OnCommand(nId)) {
            return true;
        }
    }
    return false;
}

CZsCmdUI CZsCmdRouter::Query(int nId) const {
    for (CZsCmdTarget* pTarget : mChain()) {
        CZsCmdUI ui(nId);
        if (pTarget->OnUpdateCommand(ui)) {
            return ui;
        }
    }
    CZsCmdUI none(nId);
    none.Enable(false);
    return none;
}

void CZsCmdRouter::UpdateAll() {
    const std::vector<CZsCmdTarget*> chain = mChain();
    for (auto& [nId, pAction] : mActions) {
        CZsCmdUI ui(nId);
        bool bHandled = false;
        for (CZsCmdTarget* pTarget : chain) {
            if (pTarget->OnUpdateCommand(ui)) {
                bHandled = true;
                break;
            }
        }
        if (!bHandled) {
            ui.Enable(false);
        }
        pAction->setEnabled(ui.IsEnabled());
        if (ui.IsCheckable()) {
            pAction->setCheckable(true);
            pAction->setChecked(ui.IsChecked());
        }
    }
    emit updated();
}

std::vector<CZsCmdTarget*> ZsTargetsAround(QWidget* pWidget) {
    std::vector<CZsCmdTarget*> targets;
    for (QWidget* p = pWidget; p; p = p->parentWidget()) {
        if (auto* pTarget = dynamic_cast<CZsCmdTarget*>(p)) {
            targets.push_back(pTarget);
        }
    }
    return targets;
}
