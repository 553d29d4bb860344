#include "gui/common/ZsMsgBox.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/ZsBase.h"
#include "gui/common/ZsQt.h"

namespace {

// Puts the keyboard focus back on the widget that had it when the box opened, if it still exists.
class CFocusKeeper {
public:
    CFocusKeeper() : mpFocus(QApplication::focusWidget()) {}
    ~CFocusKeeper() {
        if (mpFocus) {
            mpFocus->setFocus(Qt::OtherFocusReason);
        }
    }

private:
    QPointer<QWidget> mpFocus;
};

QWidget* OwnerWindow() {
    if (QWidget* pModal = QApplication::activeModalWidget()) {
        return pModal;
    }
    return QApplication::activeWindow();
}

}  // namespace

int CZsQtMessageHandler::MsgBox(int nType, const std::string& sText) {
    CFocusKeeper focus;
    QMessageBox box(OwnerWindow());
    box.setWindowTitle(QString::fromUtf8(ZS_PRODUCT_NAME));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(sText));

    switch (nType & 0xF0) {
        case 0x10:
            box.setIcon(QMessageBox::Critical);
            break;
        case 0x20:
            box.setIcon(QMessageBox::Question);
            break;
        case 0x30:
            box.setIcon(QMessageBox::Warning);
            break;
        case 0x40:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }

    // The buttons in their classic order with their classic results.
    std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
    switch (nType & 0x0F) {
        case 0x1:
            buttons = {{QMessageBox::Ok, ZS_IDOK}, {QMessageBox::Cancel, ZS_IDCANCEL}};
            break;
        case 0x3:
            buttons = {
                {QMessageBox::Yes, ZS_IDYES}, {QMessageBox::No, ZS_IDNO}, {QMessageBox::Cancel, ZS_IDCANCEL}};
            break;
        case 0x4:
            buttons = {{QMessageBox::Yes, ZS_IDYES}, {QMessageBox::No, ZS_IDNO}};
            break;
        default:
            buttons = {{QMessageBox::Ok, ZS_IDOK}};
            break;
    }
    for (const auto& button : buttons) {
        box.addButton(button.first);
    }
    const size_t nDefault = static_cast<size_t>((nType & 0xF00) >> 8);
    box.setDefaultButton(buttons[nDefault < buttons.size() ? nDefault : 0].first);
    // Escape answers Cancel where there is one, else the only button; Yes/No has no escape.
    for (const auto& button : buttons) {
        if (button.second == ZS_IDCANCEL) {
            box.setEscapeButton(button.first);
        }
    }
    if (buttons.size() == 1) {
        box.setEscapeButton(buttons[0].first);
    }

    box.exec();
    const auto nClicked = box.standardButton(box.clickedButton());
    for (const auto& button : buttons) {
        if (button.first == nClicked) {
            return button.second;
        }
    }
    return ZS_IDCANCEL;
}

CZsQtMessageHandlerScope::CZsQtMessageHandlerScope() : mpPrevious(ZsSetMessageHandler(&mHandler)) {}

CZsQtMessageHandlerScope::~CZsQtMessageHandlerScope() {
    ZsSetMessageHandler(mpPrevious);
}

CDlgZsMsgBox::CDlgZsMsgBox(const QString& sCaption, const QString& sMessage, const QString& sYes,
                           const QString& sNo, const QString& sCancel, QWidget* pParent)
    : QDialog(pParent) {
    setWindowTitle(sCaption);

    auto* pIcon = new QLabel(this);
    const int nIconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    pIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(nIconSize));
    pIcon->setAlignment(Qt::AlignTop);
    mpMessage = new QLabel(sMessage, this);
    mpMessage->setTextFormat(Qt::PlainText);
    mpMessage->setWordWrap(true);
    mpMessage->setMinimumWidth(320);
    mpMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* pLine = new QFrame(this);
    pLine->setFrameShape(QFrame::HLine);
    pLine->setFrameShadow(QFrame::Sunken);

    mpYes = new QPushButton(sYes, this);
    mpNo = new QPushButton(sNo, this);
    mpCancel = new QPushButton(sCancel, this);
    for (QPushButton* pButton : {mpYes, mpNo, mpCancel}) {
        pButton->setAutoDefault(false);
        pButton->setVisible(!pButton->text().isEmpty());
    }
    mpCancel->setDefault(true);
    connect(mpYes, &QPushButton::clicked, this, [this] { done(ZS_IDYES); });
    connect(mpNo, &QPushButton::clicked, this, [this] { done(ZS_IDNO); });
    connect(mpCancel, &QPushButton::clicked, this, [this] { done(ZS_IDCANCEL); });

    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pIcon);
    pTop->addWidget(mpMessage, 1);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(mpYes);
    pButtons->addWidget(mpNo);
    pButtons->addWidget(mpCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(pLine);
    pLayout->addLayout(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* CDlgZsMsgBox::Button(int nId) const {
    switch (nId) {
        case ZS_IDYES:
            return mpYes;
        case ZS_IDNO:
            return mpNo;
        case ZS_IDCANCEL:
            return mpCancel;
        default:
            return nullptr;
    }
}

QString CDlgZsMsgBox::Message() const {
    return mpMessage->text();
}

void CDlgZsMsgBox::reject() {
    done(ZS_IDCANCEL);
}

int ZsMsgBox(int nType, const QString& sText) {
    return ZsMsgBox(nType, "%s", sText.toStdString().c_str());
}

int ZsAskRemoveOrDelete(const QString& sMessage, const QString& sFirstLabel) {
    CFocusKeeper focus;
    CDlgZsMsgBox box(QString::fromUtf8(ZS_PRODUCT_NAME), sMessage, sFirstLabel, CDlgZsMsgBox::tr("&Delete"),
                     CDlgZsMsgBox::tr("&Cancel"), OwnerWindow());
    const int nResult = box.exec();
    return nResult == ZS_IDYES || nResult == ZS_IDNO ? nResult : ZS_IDCANCEL;
}

int CZsQtMessageHandler::AskRemoveOrDelete(const std::string& sText, const std::string& sFirstLabel) {
    return ZsAskRemoveOrDelete(QString::fromStdString(sText), QString::fromStdString(sFirstLabel));
}

void ZsOpenLink(const QUrl& url) {
    if (ZsOpenUrl(url)) {
        return;
    }
    // The texts keep the translation context of the main window, whose Help menu opens most links.
    if (url.scheme() == QLatin1String("mailto")) {
        ZsMsgBox(ZS_MB_INFORMATION,
                 QCoreApplication::translate("CFrmMain", "No mail program was found. Please write to %1.")
                     .arg(url.path()));
    } else {
        ZsMsgBox(ZS_MB_INFORMATION,
                 QCoreApplication::translate("CFrmMain", "No web browser was found to open %1.")
                     .arg(url.toString()));
    }
}
