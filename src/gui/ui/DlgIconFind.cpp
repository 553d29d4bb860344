#include "gui/ui/DlgIconFind.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/ZsSettings.h"
#include "gui/common/ZsQt.h"
#include "library/ZsIconLib.h"

namespace {

// In the order of ZIL_FIND_SCOPE.
const char* const kScopes[] = {
    QT_TRANSLATE_NOOP("CDlgIconFind", "Selected and descendant categories"),
    QT_TRANSLATE_NOOP("CDlgIconFind", "Only selected category"),
    QT_TRANSLATE_NOOP("CDlgIconFind", "All categories"),
};

}  // namespace

CDlgIconFind::CDlgIconFind(QWidget* pParent) : CZsDialog(pParent) {
    setObjectName(QStringLiteral("CDlgIconFind"));
    setWindowTitle(tr("Find Icons"));

    mpFindWhat = new QComboBox;
    mpFindWhat->setEditable(true);
    mpFindWhat->setInsertPolicy(QComboBox::NoInsert);
    mpFindWhat->setMinimumContentsLength(32);
    for (const std::string& sText : ZS_FIND_HISTORY.Get()) {
        mpFindWhat->addItem(ZsQ(sText));
    }
    mpFindWhat->setCurrentIndex(mpFindWhat->count() > 0 ? 0 : -1);
    mpScope = new QComboBox;
    for (const char* pszScope : kScopes) {
        mpScope->addItem(tr(pszScope));
    }
    mpCase = new QCheckBox(tr("Case sensitive"));
    mpWholeWord = new QCheckBox(tr("Whole word only"));
    mpRegEx = new QCheckBox(tr("Regular expression"));
    mpNames = new QCheckBox(tr("Names"));
    mpKeywords = new QCheckBox(tr("Keywords"));

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("Find what:"), mpFindWhat);
    pForm->addRow(tr("Scope:"), mpScope);

    auto* pOptions = new QGroupBox(tr(" Options "));
    auto* pOptionsLayout = new QVBoxLayout(pOptions);
    pOptionsLayout->addWidget(mpCase);
    pOptionsLayout->addWidget(mpWholeWord);
    pOptionsLayout->addWidget(mpRegEx);
    auto* pOccurrence = new QGroupBox(tr(" Occurrence "));
    auto* pOccurrenceLayout = new QVBoxLayout(pOccurrence);
    pOccurrenceLayout->addWidget(mpNames);
    pOccurrenceLayout->addWidget(mpKeywords);
    pOccurrenceLayout->addStretch(1);
    auto* pGroups = new QHBoxLayout;
    pGroups->addWidget(pOptions, 1);
    pGroups->addWidget(pOccurrence, 1);

    auto* pButtons = new QDialogButtonBox;
    mpSearch = pButtons->addButton(tr("&Search"), QDialogButtonBox::AcceptRole);
    pButtons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    mpSearch->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgIconFind::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgIconFind::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addLayout(pGroups);
    pLayout->addWidget(pButtons);

    BindSetting(mpScope, ZS_FIND_IN);
    BindSetting(mpCase, ZS_FIND_CASE_SENSITIVE);
    BindSetting(mpWholeWord, ZS_FIND_WHOLE_WORD);
    BindSetting(mpRegEx, ZS_FIND_REG_EX);
    BindSetting(mpNames, ZS_FIND_IN_NAMES);
    BindSetting(mpKeywords, ZS_FIND_IN_KWDS);
    LoadSettings();

    connect(mpFindWhat, &QComboBox::currentTextChanged, this, [this] { UpdateSearchButton(); });
    connect(mpNames, &QCheckBox::toggled, this, [this] { UpdateSearchButton(); });
    connect(mpKeywords, &QCheckBox::toggled, this, [this] { UpdateSearchButton(); });
    UpdateSearchButton();
    mpFindWhat->setFocus();
    mpFindWhat->lineEdit()->selectAll();
}

std::string CDlgIconFind::Text() const {
    return ZsS(mpFindWhat->currentText());
}

int CDlgIconFind::Scope() const {
    return mpScope->currentIndex();
}

bool CDlgIconFind::IsCaseSensitive() const {
    return mpCase->isChecked();
}

bool CDlgIconFind::IsWholeWord() const {
    return mpWholeWord->isChecked();
}

bool CDlgIconFind::IsRegEx() const {
    return mpRegEx->isChecked();
}

bool CDlgIconFind::IsInNames() const {
    return mpNames->isChecked();
}

bool CDlgIconFind::IsInKeywords() const {
    return mpKeywords->isChecked();
}

void CDlgIconFind::UpdateSearchButton() {
    mpSearch->setEnabled(!mpFindWhat->currentText().isEmpty() &&
                         (mpNames->isChecked() || mpKeywords->isChecked()));
}

void CDlgIconFind::accept() {
    // The Enter key reaches here even while "&Search" is disabled.
    if (!mpSearch->isEnabled()) {
        return;
    }
    ZsAddFindHistory(Text());
    CZsDialog::accept();
}
