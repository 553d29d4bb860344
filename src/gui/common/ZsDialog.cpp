#include "gui/common/ZsDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "gui/common/ZsQt.h"

QLabel* ZsBuddyLabel(const QString& sText, QWidget* pBuddy) {
    auto* pLabel = new QLabel(sText);
    pLabel->setBuddy(pBuddy);
    return pLabel;
}

CZsDialog::CZsDialog(QWidget* pParent) : QDialog(pParent) {}

void CZsDialog::BindSetting(QAbstractButton* pButton, const CZsBoolSetting& setting) {
    mBindings.push_back({[pButton, setting] { pButton->setChecked(setting.Get()); },
                         [pButton, setting] { setting.Set(pButton->isChecked()); }});
}

void CZsDialog::BindSetting(QComboBox* pList, const CZsIntSetting& setting) {
    mBindings.push_back({[pList, setting] {
                             // An index beyond the list or of an item not offered falls back to the default.
                             const int nIndex = setting.Get();
                             const bool bOffered = nIndex >= 0 && nIndex < pList->count() &&
                                                   (pList->model()->flags(pList->model()->index(nIndex, 0)) &
                                                    Qt::ItemIsEnabled);
                             pList->setCurrentIndex(bOffered ? nIndex : setting.nDefault);
                         },
                         [pList, setting] { setting.Set(pList->currentIndex()); }});
}

void CZsDialog::BindSetting(QComboBox* pCombo, const CZsTextSetting& setting) {
    mBindings.push_back({[pCombo, setting] { pCombo->setCurrentText(ZsQ(setting.Get())); },
                         [pCombo, setting] { setting.Set(ZsS(pCombo->currentText())); }});
}

void CZsDialog::BindSetting(QLineEdit* pEdit, const CZsTextSetting& setting) {
    mBindings.push_back({[pEdit, setting] { pEdit->setText(ZsQ(setting.Get())); },
                         [pEdit, setting] { setting.Set(ZsS(pEdit->text())); }});
}

void CZsDialog::BindSetting(QSpinBox* pSpin, const CZsIntSetting& setting) {
    mBindings.push_back({[pSpin, setting] { pSpin->setValue(setting.Get()); },
                         [pSpin, setting] { setting.Set(pSpin->value()); }});
}

void CZsDialog::BindNumberText(QComboBox* pCombo, const CZsIntSetting& setting) {
    mBindings.push_back({[pCombo, setting] { pCombo->setCurrentText(QString::number(setting.Get())); },
                         [pCombo, setting] {
                             bool bOk = false;
                             const int nValue = pCombo->currentText().trimmed().toInt(&bOk);
                             setting.Set(bOk ? nValue : setting.nDefault);
                         }});
}

void CZsDialog::LoadSettings() {
    for (const CBinding& binding : mBindings) {
        binding.load();
    }
}

void CZsDialog::SaveSettings() const {
    for (const CBinding& binding : mBindings) {
        binding.save();
    }
}

void CZsDialog::accept() {
    SaveSettings();
    QDialog::accept();
}
