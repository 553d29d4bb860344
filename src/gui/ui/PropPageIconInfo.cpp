#include "gui/ui/PropPageIconInfo.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/ZsText.h"
#include "gui/common/ZsQt.h"
#include "icon/ZsIcon.h"
#include "library/ZsIconLib.h"

namespace {
constexpr int kPictureSize = 32;
}  // namespace

CPropPageIconInfo::CPropPageIconInfo(CZsIconLib& lib, int32_t nId, QWidget* pParent) : QWidget(pParent) {
    const ZsBytes iconData = lib.GetIconData(nId);
    auto* pPicture = new QLabel(this);
    pPicture->setObjectName(QStringLiteral("Picture"));
    pPicture->setFixedSize(kPictureSize, kPictureSize);
    pPicture->setAlignment(Qt::AlignCenter);
    if (!iconData.empty()) {
        int w = kPictureSize;
        int h = kPictureSize;
        int nBits = 32;
        pPicture->setPixmap(QPixmap::fromImage(ZsToQImage(ZI_GetIconHandle(iconData, w, h, nBits))));
    }

    const ZIL_ICON& rec = lib.GetIconRec(nId, ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS);
    mpName = new QLineEdit(ZsQ(rec.name.value_or(std::string())), this);
    mpName->setObjectName(QStringLiteral("Name"));
    mpKeywords = new QLineEdit(ZsQ(rec.kwds.value_or(std::string())), this);
    mpKeywords->setObjectName(QStringLiteral("Keywords"));

    ZI_INFO info;
    const bool bInfo = ZI_GetIconInfo(iconData, &info) && info.nImages > 0;
    const std::pair<const char*, std::string> fields[] = {
        {QT_TR_NOOP("Location"), lib.GetIconPath(nId)},
        {QT_TR_NOOP("Size"), ZsS(tr("%1 KB (%2 Bytes)")
                                     .arg(ZsQ(ZsFormat("%.1f", static_cast<double>(iconData.size()) / 1024)),
                                          QString::number(iconData.size())))},
        {QT_TR_NOOP("Formats"), ZsS(tr("%1 Formats (%2 XP/32-Bits Formats)")
                                        .arg(bInfo ? info.nImages : 0)
                                        .arg(bInfo ? info.nXPImages : 0))},
        {QT_TR_NOOP("Dimension"),
         bInfo ? ZsFormat("%dx%d ~ %dx%d", info.nMinWidth, info.nMinWidth, info.nMaxWidth, info.nMaxWidth)
               : std::string()},
        {QT_TR_NOOP("Bit Count"),
         bInfo ? ZsFormat("%d ~ %d", info.nMinBitCount, info.nMaxBitCount) : std::string()},
    };

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("&Name:"), mpName);
    pForm->addRow(tr("&Keywords:"), mpKeywords);
    for (const auto& [pszLabel, sText] : fields) {
        auto* pValue = new QLabel(ZsQ(sText), this);
        pValue->setTextFormat(Qt::PlainText);
        pValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const QString sLabel = QString::fromLatin1(pszLabel);
        pValue->setObjectName(sLabel);
        pForm->addRow(tr("%1:").arg(tr(pszLabel)), pValue);
        mFields.emplace_back(sLabel, pValue);
    }
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(pPicture, 0, Qt::AlignTop);
    pLayout->addSpacing(8);
    pLayout->addLayout(pForm, 1);
}

QString CPropPageIconInfo::Field(const QString& sLabel) const {
    for (const auto& [sName, pLabel] : mFields) {
        if (sName == sLabel) {
            return pLabel->text();
        }
    }
    return {};
}

CDlgIconInfo::CDlgIconInfo(CZsIconLib& lib, int32_t nId, QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(tr("Icon Information"));
    auto* pTabs = new QTabWidget(this);
    mpPage = new CPropPageIconInfo(lib, nId, pTabs);
    pTabs->addTab(mpPage, tr("General"));
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pTabs);
    pLayout->addWidget(pButtons);
    setMinimumWidth(420);
    mpPage->NameEdit()->setFocus();
}

std::string CDlgIconInfo::Name() const {
    return ZsS(mpPage->NameEdit()->text());
}

std::string CDlgIconInfo::Keywords() const {
    return ZsS(mpPage->KeywordsEdit()->text());
}
