#include "gui/batch/DlgExpGrid.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "common/ZsSettings.h"
#include "gui/batch/DlgImpGrid.h"
#include "gui/common/ZsColorPicker.h"

namespace {

int SizeOf(const QComboBox* pCombo) {
    return pCombo->currentText().trimmed().toInt();
}

}  // namespace

CDlgExpGrid::CDlgExpGrid(int n, QWidget* pParent)
    : CZsDialog(pParent), mn(std::max(1, n)), mnSquareSide(ZsGridSquareSide(mn)) {
    setObjectName(QString::fromUtf8(ZS_SEC_EXP_GRID));
    setWindowTitle(tr("Image Joint"));

    mpWidth = ZsNewGridSizeBox("IDC_CBO_W");
    mpHeight = ZsNewGridSizeBox("IDC_CBO_H");
    mpSquare = new QCheckBox(tr("S&quare"));
    mpSquare->setObjectName(QStringLiteral("IDC_CHK_SQR"));
    mpStrip = new QRadioButton(tr("S&trip (%1x1)").arg(mn));
    mpStrip->setObjectName(QStringLiteral("IDC_RDO_STRIP"));
    mpSquareLayout = new QRadioButton(tr("Sq&uare (%1x%2)").arg(mnSquareSide).arg(mnSquareSide));
    mpSquareLayout->setObjectName(QStringLiteral("IDC_RDO_SQR"));
    mpCustom = new QRadioButton(tr("&Custom columns/rows:"));
    mpCustom->setObjectName(QStringLiteral("IDC_RDO_CUSTOM"));
    mpColumns = new QSpinBox;
    mpColumns->setRange(1, mn);
    mpColumns->setValue(mnSquareSide);
    mpColumns->setObjectName(QStringLiteral("IDC_EDT_C"));
    mpRows = new QSpinBox;
    mpRows->setRange(1, mn);
    mpRows->setValue(mnSquareSide);
    mpRows->setObjectName(QStringLiteral("IDC_EDT_R"));
    mpInterval = new QCheckBox(tr("&Interval space:"));
    mpInterval->setObjectName(QStringLiteral("IDC_CHK_INTERVAL"));
    mpSpacing = new QSpinBox;
    mpSpacing->setRange(1, INT_MAX);
    mpSpacing->setSuffix(tr(" pixels"));
    mpSpacing->setObjectName(QStringLiteral("IDC_EDT_INTERVAL"));
    mpBackground = new QCheckBox(tr("&Background color:"));
    mpBackground->setObjectName(QStringLiteral("IDC_CHK_BG_COLOR"));
    mpColor = new CZsColorPicker;
    mpColor->setObjectName(QStringLiteral("IDC_BTN_BG_COLOR"));
    mpColor->setToolTip(tr("Choose the background colour"));
    mpColor->setMinimumWidth(mpColor->fontMetrics().averageCharWidth() * 10);

    auto* pLayouts = new QButtonGroup(this);
    pLayouts->addButton(mpStrip);
    pLayouts->addButton(mpSquareLayout);
    pLayouts->addButton(mpCustom);

    auto* pCell = new QGroupBox(tr("Image Size"));
    auto* pCellGrid = new QGridLayout(pCell);
    pCellGrid->addWidget(ZsBuddyLabel(tr("&Width:"), mpWidth), 0, 0);
    pCellGrid->addWidget(mpWidth, 0, 1);
    pCellGrid->addWidget(ZsBuddyLabel(tr("&Height:"), mpHeight), 0, 2);
    pCellGrid->addWidget(mpHeight, 0, 3);
    pCellGrid->addWidget(mpSquare, 0, 4);
    pCellGrid->setColumnStretch(1, 1);
    pCellGrid->setColumnStretch(3, 1);

    auto* pArrange = new QGroupBox(tr("Layout"));
    auto* pArrangeGrid = new QGridLayout(pArrange);
    pArrangeGrid->addWidget(mpStrip, 0, 0, 1, 4);
    pArrangeGrid->addWidget(mpSquareLayout, 1, 0, 1, 4);
    pArrangeGrid->addWidget(mpCustom, 2, 0);
    pArrangeGrid->addWidget(mpColumns, 2, 1);
    pArrangeGrid->addWidget(new QLabel(QStringLiteral("x")), 2, 2);
    pArrangeGrid->addWidget(mpRows, 2, 3);
    pArrangeGrid->setColumnStretch(1, 1);
    pArrangeGrid->setColumnStretch(3, 1);

    auto* pLook = new QGridLayout;
    pLook->addWidget(mpInterval, 0, 0);
    pLook->addWidget(mpSpacing, 0, 1);
    pLook->addWidget(mpBackground, 1, 0);
    pLook->addWidget(mpColor, 1, 1);
    pLook->setColumnStretch(1, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pCell);
    pLayout->addWidget(pArrange);
    pLayout->addLayout(pLook);
    pLayout->addStretch(1);
    pLayout->addWidget(pButtons);

    BindNumberText(mpWidth, ZS_EXP_GRID_CBO_W);
    BindNumberText(mpHeight, ZS_EXP_GRID_CBO_H);
    BindSetting(mpSquare, ZS_EXP_GRID_CHK_SQR);
    BindSetting(mpStrip, ZS_EXP_GRID_RDO_STRIP);
    BindSetting(mpSquareLayout, ZS_EXP_GRID_RDO_SQR);
    BindSetting(mpCustom, ZS_EXP_GRID_RDO_CUSTOM);
    BindSetting(mpInterval, ZS_EXP_GRID_CHK_INTERVAL);
    BindSetting(mpSpacing, ZS_EXP_GRID_EDT_INTERVAL);
    BindSetting(mpBackground, ZS_EXP_GRID_CHK_BG_COLOR);
    LoadSettings();
    mpColor->SetColor(static_cast<uint32_t>(ZS_EXP_GRID_BTN_BG_COLOR.Get()));
    if (!mpStrip->isChecked() && !mpSquareLayout->isChecked() && !mpCustom->isChecked()) {
        mpStrip->setChecked(true);
    }

    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgExpGrid::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgExpGrid::reject);
    for (QAbstractButton* pButton : pLayouts->buttons()) {
        connect(pButton, &QAbstractButton::toggled, this, [this] { UpdateControls(); });
    }
    connect(mpInterval, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    connect(mpBackground, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    connect(mpSquare, &QCheckBox::toggled, this, [this] { UpdateControls(); });
    ZsFollowSquare(mpSquare, mpWidth, mpHeight);
    connect(mpColumns, &QSpinBox::valueChanged, this, [this] { OnSideTyped(mpColumns, mpRows); });
    connect(mpRows, &QSpinBox::valueChanged, this, [this] { OnSideTyped(mpRows, mpColumns); });
    UpdateControls();
}

void CDlgExpGrid::OnSideTyped(QSpinBox* pTyped, QSpinBox* pOther) {
    // Setting the other side must not set this one again.
    if (mbCoupling) {
        return;
    }
    mbCoupling = true;
    const int nOther = ZsGridOtherSide(mn, pTyped->value());
    if (nOther != 0) {
        pOther->setValue(nOther);
    }
    mbCoupling = false;
}

void CDlgExpGrid::UpdateControls() {
    mpHeight->setEnabled(!mpSquare->isChecked());
    mpColumns->setEnabled(mpCustom->isChecked());
    mpRows->setEnabled(mpCustom->isChecked());
    mpSpacing->setEnabled(mpInterval->isChecked());
    mpColor->setEnabled(mpBackground->isChecked());
}

void CDlgExpGrid::accept() {
    if (!ZsCheckSizeBox(mpWidth) || (!mpSquare->isChecked() && !ZsCheckSizeBox(mpHeight))) {
        return;
    }
    mGrid.nCellWidth = SizeOf(mpWidth);
    mGrid.nCellHeight = mpSquare->isChecked() ? mGrid.nCellWidth : SizeOf(mpHeight);
    if (mpCustom->isChecked()) {
        mGrid.nColumns = mpColumns->value();
        mGrid.nRows = mpRows->value();
    } else {
        ZsGetGridLayout(mpStrip->isChecked() ? ZS_GRID_STRIP : ZS_GRID_SQUARE, mn, mGrid.nColumns,
                        mGrid.nRows);
    }
    mGrid.nSpacing = mpInterval->isChecked() ? mpSpacing->value() : 0;
    mGrid.nBackground = mpBackground->isChecked() ? mpColor->GetColor() : ZS_GRID_NO_COLOR;
    ZS_EXP_GRID_BTN_BG_COLOR.Set(static_cast<int>(mpColor->GetColor()));
    CZsDialog::accept();
}
