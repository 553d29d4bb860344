#include "gui/batch/DlgImpGrid.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>
#include <iterator>

#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsMsgBox.h"
#include "icon/ZsPicture.h"
#include "library/ZsGrid.h"

namespace {

QSpinBox* CountBox(const char* pszName) {
    auto* pSpin = new QSpinBox;
    pSpin->setRange(1, INT_MAX);
    pSpin->setObjectName(QString::fromUtf8(pszName));
    return pSpin;
}

}  // namespace

QComboBox* ZsNewGridSizeBox(const char* pszName) {
    auto* pCombo = new QComboBox;
    pCombo->setEditable(true);
    pCombo->setInsertPolicy(QComboBox::NoInsert);
    for (auto it = std::rbegin(ZI_STANDARD_SIZES); it != std::rend(ZI_STANDARD_SIZES); ++it) {
        pCombo->addItem(QString::number(*it));
    }
    pCombo->lineEdit()->setValidator(new QIntValidator(1, INT_MAX, pCombo));
    pCombo->setObjectName(QString::fromUtf8(pszName));
    return pCombo;
}

bool ZsCheckSizeBox(QComboBox* pCombo) {
    bool bOk = false;
    const int nValue = pCombo->currentText().trimmed().toInt(&bOk);
    if (bOk && nValue >= 1) {
        return true;
    }
    ZsMsgBox(ZS_MB_ERROR, CDlgImpGrid::tr("Please enter an integer between 1 and 2147483647."));
    pCombo->setFocus();
    pCombo->lineEdit()->selectAll();
    return false;
}

void ZsFollowSquare(QCheckBox* pSquare, QComboBox* pWidth, QComboBox* pHeight) {
    auto follow = [pSquare, pWidth, pHeight] {
        if (pSquare->isChecked()) {
            pHeight->setCurrentText(pWidth->currentText());
        }
    };
    follow();
    QObject::connect(pSquare, &QCheckBox::toggled, pHeight, follow);
    QObject::connect(pWidth, &QComboBox::currentTextChanged, pHeight, follow);
}

CDlgImpGrid::CDlgImpGrid(QWidget* pParent) : CZsDialog(pParent) {
    setObjectName(QString::fromUtf8(ZS_SEC_IMP_GRID));
    setWindowTitle(tr("Image Segmentation"));

    mpByWidth = new QRadioButton(tr("By subimage &width:"));
    mpByWidth->setObjectName(QStringLiteral("IDC_RDO_W"));
    mpByColumns = new QRadioButton(tr("By &horizontal subimage count:"));
    mpByColumns->setObjectName(QStringLiteral("IDC_RDO_C"));
    mpByHeight = new QRadioButton(tr("By subimage &height:"));
    mpByHeight->setObjectName(QStringLiteral("IDC_RDO_H"));
    mpByRows = new QRadioButton(tr("By &vertical subimage count:"));
    mpByRows->setObjectName(QStringLiteral("IDC_RDO_R"));
    mpWidth = ZsNewGridSizeBox("IDC_CBO_W");
    mpHeight = ZsNewGridSizeBox("IDC_CBO_H");
    mpColumns = CountBox("IDC_EDT_C");
    mpRows = CountBox("IDC_EDT_R");
    mpSquare = new QCheckBox(tr("S&quare"));
    mpSquare->setObjectName(QStringLiteral("IDC_CHK_SQR"));

    // One group for the columns and one for the rows: a size in pixels or a count, one of them chosen.
    auto side = [this](const QString& sTitle, QRadioButton* pBySize, QComboBox* pSize, QRadioButton* pByCount,
                       QSpinBox* pCount) {
        auto* pChoice = new QButtonGroup(this);
        pChoice->addButton(pBySize);
        pChoice->addButton(pByCount);
        auto* pGroup = new QGroupBox(sTitle);
        auto* pGrid = new QGridLayout(pGroup);
        pGrid->addWidget(pBySize, 0, 0);
        pGrid->addWidget(pSize, 0, 1);
        pGrid->addWidget(pByCount, 1, 0);
        pGrid->addWidget(pCount, 1, 1);
        pGrid->setColumnStretch(1, 1);
        return pGroup;
    };
    QGroupBox* pHorizontal = side(tr("Columns"), mpByWidth, mpWidth, mpByColumns, mpColumns);
    QGroupBox* pVertical = side(tr("Rows"), mpByHeight, mpHeight, mpByRows, mpRows);
    static_cast<QGridLayout*>(pVertical->layout())->addWidget(mpSquare, 2, 0, 1, 2);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pHorizontal);
    pLayout->addWidget(pVertical);
    pLayout->addStretch(1);
    pLayout->addWidget(pButtons);

    BindSetting(mpByWidth, ZS_IMP_GRID_RDO_W);
    BindSetting(mpByColumns, ZS_IMP_GRID_RDO_C);
    BindSetting(mpByHeight, ZS_IMP_GRID_RDO_H);
    BindSetting(mpByRows, ZS_IMP_GRID_RDO_R);
    BindSetting(mpSquare, ZS_IMP_GRID_CHK_SQR);
    BindNumberText(mpWidth, ZS_IMP_GRID_CBO_W);
    BindNumberText(mpHeight, ZS_IMP_GRID_CBO_H);
    BindSetting(mpColumns, ZS_IMP_GRID_EDT_C);
    BindSetting(mpRows, ZS_IMP_GRID_EDT_R);
    LoadSettings();
    // A file without either radio of a pair chosen gets the default of the pair.
    if (!mpByWidth->isChecked() && !mpByColumns->isChecked()) {
        mpByWidth->setChecked(true);
    }
    if (!mpByHeight->isChecked() && !mpByRows->isChecked()) {
        mpByHeight->setChecked(true);
    }

    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgImpGrid::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgImpGrid::reject);
    for (QAbstractButton* pButton :
         {static_cast<QAbstractButton*>(mpByWidth), static_cast<QAbstractButton*>(mpByColumns),
          static_cast<QAbstractButton*>(mpByHeight), static_cast<QAbstractButton*>(mpByRows)}) {
        connect(pButton, &QAbstractButton::toggled, this, [this] { UpdateControls(); });
    }
    connect(mpSquare, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    ZsFollowSquare(mpSquare, mpWidth, mpHeight);
    UpdateControls();
}

void CDlgImpGrid::UpdateControls() {
    const bool bBothSizes = mpByWidth->isChecked() && mpByHeight->isChecked();
    mpWidth->setEnabled(mpByWidth->isChecked());
    mpColumns->setEnabled(mpByColumns->isChecked());
    mpHeight->setEnabled(mpByHeight->isChecked() && !(mpSquare->isChecked() && mpByWidth->isChecked()));
    mpRows->setEnabled(mpByRows->isChecked());
    mpSquare->setEnabled(bBothSizes);
}

void CDlgImpGrid::accept() {
    if ((mpWidth->isEnabled() && !ZsCheckSizeBox(mpWidth)) ||
        (mpHeight->isEnabled() && !ZsCheckSizeBox(mpHeight))) {
        return;
    }
    SaveSettings();
    ZsGetGridImportTiles(mnTileWidth, mnTileHeight);
    QDialog::accept();
}
