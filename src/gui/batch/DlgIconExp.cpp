#include "gui/batch/DlgIconExp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/ZsBase.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsQt.h"
#include "icon/ZsPicture.h"

CDlgIconExp::CDlgIconExp(QWidget* pParent) : CDlgIconExp(ZS_SEC_ICON_EXP, pParent) {}

CDlgIconExp::CDlgIconExp(const char* pszSection, QWidget* pParent) : CDlgIconFmts(pszSection, pParent) {
    setWindowTitle(tr("Export Selected Icons"));
    mpFileFmt = new QComboBox;
    ZsFillExportTypes(mpFileFmt, std::string_view(pszSection) != ZS_SEC_IMG_EXP);
    mpFileFmt->setObjectName(QStringLiteral("IDC_CBO_FILE_FMT"));
    mpFolder = new QLineEdit;
    mpFolder->setObjectName(QStringLiteral("IDC_EDT_DIR"));
    mpFolder->setMinimumWidth(mpFolder->fontMetrics().averageCharWidth() * 40);
    mpBrowse = new QPushButton(QStringLiteral("..."));
    mpBrowse->setAutoDefault(false);
    mpBrowse->setToolTip(tr("Choose the folder"));
    mpBrowse->setFixedWidth(mpBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    mpEach = new QCheckBox(tr("Export each image format to &single file separately"));
    mpEach->setObjectName(QStringLiteral("IDC_CHK_EACH"));
    mpCustom = new QCheckBox(tr("Export with &custom image formats"));
    mpCustom->setObjectName(QStringLiteral("IDC_CHK_CUST"));
    mpGenerate = new QCheckBox(tr("&Auto generate desired image formats if not exist"));
    mpGenerate->setObjectName(QStringLiteral("IDC_CHK_GEN"));

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("File &Format:"), mpFileFmt);
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(mpFolder, 1);
    pFolderRow->addWidget(mpBrowse);
    pForm->addRow(ZsBuddyLabel(tr("&Directory:"), mpFolder), pFolderRow);
    TopLayout()->addLayout(pForm);
    TopLayout()->addWidget(mpEach);
    TopLayout()->addWidget(mpCustom);
    AddChooserOption(mpGenerate);

    BindSetting(mpFileFmt, ZS_EXP_CBO_FILE_FMT.In(pszSection));
    BindSetting(mpFolder, ZS_EXP_EDT_DIR.In(pszSection));
    BindSetting(mpEach, ZS_EXP_CHK_EACH.In(pszSection));
    BindSetting(mpCustom, ZS_EXP_CHK_CUST.In(pszSection));
    BindSetting(mpGenerate, ZS_EXP_CHK_GEN.In(pszSection));

    connect(mpFileFmt, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
    connect(mpCustom, &QCheckBox::toggled, this, [this](bool bOn) {
        ShowCustomPart(bOn);
        UpdateControls();
    });
    connect(mpBrowse, &QPushButton::clicked, this, [this] {
        const std::filesystem::path folder =
            ZsBrowseFolder(this, ZsPathOf(mpFolder->text()), tr("Export to"));
        if (!folder.empty()) {
            mpFolder->setText(ZsQPath(folder));
        }
    });
}

void CDlgIconExp::OnInitDialog() {
    CDlgIconFmts::OnInitDialog();
    ShowCustomPart(mpCustom->isChecked());
    UpdateControls();
}

int CDlgIconExp::OkEnableTest() const {
    return !mpCustom->isChecked() || !Desired().empty() ? 1 : 0;
}

void CDlgIconExp::UpdateControls() {
    CDlgIconFmts::UpdateControls();
    mpEach->setEnabled(mpFileFmt->currentIndex() == ZS_EXPORT_ICO);
}

void CDlgIconExp::ShowCustomPart(bool bShow) {
    if (bShow == mbCustomShown) {
        return;
    }
    mbCustomShown = bShow;
    QWidget* pPart = ChooserPart();
    // Hiding takes the part's height away; showing adds the height it asks for (a hidden part keeps no height
    // worth giving back). Read before the layout grows the window to its new minimum.
    const int nPart = (bShow ? pPart->sizeHint().height() : pPart->height()) + layout()->spacing();
    const int nHeight = bShow ? height() + nPart : height() - nPart;
    pPart->setVisible(bShow);
    layout()->activate();
    const QSize minimum = minimumSizeHint();
    resize(std::max(width(), minimum.width()), std::max(minimum.height(), nHeight));
}

void CDlgIconExp::accept() {
    if (OkEnableTest() == 0) {
        return;
    }
    const std::filesystem::path folder = ZsPathOf(mpFolder->text().trimmed());
    if (!ZsCheckExportFolder(folder)) {
        mpFolder->setFocus();
        return;
    }
    mOptions.nType = std::clamp(mpFileFmt->currentIndex(), 0, ZS_EXPORT_COUNT - 1);
    mOptions.folder = folder;
    mOptions.bEach = mpEach->isChecked();
    mOptions.bCustom = mpCustom->isChecked();
    mOptions.bGenerate = mpGenerate->isChecked();
    mOptions.desired = Desired();
    mOptions.bExcept = IsExcept();
    CDlgIconFmts::accept();
}

CDlgImgExp::CDlgImgExp(QWidget* pParent) : CDlgIconExp(ZS_SEC_IMG_EXP, pParent) {
    setWindowTitle(tr("Export Selected Images"));
}

void CDlgImgExp::OnInitDialog() {
    CDlgIconExp::OnInitDialog();
    CustomCheck()->setChecked(false);
    CustomCheck()->hide();
    // Without the chooser and its check box the dialog needs only the size of the export options.
    layout()->activate();
    resize(sizeHint());
}
