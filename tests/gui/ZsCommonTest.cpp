// The common GUI classes driven offscreen: message boxes, the three-button question, the colour picker, the
// list control, the document's title marker, the command router, the placement record, dropped files and
// the tray icon's toggle, and the desktop's default application for a file.
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QUrl>
#include <fstream>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsCmdTarget.h"
#include "gui/common/ZsColorPicker.h"
#include "gui/common/ZsDesktopApps.h"
#include "gui/common/ZsDialog.h"
#include "gui/common/ZsDnD.h"
#include "gui/common/ZsDocument.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsListCtrl.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTray.h"
#include "icon/ZsBitmap.h"

namespace {

// What a message box looked like when it was answered.
struct CSeenBox {
    QString sTitle;
    QString sText;
    QMessageBox::Icon nIcon = QMessageBox::NoIcon;
    QStringList buttons;
    QString sDefault;
    Qt::TextFormat nFormat = Qt::AutoText;
};

// Records the next message box and presses the button with the given text (or Enter for the default).
void AnswerMessageBox(CSeenBox* pSeen, const QString& sPress) {
    guitest::OnNextModal([pSeen, sPress](QWidget* pModal) {
        auto* pBox = qobject_cast<QMessageBox*>(pModal);
        QVERIFY(pBox);
        pSeen->sTitle = pBox->windowTitle();
        pSeen->sText = pBox->text();
        pSeen->nIcon = pBox->icon();
        pSeen->nFormat = pBox->textFormat();
        for (QAbstractButton* pButton : pBox->buttons()) {
            pSeen->buttons << pButton->text().remove(QLatin1Char('&'));
        }
        pSeen->sDefault =
            pBox->defaultButton() ? pBox->defaultButton()->text().remove(QLatin1Char('&')) : QString();
        if (sPress.isEmpty()) {
            QTest::keyClick(pBox, Qt::Key_Return);
            return;
        }
        for (QAbstractButton* pButton : pBox->buttons()) {
            if (pButton->text().remove(QLatin1Char('&')) == sPress) {
                pButton->click();
                return;
            }
        }
        pBox->reject();
    });
}

class CCountingView : public CZsView {
public:
    void OnUpdate(CZsView* pSender, int nHint) override { updates.emplace_back(pSender, nHint); }
    std::vector<std::pair<CZsView*, int>> updates;
};

class CTarget : public QWidget, public CZsCmdTarget {
public:
    CTarget(QWidget* pParent, int nId, bool bEnabled) : QWidget(pParent), mnId(nId), mbEnabled(bEnabled) {}
    bool OnCommand(int nId) override {
        if (nId != mnId) {
            return false;
        }
        ++nRuns;
        return true;
    }
    bool OnUpdateCommand(CZsCmdUI& ui) override {
        if (ui.Id() != mnId) {
            return false;
        }
        ui.Enable(mbEnabled);
        ui.SetCheck(true);
        return true;
    }
    int nRuns = 0;

private:
    int mnId;
    bool mbEnabled;
};

// A dialog that remembers five controls under its own class name.
class CDlgRemember : public CZsDialog {
    Q_OBJECT
public:
    static constexpr CZsBoolSetting kCheck{"CDlgRemember", "IDC_CHK_X", true};
    static constexpr CZsIntSetting kList{"CDlgRemember", "IDC_CBO_LIST", 1};
    static constexpr CZsTextSetting kCombo{"CDlgRemember", "IDC_CBO_TEXT", "*.ico"};
    static constexpr CZsTextSetting kEdit{"CDlgRemember", "IDC_EDT_PATH", ""};
    static constexpr CZsIntSetting kSpin{"CDlgRemember", "IDC_EDT_NUM", 20};

    CDlgRemember() {
        pCheck = new QCheckBox(this);
        pList = new QComboBox(this);
        pList->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        pCombo = new QComboBox(this);
        pCombo->setEditable(true);
        pEdit = new QLineEdit(this);
        pSpin = new QSpinBox(this);
        pSpin->setRange(0, 1000);
        BindSetting(pCheck, kCheck);
        BindSetting(pList, kList);
        BindSetting(pCombo, kCombo);
        BindSetting(pEdit, kEdit);
        BindSetting(pSpin, kSpin);
        LoadSettings();
    }
    QCheckBox* pCheck;
    QComboBox* pList;
    QComboBox* pCombo;
    QLineEdit* pEdit;
    QSpinBox* pSpin;
};

}  // namespace

class ZsCommonTest : public QObject {
    Q_OBJECT
private slots:
    void questionBoxIsOkCancelWithCancelDefault() {
        CZsQtMessageHandlerScope scope;
        CSeenBox seen;
        AnswerMessageBox(&seen, QString());
        QCOMPARE(ZsMsgBox(ZS_MB_QUESTION, "Delete '%s'?", "<b>x</b>"), int(ZS_IDCANCEL));
        QCOMPARE(seen.sTitle, QStringLiteral("Pictavo"));
        QCOMPARE(seen.sText, QStringLiteral("Delete '<b>x</b>'?"));
        QCOMPARE(seen.nFormat, Qt::PlainText);
        QCOMPARE(seen.nIcon, QMessageBox::Question);
        QCOMPARE(seen.buttons.size(), 2);
        QVERIFY(seen.buttons.contains(QStringLiteral("OK")));
        QCOMPARE(seen.sDefault, QStringLiteral("Cancel"));

        AnswerMessageBox(&seen, QStringLiteral("OK"));
        QCOMPARE(ZsMsgBox(ZS_MB_QUESTION, "Proceed?"), int(ZS_IDOK));
    }

    void errorBoxHasOneOkButton() {
        CZsQtMessageHandlerScope scope;
        CSeenBox seen;
        AnswerMessageBox(&seen, QString());
        QCOMPARE(ZsMsgBox(ZS_MB_ERROR, "Can not open '%s'!", "a.pctv"), int(ZS_IDOK));
        QCOMPARE(seen.nIcon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(seen.sText, QStringLiteral("Can not open 'a.pctv'!"));
    }

    void saveQuestionOffersYesNoCancel() {
        CZsQtMessageHandlerScope scope;
        CSeenBox seen;
        AnswerMessageBox(&seen, QStringLiteral("No"));
        QCOMPARE(ZsMsgBox(0x33, "Save changes to %s?", "Library1"), int(ZS_IDNO));
        QCOMPARE(seen.nIcon, QMessageBox::Warning);
        QCOMPARE(seen.buttons.size(), 3);
        QCOMPARE(seen.sDefault, QStringLiteral("Yes"));
        AnswerMessageBox(&seen, QStringLiteral("Yes"));
        QCOMPARE(ZsMsgBox(0x33, "Save?"), int(ZS_IDYES));
        guitest::OnNextModal([](QWidget* pModal) { QTest::keyClick(pModal, Qt::Key_Escape); });
        QCOMPARE(ZsMsgBox(0x33, "Save?"), int(ZS_IDCANCEL));
    }

    void messageBoxGivesTheFocusBack() {
        CZsQtMessageHandlerScope scope;
        QWidget window;
        auto* pEdit = new QLineEdit(&window);
        auto* pOther = new QLineEdit(&window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        pEdit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), pEdit);
        // The focus moves while the box is open; closing the box puts it back.
        guitest::OnNextModal([pOther](QWidget* pModal) {
            pOther->setFocus();
            qobject_cast<QMessageBox*>(pModal)->button(QMessageBox::Ok)->click();
        });
        ZsMsgBox(ZS_MB_ERROR, "x");
        QCOMPARE(window.focusWidget(), pEdit);
    }

    void threeButtonBoxHidesEmptyLabels() {
        CDlgZsMsgBox box(QStringLiteral("Pictavo"), QStringLiteral("Remove?"), QString(),
                         QStringLiteral("&Delete"), QStringLiteral("&Cancel"));
        box.show();
        QVERIFY(box.Button(ZS_IDYES)->isHidden());
        QVERIFY(!box.Button(ZS_IDNO)->isHidden());
        QVERIFY(!box.Button(ZS_IDCANCEL)->isHidden());
        QVERIFY(box.Button(ZS_IDCANCEL)->isDefault());
    }

    void askRemoveOrDeleteReturnsTheButton() {
        QString sFirst;
        guitest::OnNextModal([&sFirst](QWidget* pModal) {
            auto* pBox = qobject_cast<CDlgZsMsgBox*>(pModal);
            QVERIFY(pBox);
            QCOMPARE(pBox->windowTitle(), QStringLiteral("Pictavo"));
            sFirst = pBox->Button(ZS_IDYES)->text();
            pBox->Button(ZS_IDNO)->click();
        });
        QCOMPARE(ZsAskRemoveOrDelete(QStringLiteral("Remove the icons?"), QStringLiteral("&Remove")),
                 int(ZS_IDNO));
        QCOMPARE(sFirst, QStringLiteral("&Remove"));

        guitest::OnNextModal([](QWidget* pModal) { QTest::keyClick(pModal, Qt::Key_Escape); });
        QCOMPARE(ZsAskRemoveOrDelete(QStringLiteral("Remove?"), QString()), int(ZS_IDCANCEL));

        guitest::OnNextModal([](QWidget* pModal) { QTest::keyClick(pModal, Qt::Key_Return); });
        QCOMPARE(ZsAskRemoveOrDelete(QStringLiteral("Remove?"), QStringLiteral("&Remove")), int(ZS_IDCANCEL));
    }

    void dialogSettingsAreStoredOnOkOnly() {
        {
            CDlgRemember dialog;
            QVERIFY(dialog.pCheck->isChecked());
            QCOMPARE(dialog.pList->currentIndex(), 1);
            QCOMPARE(dialog.pCombo->currentText(), QStringLiteral("*.ico"));
            QCOMPARE(dialog.pSpin->value(), 20);
            dialog.pCheck->setChecked(false);
            dialog.pList->setCurrentIndex(2);
            dialog.pCombo->setCurrentText(QStringLiteral("*.png;*.bmp"));
            dialog.pEdit->setText(QStringLiteral("/opt/editor"));
            dialog.pSpin->setValue(7);
            dialog.reject();
        }
        QCOMPARE(ZsGetConfig().FindSection("CDlgRemember"), nullptr);
        {
            CDlgRemember dialog;
            dialog.pCheck->setChecked(false);
            dialog.pList->setCurrentIndex(2);
            dialog.pCombo->setCurrentText(QStringLiteral("*.png;*.bmp"));
            dialog.pEdit->setText(QStringLiteral("/opt/editor"));
            dialog.pSpin->setValue(7);
            dialog.accept();
        }
        QCOMPARE(ZsGetConfig().GetString("IDC_CHK_X", "", "CDlgRemember"), std::string("0"));
        QCOMPARE(ZsGetConfig().GetString("IDC_CBO_LIST", "", "CDlgRemember"), std::string("2"));
        QCOMPARE(ZsGetConfig().GetString("IDC_CBO_TEXT", "", "CDlgRemember"), std::string("*.png;*.bmp"));
        CDlgRemember again;
        QVERIFY(!again.pCheck->isChecked());
        QCOMPARE(again.pList->currentIndex(), 2);
        QCOMPARE(again.pEdit->text(), QStringLiteral("/opt/editor"));
        QCOMPARE(again.pSpin->value(), 7);

        // A stored index the list does not have gives the default.
        CDlgRemember::kList.Set(9);
        CDlgRemember damaged;
        QCOMPARE(damaged.pList->currentIndex(), 1);
    }

    void colorPickerPaintsAndChoosesColours() {
        CZsColorPicker picker;
        picker.resize(40, 20);
        picker.SetColor(0x00FF00FF);  // magenta, as stored: 0x00BBGGRR
        QCOMPARE(picker.GetColor(), 0x00FF00FFu);
        picker.SetColor(0x00332211);
        QCOMPARE(CZsColorPicker::ToQColor(0x00332211), QColor(0x11, 0x22, 0x33));
        const QImage image = picker.grab().toImage();
        QCOMPARE(QColor(image.pixel(20, 10)), QColor(0x11, 0x22, 0x33));
        QCOMPARE(image.pixel(0, 0), picker.palette().color(QPalette::Mid).rgb());

        QColor initial;
        guitest::OnNextModal([&initial](QWidget* pModal) {
            auto* pDialog = qobject_cast<QColorDialog*>(pModal);
            QVERIFY(pDialog);
            initial = pDialog->currentColor();
            pDialog->setCurrentColor(QColor(0x40, 0x80, 0xC0));
            static_cast<QDialog*>(pDialog)->accept();
        });
        QSignalSpy changed(&picker, &CZsColorPicker::colorChanged);
        picker.click();
        QCOMPARE(initial, QColor(Qt::black));
        QCOMPARE(picker.GetColor(), 0x00C08040u);
        QCOMPARE(changed.count(), 1);

        guitest::OnNextModal([](QWidget* pModal) { qobject_cast<QDialog*>(pModal)->reject(); });
        picker.click();
        QCOMPARE(picker.GetColor(), 0x00C08040u);
    }

    void listCtrlDeletesSelectedRows() {
        CZsListCtrl list;
        list.setColumnCount(2);
        QCOMPARE(list.DeleteSelected(), 0);
        for (int i = 0; i < 5; ++i) {
            list.InsertItem(i, QStringLiteral("row %1").arg(i), uint64_t(100 + i));
        }
        QCOMPARE(list.DeleteSelected(), 0);
        QCOMPARE(list.GetItemCount(), 5);

        list.SetFocusedItem(2);
        list.SetItemSelected(1, true);
        list.SetItemSelected(3, true);
        QCOMPARE(list.DeleteSelected(), 2);
        QCOMPARE(list.GetItemCount(), 3);
        QCOMPARE(list.GetItemText(0, 0), QStringLiteral("row 0"));
        QCOMPARE(list.GetItemText(1, 0), QStringLiteral("row 2"));
        QCOMPARE(list.GetItemData(2), uint64_t(104));
        // The focused row, not selected before, is selected afterwards.
        QCOMPARE(list.GetFocusedItem(), 1);
        QVERIFY(list.IsItemSelected(1));
    }

    void listCtrlKeepsIndexOrderAcrossGroups() {
        CZsListCtrl list;
        list.InsertGroup(1, QStringLiteral("Standard"));
        list.InsertGroup(2, QStringLiteral("Custom"));
        list.InsertItem(0, QStringLiteral("a"), std::nullopt, 2);
        list.InsertItem(1, QStringLiteral("b"), uint64_t(7), 1);
        list.InsertItem(0, QStringLiteral("c"), std::nullopt, 1);
        list.InsertItem(9, QStringLiteral("d"));
        QCOMPARE(list.GetItemCount(), 4);
        QCOMPARE(list.GetItemText(0, 0), QStringLiteral("c"));
        QCOMPARE(list.GetItemText(2, 0), QStringLiteral("b"));
        QCOMPARE(list.GetItemText(3, 0), QStringLiteral("d"));
        QCOMPARE(list.GetItemData(0), uint64_t(0));
        QCOMPARE(list.GetItemData(2), uint64_t(7));
        // Within the group the rows follow their index order.
        QTreeWidgetItem* pGroup = list.Row(0)->parent();
        QVERIFY(pGroup);
        QCOMPARE(pGroup->text(0), QStringLiteral("Standard"));
        QCOMPARE(pGroup->child(0)->text(0), QStringLiteral("c"));
        QCOMPARE(pGroup->child(1)->text(0), QStringLiteral("b"));
        QVERIFY(!list.Row(3)->parent());
        QVERIFY(!list.Row(9));
        QCOMPARE(list.GetItemText(9, 0), QString());
    }

    void listCtrlDisabledRowsIgnoreCheckClicks() {
        CZsListCtrl list;
        list.resize(300, 200);
        list.InsertItem(0, QStringLiteral("enabled"));
        list.InsertItem(1, QStringLiteral("disabled"));
        list.SetCheck(0, false);
        list.SetCheck(1, false);
        list.SetItemDisabled(1, true);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        auto clickCheck = [&list](int nIndex) {
            const QRect rc = list.visualItemRect(list.Row(nIndex));
            for (int x = rc.left() + 2; x < rc.left() + 30; x += 2) {
                QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(x, rc.center().y()));
                if (list.GetCheck(nIndex)) {
                    return;
                }
            }
        };
        clickCheck(0);
        QVERIFY(list.GetCheck(0));
        clickCheck(1);
        QVERIFY(!list.GetCheck(1));
        QCOMPARE(list.Row(1)->foreground(0).color(), QColor(0x80, 0x80, 0x80));
        list.SetItemDisabled(1, false);
        clickCheck(1);
        QVERIFY(list.GetCheck(1));
    }

    void documentMarksModifiedTitleOnce() {
        CZsDocument doc;
        // An untitled document shows the marker as one with a path does; its plain title has none.
        doc.SetTitle(QStringLiteral("Library1"));
        doc.SetModifiedFlag(true);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Library1 *"));
        QCOMPARE(doc.GetPlainTitle(), QStringLiteral("Library1"));
        doc.SetModifiedFlag(false);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Library1"));
        QCOMPARE(doc.GetPlainTitle(), QStringLiteral("Library1"));

        doc.SetPathName("/tmp/Sample.pctv");
        QCOMPARE(doc.GetTitle(), QStringLiteral("Sample.pctv"));
        QSignalSpy titles(&doc, &CZsDocument::titleChanged);
        doc.SetModifiedFlag(true);
        doc.SetModifiedFlag(true);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Sample.pctv *"));
        QCOMPARE(titles.count(), 1);
        doc.SetModifiedFlag(false);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Sample.pctv"));
        QVERIFY(!doc.IsModified());

        // A new path while modified keeps the marker; clearing it later removes only the marker.
        doc.SetModifiedFlag(true);
        doc.SetPathName("/tmp/Other.pctv");
        QCOMPARE(doc.GetTitle(), QStringLiteral("Other.pctv *"));
        doc.SetModifiedFlag(false);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Other.pctv"));

        // A title that lost its marker loses no characters when the document becomes clean.
        doc.SetModifiedFlag(true);
        doc.SetTitle(QStringLiteral("Renamed"));
        doc.SetModifiedFlag(false);
        QCOMPARE(doc.GetTitle(), QStringLiteral("Renamed"));
    }

    void documentUpdatesEveryViewButTheSender() {
        auto pDoc = std::make_unique<CZsDocument>();
        CCountingView a;
        CCountingView b;
        pDoc->AddView(&a);
        pDoc->AddView(&b);
        pDoc->AddView(&a);
        QCOMPARE(pDoc->Views().size(), size_t(2));
        pDoc->UpdateAllViews(&a, 5);
        QCOMPARE(a.updates.size(), size_t(0));
        QCOMPARE(b.updates.size(), size_t(1));
        QCOMPARE(b.updates[0].second, 5);
        QCOMPARE(b.GetDocument(), pDoc.get());
        {
            CCountingView c;
            pDoc->AddView(&c);
        }
        QCOMPARE(pDoc->Views().size(), size_t(2));
        pDoc.reset();
        QVERIFY(!a.GetDocument());
    }

    void routerDisablesUnhandledCommandsAndAsksTheFocusFirst() {
        QWidget window;
        auto* pOuter = new CTarget(&window, ID_EDIT_COPY, false);
        auto* pInner = new CTarget(pOuter, ID_EDIT_COPY, true);
        auto* pEdit = new QLineEdit(pInner);
        CZsCmdRouter router(&window, [pEdit] { return ZsTargetsAround(pEdit); });
        QAction* pCopy = router.Action(ID_EDIT_COPY, QStringLiteral("&Copy\tCtrl+C"));
        QAction* pFind = router.Action(ID_EDIT_FIND, QStringLiteral("&Find Icons...\tCtrl+F"));
        QCOMPARE(router.Action(ID_EDIT_COPY), pCopy);
        QCOMPARE(pCopy->text(), QStringLiteral("&Copy"));
        QCOMPARE(pCopy->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
        router.UpdateAll();
        QVERIFY(pCopy->isEnabled());
        QVERIFY(pCopy->isChecked());
        QVERIFY(!pFind->isEnabled());
        QVERIFY(!router.Execute(ID_EDIT_FIND));
        pCopy->trigger();
        QCOMPARE(pInner->nRuns, 1);
        QCOMPARE(pOuter->nRuns, 0);
    }

    void menuTextsSplitIntoTextAndAccelerator() {
        const ZsMenuText del = ZsSplitMenuText(QStringLiteral("&Delete...\tDel"));
        QCOMPARE(del.sText, QStringLiteral("&Delete..."));
        QCOMPARE(del.keys, QKeySequence(Qt::Key_Delete));
        const ZsMenuText all = ZsSplitMenuText(QStringLiteral("Save A&ll\tCtrl+Shift+S"));
        QCOMPARE(all.keys, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
        QVERIFY(ZsSplitMenuText(QStringLiteral("E&xit")).keys.isEmpty());
        QCOMPARE(ZsDisplaySizeOf(ID_VIEW_48), 48);
        QCOMPARE(ZsDisplaySizeOf(ID_VIEW_256), 256);
        QCOMPARE(ZsDisplaySizeOf(ID_VIEW_ICON_INFO), 0);
    }

    void placementRecordRoundTrips() {
        ZS_PLACEMENT pl;
        pl.showCmd = ZS_SW_SHOWMAXIMIZED;
        pl.left = 10;
        pl.top = -20;
        pl.right = 810;
        pl.bottom = 580;
        const std::string sText = ZsPlacementToText(pl);
        QCOMPARE(sText.size(), size_t(88));
        QCOMPARE(QString::fromStdString(sText.substr(0, 24)), QStringLiteral("2C0000000000000003000000"));
        QCOMPARE(QString::fromStdString(sText.substr(56)),
                 QStringLiteral("0A000000ECFFFFFF2A03000044020000"));
        const auto back = ZsPlacementFromText(sText);
        QVERIFY(back.has_value());
        QVERIFY(*back == pl);
        QCOMPARE(back->NormalRect(), QRect(10, -20, 800, 600));
        // Lower-case digits are read too.
        QVERIFY(ZsPlacementFromText(QString::fromStdString(sText).toLower().toStdString()).has_value());
    }

    void rectanglesAreFittedInsideAnArea() {
        const QRect area(10, 20, 400, 300);
        QCOMPARE(ZsFitInside(QRect(50, 60, 100, 80), area), QRect(50, 60, 100, 80));
        QCOMPARE(ZsFitInside(QRect(380, 290, 100, 80), area), QRect(310, 240, 100, 80));
        QCOMPARE(ZsFitInside(QRect(-50, -60, 100, 80), area), QRect(10, 20, 100, 80));
        QCOMPARE(ZsFitInside(QRect(0, 0, 900, 700), area), area);
    }

    void damagedPlacementTextsAreRefused() {
        ZS_PLACEMENT pl;
        pl.right = 100;
        pl.bottom = 100;
        const std::string sGood = ZsPlacementToText(pl);
        QVERIFY(!ZsPlacementFromText("").has_value());
        QVERIFY(!ZsPlacementFromText(sGood.substr(0, 86)).has_value());
        QVERIFY(!ZsPlacementFromText(sGood + "00").has_value());
        std::string sBadLength = sGood;
        sBadLength[1] = 'D';
        QVERIFY(!ZsPlacementFromText(sBadLength).has_value());
        std::string sNotHex = sGood;
        sNotHex[40] = 'G';
        QVERIFY(!ZsPlacementFromText(sNotHex).has_value());
        ZS_PLACEMENT empty;
        QVERIFY(!ZsPlacementFromText(ZsPlacementToText(empty)).has_value());
        ZS_PLACEMENT huge;
        huge.left = INT32_MIN;
        huge.right = INT32_MAX;
        huge.bottom = 10;
        QVERIFY(!ZsPlacementFromText(ZsPlacementToText(huge)).has_value());
    }

    void windowPlacementFollowsTheWindow() {
        QWidget window;
        window.setGeometry(100, 120, 400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ZS_PLACEMENT pl = ZsGetWindowPlacement(&window);
        QCOMPARE(pl.showCmd, int32_t(ZS_SW_SHOWNORMAL));
        QCOMPARE(pl.NormalRect().size(), QSize(400, 300));

        QWidget other;
        QCOMPARE(ZsApplyWindowPlacement(&other, pl), int32_t(ZS_SW_SHOWNORMAL));
        QCOMPARE(other.geometry(), pl.NormalRect());

        // A rectangle on no screen is moved onto the screen.
        ZS_PLACEMENT away = pl;
        away.left = 50000;
        away.right = 50400;
        ZsApplyWindowPlacement(&other, away);
        QVERIFY(QGuiApplication::screenAt(other.geometry().center()) != nullptr);
        QCOMPARE(other.size(), QSize(400, 300));
    }

    void droppedFilesAreFilteredAndFoldersSeparated() {
        test::TempDir dir;
        std::filesystem::create_directories(dir.Path() / "folder");
        for (const char* pszName : {"a.pctv", "B.PCTV", "c.ico"}) {
            std::ofstream(dir.Path() / pszName) << "x";
        }
        QMimeData data;
        QList<QUrl> urls;
        for (const char* pszName : {"folder", "a.pctv", "B.PCTV", "c.ico"}) {
            urls << QUrl::fromLocalFile(ZsQPath(dir.Path() / pszName));
        }
        urls << QUrl(QStringLiteral("https://example.org/d.pctv"));
        data.setUrls(urls);
        std::vector<std::filesystem::path> dirs;
        std::vector<std::filesystem::path> files;
        QVERIFY(ZsGetDroppedFiles(&data, &dirs, &files, "*.pctv"));
        QCOMPARE(dirs.size(), size_t(1));
        QCOMPARE(files.size(), size_t(2));
        QCOMPARE(QString::fromStdString(files[1].filename().string()), QStringLiteral("B.PCTV"));
        files.clear();
        QVERIFY(ZsGetDroppedFiles(&data, nullptr, &files));
        QCOMPARE(files.size(), size_t(3));

        QMimeData text;
        text.setText(QStringLiteral("a.pctv"));
        QVERIFY(!ZsGetDroppedFiles(&text, &dirs, &files));
    }

    void bitmapBecomesImageWithTheSamePixels() {
        CZsBitmap bitmap(3, 2);
        bitmap.At(0, 0) = ZsArgb(0xFF, 0x10, 0x20, 0x30);
        bitmap.At(2, 1) = ZsArgb(0x80, 0xFF, 0x00, 0x00);
        const QImage image = ZsToQImage(bitmap);
        QCOMPARE(image.size(), QSize(3, 2));
        QCOMPARE(image.pixel(0, 0), QRgb(0xFF102030));
        QCOMPARE(image.pixel(2, 1), QRgb(0x80FF0000));
        QVERIFY(ZsToQImage(CZsBitmap()).isNull());
    }

    void trayTogglesTheMainWindow() {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CZsTray tray(&window);
        const QList<QAction*> items = tray.Menu()->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("&Show/Hide Main Window"));
        QCOMPARE(items[0]->data().toInt(), int(ID_TRAY_SHOW_HIDE));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("&Exit"));
        QCOMPARE(items[2]->data().toInt(), int(ID_TRAY_EXIT));

        // A left press and a double-click toggle each time; the right button only opens the menu.
        tray.OnActivated(QSystemTrayIcon::Trigger);
        QVERIFY(window.isHidden());
        tray.OnActivated(QSystemTrayIcon::Trigger);
        QVERIFY(window.isVisible());
        QVERIFY(!(window.windowState() & Qt::WindowMinimized));
        tray.OnActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window.isHidden());
        tray.OnActivated(QSystemTrayIcon::Context);
        tray.OnActivated(QSystemTrayIcon::MiddleClick);
        QVERIFY(window.isHidden());
        items[0]->trigger();
        QVERIFY(window.isVisible());

        // A maximised window comes back maximised, however often it goes and comes.
        window.showMaximized();
        QTRY_VERIFY(window.isMaximized());
        for (int i = 0; i < 3; ++i) {
            tray.ToggleMainWindow();
            QVERIFY(window.isHidden());
            tray.ToggleMainWindow();
            QVERIFY(window.isVisible());
            QVERIFY(window.isMaximized());
        }
        // One minimised with its own button comes back as it was too.
        window.showMinimized();
        tray.ToggleMainWindow();
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isMaximized());

        items[2]->trigger();
        QVERIFY(!window.isVisible());
    }
    void fileFiltersBecomeQtNameFilters() {
        QCOMPARE(
            ZsQtNameFilters("Icon Files (*.ico)|*.ico|Pictures|*.png;*.bmp||"),
            (QStringList{QStringLiteral("Icon Files (*.ico)"), QStringLiteral("Pictures (*.png *.bmp)")}));
        // What follows the closing pair is ignored; a lone text without patterns makes no filter.
        QCOMPARE(ZsQtNameFilters("All|*.*||junk|*.x"), QStringList{QStringLiteral("All (*.*)")});
        QVERIFY(ZsQtNameFilters("").isEmpty());
    }

    void openFilesDialogGivesPathsFilterAndFolder() {
        test::TempDir dir;
        const std::filesystem::path sub = dir / "sub";
        std::filesystem::create_directories(sub);
        for (const char* pszName : {"a.ico", "b.ico", "c.png"}) {
            std::ofstream(sub / pszName) << "x";
        }
        int nFilter = 2;
        std::filesystem::path folder = sub;
        std::vector<std::filesystem::path> paths;
        QString sFilterSeen;
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            sFilterSeen = pDialog->selectedNameFilter();
            QCOMPARE(pDialog->directory().absolutePath(), ZsQPath(sub));
            pDialog->selectNameFilter(QStringLiteral("Icons (*.ico)"));
            guitest::TypeFileName(pDialog, QStringLiteral("\"a.ico\" \"b.ico\""));
            static_cast<QDialog*>(pDialog)->accept();
        });
        QVERIFY(ZsOpenFilesDialog(nullptr, "Icons|*.ico|Pictures|*.png||", &nFilter, &folder, paths));
        QCOMPARE(sFilterSeen, QStringLiteral("Pictures (*.png)"));
        QCOMPARE(nFilter, 1);
        QCOMPARE(int(paths.size()), 2);
        QCOMPARE(paths[0].filename().string(), std::string("a.ico"));
        QCOMPARE(ZsQPath(folder), ZsQPath(sub));

        // Cancel changes nothing.
        nFilter = 7;
        guitest::OnNextModal([](QWidget* pModal) { qobject_cast<QDialog*>(pModal)->reject(); });
        QVERIFY(!ZsOpenFilesDialog(nullptr, "Icons|*.ico||", &nFilter, &folder, paths));
        QCOMPARE(nFilter, 7);
    }

    void saveDialogAddsTheDefaultExtension() {
        test::TempDir dir;
        int nFilter = 1;
        guitest::OnNextModal([](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            pDialog->selectNameFilter(QStringLiteral("JPEG (*.jpg)"));
            guitest::TypeFileName(pDialog, QStringLiteral("grid"));
            static_cast<QDialog*>(pDialog)->accept();
        });
        const std::filesystem::path path =
            ZsSaveFileDialog(nullptr, "PNG|*.png|JPEG|*.jpg||", "png", dir / "ImageGrid.png", &nFilter);
        QCOMPARE(path.filename().string(), std::string("grid.png"));
        QCOMPARE(nFilter, 2);
    }

    void desktopEntriesGiveTheirCommandWithTheFile() {
        const QString sFile = QStringLiteral("/tmp/a b/Edit.ico");
        QCOMPARE(ZsSplitDesktopExec(QStringLiteral("env FOO=1 \"/opt/my editor/edit\" --open %F %c 100%% %i"),
                                    sFile, QStringLiteral("My Editor")),
                 (QStringList{"env", "FOO=1", "/opt/my editor/edit", "--open", sFile, "My Editor", "100%"}));
        QCOMPARE(ZsSplitDesktopExec(QStringLiteral("iconedit"), sFile), (QStringList{"iconedit", sFile}));
        QCOMPARE(ZsSplitDesktopExec(QStringLiteral("\"say \\\"hi\\\"\" --file=%u %k"), sFile, {},
                                    QStringLiteral("/e.desktop")),
                 (QStringList{"say \"hi\"", "--file=" + sFile, "/e.desktop"}));
        QVERIFY(ZsSplitDesktopExec(QStringLiteral("\"unclosed %f"), sFile).isEmpty());
        QVERIFY(ZsSplitDesktopExec(QStringLiteral("  %i  "), sFile).isEmpty());
    }

    void theDefaultApplicationComesFromTheDesktopsLists() {
        const std::filesystem::path config = ZsPathOf(qEnvironmentVariable("XDG_CONFIG_HOME"));
        const std::filesystem::path apps = ZsPathOf(qEnvironmentVariable("XDG_DATA_HOME")) / "applications";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(apps);
        const QString sProgram = QStringLiteral("/bin/true");
        std::ofstream(apps / "zs-hidden.desktop")
            << "[Desktop Entry]\nType=Application\nHidden=true\nExec=/bin/true\n";
        std::ofstream(apps / "zs-editor.desktop") << "[Desktop Entry]\nType=Application\nName=Icon "
                                                     "Editor\nName[de]=Symbol\nExec=/bin/true --edit %f\n";
        std::ofstream(apps / "zs-gone.desktop") << "[Desktop Entry]\nExec=/no/such/program %f\n";
        std::ofstream(config / "mimeapps.list")
            << "[Default "
               "Applications]\nimage/vnd.microsoft.icon=missing.desktop;zs-hidden.desktop;zs-gone.desktop;"
               "zs-editor.desktop;\n";
        const QString sFile = QStringLiteral("/tmp/Edit.ico");
        std::optional<ZsAppCommand> command = ZsDefaultAppFor(sFile);
        QVERIFY(command);
        QCOMPARE(command->sName, QStringLiteral("Icon Editor"));
        QCOMPARE(command->sProgram, sProgram);
        QCOMPARE(command->args, (QStringList{"--edit", sFile}));

        // Without a default, what an installed application declares for an alias of the type.
        std::filesystem::remove(config / "mimeapps.list");
        std::ofstream(apps / "mimeinfo.cache") << "[MIME Cache]\nimage/x-icon=zs-editor.desktop;\n";
        command = ZsDefaultAppFor(sFile);
        QVERIFY(command);
        QCOMPARE(command->sName, QStringLiteral("Icon Editor"));
        std::filesystem::remove(apps / "mimeinfo.cache");
    }
};

PICTAVO_GUI_TEST_MAIN(ZsCommonTest)
#include "ZsCommonTest.moc"
