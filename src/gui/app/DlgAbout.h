// The about box: product name and version, the picture shipped beside the program, and links to the support
// mail and the home page.
#pragma once

#include "gui/common/ZsDialog.h"

class QLabel;

class CDlgAbout : public CZsDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* pParent = nullptr);

    QLabel* VersionLabel() const { return mpVersion; }
    QLabel* Picture() const { return mpPicture; }

private:
    QLabel* mpVersion;
    QLabel* mpPicture;
};
