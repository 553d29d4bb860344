// "Image Joint": how the selected icons are joined into one picture — the cell size, the layout (a strip of
// n x 1, a square of s x s, or custom columns and rows that follow each other), the space between the cells
// and the background colour. The choices fill the core's grid parameters (ZS_GRID). Its settings have
// always been kept under the framework base class's name, "CDialog".
#pragma once

#include "gui/common/ZsDialog.h"
#include "library/ZsGrid.h"

class CZsColorPicker;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

class CDlgExpGrid : public CZsDialog {
    Q_OBJECT
public:
    // n: the number of icons to join (at least 1).
    explicit CDlgExpGrid(int n, QWidget* pParent = nullptr);

    // The grid, valid after OK.
    const ZS_GRID& Grid() const { return mGrid; }

    QComboBox* WidthCombo() const { return mpWidth; }
    QComboBox* HeightCombo() const { return mpHeight; }
    QCheckBox* SquareCheck() const { return mpSquare; }
    QRadioButton* StripRadio() const { return mpStrip; }
    QRadioButton* SquareRadio() const { return mpSquareLayout; }
    QRadioButton* CustomRadio() const { return mpCustom; }
    QSpinBox* ColumnsEdit() const { return mpColumns; }
    QSpinBox* RowsEdit() const { return mpRows; }
    QCheckBox* IntervalCheck() const { return mpInterval; }
    QSpinBox* IntervalEdit() const { return mpSpacing; }
    QCheckBox* BackgroundCheck() const { return mpBackground; }
    CZsColorPicker* ColorButton() const { return mpColor; }

public slots:
    // Refuses a cell size that is no number from 1 up; otherwise stores the choices and closes.
    void accept() override;

private:
    void UpdateControls();
    // A typed column (or row) count sets the other side to fit the n icons.
    void OnSideTyped(QSpinBox* pTyped, QSpinBox* pOther);

    int mn;
    int mnSquareSide;
    bool mbCoupling = false;
    ZS_GRID mGrid;
    QComboBox* mpWidth;
    QComboBox* mpHeight;
    QCheckBox* mpSquare;
    QRadioButton* mpStrip;
    QRadioButton* mpSquareLayout;
    QRadioButton* mpCustom;
    QSpinBox* mpColumns;
    QSpinBox* mpRows;
    QCheckBox* mpInterval;
    QSpinBox* mpSpacing;
    QCheckBox* mpBackground;
    CZsColorPicker* mpColor;
};
