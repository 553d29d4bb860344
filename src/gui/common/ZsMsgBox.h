// The program's message boxes: the message handler that shows the core's questions and errors as Qt message
// boxes captioned "Pictavo", and the three-button question box with free button labels.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>
#include <string>

#include "common/ZsLog.h"

class QLabel;
class QPushButton;

// Button results beyond OK and Cancel.
enum : int {
    ZS_IDYES = 6,
    ZS_IDNO = 7,
};

// Shows ZsMsgBox texts in a QMessageBox owned by the active window: type 289 gives OK and Cancel with the
// question icon and Cancel as the default; 16 gives OK with the error icon. The other classic type bits
// (Yes/No, Yes/No/Cancel, warning and information icons, second or third default button) are honoured too.
// The keyboard focus goes back where it was.
class CZsQtMessageHandler : public CZsMessageHandler {
public:
    int MsgBox(int nType, const std::string& sText) override;
    // The core's remove-or-delete question, shown with ZsAskRemoveOrDelete below.
    int AskRemoveOrDelete(const std::string& sText, const std::string& sFirstLabel) override;
};

// Installs a CZsQtMessageHandler for its lifetime and restores the previous handler afterwards.
class CZsQtMessageHandlerScope {
public:
    CZsQtMessageHandlerScope();
    ~CZsQtMessageHandlerScope();
    CZsQtMessageHandlerScope(const CZsQtMessageHandlerScope&) = delete;
    CZsQtMessageHandlerScope& operator=(const CZsQtMessageHandlerScope&) = delete;

private:
    CZsQtMessageHandler mHandler;
    CZsMessageHandler* mpPrevious;
};

// A question with three buttons whose labels the caller chooses: ids 6 and 7, and Cancel (2, the default).
// A button with an empty label is hidden. The result is 6, 7 or 2 (also for Escape and the close box).
class CDlgZsMsgBox : public QDialog {
    Q_OBJECT
public:
    CDlgZsMsgBox(const QString& sCaption, const QString& sMessage, const QString& sYes, const QString& sNo,
                 const QString& sCancel, QWidget* pParent = nullptr);

    QPushButton* Button(int nId) const;
    QString Message() const;

protected:
    void reject() override;

private:
    QLabel* mpMessage;
    QPushButton* mpYes;
    QPushButton* mpNo;
    QPushButton* mpCancel;
};

// ZsMsgBox with a text the GUI has put together (and translated) itself, through the same message handler.
int ZsMsgBox(int nType, const QString& sText);

// A message with the information icon and OK.
inline constexpr int ZS_MB_INFORMATION = ZS_MB_OK | 0x40;

// Opens a web page or a new mail with the desktop's program for it (ZsOpenUrl), and says plainly when the
// desktop has none.
void ZsOpenLink(const QUrl& url);

// "Remove or delete?": the first button carries sFirstLabel (hidden when empty), the second "&Delete", the
// third "&Cancel". The focus is put back where it was. Returns 6, 7 or 2.
int ZsAskRemoveOrDelete(const QString& sMessage, const QString& sFirstLabel);
