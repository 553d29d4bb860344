#include "gui/ui/DlgEditWait.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsDesktopApps.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

namespace {
constexpr int kPollMs = 200;
}  // namespace

int CDlgEditWait::snHandOffMs = 3000;

ZIL_EDIT_END CDlgEditWait::EditIcon(CZsIconLib& lib, int32_t nId, QWidget* pParent) {
    ZIL_ICON_EDIT edit;
    if (!ZsBeginIconEdit(lib, nId, edit)) {
        if (edit.file.empty()) {
            ZsMsgBox(ZS_MB_ERROR, tr("'%1' has no icon data to edit.").arg(ZsQ(lib.GetIconName(nId))));
        } else {
            ZsMsgBox(ZS_MB_ERROR, tr("Can not write '%1'!").arg(ZsQPath(edit.file)));
        }
        return ZIL_EDIT_END_UNCHANGED;
    }
    const QString sFile = ZsQPath(edit.file);
    ZsAppCommand command;
    const std::string sChosen = ZS_OPT_ASS_PATH.Get();
    if (ZS_OPT_ASS.Get() && !sChosen.empty()) {
        command.sProgram = ZsQ(sChosen);
        command.sName = QFileInfo(command.sProgram).fileName();
        command.args = {sFile};
    } else if (std::optional<ZsAppCommand> app = ZsDefaultAppFor(sFile)) {
        command = *app;
    }
    int64_t nPid = 0;
    if (command.sProgram.isEmpty()) {
        // No application the program could wait for: the desktop opens the file its own way.
        if (!ZsOpenUrl(QUrl::fromLocalFile(sFile))) {
            ZsMsgBox(ZS_MB_ERROR, tr("No program was found to edit '%1'.").arg(sFile));
            return ZIL_EDIT_END_UNCHANGED;
        }
        command.sName = tr("The desktop");
    } else {
        qint64 nStarted = 0;
        if (!QProcess::startDetached(command.sProgram, command.args, {}, &nStarted) || nStarted <= 0) {
            ZsMsgBox(ZS_MB_ERROR, tr("Can not start '%1'!").arg(command.sProgram));
            return ZIL_EDIT_END_UNCHANGED;
        }
        nPid = nStarted;
    }
    CDlgEditWait dialog(command.sName, ZsQ(lib.GetIconName(nId)), edit, nPid, pParent);
    if (dialog.exec() != QDialog::Accepted) {
        return ZIL_EDIT_END_UNCHANGED;
    }
    return ZsEndIconEdit(lib, edit);
}

CDlgEditWait::CDlgEditWait(const QString& sProgram, const QString& sIcon, const ZIL_ICON_EDIT& edit,
                           int64_t nPid, QWidget* pParent)
    : QDialog(pParent), mEdit(edit), msProgram(sProgram), msIcon(sIcon), mnPid(nPid) {
    setWindowTitle(tr("Edit with Associated Program"));
    mpMessage = new QLabel(this);
    mpMessage->setTextFormat(Qt::PlainText);
    mpMessage->setWordWrap(true);
    auto* pFile = new QLabel(ZsQPath(edit.file), this);
    pFile->setTextFormat(Qt::PlainText);
    pFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A moving bar: the window is alive while it waits.
    mpBusy = new QProgressBar(this);
    mpBusy->setRange(0, 0);
    mpBusy->setTextVisible(false);
    auto* pButtons = new QDialogButtonBox(this);
    mpDone = pButtons->addButton(tr("&Done Editing"), QDialogButtonBox::AcceptRole);
    pButtons->addButton(QDialogButtonBox::Cancel);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(mpMessage);
    pLayout->addWidget(pFile);
    pLayout->addWidget(mpBusy);
    pLayout->addWidget(pButtons);
    setMinimumWidth(460);

    if (mnPid > 0) {
        mpMessage->setText(tr("Waiting for %1 to finish editing '%2'.\nThe icon is updated when %1 "
                              "ends; choose Done Editing to take what it saved so far.")
                               .arg(msProgram, msIcon));
        mRunning.start();
        mPoll.setInterval(kPollMs);
        connect(&mPoll, &QTimer::timeout, this, [this] { Poll(); });
        mPoll.start();
    } else {
        ShowHandedOff();
    }
}

void CDlgEditWait::Poll() {
    if (ZsProcessExists(mnPid)) {
        return;
    }
    mPoll.stop();
    // Saved and ended: take it. Ended at once without saving: the program most likely gave the file to a
    // window it had open. Ended later without saving: the user closed it without saving.
    if (ZsIconEditTouched(mEdit) || mRunning.elapsed() >= snHandOffMs) {
        accept();
    } else {
        ShowHandedOff();
    }
}

void CDlgEditWait::ShowHandedOff() {
    mbHandedOff = true;
    mpMessage->setText(tr("%1 handed '%2' to a window of its own and returned at once, so its end "
                          "cannot be seen from here.\nSave the icon there, then choose Done "
                          "Editing; Cancel leaves the icon as it is.")
                           .arg(msProgram, msIcon));
}
