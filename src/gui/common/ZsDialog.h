// The base of the program's dialogs. A dialog that remembers its controls binds each of them to its entry
// of the settings table (ZsSettings.h: the section is the dialog's class name, the key the control's
// identifier). The values are read by LoadSettings when the dialog is set up and written when the user
// confirms the dialog with OK; Cancel writes nothing.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "common/ZsSettings.h"
#include "gui/common/ZsCmdTarget.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// A label whose mnemonic puts the focus on its buddy.
QLabel* ZsBuddyLabel(const QString& sText, QWidget* pBuddy);

class CZsDialog : public QDialog, public CZsCmdTarget {
    Q_OBJECT
public:
    explicit CZsDialog(QWidget* pParent = nullptr);

    // A check box or radio button: 0 or 1.
    void BindSetting(QAbstractButton* pButton, const CZsBoolSetting& setting);
    // A drop-down list: its selected index (an index the list does not have gives the default).
    void BindSetting(QComboBox* pList, const CZsIntSetting& setting);
    // An editable combo box or an edit box: its text.
    void BindSetting(QComboBox* pCombo, const CZsTextSetting& setting);
    void BindSetting(QLineEdit* pEdit, const CZsTextSetting& setting);
    // A number box.
    void BindSetting(QSpinBox* pSpin, const CZsIntSetting& setting);
    // An editable combo box that holds a number: its text (text that is no number stores the default).
    void BindNumberText(QComboBox* pCombo, const CZsIntSetting& setting);

    // Gives every bound control its stored value.
    void LoadSettings();
    // Stores every bound control.
    void SaveSettings() const;

public slots:
    // Stores the bound controls, then closes with OK.
    void accept() override;

private:
    struct CBinding {
        std::function<void()> load;
        std::function<void()> save;
    };
    std::vector<CBinding> mBindings;
};
