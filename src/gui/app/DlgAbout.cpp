#include "gui/app/DlgAbout.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ZsBase.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

CDlgAbout::CDlgAbout(QWidget* pParent) : CZsDialog(pParent) {
    const QString sProduct = QString::fromUtf8(ZS_PRODUCT_NAME);
    setWindowTitle(tr("About %1").arg(sProduct));

    mpPicture = new QLabel(this);
    const QPixmap picture(ZsQPath(ZsGetAppDir() / "Images" / "innoimg.bmp"));
    mpPicture->setPixmap(picture);
    mpPicture->setVisible(!picture.isNull());
    mpPicture->setAlignment(Qt::AlignTop);

    mpVersion = new QLabel(QStringLiteral("%1 %2").arg(sProduct, PICTAVO_VERSION), this);
    QFont bold = mpVersion->font();
    bold.setBold(true);
    mpVersion->setFont(bold);

    auto link = [this](const QString& sUrl, const QString& sText) {
        auto* pLabel = new QLabel(
            QStringLiteral("<a href=\"%1\">%2</a>").arg(sUrl.toHtmlEscaped(), sText.toHtmlEscaped()), this);
        pLabel->setTextFormat(Qt::RichText);
        pLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);
        pLabel->setOpenExternalLinks(false);
        connect(pLabel, &QLabel::linkActivated, this, [](const QString& sLink) { ZsOpenLink(QUrl(sLink)); });
        return pLabel;
    };
    const QString sMail = QString::fromUtf8(ZS_SUPPORT_MAIL);
    QUrl mail;
    mail.setScheme(QStringLiteral("mailto"));
    mail.setPath(sMail);
    QLabel* pMail = link(mail.toString(), sMail);
    QLabel* pHome = link(QString::fromUtf8(ZS_HOME_PAGE_URL), QString::fromUtf8(ZS_HOME_PAGE_URL));

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pText = new QVBoxLayout;
    pText->addWidget(mpVersion);
    pText->addWidget(new QLabel(tr("Icon manager and icon converter"), this));
    pText->addSpacing(8);
    pText->addWidget(pMail);
    pText->addWidget(pHome);
    pText->addStretch(1);
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(mpPicture);
    pTop->addLayout(pText, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}
