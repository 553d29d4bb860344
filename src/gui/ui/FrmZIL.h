// The window of one open library: its own toolbar above a splitter with the category tree (200 pixels wide
// at first) on the left and the icon view on the right. Commands go to the focused pane first, then to the
// window, the document, the tree and the icon view.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "gui/common/ZsCmdTarget.h"

class CDocZIL;
class CViewZIL;
class CViwZILTree;
class QSplitter;
class QToolBar;

class CFrmZIL : public QWidget, public CZsCmdTarget {
    Q_OBJECT
public:
    // Builds the window for the document; the views join the document (the tree first).
    // The toolbar shows the router's actions.
    CFrmZIL(CDocZIL* pDoc, CZsCmdRouter* pRouter, QWidget* pParent = nullptr);
    ~CFrmZIL() override;

    CDocZIL* Doc() const { return mpDoc; }
    CViwZILTree* TreeView() const { return mpTree; }
    CViewZIL* IconView() const { return mpView; }
    QToolBar* ToolBar() const { return mpToolBar; }
    QSplitter* Splitter() const { return mpSplitter; }

    // The targets of a command: the focused pane and its ancestors, then the document, the tree and the
    // icon view.
    std::vector<CZsCmdTarget*> CommandTargets(QWidget* pFocus);

    // The toolbar buttons in the order of the pictures in "Images/IDR_TB_ZIL.png"; 0 is a separator.
    static const std::vector<int>& ToolBarButtons();

    // Asked before the window closes; false keeps it open.
    std::function<bool(CFrmZIL*)> mCanClose;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    // The document may go before the window when both are closed together.
    QPointer<CDocZIL> mpDoc;
    QToolBar* mpToolBar;
    QSplitter* mpSplitter;
    CViwZILTree* mpTree;
    CViewZIL* mpView;
};
