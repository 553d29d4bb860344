// The export dialogs: "Export Selected Icons" (CDlgIconExp) writes icons as pictures, icon files, one icon
// library, Apple icon files or an icon theme folder, optionally after giving them custom formats chosen in
// the format chooser below the export options; "Export Selected Images" (CDlgImgExp) writes images of one
// icon and offers neither the library type nor custom formats. The choices fill the core's export options.
#pragma once

#include "gui/batch/DlgIconFmts.h"
#include "library/ZsExport.h"

class QLineEdit;

class CDlgIconExp : public CDlgIconFmts {
    Q_OBJECT
public:
    explicit CDlgIconExp(QWidget* pParent = nullptr);

    // The choices, valid after OK.
    const ZIL_EXPORT_OPTIONS& Options() const { return mOptions; }

    QComboBox* FileFormatCombo() const { return mpFileFmt; }
    QLineEdit* FolderEdit() const { return mpFolder; }
    QPushButton* BrowseButton() const { return mpBrowse; }
    QCheckBox* EachCheck() const { return mpEach; }
    QCheckBox* CustomCheck() const { return mpCustom; }
    QCheckBox* GenerateCheck() const { return mpGenerate; }
    // Whether the custom-format part is shown.
    bool IsCustomPartShown() const { return mbCustomShown; }

public slots:
    // Refuses a folder that does not exist (the dialog stays open); otherwise stores the choices and closes.
    void accept() override;

protected:
    CDlgIconExp(const char* pszSection, QWidget* pParent);
    void OnInitDialog() override;
    // OK needs desired formats only while custom formats are on.
    int OkEnableTest() const override;
    void UpdateControls() override;
    // Shows or hides the custom-format part; the window grows or shrinks by its height, the width stays.
    void ShowCustomPart(bool bShow);

private:
    ZIL_EXPORT_OPTIONS mOptions;
    bool mbCustomShown = true;
    QComboBox* mpFileFmt;
    QLineEdit* mpFolder;
    QPushButton* mpBrowse;
    QCheckBox* mpEach;
    QCheckBox* mpCustom;
    QCheckBox* mpGenerate;
};

class CDlgImgExp : public CDlgIconExp {
    Q_OBJECT
public:
    explicit CDlgImgExp(QWidget* pParent = nullptr);

protected:
    void OnInitDialog() override;
};
