#include "gui/batch/DlgPrg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

#include "common/ZsLog.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

namespace {

// The process-wide reference to the running dialog; empty when none runs or the user aborted.
QPointer<CDlgPrg>& CurrentDialog() {
    static QPointer<CDlgPrg> pDialog;
    return pDialog;
}

// The dialog's layout in dialog units (a quarter of the average character width, an eighth of the
// character height): 314 x 194 with the log list in the lower part.
constexpr int kWidthDlu = 314;
constexpr int kHeightDlu = 194;
struct CDluRect {
    int x, y, cx, cy;
};
constexpr CDluRect kStatusRect{7, 7, 300, 18};
constexpr CDluRect kBarRect{7, 28, 300, 11};
constexpr CDluRect kDetailsRect{7, 46, 60, 14};
constexpr CDluRect kPauseRect{184, 46, 60, 14};
constexpr CDluRect kCancelRect{247, 46, 60, 14};
constexpr CDluRect kLogRect{7, 66, 300, 121};

}  // namespace

// Turns the protocol's calls into the dialog.
class CZsPrgSink : public CZsProgressSink {
public:
    explicit CZsPrgSink(QWidget* pMainWnd) : mpMainWnd(pMainWnd) {}

    void Begin() override {
        if (CDlgPrg* pOld = CDlgPrg::Current()) {
            pOld->Destroy();
        }
        // Until the run ends, work from outside it (a later start's hand-over) waits.
        mpBusy = std::make_unique<CZsBusyScope>();
        mPumped.invalidate();
        auto* pDialog = new CDlgPrg(mpMainWnd);
        CurrentDialog() = pDialog;
        pDialog->SetProgressText(PRG_TITLE | PRG_STATUS, std::string());
        pDialog->ShowDetails(false);
        pDialog->show();
        pDialog->repaint();
    }

    void SetText(int nTargets, const std::string& sText) override {
        if (CDlgPrg* pDialog = CDlgPrg::Current()) {
            pDialog->SetProgressText(nTargets, sText);
        }
    }

    void SetPos(int nPos, int nUpper) override {
        if (CDlgPrg* pDialog = CDlgPrg::Current()) {
            pDialog->SetProgressPos(nPos, nUpper);
        }
    }

    bool Pump() override {
        // Events are let in at a human rate: handling them (and painting) after every item would cost more
        // than the items. A pause set between two pumps is honoured at once.
        CDlgPrg* pDialog = CDlgPrg::Current();
        if (pDialog && !pDialog->IsPaused() && mPumped.isValid() && mPumped.elapsed() < CDlgPrg::kRefreshMs) {
            return true;
        }
        if (pDialog) {
            pDialog->Refresh();
        }
        QApplication::processEvents(QEventLoop::AllEvents);
        // While paused the operation waits here until the user resumes or aborts; waiting for the next
        // event instead of polling keeps the processor free meanwhile.
        while (CDlgPrg::Current() && CDlgPrg::Current()->IsPaused()) {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        mPumped.start();
        return CDlgPrg::Current() != nullptr;
    }

    void End(bool bCompleted) override {
        if (CDlgPrg* pDialog = CDlgPrg::Current(); pDialog && !bCompleted) {
            pDialog->Destroy();
        } else if (pDialog) {
            pDialog->Complete();
            while (CDlgPrg::Current()) {
                QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            }
        }
        mpBusy.reset();
    }

private:
    QPointer<QWidget> mpMainWnd;
    std::unique_ptr<CZsBusyScope> mpBusy;
    QElapsedTimer mPumped;  // since the last pump that handled events; invalid before the first
};

CDlgPrg* CDlgPrg::Current() {
    return CurrentDialog().data();
}

CDlgPrg::CDlgPrg(QWidget* pMainWnd) : mpMainWnd(pMainWnd) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Owned by the main window as a window manager sees it, but no child of it: a child would be disabled
    // together with it.
    if (mpMainWnd && mpMainWnd->window()->windowHandle()) {
        winId();
        windowHandle()->setTransientParent(mpMainWnd->window()->windowHandle());
    }
    setModal(false);
    setWindowTitle(QStringLiteral("TITLE"));
    mRefreshLater.setSingleShot(true);
    mRefreshLater.setInterval(kRefreshMs);
    connect(&mRefreshLater, &QTimer::timeout, this, &CDlgPrg::Refresh);

    const QFontMetrics metrics(font());
    const int nBaseX = std::max(1, metrics.averageCharWidth());
    const int nBaseY = std::max(1, metrics.height());
    auto place = [nBaseX, nBaseY](QWidget* pWidget, const CDluRect& rc) {
        pWidget->setGeometry(rc.x * nBaseX / 4, rc.y * nBaseY / 8, rc.cx * nBaseX / 4, rc.cy * nBaseY / 8);
    };

    mpStatus = new QLabel(QStringLiteral("DOING..."), this);
    mpStatus->setTextFormat(Qt::PlainText);
    mpStatus->setWordWrap(true);
    mpStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mpStatus->setObjectName(QStringLiteral("1058"));
    place(mpStatus, kStatusRect);

    mpBar = new QProgressBar(this);
    mpBar->setObjectName(QStringLiteral("1043"));
    mpBar->setTextVisible(false);
    mpBar->setRange(0, 100);
    mpBar->setValue(0);
    place(mpBar, kBarRect);

    mpDetails = new QPushButton(tr("&<< Details"), this);
    mpDetails->setObjectName(QStringLiteral("1045"));
    mpDetails->setAutoDefault(false);
    place(mpDetails, kDetailsRect);
    mpPause = new QPushButton(tr("&Pause"), this);
    mpPause->setObjectName(QStringLiteral("1044"));
    mpPause->setAutoDefault(false);
    place(mpPause, kPauseRect);
    mpCancel = new QPushButton(tr("&Cancel"), this);
    mpCancel->setObjectName(QStringLiteral("2"));
    mpCancel->setDefault(true);
    place(mpCancel, kCancelRect);

    mpLog = new QListWidget(this);
    mpLog->setObjectName(QStringLiteral("1042"));
    mpLog->setUniformItemSizes(true);
    mpLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A fixed-pitch font keeps the columns of the numbered log lines in line.
    mpLog->setFont(ZsFixedFont(11));
    place(mpLog, kLogRect);

    setFixedSize(kWidthDlu * nBaseX / 4, kHeightDlu * nBaseY / 8);

    connect(mpDetails, &QPushButton::clicked, this, [this] { ShowDetails(!mbDetails); });
    connect(mpPause, &QPushButton::clicked, this, &CDlgPrg::TogglePause);
    connect(mpCancel, &QPushButton::clicked, this, &CDlgPrg::reject);

    // No other command runs while the batch does.
    if (mpMainWnd) {
        mpMainWnd->setEnabled(false);
    }
}

void CDlgPrg::SetProgressText(int nTargets, const std::string& sText) {
    const QString sQText = QString::fromStdString(sText);
    if (nTargets & PRG_TITLE) {
        msTitle = sQText;
    }
    if (nTargets & PRG_STATUS) {
        msStatus = sQText;
    }
    if (nTargets & PRG_LOG) {
        mPendingLog.append(sQText);
    }
    // An item that takes long still shows what it is about before it is done.
    if (!mRefreshed.isValid() || mRefreshed.elapsed() >= kRefreshMs) {
        Refresh();
        repaint();
    } else if (!mRefreshLater.isActive()) {
        mRefreshLater.start();
    }
}

void CDlgPrg::SetProgressPos(int nPos, int nUpper) {
    mnUpper = std::max(0, nUpper);
    mnPos = std::clamp(nPos, 0, mnUpper);
}

void CDlgPrg::Refresh() {
    mRefreshed.start();
    mRefreshLater.stop();
    if (windowTitle() != msTitle) {
        setWindowTitle(msTitle);
    }
    if (mpStatus->text() != msStatus) {
        mpStatus->setText(msStatus);
    }
    if (mpBar->maximum() != mnUpper) {
        mpBar->setRange(0, mnUpper);
    }
    mpBar->setValue(mnPos);
    if (mPendingLog.isEmpty()) {
        return;
    }
    // One insertion for all the lines: the list lays itself out again after each.
    mpLog->addItems(mPendingLog);
    mPendingLog.clear();
    mpLog->setCurrentRow(mpLog->count() - 1);
    if (mbDetails) {
        mpLog->scrollToBottom();
    }
}

void CDlgPrg::ShowDetails(bool bShow) {
    if (bShow == mbDetails) {
        return;
    }
    mbDetails = bShow;
    if (bShow) {
        Refresh();
        mpLog->scrollToBottom();
    }
    mpDetails->setText(bShow ? tr("<< &Details") : tr("&Details >>"));
    const int nDistance = mpLog->geometry().bottom() - mpDetails->geometry().bottom();
    mpLog->setVisible(bShow);
    setFixedSize(width(), bShow ? height() + nDistance : height() - nDistance);
}

void CDlgPrg::TogglePause() {
    mbPaused = !mbPaused;
    mpPause->setText(mbPaused ? tr("&Resume") : tr("&Pause"));
    // A paused run shows everything it has done.
    if (mbPaused) {
        Refresh();
    }
}

void CDlgPrg::Complete() {
    Refresh();
    mbCompleted = true;
    mpPause->setEnabled(false);
    mpCancel->setText(tr("&OK"));
    if (mbAutoClose) {
        QMetaObject::invokeMethod(this, &CDlgPrg::reject, Qt::QueuedConnection);
    }
}

void CDlgPrg::reject() {
    if (!mbCompleted) {
        const bool bPaused = mbPaused;
        mbPaused = true;
        if (ZsMsgBox(ZS_MB_QUESTION, tr("Are you sure you want to abort the processing?")) != ZS_IDOK) {
            mbPaused = bPaused;
            return;
        }
        mbPaused = false;
    }
    Destroy();
}

void CDlgPrg::closeEvent(QCloseEvent* pEvent) {
    // The close box is Cancel; the window only goes through Destroy.
    pEvent->ignore();
    if (CurrentDialog() == this) {
        reject();
    }
}

void CDlgPrg::Destroy() {
    if (mpMainWnd) {
        mpMainWnd->setEnabled(true);
    }
    if (CurrentDialog() == this) {
        CurrentDialog() = nullptr;
    }
    hide();
    deleteLater();
}

CZsPrgSinkScope::CZsPrgSinkScope(QWidget* pMainWnd)
    : mpSink(std::make_unique<CZsPrgSink>(pMainWnd)), mpPrevious(ZsSetProgressSink(mpSink.get())) {}

CZsPrgSinkScope::~CZsPrgSinkScope() {
    ZsSetProgressSink(mpPrevious);
    if (CDlgPrg* pDialog = CDlgPrg::Current()) {
        pDialog->Destroy();
    }
}
