// The notification-area icon: a press of the left button or a double-click shows or hides the main window;
// the right button's menu offers the same and Exit.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

class QAction;
class QMenu;
class QWidget;

class CZsTray : public QObject {
    Q_OBJECT
public:
    // Adds the icon (the main window's icon, tip "Pictavo"). Where the desktop has no notification area the
    // failure is logged and the object stays without an icon.
    explicit CZsTray(QWidget* pMainWnd);
    ~CZsTray() override;

    bool HasIcon() const { return mpIcon != nullptr; }
    QMenu* Menu() const { return mpMenu.get(); }

    // A minimised or hidden main window comes back in the state it had (maximised or not) and to the front;
    // any other is hidden, so that it leaves the taskbar until the tray brings it back.
    void ToggleMainWindow();
    // What the icon reports: a left press (Trigger) and a double-click toggle the main window.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

private:
    QPointer<QWidget> mpMainWnd;
    Qt::WindowStates mHiddenStates;
    std::unique_ptr<QMenu> mpMenu;
    std::unique_ptr<QSystemTrayIcon> mpIcon;
};
