#include "gui/ui/FrmZIL.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "common/ZsBase.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"

namespace {
constexpr int kTreeWidth = 200;
}

const std::vector<int>& CFrmZIL::ToolBarButtons() {
    static const std::vector<int> buttons = {
        ID_FILE_SAVE,
        0,
        ID_LIB_NODE_ADD,
        ID_LIB_NODE_ADD_ABOVE,
        ID_LIB_NODE_ADD_BELOW,
        0,
        ID_ICON_IMPORT,
        ID_ICON_EXPORT,
        0,
        ID_ICON_EDIT_ASS,
        ID_ICON_PROPERTIES,
        0,
        ID_EDIT_CUT,
        ID_EDIT_COPY,
        ID_EDIT_PASTE,
        ID_EDIT_CLEAR,
        0,
        ID_EDIT_SELECT_ALL,
        ID_EDIT_INVERT_SEL,
        0,
        ID_EDIT_FIND,
        0,
        ID_IMG_NEW,
        ID_IMG_EXPORT,
        0,
        ID_VIEW_16,
        ID_VIEW_32,
        ID_VIEW_48,
        ID_VIEW_128,
        ID_VIEW_256,
        0,
        ID_VIEW_ICON_INFO,
    };
    return buttons;
}

CFrmZIL::CFrmZIL(CDocZIL* pDoc, CZsCmdRouter* pRouter, QWidget* pParent) : QWidget(pParent), mpDoc(pDoc) {
    mpToolBar = new QToolBar(this);
    mpToolBar->setIconSize(QSize(16, 16));
    const std::vector<QIcon> icons = ZsLoadStripIcons(ZsGetAppDir() / "Images" / "IDR_TB_ZIL.png");
    size_t nImage = 0;
    for (int nId : ToolBarButtons()) {
        if (nId == 0) {
            mpToolBar->addSeparator();
            continue;
        }
        // The toolbar shows the library picture; the same action in the main toolbar keeps its own.
        QAction* pShared = pRouter->Find(nId);
        if (!pShared) {
            ++nImage;
            continue;
        }
        auto* pButton = new QAction(pShared->text(), mpToolBar);
        if (nImage < icons.size()) {
            pButton->setIcon(icons[nImage]);
        }
        ++nImage;
        pButton->setToolTip(pShared->toolTip());
        pButton->setStatusTip(pShared->statusTip());
        pButton->setEnabled(pShared->isEnabled());
        pButton->setCheckable(pShared->isCheckable());
        pButton->setChecked(pShared->isChecked());
        connect(pShared, &QAction::changed, pButton, [pButton, pShared] {
            pButton->setEnabled(pShared->isEnabled());
            pButton->setCheckable(pShared->isCheckable());
            pButton->setChecked(pShared->isChecked());
        });
        connect(pButton, &QAction::triggered, pShared, [pShared, pButton] {
            // The button's own toggle is undone; the shared action's state comes from the next update.
            pButton->setChecked(pShared->isChecked());
            pShared->trigger();
        });
        mpToolBar->addAction(pButton);
    }

    mpSplitter = new QSplitter(Qt::Horizontal, this);
    mpTree = new CViwZILTree(mpSplitter);
    mpView = new CViewZIL(mpSplitter);
    mpView->SetRouter(pRouter);
    mpSplitter->addWidget(mpTree);
    mpSplitter->addWidget(mpView);
    mpSplitter->setStretchFactor(0, 0);
    mpSplitter->setStretchFactor(1, 1);
    mpSplitter->setSizes({kTreeWidth, 600});
    mpSplitter->setChildrenCollapsible(false);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(mpToolBar);
    pLayout->addWidget(mpSplitter, 1);

    mpTree->SetIconPane(mpView);
    mpDoc->AddView(mpTree);
    mpDoc->AddView(mpView);
    mpDoc->SetIconPane(mpView);
    setWindowTitle(mpDoc->GetTitle());
    connect(mpDoc, &CZsDocument::titleChanged, this,
            [this](const QString& sTitle) { setWindowTitle(sTitle); });
}

CFrmZIL::~CFrmZIL() {
    if (mpDoc) {
        mpDoc->SetIconPane(nullptr);
        mpDoc->RemoveView(mpTree);
        mpDoc->RemoveView(mpView);
    }
}

std::vector<CZsCmdTarget*> CFrmZIL::CommandTargets(QWidget* pFocus) {
    std::vector<CZsCmdTarget*> targets;
    if (pFocus && isAncestorOf(pFocus)) {
        targets = ZsTargetsAround(pFocus);
    }
    auto add = [&targets](CZsCmdTarget* pTarget) {
        if (std::find(targets.begin(), targets.end(), pTarget) == targets.end()) {
            targets.push_back(pTarget);
        }
    };
    add(this);
    add(mpDoc);
    add(mpTree);
    add(mpView);
    return targets;
}

void CFrmZIL::closeEvent(QCloseEvent* pEvent) {
    if (mCanClose && !mCanClose(this)) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
