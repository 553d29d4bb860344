#include "GuiTestSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "TestSupport.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

namespace guitest {

void PrepareEnvironment() {
    const std::filesystem::path root = test::TestRoot();
    std::filesystem::create_directories(root / "home");
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // No icon themes: a first start makes no default library unless a test gives it themes.
    setenv("PICTAVO_ICON_THEMES", (root / "icons").c_str(), 1);
    // The texts the tests compare are the English ones, also in the programs they start, whatever the
    // machine's language.
    setenv("LANGUAGE", "en", 1);
}

void Cleanup() {
    std::error_code ec;
    std::filesystem::remove_all(test::TestRoot(), ec);
}

void MakeLibrary(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    QVERIFY(lib.Save(path));
}

void OnNextModal(std::function<void(QWidget*)> fn) {
    auto pTimer = std::make_shared<QTimer>();
    auto nTries = std::make_shared<int>(0);
    pTimer->setInterval(10);
    QObject::connect(pTimer.get(), &QTimer::timeout, [pTimer, nTries, fn] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal && pModal->isVisible()) {
            pTimer->stop();
            fn(pModal);
        } else if (++*nTries > 500) {
            pTimer->stop();
        }
    });
    pTimer->start();
}

void ChooseFromNextMenu(const QString& sText, CSeenMenu* pSeen) {
    auto pTimer = std::make_shared<QTimer>();
    auto nTries = std::make_shared<int>(0);
    pTimer->setInterval(10);
    QObject::connect(pTimer.get(), &QTimer::timeout, [pTimer, nTries, sText, pSeen] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!pMenu || !pMenu->isVisible()) {
            if (++*nTries > 500) {
                pTimer->stop();
            }
            return;
        }
        pTimer->stop();
        QAction* pChoice = nullptr;
        for (QAction* pAction : pMenu->actions()) {
            QString sItem = pAction->isSeparator() ? QStringLiteral("-") : pAction->text();
            if (pAction == pMenu->defaultAction()) {
                sItem += QLatin1Char('*');
            }
            if (!pAction->isSeparator() && !pAction->isEnabled()) {
                sItem += QLatin1Char('~');
            }
            if (pSeen) {
                pSeen->items << sItem;
            }
            if (!sText.isEmpty() && pAction->text() == sText) {
                pChoice = pAction;
            }
        }
        if (pChoice && pChoice->isEnabled()) {
            pMenu->setActiveAction(pChoice);
            QTest::keyClick(pMenu, Qt::Key_Return);
        } else {
            QTest::keyClick(pMenu, Qt::Key_Escape);
        }
    });
    pTimer->start();
}

void TypeFileName(QFileDialog* pDialog, const QString& sText) {
    auto* pEdit = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(pEdit);
    pEdit->setFocus();
    pEdit->setText(sText);
}

}  // namespace guitest
