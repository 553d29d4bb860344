#include "gui/common/ZsTray.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsCmdIds.h"

CZsTray::CZsTray(QWidget* pMainWnd) : mpMainWnd(pMainWnd), mpMenu(std::make_unique<QMenu>()) {
    QAction* pToggle = mpMenu->addAction(tr("&Show/Hide Main Window"));
    pToggle->setData(ID_TRAY_SHOW_HIDE);
    mpMenu->addSeparator();
    QAction* pExit = mpMenu->addAction(tr("&Exit"));
    pExit->setData(ID_TRAY_EXIT);
    connect(pToggle, &QAction::triggered, this, &CZsTray::ToggleMainWindow);
    // Exit during a batch or a dialog closes the program once that is over.
    connect(pExit, &QAction::triggered, this, [this] {
        ZsWhenIdle(this, [this] {
            if (mpMainWnd) {
                mpMainWnd->close();
            }
        });
    });

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        errno = 0;
        ZS_LOG_ERR("CZsTray::CZsTray", "QSystemTrayIcon::isSystemTrayAvailable");
        return;
    }
    QIcon icon = pMainWnd->windowIcon();
    if (icon.isNull()) {
        icon = QApplication::windowIcon();
    }
    mpIcon = std::make_unique<QSystemTrayIcon>(icon);
    mpIcon->setToolTip(QString::fromUtf8(ZS_PRODUCT_NAME));
    mpIcon->setContextMenu(mpMenu.get());
    connect(mpIcon.get(), &QSystemTrayIcon::activated, this, &CZsTray::OnActivated);
    mpIcon->show();
}

void CZsTray::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // The right button's menu is the icon's own context menu.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        ToggleMainWindow();
    }
}

CZsTray::~CZsTray() {
    if (mpIcon) {
        mpIcon->hide();
    }
}

void CZsTray::ToggleMainWindow() {
    if (!mpMainWnd) {
        return;
    }
    if (mpMainWnd->isMinimized() || mpMainWnd->isHidden()) {
        // Back as it was before: maximised when it was, else at its normal place.
        const Qt::WindowStates states = mpMainWnd->isHidden() ? mHiddenStates : mpMainWnd->windowState();
        mpMainWnd->setWindowState(states & ~Qt::WindowMinimized);
        mpMainWnd->show();
        mpMainWnd->raise();
        mpMainWnd->activateWindow();
    } else {
        // Hidden at once, which also takes it off the taskbar. Asking the window manager to minimise it
        // first would race with the hiding: its late answer could minimise the window again the next time
        // it is shown.
        mHiddenStates = mpMainWnd->windowState();
        mpMainWnd->hide();
    }
}
