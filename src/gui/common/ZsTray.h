// The notification-area icon: a click shows or hides the main window; its menu offers the same and Exit.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
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

    // A minimised (or hidden) main window is restored and brought to the front; any other is minimised and
    // then hidden, so that it leaves the taskbar until the tray brings it back.
    void ToggleMainWindow();

private:
    QPointer<QWidget> mpMainWnd;
    std::unique_ptr<QMenu> mpMenu;
    std::unique_ptr<QSystemTrayIcon> mpIcon;
};
