// The options dialog: importing, the program that edits icons, the file format of images dragged to the
// desktop, the sizing of imported pictures, whether generated images are stored PNG-compressed and the length
// of the find history. Its controls keep their
// values in section "CDlgOpt"; OK stores them, Cancel does not. "Clear..." empties the find history at once,
// "Reset Defaults..." puts some of the controls back to their defaults without storing anything yet. OK also
// makes the PNG choice the one generation follows from then on.
#pragma once

#include "gui/common/ZsDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CDlgOpt : public CZsDialog {
    Q_OBJECT
public:
    explicit CDlgOpt(QWidget* pParent = nullptr);

    QCheckBox* ImpDirsWithIcons() const { return mpImpDirsWithIcons; }
    QComboBox* ImpExts() const { return mpImpExts; }
    QCheckBox* EditWithProgram() const { return mpAss; }
    QLineEdit* ProgramPath() const { return mpAssPath; }
    QPushButton* BrowseButton() const { return mpBrowse; }
    QComboBox* DndImgFileFmt() const { return mpDndFmt; }
    QComboBox* ResizeMode() const { return mpResize; }
    QSpinBox* FindHistory() const { return mpFindHistory; }
    QCheckBox* PngCheck() const { return mpPng; }
    QSpinBox* PngSize() const { return mpPngSize; }
    QPushButton* ClearButton() const { return mpClear; }
    QPushButton* ResetButton() const { return mpReset; }

    // "Clear...": asks, then empties the find history.
    void OnClearHistory();
    // "Reset Defaults...": asks, then resets the directory-tree check box, the import filter, the drag
    // format, the history length and the PNG choice.
    void OnResetDefaults();
    // "...": lets the user pick the program.
    void OnBrowse();

public slots:
    void accept() override;

private:
    void EnableProgramPath();

    QCheckBox* mpImpDirsWithIcons;
    QComboBox* mpImpExts;
    QCheckBox* mpAss;
    QLineEdit* mpAssPath;
    QPushButton* mpBrowse;
    QComboBox* mpDndFmt;
    QComboBox* mpResize;
    QSpinBox* mpFindHistory;
    QCheckBox* mpPng;
    QSpinBox* mpPngSize;
    QPushButton* mpClear;
    QPushButton* mpReset;
};
