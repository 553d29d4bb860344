#include "gui/app/FrmHelp.h"

#include <QFileInfo>
#include <QScreen>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "common/ZsBase.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"

CFrmHelp::CFrmHelp(QWidget* pParent) : QWidget(pParent, Qt::Window) {
    setObjectName(QStringLiteral("CFrmHelp"));
    setWindowTitle(tr("%1 Help").arg(QString::fromUtf8(ZS_PRODUCT_NAME)));
    mpBrowser = new QTextBrowser(this);
    mpBrowser->setOpenLinks(false);
    auto* pBar = new QToolBar(this);
    QAction* pBack = pBar->addAction(tr("&Back"), mpBrowser, &QTextBrowser::backward);
    QAction* pForward = pBar->addAction(tr("&Forward"), mpBrowser, &QTextBrowser::forward);
    pBar->addAction(tr("&Contents"), mpBrowser, &QTextBrowser::home);
    pBack->setEnabled(false);
    pForward->setEnabled(false);
    connect(mpBrowser, &QTextBrowser::backwardAvailable, pBack, &QAction::setEnabled);
    connect(mpBrowser, &QTextBrowser::forwardAvailable, pForward, &QAction::setEnabled);
    connect(mpBrowser, &QTextBrowser::anchorClicked, this, &CFrmHelp::OnLink);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    pLayout->addWidget(pBar);
    pLayout->addWidget(mpBrowser, 1);
    resize(760, 620);
}

bool CFrmHelp::ShowPage(const QUrl& page) {
    if (!page.isLocalFile() || !QFileInfo(page.toLocalFile()).isFile()) {
        return false;
    }
    mpBrowser->setSource(page);
    if (!isVisible() && parentWidget()) {
        // Opened over the main window, within the screen it is on.
        const QWidget* pMain = parentWidget()->window();
        QRect rc(QPoint(0, 0), size());
        rc.moveCenter(pMain->frameGeometry().center());
        if (const QScreen* pScreen = pMain->screen()) {
            rc = ZsFitInside(rc, pScreen->availableGeometry());
        }
        setGeometry(rc);
    }
    show();
    raise();
    activateWindow();
    return true;
}

void CFrmHelp::OnLink(const QUrl& url) {
    const QUrl target = mpBrowser->source().resolved(url);
    if (target.isLocalFile()) {
        if (QFileInfo(target.toLocalFile()).isFile()) {
            mpBrowser->setSource(target);
        }
        return;
    }
    ZsOpenLink(target);
}
