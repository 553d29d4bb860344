// Icon Information: a sheet with one page, "General", showing an icon's picture, its name and keywords (both
// editable), where it is listed, and a summary of its data. The caller stores the texts when the sheet is
// confirmed.
#pragma once

#include <QDialog>
#include <QWidget>
#include <string>

class CZsIconLib;
class QLabel;
class QLineEdit;

// The "General" page.
class CPropPageIconInfo : public QWidget {
    Q_OBJECT
public:
    CPropPageIconInfo(CZsIconLib& lib, int32_t nId, QWidget* pParent = nullptr);

    QLineEdit* NameEdit() const { return mpName; }
    QLineEdit* KeywordsEdit() const { return mpKeywords; }
    // The texts of the read-only fields: "Location", "Size", "Formats", "Dimension", "Bit Count".
    QString Field(const QString& sLabel) const;

private:
    QLineEdit* mpName;
    QLineEdit* mpKeywords;
    std::vector<std::pair<QString, QLabel*>> mFields;
};

// The sheet "Icon Information" with OK and Cancel.
class CDlgIconInfo : public QDialog {
    Q_OBJECT
public:
    CDlgIconInfo(CZsIconLib& lib, int32_t nId, QWidget* pParent = nullptr);

    CPropPageIconInfo* Page() const { return mpPage; }
    std::string Name() const;
    std::string Keywords() const;

private:
    CPropPageIconInfo* mpPage;
};
