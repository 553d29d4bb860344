#include "gui/batch/DlgIconFmts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsListCtrl.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "icon/ZsFormats.h"

namespace {

// The custom depths in the order of the combo box.
struct CDepthChoice {
    const char* pszName;
    int nBitCount;
};
constexpr CDepthChoice kDepths[] = {{"XP", 32}, {"16M", 24}, {"256", 8}, {"16", 4}, {"Mono", 1}};

// Custom sizes must survive packing into the stored list.
constexpr int kMaxCustomSide = 8191;

constexpr int kFormatRole = Qt::UserRole + 1;

QListWidgetItem* FormatItem(const ZI_FORMAT& format) {
    auto* pItem = new QListWidgetItem(ZsQ(ZI_GetFormatName(format)));
    pItem->setData(kFormatRole, QVariant::fromValue<uint>(ZI_PackFormat(format)));
    return pItem;
}

ZI_FORMAT FormatOf(const QListWidgetItem* pItem) {
    return ZI_UnpackFormat(pItem->data(kFormatRole).toUInt());
}

QPushButton* Button(const QString& sText, const QString& sTip) {
    auto* pButton = new QPushButton(sText);
    pButton->setAutoDefault(false);
    pButton->setToolTip(sTip);
    return pButton;
}

// A list wide enough for its longest text.
void FitWidth(QWidget* pList, const QString& sLongest, int nExtra) {
    pList->setMinimumWidth(pList->fontMetrics().horizontalAdvance(sLongest) + nExtra);
}

}  // namespace

CDlgIconFmts::CDlgIconFmts(const char* pszSection, QWidget* pParent)
    : CZsDialog(pParent), mpszSection(pszSection) {
    setObjectName(QString::fromUtf8(pszSection));

    // Presets, and the standard formats of the focused one.
    mpPresets = new CZsListCtrl;
    mpPresets->setColumnCount(1);
    mpPresets->setHeaderHidden(true);
    mpPresets->header()->setStretchLastSection(true);
    mpPresets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpPresets->setObjectName(QStringLiteral("IDC_LV_PRESETS"));
    int nGroup = -1;
    QString sLongest;
    for (const ZI_PRESET& preset : ZI_GetPresets()) {
        const QString sName = QString::fromUtf8(preset.pszName);
        if (preset.nMask == 0) {
            mpPresets->InsertGroup(++nGroup, sName);
            continue;
        }
        mpPresets->InsertItem(mpPresets->GetItemCount(), sName, preset.nMask, nGroup);
        if (sName.size() > sLongest.size()) {
            sLongest = sName;
        }
    }
    FitWidth(mpPresets, sLongest, 56);
    mpStandard = new QListWidget;
    mpStandard->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpStandard->setObjectName(QStringLiteral("IDC_LB_STD_FMTS"));
    mpAddPresets = Button(QStringLiteral(">>"), tr("Add the formats of the selected presets"));
    mpAddStandard = Button(QStringLiteral(">>"), tr("Add the selected formats"));

    auto* pPresetGroup = new QGroupBox(tr("Image Format Presets"));
    auto* pPresetGrid = new QGridLayout(pPresetGroup);
    pPresetGrid->addWidget(mpPresets, 0, 0);
    pPresetGrid->addWidget(mpAddPresets, 0, 1, Qt::AlignVCenter);
    pPresetGrid->addWidget(mpStandard, 1, 0);
    pPresetGrid->addWidget(mpAddStandard, 1, 1, Qt::AlignVCenter);
    pPresetGrid->setRowStretch(0, 3);
    pPresetGrid->setRowStretch(1, 2);

    // A custom format.
    mpWidth = new QSpinBox;
    mpWidth->setRange(1, kMaxCustomSide);
    mpWidth->setObjectName(QStringLiteral("IDC_EDT_W"));
    mpHeight = new QSpinBox;
    mpHeight->setRange(1, kMaxCustomSide);
    mpHeight->setObjectName(QStringLiteral("IDC_EDT_H"));
    mpDepth = new QComboBox;
    for (const CDepthChoice& depth : kDepths) {
        mpDepth->addItem(QString::fromUtf8(depth.pszName));
    }
    mpDepth->setObjectName(QStringLiteral("IDC_CMB_B"));
    mpSquare = new QCheckBox(tr("S&quare"));
    mpSquare->setObjectName(QStringLiteral("IDC_CHK_SQR"));
    mpAddCustom = Button(QStringLiteral(">>"), tr("Add the custom format"));
    auto* pCustomGroup = new QGroupBox(tr("Custom Image Format"));
    auto* pCustomGrid = new QGridLayout(pCustomGroup);
    pCustomGrid->addWidget(ZsBuddyLabel(tr("&Width:"), mpWidth), 0, 0);
    pCustomGrid->addWidget(mpWidth, 0, 1);
    pCustomGrid->addWidget(ZsBuddyLabel(tr("&Height:"), mpHeight), 0, 2);
    pCustomGrid->addWidget(mpHeight, 0, 3);
    pCustomGrid->addWidget(ZsBuddyLabel(tr("C&olors:"), mpDepth), 1, 0);
    pCustomGrid->addWidget(mpDepth, 1, 1);
    pCustomGrid->addWidget(mpSquare, 1, 2, 1, 2);
    pCustomGrid->addWidget(mpAddCustom, 0, 4, 2, 1, Qt::AlignVCenter);
    pCustomGrid->setColumnStretch(1, 1);
    pCustomGrid->setColumnStretch(3, 1);

    // The desired list.
    mpDesiredList = new QListWidget;
    mpDesiredList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mpDesiredList->setObjectName(QStringLiteral("IDC_LB_SEL_FMTS"));
    FitWidth(mpDesiredList, QStringLiteral("8191x8191 - Mono"), 40);
    mpRemove = Button(QStringLiteral("<<"), tr("Remove the selected formats"));
    mpClear = Button(tr("Clear..."), tr("Remove every format"));
    mpExcept = new QCheckBox(tr("&Except above image formats"));
    mpExcept->setObjectName(QStringLiteral("IDC_CHK_EXC"));
    auto* pDesiredGroup = new QGroupBox(tr("Desired Image Formats"));
    mpDesiredLayout = new QVBoxLayout(pDesiredGroup);
    mpDesiredLayout->addWidget(mpDesiredList, 1);
    auto* pListButtons = new QHBoxLayout;
    pListButtons->addWidget(mpRemove);
    pListButtons->addWidget(mpClear);
    pListButtons->addStretch(1);
    mpDesiredLayout->addLayout(pListButtons);
    mpDesiredLayout->addWidget(mpExcept);

    mpChooser = new QWidget;
    auto* pChooserGrid = new QGridLayout(mpChooser);
    pChooserGrid->setContentsMargins(0, 0, 0, 0);
    pChooserGrid->addWidget(pPresetGroup, 0, 0);
    pChooserGrid->addWidget(pCustomGroup, 1, 0);
    pChooserGrid->addWidget(pDesiredGroup, 0, 1, 2, 1);
    pChooserGrid->setRowStretch(0, 1);
    pChooserGrid->setColumnStretch(0, 3);
    pChooserGrid->setColumnStretch(1, 2);

    mpButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    mpTop = new QVBoxLayout;
    mpBottom = new QHBoxLayout;
    mpBottom->addStretch(1);
    mpBottom->addWidget(mpButtons);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(mpTop);
    pLayout->addWidget(mpChooser, 1);
    pLayout->addLayout(mpBottom);

    BindSetting(mpSquare, ZS_FMTS_CHK_SQR.In(pszSection));
    BindSetting(mpWidth, ZS_FMTS_EDT_W.In(pszSection));
    BindSetting(mpHeight, ZS_FMTS_EDT_H.In(pszSection));
    BindSetting(mpDepth, ZS_FMTS_CMB_B.In(pszSection));
    BindSetting(mpExcept, ZS_FMTS_CHK_EXC.In(pszSection));

    connect(mpButtons, &QDialogButtonBox::accepted, this, &CDlgIconFmts::accept);
    connect(mpButtons, &QDialogButtonBox::rejected, this, &CDlgIconFmts::reject);
    connect(mpPresets, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* pCurrent) {
        const int nRow = mpPresets->IndexOf(pCurrent);
        // Headings leave the standard formats as they are.
        if (nRow >= 0 && mpPresets->GetItemData(nRow) != 0) {
            FillStandardList(mpPresets->GetItemData(nRow));
        }
    });
    connect(mpPresets, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* pItem) {
        if (mpPresets->IndexOf(pItem) >= 0) {
            AddSelectedPresets();
        }
    });
    connect(mpStandard, &QListWidget::itemDoubleClicked, this, [this] { AddSelectedStandard(); });
    connect(mpDesiredList, &QListWidget::itemDoubleClicked, this, [this] { RemoveSelected(); });
    connect(mpAddPresets, &QPushButton::clicked, this, [this] { AddSelectedPresets(); });
    connect(mpAddStandard, &QPushButton::clicked, this, [this] { AddSelectedStandard(); });
    connect(mpAddCustom, &QPushButton::clicked, this, [this] { AddCustom(); });
    connect(mpRemove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(mpClear, &QPushButton::clicked, this, [this] { ClearDesired(); });
    connect(mpWidth, &QSpinBox::valueChanged, this, [this](int nWidth) {
        if (mpSquare->isChecked()) {
            mpHeight->setValue(nWidth);
        }
    });
    connect(mpSquare, &QCheckBox::toggled, this, [this](bool bSquare) {
        if (bSquare) {
            mpHeight->setValue(mpWidth->value());
        }
        UpdateControls();
    });
    connect(mpPresets, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(mpStandard, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(mpDesiredList, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
}

bool CDlgIconFmts::IsExcept() const {
    return mpExcept->isChecked();
}

QPushButton* CDlgIconFmts::OkButton() const {
    return mpButtons->button(QDialogButtonBox::Ok);
}

void CDlgIconFmts::AddChooserOption(QWidget* pWidget) {
    mpDesiredLayout->addWidget(pWidget);
}

void CDlgIconFmts::showEvent(QShowEvent* pEvent) {
    if (!mbInitialised) {
        mbInitialised = true;
        OnInitDialog();
    }
    CZsDialog::showEvent(pEvent);
}

void CDlgIconFmts::OnInitDialog() {
    LoadSettings();
    if (mpSquare->isChecked()) {
        mpHeight->setValue(mpWidth->value());
    }
    mDesired.clear();
    mpDesiredList->clear();
    for (const ZI_FORMAT& format : ZI_ReadDesiredFormats(mpszSection)) {
        InsertDesired(format);
    }
    // The first preset that is not a heading ("All Standard Image Formats"), so that the standard list opens
    // with every standard format.
    for (int nRow = 0; nRow < mpPresets->GetItemCount(); ++nRow) {
        if (mpPresets->GetItemData(nRow) != 0) {
            mpPresets->SetItemSelected(nRow, true);
            mpPresets->SetFocusedItem(nRow);
            break;
        }
    }
    mpPresets->setFocus();
    UpdateControls();
}

int CDlgIconFmts::OkEnableTest() const {
    return static_cast<int>(mDesired.size());
}

int CDlgIconFmts::SelectedPresetCount() const {
    int nCount = 0;
    for (int nRow = 0; nRow < mpPresets->GetItemCount(); ++nRow) {
        nCount += mpPresets->IsItemSelected(nRow) ? 1 : 0;
    }
    return nCount;
}

void CDlgIconFmts::UpdateControls() {
    mpAddPresets->setEnabled(SelectedPresetCount() > 0);
    mpAddStandard->setEnabled(!mpStandard->selectedItems().isEmpty());
    mpRemove->setEnabled(!mpDesiredList->selectedItems().isEmpty());
    mpClear->setEnabled(!mDesired.empty());
    mpHeight->setEnabled(!mpSquare->isChecked());
    OkButton()->setEnabled(OkEnableTest() != 0);
}

void CDlgIconFmts::FillStandardList(uint64_t nMask) {
    mpStandard->clear();
    for (const ZI_FORMAT& format : ZI_GetMaskFormats(nMask)) {
        mpStandard->addItem(FormatItem(format));
    }
    if (mpStandard->count() > 0) {
        mpStandard->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    UpdateControls();
}

bool CDlgIconFmts::InsertDesired(const ZI_FORMAT& format) {
    if (!ZI_InsertDesiredFormat(mDesired, format)) {
        return false;
    }
    const auto it = std::find(mDesired.begin(), mDesired.end(), format);
    mpDesiredList->insertItem(static_cast<int>(it - mDesired.begin()), FormatItem(format));
    UpdateControls();
    return true;
}

void CDlgIconFmts::AddSelectedPresets() {
    for (int nRow = 0; nRow < mpPresets->GetItemCount(); ++nRow) {
        if (mpPresets->IsItemSelected(nRow)) {
            for (const ZI_FORMAT& format : ZI_GetMaskFormats(mpPresets->GetItemData(nRow))) {
                InsertDesired(format);
            }
        }
    }
}

void CDlgIconFmts::AddSelectedStandard() {
    for (int nRow = 0; nRow < mpStandard->count(); ++nRow) {
        if (mpStandard->item(nRow)->isSelected()) {
            InsertDesired(FormatOf(mpStandard->item(nRow)));
        }
    }
}

void CDlgIconFmts::AddCustom() {
    const ZI_FORMAT format{mpWidth->value(), mpHeight->value(),
                           kDepths[std::clamp(mpDepth->currentIndex(), 0, 4)].nBitCount};
    InsertDesired(format);
}

void CDlgIconFmts::RemoveSelected() {
    const int nCaret = mpDesiredList->currentRow();
    for (int nRow = mpDesiredList->count() - 1; nRow >= 0; --nRow) {
        if (mpDesiredList->item(nRow)->isSelected()) {
            delete mpDesiredList->takeItem(nRow);
            mDesired.erase(mDesired.begin() + nRow);
        }
    }
    // The row that took the caret's place, or the last one when the caret was past the end.
    const int nCount = mpDesiredList->count();
    if (nCount > 0) {
        mpDesiredList->setCurrentRow(std::clamp(nCaret, 0, nCount - 1), QItemSelectionModel::ClearAndSelect);
    }
    UpdateControls();
}

void CDlgIconFmts::ClearDesired() {
    if (ZsMsgBox(ZS_MB_QUESTION, tr("Are you sure you want to remove all the image formats?")) != ZS_IDOK) {
        return;
    }
    mDesired.clear();
    mpDesiredList->clear();
    UpdateControls();
}

void CDlgIconFmts::accept() {
    if (OkEnableTest() == 0) {
        return;
    }
    ZI_WriteDesiredFormats(mpszSection, mDesired);
    CZsDialog::accept();
}

CDlgNewFmts::CDlgNewFmts(QWidget* pParent) : CDlgIconFmts(ZS_SEC_NEW_FMTS, pParent) {
    setWindowTitle(tr("New Image Formats"));
    mpBaseOnSel = new QCheckBox(tr("Creation &based on the selected image"));
    mpBaseOnSel->setObjectName(QStringLiteral("IDC_CHK_BASE_ON_SEL"));
    BottomLayout()->insertWidget(0, mpBaseOnSel);
    BindSetting(mpBaseOnSel, ZS_NEW_FMTS_BASE_ON_SEL);
}

bool CDlgNewFmts::IsBasedOnSelection() const {
    return mpBaseOnSel->isChecked();
}

CDlgDelFmts::CDlgDelFmts(QWidget* pParent) : CDlgIconFmts(ZS_SEC_DEL_FMTS, pParent) {
    setWindowTitle(tr("Remove Image Formats from Selected Icons"));
    mpKeepBig = new QCheckBox(tr("&Never delete the largest image in icons"));
    mpKeepBig->setObjectName(QStringLiteral("IDC_CHK_KEEP_BIG"));
    BottomLayout()->insertWidget(0, mpKeepBig);
    BindSetting(mpKeepBig, ZS_DEL_FMTS_KEEP_BIG);
}

bool CDlgDelFmts::IsKeepLargest() const {
    return mpKeepBig->isChecked();
}
