// "Image Segmentation": how pictures are cut into tiles when they are imported as strips or grids. Columns
// come from a tile width or a number of tiles across, rows from a tile height or a number of tiles down;
// "Square" makes the height follow the width while both are given in pixels. On OK the choices are stored
// and give the tile parameters of the import (ZsGetGridImportTiles): a pixel size, or minus a count.
#pragma once

#include "gui/common/ZsDialog.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

// An editable size box of the grid dialogs, named after its control: it offers the standard icon sizes and
// takes any other number from 1 up.
QComboBox* ZsNewGridSizeBox(const char* pszName);
// A size box that is in use must hold a number from 1 to 2147483647; false, after saying so and putting the
// focus there, when it does not.
bool ZsCheckSizeBox(QComboBox* pCombo);
// Makes the height box follow the width box while "Square" is checked: at once, when "Square" becomes
// checked, and at every change of the width.
void ZsFollowSquare(QCheckBox* pSquare, QComboBox* pWidth, QComboBox* pHeight);

class CDlgImpGrid : public CZsDialog {
    Q_OBJECT
public:
    explicit CDlgImpGrid(QWidget* pParent = nullptr);

    // The tile parameters, valid after OK.
    int TileWidth() const { return mnTileWidth; }
    int TileHeight() const { return mnTileHeight; }

    QRadioButton* ByWidthRadio() const { return mpByWidth; }
    QRadioButton* ByColumnsRadio() const { return mpByColumns; }
    QRadioButton* ByHeightRadio() const { return mpByHeight; }
    QRadioButton* ByRowsRadio() const { return mpByRows; }
    QCheckBox* SquareCheck() const { return mpSquare; }
    QComboBox* WidthCombo() const { return mpWidth; }
    QComboBox* HeightCombo() const { return mpHeight; }
    QSpinBox* ColumnsEdit() const { return mpColumns; }
    QSpinBox* RowsEdit() const { return mpRows; }

public slots:
    // Refuses a width or height in use that is no number from 1 up; otherwise stores and closes.
    void accept() override;

private:
    void UpdateControls();

    int mnTileWidth = 0;
    int mnTileHeight = 0;
    QRadioButton* mpByWidth;
    QRadioButton* mpByColumns;
    QRadioButton* mpByHeight;
    QRadioButton* mpByRows;
    QCheckBox* mpSquare;
    QComboBox* mpWidth;
    QComboBox* mpHeight;
    QSpinBox* mpColumns;
    QSpinBox* mpRows;
};
