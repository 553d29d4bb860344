// The image-format chooser: the user builds a list of desired formats from the presets, the standard formats
// of the focused preset and custom sizes. New Images (CDlgNewFmts), Delete Formats from Icons (CDlgDelFmts)
// and the export dialogs (CDlgIconExp, DlgIconExp.h) put their own controls around it. Each class keeps its
// settings under its own name; they are read when the dialog is first shown and written on OK.
//
// The desired list stays sorted by depth, then area, both descending, without repeats
// (ZI_InsertDesiredFormat). The enabling rules are evaluated after every change of the controls.
#pragma once

#include <vector>

#include "gui/common/ZsDialog.h"
#include "icon/ZsIcon.h"

class CZsListCtrl;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QHBoxLayout;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

class CDlgIconFmts : public CZsDialog {
    Q_OBJECT
public:
    // Results, valid after OK: the desired formats in list order and "Except above image formats".
    const std::vector<ZI_FORMAT>& Desired() const { return mDesired; }
    bool IsExcept() const;

    // Inserts a format at its sorted place in the desired list; false when it is there already or cannot be
    // stored (width or height outside 1 to 8191, or another depth than 1, 4, 8, 24 and 32 bits).
    bool InsertDesired(const ZI_FORMAT& format);

    // The controls, for the classes around the chooser and for tests.
    CZsListCtrl* PresetList() const { return mpPresets; }
    QListWidget* StandardList() const { return mpStandard; }
    QListWidget* DesiredList() const { return mpDesiredList; }
    QSpinBox* WidthEdit() const { return mpWidth; }
    QSpinBox* HeightEdit() const { return mpHeight; }
    QComboBox* DepthCombo() const { return mpDepth; }
    QCheckBox* SquareCheck() const { return mpSquare; }
    QCheckBox* ExceptCheck() const { return mpExcept; }
    QPushButton* AddPresetsButton() const { return mpAddPresets; }
    QPushButton* AddStandardButton() const { return mpAddStandard; }
    QPushButton* AddCustomButton() const { return mpAddCustom; }
    QPushButton* RemoveButton() const { return mpRemove; }
    QPushButton* ClearButton() const { return mpClear; }
    QPushButton* OkButton() const;

public slots:
    // Stores the settings and closes with OK; nothing happens while the enabling test gives 0.
    void accept() override;

protected:
    // pszSection: the class name under which the settings are kept.
    CDlgIconFmts(const char* pszSection, QWidget* pParent);

    // Runs once, when the dialog is first shown: reads the settings, rebuilds the desired list, selects and
    // focuses the first preset. Classes around the chooser extend it.
    virtual void OnInitDialog();
    // The test that enables OK: here the number of desired formats.
    virtual int OkEnableTest() const;
    // Applies every enabling rule.
    virtual void UpdateControls();

    void showEvent(QShowEvent* pEvent) override;

    // Where the classes around the chooser put their controls: above it, under "Except above image formats",
    // and on the left of OK and Cancel.
    QVBoxLayout* TopLayout() const { return mpTop; }
    void AddChooserOption(QWidget* pWidget);
    QHBoxLayout* BottomLayout() const { return mpBottom; }
    // The chooser (presets, custom format, desired list and their options).
    QWidget* ChooserPart() const { return mpChooser; }

    const char* mpszSection;

private:
    void FillStandardList(uint64_t nMask);
    void AddSelectedPresets();
    void AddSelectedStandard();
    void AddCustom();
    void RemoveSelected();
    void ClearDesired();
    int SelectedPresetCount() const;

    std::vector<ZI_FORMAT> mDesired;
    bool mbInitialised = false;

    QVBoxLayout* mpTop;
    QWidget* mpChooser;
    QVBoxLayout* mpDesiredLayout;
    QHBoxLayout* mpBottom;
    QDialogButtonBox* mpButtons;

    CZsListCtrl* mpPresets;
    QListWidget* mpStandard;
    QSpinBox* mpWidth;
    QSpinBox* mpHeight;
    QComboBox* mpDepth;
    QCheckBox* mpSquare;
    QListWidget* mpDesiredList;
    QCheckBox* mpExcept;
    QPushButton* mpAddPresets;
    QPushButton* mpAddStandard;
    QPushButton* mpAddCustom;
    QPushButton* mpRemove;
    QPushButton* mpClear;
};

// "New Image Formats" for the images of one icon; adds "Creation based on the selected image".
class CDlgNewFmts : public CDlgIconFmts {
    Q_OBJECT
public:
    explicit CDlgNewFmts(QWidget* pParent = nullptr);
    bool IsBasedOnSelection() const;
    QCheckBox* BaseOnSelCheck() const { return mpBaseOnSel; }

private:
    QCheckBox* mpBaseOnSel;
};

// "Remove Image Formats from Selected Icons"; adds "Never delete the largest image in icons".
class CDlgDelFmts : public CDlgIconFmts {
    Q_OBJECT
public:
    explicit CDlgDelFmts(QWidget* pParent = nullptr);
    bool IsKeepLargest() const;
    QCheckBox* KeepBigCheck() const { return mpKeepBig; }

private:
    QCheckBox* mpKeepBig;
};
