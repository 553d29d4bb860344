#include "gui/app/DlgOpt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"

namespace {

// The patterns offered for the folder import: each group of types read, then all of them.
constexpr unsigned kImportPatternGroups[] = {
    ZS_KIND_BIT(ZI_SOURCE_ICO),
    ZS_KIND_BIT(ZI_SOURCE_MODULE),
    ZS_KIND_BIT(ZI_SOURCE_PICTURE),
    ZS_KIND_BIT(ZI_SOURCE_ICNS) | ZS_KIND_BIT(ZI_SOURCE_CURSOR),
    ZS_ALL_KINDS,
};
const char* const kResizeModes[] = {
    QT_TRANSLATE_NOOP("CDlgOpt", "Enlarge to standard icon format"),
    QT_TRANSLATE_NOOP("CDlgOpt", "Shrink to standard icon format"),
    QT_TRANSLATE_NOOP("CDlgOpt", "Keep original size"),
};

}  // namespace

CDlgOpt::CDlgOpt(QWidget* pParent) : CZsDialog(pParent) {
    setObjectName(QStringLiteral("CDlgOpt"));
    setWindowTitle(tr("Options"));

    mpImpDirsWithIcons = new QCheckBox(tr("Also import icons when import disk directory tree"));
    mpImpExts = new QComboBox;
    mpImpExts->setEditable(true);
    mpImpExts->setInsertPolicy(QComboBox::NoInsert);
    for (unsigned nKinds : kImportPatternGroups) {
        mpImpExts->addItem(ZsQ(ZsFileTypePatterns(nKinds)));
    }
    mpAss = new QCheckBox(tr("Edit icons with the specified program"));
    mpAssPath = new QLineEdit;
    mpBrowse = new QPushButton(QStringLiteral("..."));
    mpBrowse->setAutoDefault(false);
    mpBrowse->setFixedWidth(mpBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    mpDndFmt = new QComboBox;
    // The picture types and the icon file: the export types without the icon library.
    ZsFillExportTypes(mpDndFmt, false);
    mpResize = new QComboBox;
    for (const char* pszMode : kResizeModes) {
        mpResize->addItem(tr(pszMode));
    }
    mpPng = new QCheckBox(tr("Store generated images PNG-compressed from"));
    mpPngSize = new QSpinBox;
    mpPngSize->setRange(1, 8191);
    mpPngSize->setSuffix(tr(" pixels"));
    mpFindHistory = new QSpinBox;
    mpFindHistory->setRange(0, INT_MAX);
    mpClear = new QPushButton(tr("Clear..."));
    mpClear->setAutoDefault(false);
    mpReset = new QPushButton(tr("Reset Defaults..."));
    mpReset->setAutoDefault(false);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(mpImpDirsWithIcons);
    pLayout->addWidget(ZsBuddyLabel(tr("Default import filters:"), mpImpExts));
    pLayout->addWidget(mpImpExts);
    pLayout->addSpacing(6);
    pLayout->addWidget(mpAss);
    auto* pPathRow = new QHBoxLayout;
    pPathRow->addWidget(mpAssPath, 1);
    pPathRow->addWidget(mpBrowse);
    pLayout->addLayout(pPathRow);
    pLayout->addSpacing(6);
    pLayout->addWidget(
        ZsBuddyLabel(tr("Output format when Drag&&Drop images to the file manager:"), mpDndFmt));
    pLayout->addWidget(mpDndFmt);
    pLayout->addWidget(ZsBuddyLabel(tr("Resizing mode when import image files:"), mpResize));
    pLayout->addWidget(mpResize);
    auto* pPngRow = new QHBoxLayout;
    pPngRow->addWidget(mpPng);
    pPngRow->addWidget(mpPngSize);
    pPngRow->addStretch(1);
    pLayout->addLayout(pPngRow);
    auto* pHistory = new QGroupBox(tr("Find"));
    auto* pHistoryRow = new QHBoxLayout(pHistory);
    pHistoryRow->addWidget(ZsBuddyLabel(tr("Find history length:"), mpFindHistory));
    pHistoryRow->addWidget(mpFindHistory, 1);
    pHistoryRow->addWidget(mpClear);
    pLayout->addWidget(pHistory);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->addButton(mpReset, QDialogButtonBox::ResetRole);
    pLayout->addSpacing(6);
    pLayout->addWidget(pButtons);
    setMinimumWidth(440);

    BindSetting(mpImpDirsWithIcons, ZS_OPT_IMP_DIRS_WITH_ICONS);
    BindSetting(mpImpExts, ZS_OPT_IMP_EXTS);
    BindSetting(mpAss, ZS_OPT_ASS);
    BindSetting(mpAssPath, ZS_OPT_ASS_PATH);
    BindSetting(mpDndFmt, ZS_OPT_DND_IMG_FILE_FMT);
    BindSetting(mpResize, ZS_OPT_RESIZE);
    BindSetting(mpFindHistory, ZS_OPT_FIND_HISTORY);
    BindSetting(mpPng, ZS_OPT_PNG);
    BindSetting(mpPngSize, ZS_OPT_PNG_SIZE);
    LoadSettings();
    EnableProgramPath();
    mpPngSize->setEnabled(mpPng->isChecked());

    connect(mpAss, &QCheckBox::toggled, this, &CDlgOpt::EnableProgramPath);
    connect(mpPng, &QCheckBox::toggled, mpPngSize, &QWidget::setEnabled);
    connect(mpBrowse, &QPushButton::clicked, this, &CDlgOpt::OnBrowse);
    connect(mpClear, &QPushButton::clicked, this, &CDlgOpt::OnClearHistory);
    connect(mpReset, &QPushButton::clicked, this, &CDlgOpt::OnResetDefaults);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgOpt::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgOpt::reject);
}

void CDlgOpt::accept() {
    CZsDialog::accept();
    ZI_ApplyPngOption();
}

void CDlgOpt::EnableProgramPath() {
    mpAssPath->setEnabled(mpAss->isChecked());
    mpBrowse->setEnabled(mpAss->isChecked());
}

void CDlgOpt::OnBrowse() {
    std::filesystem::path folder = ZsGetProgramFilesDir();
    const std::filesystem::path program = ZsOpenProgramDialog(this, &folder);
    if (!program.empty()) {
        mpAssPath->setText(ZsQPath(program));
    }
}

void CDlgOpt::OnClearHistory() {
    if (ZsMsgBox(ZS_MB_QUESTION, tr("Are you sure you want to clear the find history?")) == ZS_IDOK) {
        ZS_FIND_HISTORY.Set({});
    }
}

void CDlgOpt::OnResetDefaults() {
    if (ZsMsgBox(ZS_MB_QUESTION, tr("Are you sure you want to restore all the default settings?")) !=
        ZS_IDOK) {
        return;
    }
    mpImpDirsWithIcons->setChecked(ZS_OPT_IMP_DIRS_WITH_ICONS.bDefault);
    mpImpExts->setCurrentText(QString::fromUtf8(ZS_OPT_IMP_EXTS.pszDefault));
    mpDndFmt->setCurrentIndex(ZS_OPT_DND_IMG_FILE_FMT.nDefault);
    mpFindHistory->setValue(ZS_OPT_FIND_HISTORY.nDefault);
    mpPng->setChecked(ZS_OPT_PNG.bDefault);
    mpPngSize->setValue(ZS_OPT_PNG_SIZE.nDefault);
}
