// Find Icons: the text to look for (an editable list holding the history of earlier texts, most recent
// first), the categories to search, and how to match (case, whole word, regular expression) in names and
// keywords. "&Search" is enabled when there is a text and names or keywords are to be searched. The scope
// and the five check boxes are remembered; the text goes to the front of the history on "&Search".
#pragma once

#include <string>

#include "gui/common/ZsDialog.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class CDlgIconFind : public CZsDialog {
    Q_OBJECT
public:
    explicit CDlgIconFind(QWidget* pParent = nullptr);

    std::string Text() const;
    // ZIL_SCOPE_DESCENDANTS, ZIL_SCOPE_SELECTED or ZIL_SCOPE_ALL.
    int Scope() const;
    bool IsCaseSensitive() const;
    bool IsWholeWord() const;
    bool IsRegEx() const;
    bool IsInNames() const;
    bool IsInKeywords() const;

    QComboBox* FindWhat() const { return mpFindWhat; }
    QComboBox* ScopeList() const { return mpScope; }
    QCheckBox* CaseSensitive() const { return mpCase; }
    QCheckBox* WholeWord() const { return mpWholeWord; }
    QCheckBox* RegEx() const { return mpRegEx; }
    QCheckBox* InNames() const { return mpNames; }
    QCheckBox* InKeywords() const { return mpKeywords; }
    QPushButton* SearchButton() const { return mpSearch; }

public slots:
    // Puts the text at the front of the history, stores the settings and closes with "&Search".
    void accept() override;

private:
    void UpdateSearchButton();

    QComboBox* mpFindWhat;
    QComboBox* mpScope;
    QCheckBox* mpCase;
    QCheckBox* mpWholeWord;
    QCheckBox* mpRegEx;
    QCheckBox* mpNames;
    QCheckBox* mpKeywords;
    QPushButton* mpSearch;
};
