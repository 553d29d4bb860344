// The batch dialogs and commands, offscreen: the format chooser and its subclasses, the export dialogs, the
// segmentation and joint dialogs driven through their controls (settings, enabling, the options they hand
// to the core), and the import, export, grid, merge and format commands of a library window run through
// their menu actions with scripted file dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>

#include "../icon/ModuleFixtures.h"
#include "../library/EditTestUtil.h"
#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgExpGrid.h"
#include "gui/batch/DlgIconExp.h"
#include "gui/batch/DlgIconFmts.h"
#include "gui/batch/DlgImpGrid.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsColorPicker.h"
#include "gui/common/ZsListCtrl.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ListModels.h"
#include "gui/ui/ViewZIL.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIclWriter.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPicture.h"

namespace {

QStringList Texts(const QListWidget* pList) {
    QStringList texts;
    for (int i = 0; i < pList->count(); ++i) {
        texts << pList->item(i)->text();
    }
    return texts;
}

QStringList Labels(std::span<const ZI_FORMAT> formats) {
    QStringList labels;
    for (const ZI_FORMAT& f : formats) {
        labels << ZsQ(ZI_GetFormatName(f));
    }
    return labels;
}

// Makes a preset row the focused and only selected one, as a click does.
void ClickPreset(CZsListCtrl* pList, const QString& sName) {
    for (int nRow = 0; nRow < pList->GetItemCount(); ++nRow) {
        if (pList->GetItemText(nRow, 0) == sName) {
            pList->setCurrentItem(pList->Row(nRow), 0, QItemSelectionModel::ClearAndSelect);
            return;
        }
    }
    QFAIL("no such preset");
}

// A double-click as the mouse makes it: press, release, the double-click, release.
void DoubleClick(QWidget* pWidget, const QPoint& pos) {
    QTest::mousePress(pWidget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(pWidget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(pWidget, Qt::LeftButton, {}, pos);
}

void ClearSection(const char* pszSection) {
    ZsGetConfig().SetList(pszSection, {});
}

// An icon of 32-bit images of one colour in the given square sizes.
ZsBlock SolidIcon(const std::vector<int>& sizes) {
    std::vector<std::pair<int, uint32_t>> images;
    for (int nSize : sizes) {
        images.emplace_back(nSize, 0xFF336699);
    }
    return test::SolidIco(images);
}

// A library file whose "My Icons" and "Sample Category 1" list one icon per name, each with 32x32 and 16x16
// images.
void WriteLibrary(const std::filesystem::path& path, const std::vector<std::string>& names) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    ZIL_LIST ids;
    for (const std::string& sName : names) {
        ids.push_back(lib.ImpIcon(SolidIcon({32, 16}), &sName));
    }
    lib.ListToNode(ZIL_ID_ALL, ids);
    lib.ListToNode(1, ids);
    QVERIFY(lib.Save(path));
    lib.Close();
}

// A shown main frame with one library open, its first user category on display, the progress dialog and
// scripted answers to the core's questions.
struct CWindow {
    CFrmMain frame;
    CDocZIL* pDoc = nullptr;
    CViewZIL* pView = nullptr;
    std::unique_ptr<CZsPrgSinkScope> pProgress;

    bool Open(const std::filesystem::path& path) {
        if (!frame.Create()) {
            return false;
        }
        frame.resize(900, 600);
        frame.show();
        if (!QTest::qWaitForWindowExposed(&frame)) {
            return false;
        }
        pDoc = frame.Docs().OpenDocumentFile(path);
        pView = pDoc ? frame.Docs().FrameOf(pDoc)->IconView() : nullptr;
        pProgress = std::make_unique<CZsPrgSinkScope>(&frame);
        return pView != nullptr;
    }
    bool IsEnabled(int nId) {
        frame.Router().UpdateAll();
        return frame.Router().Find(nId)->isEnabled();
    }
    void Trigger(int nId) {
        frame.Router().UpdateAll();
        frame.Router().Find(nId)->trigger();
    }
    void Select(const std::vector<int>& rows, int nCaret = -1) {
        QListView* pList = pView->IconList();
        QItemSelection selection;
        for (int nRow : rows) {
            const QModelIndex index = pList->model()->index(nRow, 0);
            selection.select(index, index);
        }
        pList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (nCaret >= 0) {
            pList->selectionModel()->setCurrentIndex(pList->model()->index(nCaret, 0),
                                                     QItemSelectionModel::NoUpdate);
        }
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        ZIL_LIST ids;
        pDoc->NodeToList(pDoc->mnCurNode, ids);
        for (int32_t nId : ids) {
            names.push_back(pDoc->GetIconName(nId));
        }
        return names;
    }
};

// Answers the next file dialog with the files (or the folder) and, when given, the filter.
void ChooseFiles(const QStringList& files, const QString& sFilter = {}, QString* pFilterSeen = nullptr,
                 QString* pFolderSeen = nullptr, std::function<void()> then = {}) {
    guitest::OnNextModal([=](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        QVERIFY(pDialog);
        if (pFilterSeen) {
            *pFilterSeen = pDialog->selectedNameFilter();
        }
        if (pFolderSeen) {
            *pFolderSeen = pDialog->directory().absolutePath();
        }
        if (!sFilter.isEmpty()) {
            pDialog->selectNameFilter(sFilter);
        }
        if (files.size() == 1) {
            guitest::TypeFileName(pDialog, files.front());
        } else {
            QStringList quoted;
            for (const QString& sFile : files) {
                quoted << QStringLiteral("\"%1\"").arg(sFile);
            }
            guitest::TypeFileName(pDialog, quoted.join(QLatin1Char(' ')));
        }
        if (then) {
            then();
        }
        static_cast<QDialog*>(pDialog)->accept();
    });
}

// Runs fn on the next modal dialog of type T, then presses its OK (or Cancel when bOk is false).
template <class T>
void OnDialog(std::function<void(T*)> fn, bool bOk = true) {
    guitest::OnNextModal([fn, bOk](QWidget* pModal) {
        auto* pDialog = qobject_cast<T*>(pModal);
        QVERIFY(pDialog);
        fn(pDialog);
        if (bOk) {
            pDialog->accept();
        } else {
            pDialog->reject();
        }
    });
}

// Where what the window shows of the icon of a row differs from what the library holds: the cell's format
// count, the tooltip's formats and, on the caret row, the format list and the preview. Empty when none does.
QString ShownWrongly(CWindow& w, int nRow) {
    const int32_t nId = w.pView->IconModel()->IdAt(nRow);
    const int nCount = ZI_GetImageCount(w.pDoc->GetIconData(nId));
    const QString sRow = QStringLiteral("row %1 (%2 formats): ").arg(nRow).arg(nCount);
    const int nShown = w.pView->IconModel()->index(nRow).data(ZS_FORMAT_COUNT_ROLE).toInt();
    if (nShown != nCount) {
        return sRow + QStringLiteral("the cell shows %1").arg(nShown);
    }
    const QString sTip = w.pView->IconToolTip(nRow);
    if (!sTip.contains(QStringLiteral("%1 format%2:").arg(nCount).arg(nCount == 1 ? "" : "s"))) {
        return sRow + QStringLiteral("the tooltip says ") + sTip;
    }
    if (nRow != w.pView->GetCaretRow()) {
        return {};
    }
    if (w.pView->GetImageRowCount() != nCount) {
        return sRow + QStringLiteral("the format list has %1 rows").arg(w.pView->GetImageRowCount());
    }
    CIcon icon;
    const int nImage = w.pView->GetImageCaretRow();
    if (!w.pDoc->GetIcon(nId, icon) || nImage < 0 || nImage >= icon.GetImageCount()) {
        return sRow + QStringLiteral("no image at the format list's caret");
    }
    const QImage stored = ZsToQImage(icon.GetHBITMAP(nImage)).convertToFormat(QImage::Format_ARGB32);
    const QImage preview = w.frame.GetPreviewBar()->Pane()->Image().convertToFormat(QImage::Format_ARGB32);
    return preview == stored ? QString() : sRow + QStringLiteral("the preview shows another image");
}

// The check above for every row of the list.
QString ListShownWrongly(CWindow& w) {
    for (int nRow = 0; nRow < w.pView->GetIconCount(); ++nRow) {
        if (const QString sWrong = ShownWrongly(w, nRow); !sWrong.isEmpty()) {
            return sWrong;
        }
    }
    return {};
}

// The log of the progress dialog as it went away.
class CLogAtHide : public QObject {
public:
    CLogAtHide() { qApp->installEventFilter(this); }
    ~CLogAtHide() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* pObject, QEvent* pEvent) override {
        if (auto* pDialog = qobject_cast<CDlgPrg*>(pObject); pDialog && pEvent->type() == QEvent::Hide) {
            lines = Texts(pDialog->LogList());
        }
        return false;
    }
    QStringList lines;
};

// Counts the timer events of the whole program.
class CTimerCount : public QObject {
public:
    CTimerCount() { qApp->installEventFilter(this); }
    ~CTimerCount() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* pEvent) override {
        nTimers += pEvent->type() == QEvent::Timer ? 1 : 0;
        return false;
    }
    int nTimers = 0;
};

}  // namespace

class BatchTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        for (const char* pszSection : {ZS_SEC_NEW_FMTS, ZS_SEC_DEL_FMTS, ZS_SEC_ICON_EXP, ZS_SEC_IMG_EXP,
                                       ZS_SEC_IMP_GRID, ZS_SEC_EXP_GRID, ZS_SEC_MAIN, ZS_SEC_OPT}) {
            ClearSection(pszSection);
        }
    }

    void chooserOpensWithThePresetsInOrderAndEveryStandardFormat() {
        CDlgDelFmts dialog;
        dialog.show();
        CZsListCtrl* pPresets = dialog.PresetList();
        // The headings are groups; the rows keep the table's order.
        QCOMPARE(pPresets->topLevelItemCount(), 4);
        QCOMPARE(pPresets->topLevelItem(0)->text(0), QStringLiteral("General"));
        QCOMPARE(pPresets->topLevelItem(3)->text(0), QStringLiteral("By Size"));
        QStringList expected;
        for (const ZI_PRESET& preset : ZI_GetPresets()) {
            if (preset.nMask != 0) {
                expected << QString::fromUtf8(preset.pszName);
            }
        }
        QStringList rows;
        for (int i = 0; i < pPresets->GetItemCount(); ++i) {
            rows << pPresets->GetItemText(i, 0);
        }
        QCOMPARE(rows, expected);
        QCOMPARE(rows.size(), 23);
        QCOMPARE(pPresets->GetFocusedItem(), 0);
        QVERIFY(pPresets->IsItemSelected(0));
        const QStringList standard = Texts(dialog.StandardList());
        QCOMPARE(standard.size(), 50);
        QCOMPARE(standard.front(), QStringLiteral("256x256 - XP"));
        QCOMPARE(standard.back(), QStringLiteral("16x16 - Mono"));
        QCOMPARE(dialog.StandardList()->selectedItems().size(), 1);
        QCOMPARE(dialog.StandardList()->currentRow(), 0);

        // An empty desired list: nothing to remove or clear, no OK.
        QVERIFY(!dialog.OkButton()->isEnabled());
        QVERIFY(!dialog.ClearButton()->isEnabled());
        QVERIFY(!dialog.RemoveButton()->isEnabled());
        QVERIFY(dialog.AddPresetsButton()->isEnabled());
        QVERIFY(dialog.AddStandardButton()->isEnabled());
        pPresets->clearSelection();
        QVERIFY(!dialog.AddPresetsButton()->isEnabled());
        dialog.StandardList()->clearSelection();
        QVERIFY(!dialog.AddStandardButton()->isEnabled());
        // A heading leaves the standard formats as they were.
        pPresets->setCurrentItem(pPresets->topLevelItem(1));
        QCOMPARE(dialog.StandardList()->count(), 50);
    }

    void chooserBuildsTheSortedDesiredList() {
        CDlgNewFmts dialog;
        dialog.show();
        ClickPreset(dialog.PresetList(), QStringLiteral("Windows XP Icon Format (Minimum)"));
        const QStringList xpMinimum{
            QStringLiteral("48x48 - XP"),  QStringLiteral("32x32 - XP"),  QStringLiteral("16x16 - XP"),
            QStringLiteral("48x48 - 256"), QStringLiteral("32x32 - 256"), QStringLiteral("16x16 - 256"),
            QStringLiteral("48x48 - 16"),  QStringLiteral("32x32 - 16"),  QStringLiteral("16x16 - 16")};
        QCOMPARE(Texts(dialog.StandardList()), xpMinimum);
        // A double-click on a preset adds its formats, as ">>" does.
        CZsListCtrl* pPresets = dialog.PresetList();
        const QRect rcPreset = pPresets->visualItemRect(pPresets->currentItem());
        DoubleClick(pPresets->viewport(), rcPreset.center());
        QCOMPARE(Texts(dialog.DesiredList()), xpMinimum);
        QTest::mouseClick(dialog.AddPresetsButton(), Qt::LeftButton);
        QCOMPARE(Texts(dialog.DesiredList()), xpMinimum);
        QVERIFY(dialog.OkButton()->isEnabled());
        QVERIFY(dialog.ClearButton()->isEnabled());

        // A custom 24x24 XP goes between 32x32 XP and 16x16 XP; 32x32 XP again changes nothing.
        dialog.SquareCheck()->setChecked(true);
        dialog.WidthEdit()->setValue(24);
        QCOMPARE(dialog.HeightEdit()->value(), 24);
        QVERIFY(!dialog.HeightEdit()->isEnabled());
        dialog.DepthCombo()->setCurrentIndex(0);
        QTest::mouseClick(dialog.AddCustomButton(), Qt::LeftButton);
        QCOMPARE(dialog.DesiredList()->item(2)->text(), QStringLiteral("24x24 - XP"));
        QCOMPARE(dialog.DesiredList()->item(3)->text(), QStringLiteral("16x16 - XP"));
        dialog.WidthEdit()->setValue(32);
        QTest::mouseClick(dialog.AddCustomButton(), Qt::LeftButton);
        QCOMPARE(dialog.DesiredList()->count(), 10);

        // Without "Square" the height is free; the depth combo reads XP, 16M, 256, 16, Mono.
        dialog.SquareCheck()->setChecked(false);
        QVERIFY(dialog.HeightEdit()->isEnabled());
        dialog.WidthEdit()->setValue(40);
        QCOMPARE(dialog.HeightEdit()->value(), 32);
        dialog.DepthCombo()->setCurrentIndex(1);
        QTest::mouseClick(dialog.AddCustomButton(), Qt::LeftButton);
        QVERIFY(Texts(dialog.DesiredList()).contains(QStringLiteral("40x32 - 16M")));
        // Sizes that the stored list cannot keep are refused as they are typed.
        dialog.WidthEdit()->clear();
        QTest::keyClicks(dialog.WidthEdit(), QStringLiteral("9000"));
        QVERIFY(dialog.WidthEdit()->value() <= 8191);
        QCOMPARE(dialog.WidthEdit()->maximum(), 8191);
        QCOMPARE(dialog.WidthEdit()->minimum(), 1);

        // Double-clicks: a standard format goes in, a desired one goes out.
        ClickPreset(dialog.PresetList(), QStringLiteral("256x256 Image Formats"));
        QListWidget* pStandard = dialog.StandardList();
        QCOMPARE(pStandard->item(0)->text(), QStringLiteral("256x256 - XP"));
        const QRect rcFirst = pStandard->visualItemRect(pStandard->item(0));
        DoubleClick(pStandard->viewport(), rcFirst.center());
        QCOMPARE(dialog.DesiredList()->item(0)->text(), QStringLiteral("256x256 - XP"));
        QListWidget* pDesired = dialog.DesiredList();
        const QRect rcDesired = pDesired->visualItemRect(pDesired->item(0));
        DoubleClick(pDesired->viewport(), rcDesired.center());
        QCOMPARE(pDesired->item(0)->text(), QStringLiteral("48x48 - XP"));
    }

    void removingSelectsTheRowThatTookTheCaretsPlace() {
        CDlgDelFmts dialog;
        dialog.show();
        ClickPreset(dialog.PresetList(), QStringLiteral("Windows 98 SE/ME/2000 Icon Format"));
        QTest::mouseClick(dialog.AddPresetsButton(), Qt::LeftButton);
        QListWidget* pDesired = dialog.DesiredList();
        QCOMPARE(pDesired->count(), 6);
        pDesired->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        pDesired->item(2)->setSelected(true);
        QVERIFY(dialog.RemoveButton()->isEnabled());
        QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
        QCOMPARE(Texts(pDesired), (QStringList{QStringLiteral("48x48 - 256"), QStringLiteral("48x48 - 16"),
                                               QStringLiteral("32x32 - 16"), QStringLiteral("16x16 - 16")}));
        QCOMPARE(pDesired->currentRow(), 1);
        QCOMPARE(pDesired->selectedItems().size(), 1);
        // The caret on the last row: the new last row takes it.
        pDesired->setCurrentRow(3, QItemSelectionModel::ClearAndSelect);
        QTest::mouseClick(dialog.RemoveButton(), Qt::LeftButton);
        QCOMPARE(pDesired->currentRow(), 2);
        QVERIFY(pDesired->item(2)->isSelected());

        // "Clear..." asks; only OK empties the list.
        {
            test::ScriptedMessages messages({ZS_IDCANCEL, ZS_IDOK});
            QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
            QCOMPARE(pDesired->count(), 3);
            QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
            QCOMPARE(pDesired->count(), 0);
            QCOMPARE(messages.shown.size(), size_t(2));
            QCOMPARE(messages.shown[0],
                     std::make_pair(int(ZS_MB_QUESTION),
                                    std::string("Are you sure you want to remove all the image formats?")));
        }
        QVERIFY(!dialog.ClearButton()->isEnabled());
        QVERIFY(!dialog.OkButton()->isEnabled());
    }

    void chooserSettingsAreStoredOnOkAndReadOnOpening() {
        {
            CDlgDelFmts dialog;
            dialog.show();
            QVERIFY(dialog.SquareCheck()->isChecked());
            QCOMPARE(dialog.WidthEdit()->value(), 8);
            QVERIFY(!dialog.KeepBigCheck()->isChecked());
            dialog.InsertDesired({16, 16, 1});
            dialog.InsertDesired({48, 48, 32});
            dialog.ExceptCheck()->setChecked(true);
            dialog.KeepBigCheck()->setChecked(true);
            dialog.SquareCheck()->setChecked(false);
            dialog.WidthEdit()->setValue(20);
            dialog.HeightEdit()->setValue(30);
            dialog.DepthCombo()->setCurrentIndex(4);
            // Cancel stores nothing.
            dialog.reject();
            QCOMPARE(ZsGetConfig().GetString("IDC_LB_SEL_FMTS", "-", ZS_SEC_DEL_FMTS), std::string("-"));
            dialog.accept();
            QVERIFY(dialog.IsExcept());
            QVERIFY(dialog.IsKeepLargest());
            QCOMPARE(Labels(dialog.Desired()),
                     (QStringList{QStringLiteral("48x48 - XP"), QStringLiteral("16x16 - Mono")}));
        }
        CZsMemIni& ini = ZsGetConfig();
        QCOMPARE(ini.GetString("IDC_LB_SEL_FMTS", "", ZS_SEC_DEL_FMTS), std::string("25168928;8389633"));
        QCOMPARE(ini.GetInt("IDC_CHK_EXC", -1, ZS_SEC_DEL_FMTS), 1);
        QCOMPARE(ini.GetInt("IDC_CHK_KEEP_BIG", -1, ZS_SEC_DEL_FMTS), 1);
        QCOMPARE(ini.GetInt("IDC_CHK_SQR", -1, ZS_SEC_DEL_FMTS), 0);
        QCOMPARE(ini.GetInt("IDC_EDT_W", -1, ZS_SEC_DEL_FMTS), 20);
        QCOMPARE(ini.GetInt("IDC_EDT_H", -1, ZS_SEC_DEL_FMTS), 30);
        QCOMPARE(ini.GetInt("IDC_CMB_B", -1, ZS_SEC_DEL_FMTS), 4);
        // Each class keeps its own.
        QVERIFY(ini.GetString("IDC_LB_SEL_FMTS", "", ZS_SEC_NEW_FMTS).empty());

        CDlgDelFmts again;
        again.show();
        QCOMPARE(Texts(again.DesiredList()),
                 (QStringList{QStringLiteral("48x48 - XP"), QStringLiteral("16x16 - Mono")}));
        QVERIFY(again.ExceptCheck()->isChecked());
        QCOMPARE(again.HeightEdit()->value(), 30);
        QCOMPARE(again.DepthCombo()->currentText(), QStringLiteral("Mono"));
        QVERIFY(again.OkButton()->isEnabled());

        CDlgNewFmts fresh;
        fresh.show();
        QVERIFY(fresh.BaseOnSelCheck()->isChecked());
        QCOMPARE(fresh.windowTitle(), QStringLiteral("New Image Formats"));
        fresh.BaseOnSelCheck()->setChecked(false);
        fresh.InsertDesired({32, 32, 32});
        fresh.accept();
        QVERIFY(!fresh.IsBasedOnSelection());
        QCOMPARE(ini.GetInt("IDC_CHK_BASE_ON_SEL", -1, ZS_SEC_NEW_FMTS), 0);
    }

    void exportDialogFillsTheExportOptions() {
        test::TempDir dir;
        CDlgIconExp dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Export Selected Icons"));
        QComboBox* pType = dialog.FileFormatCombo();
        // Each item's index is its export type index: WebP, the last picture type, comes after the others.
        QCOMPARE(pType->count(), ZS_EXPORT_COUNT);
        QCOMPARE(pType->itemText(6), QStringLiteral("Win32 Icon Library"));
        QCOMPARE(pType->itemText(7), QStringLiteral("Apple Icon (*.icns)"));
        QCOMPARE(pType->itemText(8), QStringLiteral("Icon Theme Folder (hicolor)"));
        QCOMPARE(pType->itemText(ZS_PIC_WEBP), QStringLiteral("WebP (*.webp)"));
        QCOMPARE(pType->currentIndex(), 5);
        QCOMPARE(dialog.FolderEdit()->text(), ZsQPath(ZsGetDocumentsDir()));
        QVERIFY(!dialog.CustomCheck()->isChecked());
        QVERIFY(!dialog.IsCustomPartShown());
        QVERIFY(dialog.GenerateCheck()->isChecked());
        // Without custom formats OK needs no desired formats; one file per image only for icon files.
        QVERIFY(dialog.OkButton()->isEnabled());
        QVERIFY(dialog.EachCheck()->isEnabled());
        pType->setCurrentIndex(4);
        QVERIFY(!dialog.EachCheck()->isEnabled());
        pType->setCurrentIndex(5);

        // The custom part opens below and the window grows by it; the width stays.
        const QSize collapsed = dialog.size();
        dialog.CustomCheck()->setChecked(true);
        QVERIFY(dialog.IsCustomPartShown());
        QVERIFY(dialog.height() > collapsed.height());
        QCOMPARE(dialog.width(), collapsed.width());
        // Closing and opening it again gives the same heights: the window does not creep taller each time.
        const int nExpanded = dialog.height();
        QCOMPARE(nExpanded, dialog.sizeHint().height());
        dialog.CustomCheck()->setChecked(false);
        QCOMPARE(dialog.height(), collapsed.height());
        dialog.CustomCheck()->setChecked(true);
        QCOMPARE(dialog.height(), nExpanded);
        QVERIFY(!dialog.OkButton()->isEnabled());
        ClickPreset(dialog.PresetList(), QStringLiteral("16x16 Image Formats"));
        QTest::mouseClick(dialog.AddPresetsButton(), Qt::LeftButton);
        QVERIFY(dialog.OkButton()->isEnabled());
        dialog.ExceptCheck()->setChecked(true);
        dialog.GenerateCheck()->setChecked(false);
        dialog.EachCheck()->setChecked(true);

        // "..." browses for the folder.
        guitest::OnNextModal([&dir](QWidget* pModal) {
            auto* pBrowser = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pBrowser);
            pBrowser->setDirectory(ZsQPath(dir.Path()));
            guitest::TypeFileName(pBrowser, ZsQPath(dir.Path()));
            static_cast<QDialog*>(pBrowser)->accept();
        });
        QTest::mouseClick(dialog.BrowseButton(), Qt::LeftButton);
        QCOMPARE(ZsPathOf(dialog.FolderEdit()->text()), dir.Path());

        // A folder that does not exist is refused and the dialog stays.
        dialog.FolderEdit()->setText(ZsQPath(dir / "missing"));
        {
            test::ScriptedMessages messages({ZS_IDOK});
            dialog.accept();
            QCOMPARE(messages.shown.size(), size_t(1));
            QCOMPARE(ZsQ(messages.shown[0].second),
                     QStringLiteral("The directory '%1' does not exist!").arg(ZsQPath(dir / "missing")));
            QVERIFY(dialog.isVisible());
        }
        dialog.FolderEdit()->setText(ZsQPath(dir.Path()));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const ZIL_EXPORT_OPTIONS& o = dialog.Options();
        QCOMPARE(o.nType, 5);
        QCOMPARE(o.folder, dir.Path());
        QVERIFY(o.bEach && o.bCustom && o.bExcept && !o.bGenerate);
        QCOMPARE(o.desired.size(), size_t(5));
        // The stored choices read back as the same options.
        const ZIL_EXPORT_OPTIONS stored = ZIL_EXPORT_OPTIONS::FromSettings(ZS_SEC_ICON_EXP);
        QCOMPARE(stored.nType, o.nType);
        QCOMPARE(stored.folder, o.folder);
        QVERIFY(stored.bEach && stored.bCustom && stored.bExcept && !stored.bGenerate);
        QVERIFY(stored.desired == o.desired);
    }

    void imageExportOffersNeitherLibraryNorCustomFormats() {
        ZS_EXP_CHK_CUST.In(ZS_SEC_IMG_EXP).Set(true);
        ZS_EXP_CBO_FILE_FMT.In(ZS_SEC_IMG_EXP).Set(6);
        CDlgImgExp dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Export Selected Images"));
        // The library keeps its index but is neither shown nor chosen, not even from a stored setting.
        QComboBox* pType = dialog.FileFormatCombo();
        QCOMPARE(pType->count(), ZS_EXPORT_COUNT);
        QCOMPARE(pType->currentIndex(), 5);
        QVERIFY(!(pType->model()->flags(pType->model()->index(ZS_EXPORT_ICL, 0)) & Qt::ItemIsEnabled));
        QCOMPARE(pType->itemText(ZS_PIC_WEBP), QStringLiteral("WebP (*.webp)"));
        QVERIFY(!dialog.CustomCheck()->isChecked());
        QVERIFY(dialog.CustomCheck()->isHidden());
        QVERIFY(!dialog.IsCustomPartShown());
        // No room is left where the chooser and its check box would be.
        QCOMPARE(dialog.size(), dialog.sizeHint());
        dialog.FileFormatCombo()->setCurrentIndex(4);
        dialog.FolderEdit()->setText(ZsQPath(ZsGetDocumentsDir()));
        std::filesystem::create_directories(ZsGetDocumentsDir());
        dialog.accept();
        QCOMPARE(dialog.Options().nType, 4);
        QVERIFY(!dialog.Options().bCustom);
        QCOMPARE(ZS_EXP_CBO_FILE_FMT.In(ZS_SEC_IMG_EXP).Get(), 4);
        QCOMPARE(ZS_EXP_CBO_FILE_FMT.In(ZS_SEC_ICON_EXP).Get(), 5);
    }

    void segmentationDialogEnablesAndGivesTheTiles() {
        CDlgImpGrid dialog;
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Segmentation"));
        // By width and height, square: only the width is typed.
        QVERIFY(dialog.ByWidthRadio()->isChecked() && dialog.ByHeightRadio()->isChecked());
        QVERIFY(dialog.SquareCheck()->isChecked() && dialog.SquareCheck()->isEnabled());
        QVERIFY(dialog.WidthCombo()->isEnabled());
        QVERIFY(!dialog.HeightCombo()->isEnabled());
        QVERIFY(!dialog.ColumnsEdit()->isEnabled() && !dialog.RowsEdit()->isEnabled());
        QCOMPARE(dialog.WidthCombo()->count(), 10);
        QCOMPARE(dialog.WidthCombo()->itemText(9), QStringLiteral("256"));
        dialog.WidthCombo()->setCurrentText(QStringLiteral("24"));
        QCOMPARE(dialog.HeightCombo()->currentText(), QStringLiteral("24"));
        dialog.SquareCheck()->setChecked(false);
        QVERIFY(dialog.HeightCombo()->isEnabled());

        // Columns by count, rows by height: "Square" has no meaning then.
        dialog.ByColumnsRadio()->setChecked(true);
        QVERIFY(!dialog.WidthCombo()->isEnabled());
        QVERIFY(dialog.ColumnsEdit()->isEnabled());
        QVERIFY(!dialog.SquareCheck()->isEnabled());
        QVERIFY(dialog.HeightCombo()->isEnabled());
        QCOMPARE(dialog.ColumnsEdit()->maximum(), INT_MAX);
        dialog.ColumnsEdit()->setValue(4);
        dialog.HeightCombo()->setCurrentText(QStringLiteral("16"));

        // A height that is no number from 1 up is refused.
        dialog.HeightCombo()->setCurrentText(QString());
        {
            test::ScriptedMessages messages({ZS_IDOK});
            dialog.accept();
            QCOMPARE(messages.shown.size(), size_t(1));
            QCOMPARE(messages.shown[0].second,
                     std::string("Please enter an integer between 1 and 2147483647."));
            QVERIFY(dialog.isVisible());
        }
        dialog.HeightCombo()->setCurrentText(QStringLiteral("16"));
        dialog.accept();
        QCOMPARE(dialog.TileWidth(), -4);
        QCOMPARE(dialog.TileHeight(), 16);
        QCOMPARE(ZS_IMP_GRID_RDO_C.Get(), true);
        QCOMPARE(ZS_IMP_GRID_RDO_W.Get(), false);
        QCOMPARE(ZS_IMP_GRID_EDT_C.Get(), 4);
        QCOMPARE(ZS_IMP_GRID_CBO_H.Get(), 16);
        QCOMPARE(ZS_IMP_GRID_CHK_SQR.Get(), false);

        CDlgImpGrid again;
        QVERIFY(again.ByColumnsRadio()->isChecked());
        QCOMPARE(again.ColumnsEdit()->value(), 4);
        again.ByRowsRadio()->setChecked(true);
        again.RowsEdit()->setValue(3);
        again.accept();
        QCOMPARE(again.TileWidth(), -4);
        QCOMPARE(again.TileHeight(), -3);
    }

    void jointDialogForTenIcons() {
        CDlgExpGrid dialog(10);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Joint"));
        QCOMPARE(dialog.StripRadio()->text(), QStringLiteral("S&trip (10x1)"));
        QCOMPARE(dialog.SquareRadio()->text(), QStringLiteral("Sq&uare (4x4)"));
        QVERIFY(dialog.StripRadio()->isChecked());
        QCOMPARE(dialog.ColumnsEdit()->value(), 4);
        QCOMPARE(dialog.RowsEdit()->value(), 4);
        QCOMPARE(dialog.ColumnsEdit()->maximum(), 10);
        QVERIFY(!dialog.ColumnsEdit()->isEnabled());
        QVERIFY(!dialog.IntervalEdit()->isEnabled());
        QVERIFY(!dialog.ColorButton()->isEnabled());
        QCOMPARE(dialog.ColorButton()->GetColor(), 0xFF00FFu);
        QVERIFY(!dialog.HeightCombo()->isEnabled());

        // Typing one side sets the other.
        dialog.CustomRadio()->setChecked(true);
        QVERIFY(dialog.ColumnsEdit()->isEnabled() && dialog.RowsEdit()->isEnabled());
        dialog.ColumnsEdit()->clear();
        QTest::keyClicks(dialog.ColumnsEdit(), QStringLiteral("3"));
        QCOMPARE(dialog.ColumnsEdit()->value(), 3);
        QCOMPARE(dialog.RowsEdit()->value(), 4);
        dialog.RowsEdit()->setValue(5);
        QCOMPARE(dialog.ColumnsEdit()->value(), 2);

        dialog.WidthCombo()->setCurrentText(QStringLiteral("32"));
        QCOMPARE(dialog.HeightCombo()->currentText(), QStringLiteral("32"));
        dialog.IntervalCheck()->setChecked(true);
        QVERIFY(dialog.IntervalEdit()->isEnabled());
        QCOMPARE(dialog.IntervalEdit()->value(), 2);
        dialog.BackgroundCheck()->setChecked(true);
        QVERIFY(dialog.ColorButton()->isEnabled());
        dialog.ColorButton()->SetColor(0x00112233);
        dialog.accept();
        const ZS_GRID& grid = dialog.Grid();
        QCOMPARE(grid.nCellWidth, 32);
        QCOMPARE(grid.nCellHeight, 32);
        QCOMPARE(grid.nColumns, 2);
        QCOMPARE(grid.nRows, 5);
        QCOMPARE(grid.nSpacing, 2);
        QCOMPARE(grid.nBackground, 0x00112233u);
        // Kept under the framework base class's name.
        CZsMemIni& ini = ZsGetConfig();
        QCOMPARE(ini.GetInt("IDC_RDO_CUSTOM", -1, "CDialog"), 1);
        QCOMPARE(ini.GetInt("IDC_RDO_STRIP", -1, "CDialog"), 0);
        QCOMPARE(ini.GetInt("IDC_CBO_W", -1, "CDialog"), 32);
        QCOMPARE(ini.GetInt("IDC_BTN_BG_COLOR", -1, "CDialog"), 0x112233);
        QCOMPARE(ini.GetInt("IDC_CHK_INTERVAL", -1, "CDialog"), 1);

        // The layouts and their sides; no spacing and no background when they are off.
        CDlgExpGrid strip(10);
        QVERIFY(strip.CustomRadio()->isChecked());
        strip.StripRadio()->setChecked(true);
        strip.IntervalCheck()->setChecked(false);
        strip.BackgroundCheck()->setChecked(false);
        strip.accept();
        QCOMPARE(strip.Grid().nColumns, 10);
        QCOMPARE(strip.Grid().nRows, 1);
        QCOMPARE(strip.Grid().nSpacing, 0);
        QCOMPARE(strip.Grid().nBackground, ZS_GRID_NO_COLOR);
        CDlgExpGrid square(10);
        square.SquareRadio()->setChecked(true);
        square.accept();
        QCOMPARE(square.Grid().nColumns, 4);
        QCOMPARE(square.Grid().nRows, 4);
        CDlgExpGrid one(1);
        QCOMPARE(one.SquareRadio()->text(), QStringLiteral("Sq&uare (1x1)"));
    }

    void importCommandsAreEnabledForCategoriesThatTakeIcons() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a", "b", "c"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        QCOMPARE(w.pDoc->mnCurNode, 1);
        for (int nId : {ID_ICON_IMPORT, ID_ICON_IMP_DIR, ID_ICON_IMP_GRID}) {
            QVERIFY(w.IsEnabled(nId));
        }
        w.Select({});
        for (int nId : {ID_ICON_EXPORT, ID_ICON_EXP_GRID, ID_ICON_DEL_FMTS, ID_ICON_MERGE}) {
            QVERIFY(!w.IsEnabled(nId));
        }
        w.Select({0, 1, 2});
        QVERIFY(w.IsEnabled(ID_ICON_EXPORT) && w.IsEnabled(ID_ICON_EXP_GRID) &&
                w.IsEnabled(ID_ICON_DEL_FMTS));
        QVERIFY(!w.IsEnabled(ID_ICON_MERGE));
        w.Select({0, 2});
        QVERIFY(w.IsEnabled(ID_ICON_MERGE));
        // The image list's commands follow its selection.
        w.Select({0}, 0);
        QVERIFY(w.IsEnabled(ID_IMG_NEW) && w.IsEnabled(ID_IMG_EXPORT));
        w.pView->ImageList()->clearSelection();
        QVERIFY(!w.IsEnabled(ID_IMG_NEW) && !w.IsEnabled(ID_IMG_EXPORT));

        // "Find Results" takes no imports.
        w.pDoc->mnCurNode = ZIL_ID_FIND;
        w.pDoc->UpdateAllViews(nullptr, 0);
        for (int nId : {ID_ICON_IMPORT, ID_ICON_IMP_DIR, ID_ICON_IMP_GRID}) {
            QVERIFY(!w.IsEnabled(nId));
        }
    }

    void importIconsRemembersFolderAndFilterAndSelectsTheNewRows() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a", "b", "c"});
        const std::filesystem::path icons = dir / "icons";
        std::filesystem::create_directories(icons);
        QVERIFY(ZsWriteFile(icons / "one.ico", SolidIcon({16})));
        QVERIFY(ZsWriteFile(icons / "two.ico", SolidIcon({32})));
        QVERIFY(ZsWriteFile(icons / "note.txt", SolidIcon({32})));
        // A classic icon library with three icons.
        CIconLibraryWriter writer;
        QVERIFY(writer.Begin(icons / "set.icl"));
        for (const char* pszName : {"red", "green", "blue"}) {
            QVERIFY(writer.AddIcon(SolidIcon({32}), pszName));
        }
        QCOMPARE(writer.End(), int(ZI_UPDATE_OK));

        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select({1}, 1);
        QString sFilter, sFolder;
        ChooseFiles({QStringLiteral("one.ico"), QStringLiteral("two.ico"), QStringLiteral("note.txt")},
                    QStringLiteral("All Files (*.*)"), &sFilter, &sFolder,
                    [&] { QCOMPARE(w.frame.isEnabled(), true); });
        ZS_IMP_ICON_INIT_DIR.Set(ZsPathToUtf8(icons));
        w.Trigger(ID_ICON_IMPORT);
        QCOMPARE(sFilter,
                 QStringLiteral("All Supported Files (*.ico *.icl *.exe *.dll *.png *.bmp *.jpg *.gif "
                                "*.exif *.tiff *.webp *.svg *.icns *.cur *.ani)"));
        QCOMPARE(sFolder, ZsQPath(icons));
        // The text file gives nothing; the icons go in at the caret row and are selected.
        QCOMPARE(w.Names(), (std::vector<std::string>{"a", "one", "two", "b", "c"}));
        QCOMPARE(w.pView->GetSelectedRows(), (std::vector<int>{1, 2}));
        QCOMPARE(w.pView->GetCaretRow(), 1);
        QVERIFY(w.pDoc->IsModified());
        QCOMPARE(ZS_IMP_ICON_FLTR_IDX.Get(), 5);
        QCOMPARE(ZsPathFromUtf8(ZS_IMP_ICON_INIT_DIR.Get()), icons);
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(w.frame.isEnabled());

        // The library's icons, appended when no row has the caret.
        w.Select({});
        w.pView->IconList()->selectionModel()->clearCurrentIndex();
        QString sFilterNow;
        ChooseFiles({QStringLiteral("set.icl")}, QString(), &sFilterNow);
        w.Trigger(ID_ICON_IMPORT);
        QCOMPARE(sFilterNow, QStringLiteral("All Files (*.*)"));
        QCOMPARE(w.Names(), (std::vector<std::string>{"a", "one", "two", "b", "c", "red", "green", "blue"}));
        QCOMPARE(w.pView->GetSelectedRows(), (std::vector<int>{5, 6, 7}));
        QCOMPARE(w.pView->GetCaretRow(), 5);

        // Cancel changes nothing, not even the settings.
        ZS_IMP_ICON_FLTR_IDX.Set(2);
        guitest::OnNextModal([](QWidget* pModal) { qobject_cast<QDialog*>(pModal)->reject(); });
        w.Trigger(ID_ICON_IMPORT);
        QCOMPARE(ZS_IMP_ICON_FLTR_IDX.Get(), 2);
        QCOMPARE(w.Names().size(), size_t(8));
    }

    void importDirectorySaysWhenThereIsNothingToImport() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a"});
        const std::filesystem::path empty = dir / "empty";
        const std::filesystem::path full = dir / "full";
        std::filesystem::create_directories(empty);
        std::filesystem::create_directories(full / "sub");
        QVERIFY(ZsWriteFile(full / "x.ico", SolidIcon({16})));
        QVERIFY(ZsWriteFile(full / "sub" / "y.ico", SolidIcon({16})));
        QVERIFY(ZsWriteFile(full / "sub" / "z.png", SolidIcon({16})));
        QVERIFY(ZsSaveBitmapFile(CZsBitmap(20, 20, 32, 0xFF00FF00), full / "sub" / "pic.png", ZS_PIC_PNG));

        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        QCOMPARE(ZsPathFromUtf8(ZS_IMP_DIR_INIT_DIR.Get()), ZsGetAppDir());
        test::ScriptedMessages messages({ZS_IDOK});
        ChooseFiles({ZsQPath(empty)});
        w.Trigger(ID_ICON_IMP_DIR);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(ZsQ(messages.shown[0].second),
                 QStringLiteral("There are no supported files in '%1'!").arg(ZsQPath(empty)));
        QCOMPARE(ZsPathFromUtf8(ZS_IMP_DIR_INIT_DIR.Get()), empty);
        QCOMPARE(w.Names().size(), size_t(1));

        // Only the patterns of the options count; a folder's own files come before its subfolders'.
        ZS_OPT_IMP_EXTS.Set("*.ico");
        ChooseFiles({ZsQPath(full)});
        w.Trigger(ID_ICON_IMP_DIR);
        QCOMPARE(w.Names(), (std::vector<std::string>{"x", "y", "a"}));
        QCOMPARE(w.pView->GetSelectedRows(), (std::vector<int>{0, 1}));
        QCOMPARE(messages.shown.size(), size_t(1));
    }

    void importGridCutsEveryPictureWithTheSegmentation() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a"});
        QVERIFY(ZsSaveBitmapFile(CZsBitmap(64, 32, 32, 0xFF204080), dir / "strip.png", ZS_PIC_PNG));
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        ZS_OPT_RESIZE.Set(ZI_SIZING_KEEP);
        ZS_IMP_GRID_INIT_DIR.Set(ZsPathToUtf8(dir.Path()));
        QString sFilter;
        ChooseFiles({QStringLiteral("strip.png")}, QString(), &sFilter, nullptr, [] {
            OnDialog<CDlgImpGrid>([](CDlgImpGrid* pDialog) {
                pDialog->ByColumnsRadio()->setChecked(true);
                pDialog->ColumnsEdit()->setValue(4);
                pDialog->HeightCombo()->setCurrentText(QStringLiteral("16"));
            });
        });
        w.Select({}, 0);
        w.Trigger(ID_ICON_IMP_GRID);
        QCOMPARE(sFilter,
                 QStringLiteral("Picture Files (*.png *.bmp *.jpg *.gif *.exif *.tiff *.webp *.svg)"));
        // 4 x 2 tiles of 16 x 16, named after the picture, in at the caret row.
        const std::vector<std::string> names = w.Names();
        QCOMPARE(names.size(), size_t(9));
        QCOMPARE(names[0], std::string("strip (1)"));
        QCOMPARE(names[7], std::string("strip (8)"));
        QCOMPARE(names[8], std::string("a"));
        ZIL_LIST ids;
        w.pDoc->NodeToList(1, ids);
        CIcon tile;
        QVERIFY(w.pDoc->GetIcon(ids[3], tile));
        QCOMPARE(tile.GetImage(0).Format(), (ZI_FORMAT{16, 16, 32}));
        QCOMPARE(ZS_IMP_GRID_FLTR_IDX.Get(), 1);
        QCOMPARE(ZsPathFromUtf8(ZS_IMP_GRID_INIT_DIR.Get()), dir.Path());

        // Cancelling the segmentation imports nothing.
        ChooseFiles({QStringLiteral("strip.png")}, QString(), nullptr, nullptr,
                    [] { OnDialog<CDlgImpGrid>([](CDlgImpGrid*) {}, false); });
        w.Trigger(ID_ICON_IMP_GRID);
        QCOMPARE(w.Names().size(), size_t(9));
    }

    void abortingAnImportKeepsWhatCameBefore() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a"});
        QStringList files;
        for (int i = 0; i < 5; ++i) {
            const std::string sName = "f" + std::to_string(i) + ".ico";
            QVERIFY(ZsWriteFile(dir / sName, SolidIcon({16})));
            files << ZsQ(sName);
        }
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        ZS_IMP_ICON_INIT_DIR.Set(ZsPathToUtf8(dir.Path()));
        w.Select({}, 0);
        w.pView->IconList()->selectionModel()->clearCurrentIndex();
        // The user aborts as soon as the first line shows, and confirms it.
        test::ScriptedMessages messages({ZS_IDOK});
        int nLogLines = 0;
        ChooseFiles(files, QString(), nullptr, nullptr, [&nLogLines] {
            auto pTimer = std::make_shared<QTimer>();
            pTimer->setInterval(0);
            QObject::connect(pTimer.get(), &QTimer::timeout, [pTimer, &nLogLines] {
                CDlgPrg* pDialog = CDlgPrg::Current();
                if (pDialog && pDialog->LogList()->count() >= 1) {
                    pTimer->stop();
                    nLogLines = pDialog->LogList()->count();
                    pDialog->reject();
                }
            });
            pTimer->start();
        });
        w.Trigger(ID_ICON_IMPORT);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].second, std::string("Are you sure you want to abort the processing?"));
        const std::vector<std::string> names = w.Names();
        QCOMPARE(names.size(), size_t(1 + nLogLines));
        QVERIFY(names.size() < 6);
        QCOMPARE(names[1], std::string("f0"));
        QCOMPARE(w.pView->GetCaretRow(), 1);
        QVERIFY(w.frame.isEnabled());
    }

    // Random bytes named .ico and a module cut inside its last image: the progress log names every refused
    // file and group with its reason and ends with the counts, and the end message says the same.
    void importNamesAndCountsWhatItRefuses() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a"});
        QVERIFY(ZsWriteFile(dir / "good.ico", SolidIcon({16})));
        QVERIFY(ZsWriteFile(dir / "noise.ico", std::vector<uint8_t>(300, 0x5A)));
        const std::vector<std::vector<test::IcoImage>> groups{{test::DibImage(32, 32, 32, 1)},
                                                              {test::DibImage(48, 48, 32, 2)}};
        const std::vector<uint8_t> pe =
            test::MakePe(test::IconResources(groups, {u"First", u"Second"})).bytes;
        QVERIFY(ZsWriteFile(dir / "cut.dll", ZsBytes(pe.data(), pe.size() - 0x300)));
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        ZS_IMP_ICON_INIT_DIR.Set(ZsPathToUtf8(dir.Path()));
        test::ScriptedMessages messages({ZS_IDOK});
        QStringList lines;
        ChooseFiles({QStringLiteral("good.ico"), QStringLiteral("noise.ico"), QStringLiteral("cut.dll")},
                    QString(), nullptr, nullptr, [&lines] {
                        // Every line the log list takes, from the moment the progress dialog is there.
                        auto pTimer = std::make_shared<QTimer>();
                        pTimer->setInterval(0);
                        QObject::connect(pTimer.get(), &QTimer::timeout, [pTimer, &lines] {
                            if (CDlgPrg* pDialog = CDlgPrg::Current()) {
                                pTimer->stop();
                                QListWidget* pLog = pDialog->LogList();
                                lines = Texts(pLog);
                                QObject::connect(pLog->model(), &QAbstractItemModel::rowsInserted, pLog,
                                                 [pLog, &lines](const QModelIndex&, int nFirst, int nLast) {
                                                     for (int i = nFirst; i <= nLast; ++i) {
                                                         lines << pLog->item(i)->text();
                                                     }
                                                 });
                            }
                        });
                        pTimer->start();
                    });
        w.Select({}, 0);
        w.Trigger(ID_ICON_IMPORT);
        const QString sNoise = ZsQPath(dir / "noise.ico"), sCut = ZsQPath(dir / "cut.dll");
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[1], QStringLiteral("0001. FAILED! 'noise           ' << %1: not an icon").arg(sNoise));
        QCOMPARE(lines[2], QStringLiteral("0002. 'First           ' << %1").arg(sCut));
        QVERIFY2(lines[3].startsWith(QStringLiteral("0002. FAILED! 'Second          ' << %1: ").arg(sCut)),
                 qPrintable(lines[3]));
        QCOMPARE(lines[4], QStringLiteral("2 icons imported, 2 failed"));
        QCOMPARE(lines[5], QStringLiteral("Completed!"));
        QCOMPARE(w.Names(), (std::vector<std::string>{"good", "First", "a"}));
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        const QString sMessage = ZsQ(messages.shown[0].second);
        QVERIFY2(sMessage.startsWith(
                     QStringLiteral("2 icons imported, 2 failed:\n'noise' from '%1' (not an icon)\n"
                                    "'Second' from '%2' (")
                         .arg(sNoise, sCut)),
                 qPrintable(sMessage));
        QVERIFY(w.frame.isEnabled());
    }

    // Damaged icons of an opened library are found as the list draws them: one message names all of them
    // once the drawing is over, and it is not repeated.
    void openingADamagedLibraryWarnsOnceWhenItsIconsAreRead() {
        test::TempDir dir;
        const std::filesystem::path path = dir / "lib.pctv";
        WriteLibrary(path, {"a", "b", "c"});
        {
            CSQLite db;
            QVERIFY(db.Open(path));
            QVERIFY(db.Exec("update icons set data=randomblob(64) where id=2;"));
            QVERIFY(db.Exec("delete from icons where id=3;"));
        }
        test::ScriptedMessages messages({ZS_IDOK, ZS_IDOK});
        CWindow w;
        QVERIFY(w.Open(path));
        QTRY_COMPARE_WITH_TIMEOUT(messages.shown.size(), size_t(1), 5000);
        QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        QCOMPARE(
            ZsQ(messages.shown[0].second),
            QStringLiteral("The library '%1' holds damaged icons:\n2 icons could not be read (ids 2, 3).\n"
                           "They show no picture and are left out of exports.")
                .arg(ZsQPath(path)));
        w.pView->IconList()->viewport()->repaint();
        w.Trigger(ID_EDIT_SELECT_ALL);
        QTest::qWait(300);
        QCOMPARE(messages.shown.size(), size_t(1));
    }

    void exportIconsWritesFilesPicturesAndALibrary() {
        test::TempDir dir;
        WriteLibrary(dir / "Work.pctv", {"Sun", "a:b", "Moon"});
        const std::filesystem::path out = dir / "out";
        std::filesystem::create_directories(out);
        CWindow w;
        QVERIFY(w.Open(dir / "Work.pctv"));
        w.Select({0, 1});
        auto exportAs = [&](int nType, bool bEach) {
            OnDialog<CDlgIconExp>([&](CDlgIconExp* pDialog) {
                pDialog->FileFormatCombo()->setCurrentIndex(nType);
                pDialog->FolderEdit()->setText(ZsQPath(out));
                pDialog->EachCheck()->setChecked(bEach);
            });
            w.Trigger(ID_ICON_EXPORT);
        };
        exportAs(ZS_EXPORT_ICO, false);
        QVERIFY(std::filesystem::exists(out / "Sun.ico"));
        QVERIFY(std::filesystem::exists(out / "ab.ico"));
        QVERIFY(!std::filesystem::exists(out / "Moon.ico"));
        exportAs(ZS_EXPORT_ICO, true);
        QVERIFY(std::filesystem::exists(out / "Sun (16x16 - XP).ico"));
        exportAs(ZS_PIC_PNG, false);
        QVERIFY(std::filesystem::exists(out / "Sun (32x32 - XP).png"));
        QCOMPARE(ZsLoadPicture(out / "ab (16x16 - XP).png").Width(), 16);

        // One library named after the library file, never replacing one.
        exportAs(ZS_EXPORT_ICL, false);
        exportAs(ZS_EXPORT_ICL, false);
        QVERIFY(std::filesystem::exists(out / "Work.icl"));
        CIconLibrary icl;
        QVERIFY(icl.Open(out / "Work (2).icl"));
        QCOMPARE(icl.GetIconCount(), 2);
        QCOMPARE(icl.GetIconName(1), std::string("a:b"));

        exportAs(ZS_EXPORT_ICNS, false);
        QVERIFY(ZI_IsIcns(*ZsReadFile(out / "Sun.icns")));
        exportAs(ZS_EXPORT_THEME, false);
        QCOMPARE(ZsLoadPicture(out / "hicolor" / "32x32" / "apps" / "Sun.png").Width(), 32);
        QVERIFY(std::filesystem::exists(out / "hicolor" / "index.theme"));

        // Custom formats: each icon made to hold exactly 48x48 XP.
        OnDialog<CDlgIconExp>([&](CDlgIconExp* pDialog) {
            pDialog->FileFormatCombo()->setCurrentIndex(ZS_EXPORT_ICO);
            pDialog->EachCheck()->setChecked(false);
            pDialog->CustomCheck()->setChecked(true);
            pDialog->InsertDesired({48, 48, 32});
        });
        w.Select({2});
        w.Trigger(ID_ICON_EXPORT);
        CIcon moon;
        const std::optional<ZsBlock> data = ZsReadFile(out / "Moon.ico");
        QVERIFY(data && moon.SetData(*data));
        QCOMPARE(moon.GetImageCount(), 1);
        QCOMPARE(moon.GetImage(0).Format(), (ZI_FORMAT{48, 48, 32}));
        QVERIFY(!w.pDoc->IsModified());
    }

    void exportThatFailsForManyIconsNamesTheFirstAndCountsTheRest() {
        test::TempDir dir;
        std::vector<std::string> names;
        std::vector<int> rows;
        const std::filesystem::path out = dir / "out";
        for (int i = 0; i < 25; ++i) {
            names.push_back(ZsFormat("i%02d", i));
            rows.push_back(i);
            // A folder where the file should go: the icon can not be written.
            std::filesystem::create_directories(out / (names.back() + ".ico"));
        }
        WriteLibrary(dir / "lib.pctv", names);
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select(rows);
        OnDialog<CDlgIconExp>([&](CDlgIconExp* pDialog) {
            pDialog->FileFormatCombo()->setCurrentIndex(ZS_EXPORT_ICO);
            pDialog->FolderEdit()->setText(ZsQPath(out));
            pDialog->EachCheck()->setChecked(false);
        });
        test::ScriptedMessages messages({ZS_IDOK});
        w.Trigger(ID_ICON_EXPORT);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        const QStringList lines = ZsQ(messages.shown[0].second).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.front(), QStringLiteral("Can not write:"));
        QCOMPARE(lines[1], ZsQPath(out / "i00.ico"));
        QCOMPARE(lines[10], ZsQPath(out / "i09.ico"));
        QCOMPARE(lines.back(), QStringLiteral("... and 15 more"));
    }

    void exportGridAsksForTheFileWithANumberedDefaultName() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a", "b", "c", "d", "e"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        ZS_EXP_GRID_INIT_DIR.Set(ZsPathToUtf8(dir.Path()));
        QVERIFY(ZsWriteFile(dir / "ImageGrid.png", ZsBytes()));
        w.Select({0, 1, 2, 3, 4});
        QString sSuggested, sFilter;
        OnDialog<CDlgExpGrid>([&](CDlgExpGrid* pDialog) {
            QCOMPARE(pDialog->StripRadio()->text(), QStringLiteral("S&trip (5x1)"));
            pDialog->WidthCombo()->setCurrentText(QStringLiteral("32"));
            pDialog->IntervalCheck()->setChecked(true);
            guitest::OnNextModal([&](QWidget* pModal) {
                auto* pSave = qobject_cast<QFileDialog*>(pModal);
                QVERIFY(pSave);
                sFilter = pSave->selectedNameFilter();
                sSuggested = pSave->selectedFiles().value(0);
                static_cast<QDialog*>(pSave)->accept();
            });
        });
        w.Trigger(ID_ICON_EXP_GRID);
        QCOMPARE(sFilter, QStringLiteral("Portable Network Graphic (*.png)"));
        QCOMPARE(ZsPathOf(sSuggested).filename().string(), std::string("ImageGrid (2).png"));
        const CZsBitmap joined = ZsLoadPicture(dir / "ImageGrid (2).png");
        QCOMPARE(joined.Width(), 172);
        QCOMPARE(joined.Height(), 36);
        QCOMPARE(joined.At(0, 0), 0u);
        QCOMPARE(joined.At(2, 2), 0xFF336699u);
        QCOMPARE(ZS_EXP_GRID_FLTR_IDX.Get(), 5);
        QCOMPARE(ZS_EXP_GRID_INIT_DIR.Get(), ZsPathToUtf8(dir.Path() / ""));
    }

    void mergeAsksAndTheUpperIconsAbsorbTheLower() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8", "r9"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select({2, 5, 6, 9}, 9);
        {
            test::ScriptedMessages declined({ZS_IDCANCEL});
            w.Trigger(ID_ICON_MERGE);
            QCOMPARE(declined.shown.size(), size_t(1));
            QCOMPARE(w.Names().size(), size_t(10));
            QVERIFY(!w.pDoc->IsModified());
        }
        test::ScriptedMessages messages({ZS_IDOK});
        w.Trigger(ID_ICON_MERGE);
        QCOMPARE(messages.shown[0].second, std::string("Are you sure you want to merge the selected icons?"));
        QCOMPARE(w.Names(), (std::vector<std::string>{"r0", "r1", "r2", "r3", "r4", "r5", "r7", "r8"}));
        QCOMPARE(w.pView->GetSelectedRows(), (std::vector<int>{2, 5}));
        QCOMPARE(w.pView->GetCaretRow(), 2);
        QVERIFY(w.pDoc->IsModified());
        // Row 2 holds both icons' images now, 32x32 XP twice; the format list shows them.
        QCOMPARE(w.pView->WorkingIcon().GetImageCount(), 4);
        QCOMPARE(w.pView->GetImageRowCount(), 4);
    }

    void deleteFormatsDeletesIconsLeftWithoutImages() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a", "b", "c"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select({0, 2}, 2);
        auto deleteFormats = [&](const std::vector<ZI_FORMAT>& formats, bool bExcept, bool bKeep) {
            OnDialog<CDlgDelFmts>([=](CDlgDelFmts* pDialog) {
                for (const ZI_FORMAT& f : formats) {
                    pDialog->InsertDesired(f);
                }
                pDialog->ExceptCheck()->setChecked(bExcept);
                pDialog->KeepBigCheck()->setChecked(bKeep);
            });
            w.Trigger(ID_ICON_DEL_FMTS);
        };
        // Every image but 16x16 XP goes.
        deleteFormats({{16, 16, 32}}, true, false);
        QVERIFY(w.pDoc->IsModified());
        ZIL_LIST ids;
        w.pDoc->NodeToList(1, ids);
        CIcon icon;
        QVERIFY(w.pDoc->GetIcon(ids[0], icon));
        QCOMPARE(icon.GetImageCount(), 1);
        QCOMPARE(icon.GetImage(0).Format(), (ZI_FORMAT{16, 16, 32}));
        QCOMPARE(w.pView->GetSelectedRows(), (std::vector<int>{0, 2}));
        QCOMPARE(w.pView->GetCaretRow(), 2);

        // Deleting the last image deletes the icon; keeping the largest never does.
        deleteFormats({}, false, true);
        QCOMPARE(w.Names().size(), size_t(3));
        w.Select({0, 2}, 2);
        deleteFormats({}, false, false);
        QCOMPARE(w.Names(), (std::vector<std::string>{"b"}));
        QCOMPARE(w.pView->GetCaretRow(), 0);
        // The desired list the dialog kept comes back next time.
        QCOMPARE(Labels(ZI_ReadDesiredFormats(ZS_SEC_DEL_FMTS)), QStringList{QStringLiteral("16x16 - XP")});
    }

    void everyCommandThatChangesImagesShowsThemAtOnce() {
        test::TempDir dir;
        std::vector<std::pair<std::string, ZsBlock>> icons;
        for (const auto& [sName, nColour] :
             {std::pair{"red", 0xFFFF0000u}, {"green", 0xFF00C000u}, {"blue", 0xFF0000FFu}}) {
            icons.emplace_back(sName, test::SolidIco({{32, nColour}, {16, nColour ^ 0x00808080}}));
        }
        guitest::WriteLibraryOf(dir / "lib.pctv", icons);
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        QListView* pImages = w.pView->ImageList();
        // Every row has been shown (and so kept) before each command.
        auto check = [&](const char* pszCommand) {
            const QString sWrong = ListShownWrongly(w);
            QVERIFY2(sWrong.isEmpty(), qPrintable(QStringLiteral("after %1, ").arg(pszCommand) + sWrong));
        };
        auto focusImages = [&](int nImage) {
            w.frame.activateWindow();
            pImages->setFocus();
            QTRY_VERIFY(pImages->hasFocus());
            pImages->selectionModel()->setCurrentIndex(pImages->model()->index(nImage, 0),
                                                       QItemSelectionModel::ClearAndSelect);
        };
        check("opening");

        // Merge: the upper icon takes the images of the lower one.
        w.Select({0, 1}, 0);
        {
            test::ScriptedMessages ok({ZS_IDOK});
            w.Trigger(ID_ICON_MERGE);
        }
        QCOMPARE(w.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 4);
        check("Merge Icons");

        // Delete Formats: every 32x32 image goes, so the caret's first image is a 16x16 one now.
        w.Select({0, 1}, 0);
        OnDialog<CDlgDelFmts>([](CDlgDelFmts* pDialog) { pDialog->InsertDesired({32, 32, 32}); });
        w.Trigger(ID_ICON_DEL_FMTS);
        QCOMPARE(w.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 2);
        check("Delete Formats from Icons");

        // New Images on the caret's icon.
        w.Select({0}, 0);
        focusImages(0);
        OnDialog<CDlgNewFmts>([](CDlgNewFmts* pDialog) { pDialog->InsertDesired({48, 48, 32}); });
        w.Trigger(ID_IMG_NEW);
        QCOMPARE(w.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 3);
        check("New Images");

        // Paste, Cut and Delete in the format list.
        QImage yellow(32, 32, QImage::Format_ARGB32);
        yellow.fill(QColor(0xFF, 0xFF, 0));
        QApplication::clipboard()->setImage(yellow);
        focusImages(0);
        w.Trigger(ID_EDIT_PASTE);
        check("Paste of an image");
        focusImages(1);
        w.Trigger(ID_EDIT_CUT);
        check("Cut of an image");
        focusImages(0);
        {
            test::ScriptedMessages ok({ZS_IDOK});
            w.Trigger(ID_EDIT_CLEAR);
        }
        QCOMPARE(w.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 1);
        check("Delete of an image");

        // Editing in another program that saves an icon of three images.
        QVERIFY(ZsWriteFile(dir / "edited.ico", SolidIcon({48, 32, 24})));
        const std::filesystem::path editor = dir / "editor.sh";
        std::ofstream(editor) << "#!/bin/sh\ncp '" << ZsPathToUtf8(dir / "edited.ico") << "' \"$1\"\n";
        std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
        ZS_OPT_ASS.Set(true);
        ZS_OPT_ASS_PATH.Set(ZsPathToUtf8(editor));
        w.Select({0}, 0);
        w.pView->IconList()->setFocus();
        w.Trigger(ID_ICON_EDIT_ASS);
        QCOMPARE(w.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 3);
        check("Edit with Associated Program");
    }

    void deleteFormatsOnThousandsOfIconsKeepsEveryLogLine() {
        test::TempDir dir;
        constexpr int kIcons = 3000;
        std::vector<std::string> names;
        std::vector<int> rows;
        for (int i = 0; i < kIcons; ++i) {
            names.push_back("i" + std::to_string(i));
            rows.push_back(i);
        }
        WriteLibrary(dir / "lib.pctv", names);
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select(rows, 0);
        CLogAtHide log;
        OnDialog<CDlgDelFmts>([](CDlgDelFmts* pDialog) { pDialog->InsertDesired({16, 16, 32}); });
        w.Trigger(ID_ICON_DEL_FMTS);
        QCOMPARE(log.lines.size(), kIcons + 1);
        QCOMPARE(log.lines.front(), QStringLiteral("0000.  1 images deleted from icon( 2 images) 'i2999'"));
        QCOMPARE(log.lines[kIcons - 1], QStringLiteral("2999.  1 images deleted from icon( 2 images) 'i0'"));
        QCOMPARE(log.lines.back(), QStringLiteral("Completed!"));
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(w.frame.isEnabled());
        // The icons stay selected as one range: a range per row would make every later look at the
        // selection (each idle-time pass, each painted cell) walk thousands of them.
        QCOMPARE(w.pView->GetSelectedCount(), kIcons);
        QCOMPARE(w.pView->IconList()->selectionModel()->selection().size(), 1);
        CIcon icon;
        QVERIFY(w.pDoc->GetIcon(w.pDoc->GetList(1)[kIcons / 2], icon));
        QCOMPARE(icon.GetImageCount(), 1);

        // Once what the batch left to do has run, the program does nothing while it says Ready.
        QTest::qWait(500);
        CTimerCount timers;
        QTest::qWait(1000);
        QCOMPARE(timers.nTimers, 0);
        // Input still brings the commands up to date.
        w.Select({0});
        QTest::mouseClick(
            w.pView->IconList()->viewport(), Qt::LeftButton, {},
            w.pView->IconList()->visualRect(w.pView->IconList()->model()->index(0, 0)).center());
        QTRY_COMPARE(w.frame.GetStatusText(1), QStringLiteral("Selection: i0 (1 format)"));
    }

    void newImagesAreMadeFromTheSelectedImageAndStored() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"a", "b"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select({1}, 1);
        QCOMPARE(w.pView->GetImageRowCount(), 2);
        OnDialog<CDlgNewFmts>([](CDlgNewFmts* pDialog) {
            pDialog->InsertDesired({48, 48, 32});
            pDialog->InsertDesired({32, 32, 32});
            pDialog->InsertDesired({24, 24, 8});
        });
        w.Trigger(ID_IMG_NEW);
        // 32x32 XP was there; the others are added, and the last one added is selected.
        QCOMPARE(w.pView->GetImageRowCount(), 4);
        const CIcon& icon = w.pView->WorkingIcon();
        QCOMPARE(icon.GetImage(0).Format(), (ZI_FORMAT{48, 48, 32}));
        QCOMPARE(w.pView->GetSelectedImageRows(), (std::vector<int>{3}));
        QCOMPARE(icon.GetImage(3).Format(), (ZI_FORMAT{24, 24, 8}));
        // Made from the image: opaque, not blank.
        QCOMPARE(qAlpha(ZsToQImage(icon.GetHBITMAP(0)).pixel(24, 24)), 255);
        QVERIFY(w.pDoc->IsModified());
        CIcon stored;
        QVERIFY(w.pDoc->GetIcon(w.pView->GetCaretIconId(), stored));
        QCOMPARE(stored.GetImageCount(), 4);

        // Without the selected image the new ones are blank.
        OnDialog<CDlgNewFmts>([](CDlgNewFmts* pDialog) {
            pDialog->BaseOnSelCheck()->setChecked(false);
            pDialog->InsertDesired({64, 64, 32});
        });
        w.Trigger(ID_IMG_NEW);
        QCOMPARE(w.pView->WorkingIcon().GetImage(0).Format(), (ZI_FORMAT{64, 64, 32}));
        QCOMPARE(qAlpha(ZsToQImage(w.pView->WorkingIcon().GetHBITMAP(0)).pixel(32, 32)), 0);
    }

    void exportImagesWritesTheSelectedImages() {
        test::TempDir dir;
        WriteLibrary(dir / "lib.pctv", {"Star"});
        CWindow w;
        QVERIFY(w.Open(dir / "lib.pctv"));
        w.Select({0}, 0);
        QListView* pImages = w.pView->ImageList();
        pImages->selectionModel()->select(pImages->model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
        OnDialog<CDlgImgExp>([&](CDlgImgExp* pDialog) {
            pDialog->FileFormatCombo()->setCurrentIndex(ZS_PIC_BMP);
            pDialog->FolderEdit()->setText(ZsQPath(dir.Path()));
        });
        w.Trigger(ID_IMG_EXPORT);
        QVERIFY(std::filesystem::exists(dir / "Star (16x16 - XP).bmp"));
        QVERIFY(!std::filesystem::exists(dir / "Star (32x32 - XP).bmp"));
    }
};

PICTAVO_GUI_TEST_MAIN(BatchTest)
#include "BatchTest.moc"
