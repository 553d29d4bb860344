// The about box: product name and version, the picture shipped beside the program, and links to the support
// mail and the home page.
#pragma once

#include "gui/common/ZsDialog.h"

class QLabel;

// Where the home page and the support mail live.
inline constexpr const char* ZS_HOME_PAGE_URL = "https://www.pictavo.example/";
inline constexpr const char* ZS_SUPPORT_MAIL = "support@pictavo.example";

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
