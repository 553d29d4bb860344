// The icon list and the image-format list of a library window, offscreen: the commands and their rules, the
// double-click, Icon Information, editing in another program, deleting icons, the format list's clipboard
// and delete, the rows the models serve and the selection counted on large lists; the lists' transfers: rows
// dragged within the list, files and pictures dropped and pasted, rows copied between two library windows
// and dragged out as files.
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <fstream>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DlgEditWait.h"
#include "gui/ui/ListBoxes.h"
#include "gui/ui/ListModels.h"
#include "gui/ui/PropPageIconInfo.h"
#include "gui/ui/ViwZILTree.h"
#include "icon/ZsPicture.h"

using guitest::ChooseFromNextMenu;
using guitest::CLibraryFrame;
using guitest::CSeenMenu;
using guitest::IsEnabled;
using guitest::SolidIcon;
using guitest::Trigger;
using guitest::WriteLibraryOf;

namespace {

constexpr uint32_t kRed = ZsArgb(0xFF, 0xFF, 0, 0);
constexpr uint32_t kGreen = ZsArgb(0xFF, 0, 0xC0, 0);
constexpr uint32_t kBlue = ZsArgb(0xFF, 0, 0, 0xFF);

// n icons "Icon 0", "Icon 1", ... of a 32x32 and a 16x16 image each.
std::vector<std::pair<std::string, ZsBlock>> Icons(int n) {
    std::vector<std::pair<std::string, ZsBlock>> icons;
    for (int i = 0; i < n; ++i) {
        icons.emplace_back("Icon " + std::to_string(i), SolidIcon({32, 16}, kBlue));
    }
    return icons;
}

// Selects the rows of a list alone, the first of them as the caret row.
void SelectRows(QListView* pList, const std::vector<int>& rows) {
    QItemSelectionModel* pSelection = pList->selectionModel();
    pSelection->clear();
    for (int nRow : rows) {
        pSelection->select(pList->model()->index(nRow, 0), QItemSelectionModel::Select);
    }
    if (!rows.empty()) {
        pSelection->setCurrentIndex(pList->model()->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
    }
}

// Makes the list the focused one, as a click on it does.
void Focus(CFrmMain& frame, QListView* pList) {
    frame.activateWindow();
    pList->setFocus();
    QTRY_VERIFY(pList->hasFocus());
}

// A script standing in for an icon editor: it runs the shell commands and ends.
std::filesystem::path EditorScript(const test::TempDir& dir, const std::string& sName,
                                   const std::string& sBody) {
    const std::filesystem::path path = dir / sName;
    std::ofstream(path) << "#!/bin/sh\n" << sBody << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

CListBoxIcons* IconBox(CViewZIL* pView) {
    return dynamic_cast<CListBoxIcons*>(pView->IconList());
}

// The middle of a row of a list; below the last row for -1.
QPoint RowPoint(QListView* pList, int nRow) {
    if (nRow < 0) {
        const QRect rc = pList->visualRect(pList->model()->index(pList->model()->rowCount() - 1, 0));
        return {rc.center().x(), rc.bottom() + 4};
    }
    return pList->visualRect(pList->model()->index(nRow, 0)).center();
}

// A drag of the data over a row and on to a drop there, as the desktop reports it; the action reported
// back to the source.
Qt::DropAction DragAndDrop(QListView* pList, const QMimeData* pData, int nRow,
                           Qt::MouseButtons buttons = Qt::LeftButton,
                           Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPoint pt = RowPoint(pList, nRow);
    QDragEnterEvent enter(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(pList->viewport(), &enter);
    QDragMoveEvent move(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(pList->viewport(), &move);
    if (!move.isAccepted() || move.dropAction() == Qt::IgnoreAction) {
        return Qt::IgnoreAction;
    }
    QDropEvent drop(pt, Qt::CopyAction | Qt::MoveAction, pData, Qt::NoButton, keys);
    drop.setDropAction(move.dropAction());
    QApplication::sendEvent(pList->viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// The names the icon list shows, in row order.
QStringList RowNames(CViewZIL* pView) {
    QStringList names;
    for (int nRow = 0; nRow < pView->GetIconCount(); ++nRow) {
        names << pView->IconModel()->index(nRow).data(Qt::DisplayRole).toString();
    }
    return names;
}

// The local files of a transfer that offers a file list, once it counts as dropped.
std::vector<std::filesystem::path> DroppedFiles(CZsDnDData* pData) {
    pData->SetDropped();
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : pData->urls()) {
        files.push_back(ZsPathOf(url.toLocalFile()));
    }
    return files;
}

}  // namespace

class IconListTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ZS_ICON_VIEW_FORMAT.Set(ZS_ICON_VIEW_FORMAT.nDefault);
        ZS_ICON_VIEW_INFO.Set(true);
        ZS_MAIN_WND_PLACEMENT.Set("");
        ZS_OPT_ASS.Set(false);
        ZS_OPT_ASS_PATH.Set("");
    }

    void commandsFollowTheirRules() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "r.pctv", Icons(5)));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        QListView* pList = pView->IconList();
        Focus(frame, pList);

        // One row at the start.
        for (int nId : {ID_ICON_IMPORT, ID_ICON_IMP_DIR, ID_ICON_IMP_GRID, ID_ICON_EXPORT, ID_ICON_EXP_GRID,
                        ID_ICON_DEL_FMTS, ID_ICON_EDIT_ASS, ID_ICON_PROPERTIES, ID_EDIT_CLEAR,
                        ID_EDIT_SELECT_ALL, ID_EDIT_INVERT_SEL}) {
            QVERIFY2(IsEnabled(frame, nId), qPrintable(QString::number(nId)));
        }
        QVERIFY(!IsEnabled(frame, ID_ICON_MERGE));
        // Merge takes pairs.
        SelectRows(pList, {0, 1, 2});
        QCOMPARE(pView->GetSelectedCount(), 3);
        QVERIFY(!IsEnabled(frame, ID_ICON_MERGE));
        SelectRows(pList, {0, 1, 3, 4});
        QVERIFY(IsEnabled(frame, ID_ICON_MERGE));
        Trigger(frame, ID_EDIT_SELECT_ALL);
        QCOMPARE(pView->GetSelectedCount(), 5);
        QVERIFY(!IsEnabled(frame, ID_EDIT_SELECT_ALL));
        // Invert: nothing left selected, so the row commands are off.
        Trigger(frame, ID_EDIT_INVERT_SEL);
        QCOMPARE(pView->GetSelectedCount(), 0);
        for (int nId : {ID_ICON_EXPORT, ID_ICON_EXP_GRID, ID_ICON_MERGE, ID_ICON_DEL_FMTS, ID_ICON_EDIT_ASS,
                        ID_ICON_PROPERTIES, ID_EDIT_CLEAR}) {
            QVERIFY2(!IsEnabled(frame, nId), qPrintable(QString::number(nId)));
        }
        SelectRows(pList, {1, 3});
        Trigger(frame, ID_EDIT_INVERT_SEL);
        QCOMPARE(pView->GetSelectedRows(), (std::vector<int>{0, 2, 4}));
        QCOMPARE(pView->GetCaretRow(), 0);

        // "Find Results" takes no imports; "My Icons" does.
        CViwZILTree* pTree = frame.Docs().FrameOf(lib.pDoc)->TreeView();
        pTree->SelectTreeItem(lib.pDoc->Tree().FindItem(ZIL_ID_FIND));
        Focus(frame, pList);
        for (int nId : {ID_ICON_IMPORT, ID_ICON_IMP_DIR, ID_ICON_IMP_GRID, ID_EDIT_INVERT_SEL}) {
            QVERIFY2(!IsEnabled(frame, nId), qPrintable(QString::number(nId)));
        }
        pTree->SelectTreeItem(lib.pDoc->Tree().FindItem(ZIL_ID_ALL));
        Focus(frame, pList);
        QVERIFY(IsEnabled(frame, ID_ICON_IMPORT));

        // The image commands follow the format list's selection.
        QVERIFY(IsEnabled(frame, ID_IMG_NEW));
        QVERIFY(IsEnabled(frame, ID_IMG_EXPORT));
        pView->ImageList()->clearSelection();
        QVERIFY(!IsEnabled(frame, ID_IMG_NEW));
        QVERIFY(!IsEnabled(frame, ID_IMG_EXPORT));
    }

    void doubleClickShowsPropertiesOrImports() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "d.pctv", Icons(2), QSize(1000, 700)));
        QListView* pList = lib.pView->IconList();
        int nImports = 0;
        connect(lib.frame.Router().Find(ID_ICON_IMPORT), &QAction::triggered, this, [&] { ++nImports; });
        QString sTitle;
        guitest::OnNextModal([&](QWidget* pModal) {
            sTitle = pModal->windowTitle();
            static_cast<QDialog*>(pModal)->reject();
        });
        QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {},
                           pList->visualRect(pList->model()->index(1, 0)).center());
        QCOMPARE(sTitle, QStringLiteral("Icon Information"));
        QCOMPARE(nImports, 0);
        // Below the last icon of the column: the Import Icons file dialog.
        guitest::OnNextModal([&](QWidget* pModal) {
            sTitle = pModal->windowTitle();
            static_cast<QDialog*>(pModal)->reject();
        });
        const QRect rcLast = pList->visualRect(pList->model()->index(1, 0));
        QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {},
                           QPoint(rcLast.center().x(), rcLast.bottom() + 20));
        QCOMPARE(nImports, 1);
        QCOMPARE(sTitle, QStringLiteral("Import Icons"));
    }

    void propertiesShowTheIconAndStoreNameAndKeywords() {
        test::TempDir dir;
        WriteLibraryOf(dir / "p.pctv", {{"Plain", SolidIcon({48, 32, 16}, kGreen)}});
        {
            // An 8-bit image as well, and a category listing the icon, for the summary.
            CZsCategoryTree tree;
            CZsIconLib store;
            store.AttachTree(&tree);
            QVERIFY(store.Load(dir / "p.pctv"));
            CIcon icon;
            QVERIFY(store.GetIcon(1, icon));
            QCOMPARE(icon.AddFormat({24, 24, 8}, nullptr) >= 0, true);
            store.SetIcon(1, icon);
            QVERIFY(store.Save());
        }
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "p.pctv"));
        CDocZIL* pDoc = lib.pDoc;
        const ZsBytes data = pDoc->GetIconData(1);

        // Cancel changes nothing, also after typing.
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pSheet = qobject_cast<CDlgIconInfo*>(pModal);
            QVERIFY(pSheet);
            CPropPageIconInfo* pPage = pSheet->Page();
            QCOMPARE(pPage->NameEdit()->text(), QStringLiteral("Plain"));
            QCOMPARE(pPage->KeywordsEdit()->text(), QStringLiteral("kw Plain"));
            QCOMPARE(pPage->Field(QStringLiteral("Location")), QStringLiteral("\\Sample Category 1"));
            QCOMPARE(pPage->Field(QStringLiteral("Size")),
                     QString::asprintf("%.1f KB (%d Bytes)", data.size() / 1024.0, int(data.size())));
            QCOMPARE(pPage->Field(QStringLiteral("Formats")),
                     QStringLiteral("4 Formats (3 XP/32-Bits Formats)"));
            QCOMPARE(pPage->Field(QStringLiteral("Dimension")), QStringLiteral("16x16 ~ 48x48"));
            QCOMPARE(pPage->Field(QStringLiteral("Bit Count")), QStringLiteral("8 ~ 32"));
            pPage->NameEdit()->setText(QStringLiteral("Typed"));
            pSheet->reject();
        });
        Trigger(lib.frame, ID_ICON_PROPERTIES);
        QCOMPARE(QString::fromStdString(pDoc->GetIconName(1)), QStringLiteral("Plain"));
        QVERIFY(!pDoc->IsModified());

        // OK without a change leaves the library as it was.
        guitest::OnNextModal([](QWidget* pModal) { static_cast<QDialog*>(pModal)->accept(); });
        Trigger(lib.frame, ID_ICON_PROPERTIES);
        QVERIFY(!pDoc->IsModified());

        guitest::OnNextModal([](QWidget* pModal) {
            CPropPageIconInfo* pPage = static_cast<CDlgIconInfo*>(pModal)->Page();
            pPage->NameEdit()->setText(QStringLiteral("Renamed"));
            pPage->KeywordsEdit()->setText(QStringLiteral("leaf, green"));
            static_cast<QDialog*>(pModal)->accept();
        });
        Trigger(lib.frame, ID_ICON_PROPERTIES);
        QVERIFY(pDoc->IsModified());
        QCOMPARE(QString::fromStdString(pDoc->GetIconName(1)), QStringLiteral("Renamed"));
        QCOMPARE(QString::fromStdString(pDoc->GetIconKeywords(1)), QStringLiteral("leaf, green"));
        QCOMPARE(pDoc->GetIconRec(1, 0).nFlags & (ZIL_DIRTY_NAME | ZIL_DIRTY_KWDS),
                 ZIL_DIRTY_NAME | ZIL_DIRTY_KWDS);
        // The row shows the new name at once.
        QCOMPARE(lib.pView->IconModel()->index(0).data(Qt::DisplayRole).toString(),
                 QStringLiteral("Renamed"));
    }

    void rowsServeTheirPictureFromTheCache() {
        test::TempDir dir;
        // The second icon has no 32x32 image: at 32x32 its largest, deepest image is drawn at its own size.
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "m.pctv",
                                  {{"Full", SolidIcon({48, 32}, kRed)}, {"Small", SolidIcon({16}, kGreen)}}));
        CIconListModel* pModel = lib.pView->IconModel();
        auto picture = [&](int nRow) { return pModel->index(nRow).data(Qt::DecorationRole).value<QImage>(); };
        QCOMPARE(picture(0).size(), QSize(32, 32));
        QCOMPARE(picture(1).size(), QSize(16, 16));
        QCOMPARE(QColor(picture(1).pixel(8, 8)), QColor(0, 0xC0, 0));
        QCOMPARE(pModel->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 2);
        QVERIFY(pModel->CachedCount() >= 2);

        // A changed icon is made again; at 48x48 the other pictures are made at that size.
        lib.pDoc->SetIconData(2, SolidIcon({24}, kBlue));
        lib.pDoc->UpdateAllViews(nullptr, 2);
        QCOMPARE(picture(1).size(), QSize(24, 24));
        QCOMPARE(QColor(picture(1).pixel(8, 8)), QColor(0, 0, 0xFF));
        lib.frame.Router().Execute(ID_VIEW_48);
        QCOMPARE(picture(0).size(), QSize(48, 48));

        // An icon without stored data has no picture and no formats.
        lib.pDoc->SetIconData(1, ZsBlock{});
        lib.pDoc->UpdateAllViews(nullptr, 1);
        QVERIFY(picture(0).isNull());
        QCOMPARE(pModel->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 0);

        // At two pixels a unit a 32x32 cell is made from the 64x64 image; an icon that changes there is
        // made again, and the pictures of one pixel a unit stay apart from those.
        lib.frame.Router().Execute(ID_VIEW_32);
        lib.pDoc->SetIconData(1, SolidIcon({64, 32}, kRed));
        lib.pDoc->UpdateAllViews(nullptr, 1);
        pModel->SetDevicePixelRatio(2);
        QCOMPARE(picture(0).size(), QSize(64, 64));
        QCOMPARE(picture(0).deviceIndependentSize(), QSizeF(32, 32));
        lib.pDoc->SetIconData(1, SolidIcon({64, 32}, kBlue));
        lib.pDoc->UpdateAllViews(nullptr, 1);
        QCOMPARE(QColor(picture(0).pixel(40, 40)), QColor(0, 0, 0xFF));
        pModel->SetDevicePixelRatio(1);
        QCOMPARE(picture(0).size(), QSize(32, 32));
        QCOMPARE(picture(0).devicePixelRatio(), 1.0);
        QCOMPARE(QColor(picture(0).pixel(8, 8)), QColor(0, 0, 0xFF));
    }

    void metricsAt48WithAndWithoutInfo() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "s.pctv", Icons(1)));
        lib.frame.Router().Execute(ID_VIEW_48);
        QCOMPARE(lib.pView->ItemHeight(), 88);
        QCOMPARE(lib.pView->ColumnWidth(), 64);
        lib.frame.Router().Execute(ID_VIEW_ICON_INFO);
        QCOMPARE(lib.pView->ItemHeight(), 56);
        QCOMPARE(lib.pView->ColumnWidth(), 56);
        QCOMPARE(lib.pView->IconList()->gridSize(), QSize(56, 56));
        // The lists use the desktop's general font at 8 points.
        QCOMPARE(lib.pView->font().family(), ZsGeneralFont(8).family());
        QCOMPARE(lib.pView->font().pointSizeF(), 8.0);
    }

    void aPng256ImageIsDrawnAt48InItsRowAnd256InThePreview() {
        test::TempDir dir;
        CIcon icon;
        ZI_IMAGE png;
        png.wBitCount = 32;
        png.data = ZsEncodePicture(CZsBitmap(256, 256, 32, kRed), ZS_PIC_PNG);
        png.dwBytesInRes = static_cast<uint32_t>(png.data.size());
        icon.AddImage(std::move(png));
        ZI_IMAGE small = CIcon::NewImage({16, 16, 32});
        ZI_SetImageBitmap(small, CZsBitmap(16, 16, 32, kGreen));
        icon.AddImage(std::move(small));
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "png.pctv", {{"Large", icon.GetData()}}));
        QAbstractItemModel* pImages = lib.pView->ImageList()->model();
        QCOMPARE(pImages->rowCount(), 2);
        QCOMPARE(pImages->index(0, 0).data().toString(), QStringLiteral("256x256 - XP"));
        QCOMPARE(pImages->index(0, 0).data(Qt::DecorationRole).value<QImage>().size(), QSize(48, 48));
        QCOMPARE(pImages->index(1, 0).data(Qt::DecorationRole).value<QImage>().size(), QSize(16, 16));
        QCOMPARE(lib.frame.GetPreviewBar()->Pane()->Image().size(), QSize(256, 256));
        QCOMPARE(CPrvwPane::DrawSize(QSize(256, 256)), QSize(256, 256));
    }

    void deletingEveryImageLeavesAnIconWithoutImages() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(
            dir / "i.pctv", {{"Three", SolidIcon({48, 32, 16}, kRed)}, {"Other", SolidIcon({16}, kRed)}}));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        QListView* pImages = pView->ImageList();
        Focus(frame, pImages);
        SelectRows(pImages, {1});
        {
            test::ScriptedMessages cancel({ZS_IDCANCEL});
            Trigger(frame, ID_EDIT_CLEAR);
            QCOMPARE(cancel.shown.size(), size_t(1));
            QCOMPARE(cancel.shown[0],
                     std::make_pair(int(ZS_MB_QUESTION),
                                    std::string("Are you sure you want to delete the selected "
                                                "images?")));
        }
        QCOMPARE(pView->GetImageRowCount(), 3);
        QVERIFY(!lib.pDoc->IsModified());
        {
            test::ScriptedMessages ok({ZS_IDOK});
            Trigger(frame, ID_EDIT_CLEAR);
        }
        // Stored at once; the caret stays on the row.
        QCOMPARE(ZI_GetImageCount(lib.pDoc->GetIconData(1)), 2);
        QCOMPARE(pView->GetImageRowCount(), 2);
        QCOMPARE(pView->GetImageCaretRow(), 1);
        QCOMPARE(pImages->model()->index(1, 0).data().toString(), QStringLiteral("16x16 - XP"));
        QCOMPARE(frame.GetPreviewBar()->Pane()->Image().size(), QSize(16, 16));
        QCOMPARE(pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 2);
        QVERIFY(lib.pDoc->IsModified());

        Focus(frame, pImages);
        Trigger(frame, ID_EDIT_SELECT_ALL);
        QCOMPARE(pView->GetSelectedImageRows(), (std::vector<int>{0, 1}));
        // Select All acted on the focused list only.
        QCOMPARE(pView->GetSelectedCount(), 1);
        {
            test::ScriptedMessages ok({ZS_IDOK});
            Trigger(frame, ID_EDIT_CLEAR);
        }
        QCOMPARE(pView->GetImageRowCount(), 0);
        QCOMPARE(pView->GetIconCount(), 2);
        QCOMPARE(ZI_GetImageCount(lib.pDoc->GetIconData(1)), 0);
        QCOMPARE(lib.pDoc->GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2}));
        QVERIFY(!frame.GetPreviewBar()->HasPreview());
        QVERIFY(!IsEnabled(frame, ID_EDIT_CLEAR));
    }

    void formatListCopyCutAndPasteKeepTheRowsFormat() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "c.pctv", {{"Two", SolidIcon({48, 32}, kRed)}}));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        QListView* pImages = pView->ImageList();
        Focus(frame, pImages);
        SelectRows(pImages, {1});

        Trigger(frame, ID_EDIT_COPY);
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(32, 32));
        QCOMPARE(QColor(copied.pixel(3, 3)), QColor(Qt::red));
        QVERIFY(!lib.pDoc->IsModified());

        // A picture of another size is fitted to the 32x32 row.
        QImage blue(100, 60, QImage::Format_ARGB32);
        blue.fill(QColor(0, 0, 0xFF));
        QApplication::clipboard()->setImage(blue);
        QVERIFY(IsEnabled(frame, ID_EDIT_PASTE));
        Trigger(frame, ID_EDIT_PASTE);
        QVERIFY(lib.pDoc->IsModified());
        QCOMPARE(pView->GetImageRowCount(), 2);
        QCOMPARE(pView->GetImageCaretRow(), 1);
        QCOMPARE(pImages->model()->index(1, 0).data().toString(), QStringLiteral("32x32 - XP"));
        CIcon stored;
        QVERIFY(lib.pDoc->GetIcon(1, stored));
        QCOMPARE(stored.GetImage(1).Format(), (ZI_FORMAT{32, 32, 32}));
        QCOMPARE(stored.GetHBITMAP(1).At(16, 4), kBlue);
        QCOMPARE(QColor(frame.GetPreviewBar()->Pane()->Image().pixel(16, 4)), QColor(0, 0, 0xFF));

        // Cut copies the image and deletes it without asking.
        test::ScriptedMessages none;
        Trigger(frame, ID_EDIT_CUT);
        QVERIFY(none.shown.empty());
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(32, 32));
        QCOMPARE(ZI_GetImageCount(lib.pDoc->GetIconData(1)), 1);
        QCOMPARE(pView->GetImageRowCount(), 1);

        // Without a picture on the clipboard there is nothing to paste.
        QApplication::clipboard()->setText(QStringLiteral("text"));
        QVERIFY(!IsEnabled(frame, ID_EDIT_PASTE));
    }

    void deletingIconsAsksRemoveOrDelete() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "x.pctv", Icons(4)));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        CDocZIL* pDoc = lib.pDoc;
        Focus(frame, pView->IconList());
        SelectRows(pView->IconList(), {1, 2});
        {
            test::ScriptedMessages cancel({ZS_IDCANCEL});
            Trigger(frame, ID_EDIT_CLEAR);
            QCOMPARE(cancel.firstLabels, (std::vector<std::string>{"&Remove"}));
        }
        QCOMPARE(pView->GetIconCount(), 4);
        QVERIFY(!pDoc->IsModified());
        {
            test::ScriptedMessages remove({ZS_ID_FIRST});
            Trigger(frame, ID_EDIT_CLEAR);
        }
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{1, 4}));
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
        QCOMPARE(pView->GetIconCount(), 2);
        QCOMPARE(pView->GetCaretRow(), 1);
        QVERIFY(pDoc->IsModified());

        // "My Icons" offers only Delete, which takes the icon out of the library.
        CViwZILTree* pTree = frame.Docs().FrameOf(pDoc)->TreeView();
        pTree->SelectTreeItem(pDoc->Tree().FindItem(ZIL_ID_ALL));
        Focus(frame, pView->IconList());
        SelectRows(pView->IconList(), {3});
        {
            test::ScriptedMessages del({ZS_ID_DELETE});
            Trigger(frame, ID_EDIT_CLEAR);
            QCOMPARE(del.firstLabels, (std::vector<std::string>{""}));
        }
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{1}));
        QCOMPARE(pView->GetIconCount(), 3);
        QCOMPARE(pView->GetCaretRow(), 2);
    }

    void editingInAnotherProgramReplacesTheIconWhenItSaves() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "e.pctv", {{"Edited", SolidIcon({32}, kRed)}}));
        const ZsBlock edited = SolidIcon({48, 32, 16}, kGreen);
        QVERIFY(ZsWriteFile(dir / "new.ico", edited));
        CDocZIL* pDoc = lib.pDoc;
        ZS_OPT_ASS.Set(true);
        ZS_OPT_ASS_PATH.Set(ZsPathToUtf8(
            EditorScript(dir, "editor.sh", "sleep 0.3; cp '" + ZsPathToUtf8(dir / "new.ico") + "' \"$1\"")));
        bool bWaited = false;
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pWait = qobject_cast<CDlgEditWait*>(pModal);
            bWaited = pWait && !pWait->IsHandedOff() &&
                      pWait->Message()->text().contains(QStringLiteral("editor.sh"));
        });
        Trigger(lib.frame, ID_ICON_EDIT_ASS);
        QVERIFY(bWaited);
        QVERIFY(pDoc->IsModified());
        const ZsBytes stored = pDoc->GetIconData(1);
        QVERIFY(std::equal(stored.begin(), stored.end(), edited.begin(), edited.end()));
        QCOMPARE(lib.pView->GetImageRowCount(), 3);
        QCOMPARE(lib.pView->IconModel()->index(0).data(ZS_FORMAT_COUNT_ROLE).toInt(), 3);

        // Without a program of the options, the desktop's default application for icon files.
        ZS_OPT_ASS.Set(false);
        const std::filesystem::path config = ZsPathOf(qEnvironmentVariable("XDG_CONFIG_HOME"));
        const std::filesystem::path apps = ZsPathOf(qEnvironmentVariable("XDG_DATA_HOME")) / "applications";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(apps);
        const ZsBlock second = SolidIcon({16}, kBlue);
        QVERIFY(ZsWriteFile(dir / "second.ico", second));
        const std::filesystem::path script =
            EditorScript(dir, "default.sh", "cp '" + ZsPathToUtf8(dir / "second.ico") + "' \"$1\"");
        std::ofstream(apps / "zs-test-editor.desktop")
            << "[Desktop Entry]\nType=Application\nName=Test Editor\nExec=" << ZsPathToUtf8(script)
            << " %f\n";
        std::ofstream(config / "mimeapps.list")
            << "[Default Applications]\nimage/vnd.microsoft.icon=zs-test-editor.desktop\n";
        QString sMessage;
        guitest::OnNextModal(
            [&](QWidget* pModal) { sMessage = static_cast<CDlgEditWait*>(pModal)->Message()->text(); });
        Trigger(lib.frame, ID_ICON_EDIT_ASS);
        std::filesystem::remove(config / "mimeapps.list");
        QVERIFY(sMessage.contains(QStringLiteral("Test Editor")));
        QCOMPARE(lib.pView->GetImageRowCount(), 1);
    }

    void editingWithoutSavingLeavesTheLibraryUnmodified() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "u.pctv", {{"Kept", SolidIcon({32}, kRed)}}));
        ZS_OPT_ASS.Set(true);
        ZS_OPT_ASS_PATH.Set(ZsPathToUtf8(EditorScript(dir, "quit.sh", "exit 0")));
        // A program that runs its time and ends without saving.
        const int nHandOff = CDlgEditWait::snHandOffMs;
        CDlgEditWait::snHandOffMs = 0;
        Trigger(lib.frame, ID_ICON_EDIT_ASS);
        CDlgEditWait::snHandOffMs = nHandOff;
        QVERIFY(!lib.pDoc->IsModified());
        QVERIFY(!(lib.pDoc->GetIconRec(1, 0).nFlags & ZIL_DIRTY_DATA));

        // A program that returns at once: the user says when editing is done.
        const ZsBlock edited = SolidIcon({16}, kGreen);
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pWait = qobject_cast<CDlgEditWait*>(pModal);
            QVERIFY(pWait);
            QTRY_VERIFY(pWait->IsHandedOff());
            QVERIFY(ZsWriteFile(pWait->File(), edited));
            pWait->DoneButton()->click();
        });
        Trigger(lib.frame, ID_ICON_EDIT_ASS);
        QVERIFY(lib.pDoc->IsModified());
        QCOMPARE(ZI_GetImageCount(lib.pDoc->GetIconData(1)), 1);
        QCOMPARE(lib.pView->WorkingIcon().GetImage(0).Format(), (ZI_FORMAT{16, 16, 32}));

        // A program that cannot be started changes nothing and says so.
        lib.pDoc->SetModifiedFlag(false);
        ZS_OPT_ASS_PATH.Set(ZsPathToUtf8(dir / "missing-editor"));
        test::ScriptedMessages messages;
        Trigger(lib.frame, ID_ICON_EDIT_ASS);
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(messages.shown[0].second.starts_with("Can not start '"));
        QVERIFY(!lib.pDoc->IsModified());
    }

    void rowsDraggedWithinTheListMoveOrCopy() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "d.pctv", Icons(4)));
        CViewZIL* pView = lib.pView;
        CDocZIL* pDoc = lib.pDoc;
        CListBoxIcons* pBox = IconBox(pView);
        QVERIFY(pBox);

        // A plain drag moves: the first row dropped on the fourth goes in before it.
        SelectRows(pBox, {0});
        pBox->PutSelectedItems();
        QCOMPARE(DragAndDrop(pBox, pBox->PendingTransfer(), 3), Qt::MoveAction);
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{2, 3, 1, 4}));
        QCOMPARE(pView->GetSelectedRows(), (std::vector<int>{2}));
        QCOMPARE(pView->GetCaretRow(), 2);
        QVERIFY(pDoc->IsModified());

        // With Ctrl the rows are copied, and the category lists those icons twice; below the last row
        // appends.
        SelectRows(pBox, {0, 1});
        pBox->PutSelectedItems();
        QCOMPARE(DragAndDrop(pBox, pBox->PendingTransfer(), -1, Qt::LeftButton, Qt::ControlModifier),
                 Qt::CopyAction);
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{2, 3, 1, 4, 2, 3}));
        QCOMPARE(pView->GetSelectedRows(), (std::vector<int>{4, 5}));

        // The right button asks; Cancel changes nothing.
        SelectRows(pBox, {5});
        pBox->PutSelectedItems();
        CSeenMenu seen;
        ChooseFromNextMenu(QStringLiteral("Cancel"), &seen);
        QCOMPARE(DragAndDrop(pBox, pBox->PendingTransfer(), 0, Qt::RightButton), Qt::IgnoreAction);
        QCOMPARE(seen.items, QStringList({"Move*", "Copy", "-", "Cancel"}));
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{2, 3, 1, 4, 2, 3}));
        pBox->PutSelectedItems();
        ChooseFromNextMenu(QStringLiteral("Move"));
        QCOMPARE(DragAndDrop(pBox, pBox->PendingTransfer(), 0, Qt::RightButton), Qt::MoveAction);
        QCOMPARE(pDoc->GetList(1), (ZIL_LIST{3, 2, 3, 1, 4, 2}));

        // "My Icons" keeps its order.
        CViwZILTree* pTree = lib.frame.Docs().FrameOf(pDoc)->TreeView();
        pTree->SelectTreeItem(pDoc->Tree().FindItem(ZIL_ID_ALL));
        SelectRows(pBox, {0});
        pBox->PutSelectedItems();
        QCOMPARE(DragAndDrop(pBox, pBox->PendingTransfer(), 3), Qt::IgnoreAction);
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
    }

    void filesAndPicturesDroppedOrPastedAreImportedAtTheRow() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "f.pctv", Icons(2)));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        CDocZIL* pDoc = lib.pDoc;
        CListBoxIcons* pBox = IconBox(pView);
        QVERIFY(ZsWriteFile(dir / "Red.ico", SolidIcon({32}, kRed)));
        std::filesystem::create_directories(dir / "In" / "Sub");
        QVERIFY(ZsWriteFile(dir / "In" / "Sub" / "Green.ico", SolidIcon({16}, kGreen)));
        std::ofstream(dir / "In" / "notes.txt") << "not an icon";

        // A file and a folder dropped on the second row: the file, then what the folder holds, go in there.
        QMimeData files;
        files.setUrls(
            {QUrl::fromLocalFile(ZsQPath(dir / "Red.ico")), QUrl::fromLocalFile(ZsQPath(dir / "In"))});
        QCOMPARE(DragAndDrop(pBox, &files, 1), Qt::CopyAction);
        QCOMPARE(RowNames(pView), QStringList({"Icon 0", "Red", "Green", "Icon 1"}));
        QCOMPARE(pView->GetSelectedRows(), (std::vector<int>{1, 2}));
        QVERIFY(pDoc->IsModified());
        QVERIFY(std::filesystem::exists(dir / "Red.ico"));

        // After a right-button drop a menu asks; Cancel imports nothing.
        CSeenMenu seen;
        ChooseFromNextMenu(QStringLiteral("Cancel"), &seen);
        QCOMPARE(DragAndDrop(pBox, &files, 0, Qt::RightButton), Qt::IgnoreAction);
        QCOMPARE(seen.items, QStringList({"Import*", "-", "Cancel"}));
        QCOMPARE(pView->GetIconCount(), 4);

        // Text is not taken.
        QMimeData text;
        text.setText(QStringLiteral("Red.ico"));
        QCOMPARE(DragAndDrop(pBox, &text, 0), Qt::IgnoreAction);

        // A copied picture is pasted at the caret as the icon "Temp".
        QImage picture(40, 20, QImage::Format_ARGB32);
        picture.fill(QColor(0, 0xC0, 0));
        QApplication::clipboard()->setImage(picture);
        Focus(frame, pBox);
        SelectRows(pBox, {0});
        QVERIFY(IsEnabled(frame, ID_EDIT_PASTE));
        Trigger(frame, ID_EDIT_PASTE);
        QCOMPARE(RowNames(pView).first(), QStringLiteral("Temp"));
        QCOMPARE(pView->GetIconCount(), 5);

        // "Find Results" takes nothing.
        CViwZILTree* pTree = frame.Docs().FrameOf(pDoc)->TreeView();
        pTree->SelectTreeItem(pDoc->Tree().FindItem(ZIL_ID_FIND));
        Focus(frame, pBox);
        QVERIFY(!IsEnabled(frame, ID_EDIT_PASTE));
        QCOMPARE(DragAndDrop(pBox, &files, -1), Qt::IgnoreAction);
        // "My Icons" takes files as Import Icons does.
        pTree->SelectTreeItem(pDoc->Tree().FindItem(ZIL_ID_ALL));
        QCOMPARE(DragAndDrop(pBox, &files, -1), Qt::CopyAction);
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL).size(), size_t(7));
    }

    void rowsCopiedBetweenTwoLibraryWindows() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "a.pctv", Icons(4)));
        CFrmMain& frame = lib.frame;
        CDocZIL* pA = lib.pDoc;
        CViewZIL* pViewA = lib.pView;
        WriteLibraryOf(dir / "b.pctv", {{"Only B", SolidIcon({16}, kGreen)}});
        CDocZIL* pB = frame.Docs().OpenDocumentFile(dir / "b.pctv");
        QVERIFY(pB && pB != pA);
        CViewZIL* pViewB = frame.Docs().FrameOf(pB)->IconView();

        // Copied in A and pasted in A: the rows go in again at the caret.
        Focus(frame, pViewA->IconList());
        SelectRows(pViewA->IconList(), {1, 2});
        QVERIFY(pViewA->OnCommand(ID_EDIT_COPY));
        QVERIFY(pViewA->OnCommand(ID_EDIT_PASTE));
        QCOMPARE(pA->GetList(1), (ZIL_LIST{1, 2, 3, 2, 3, 4}));

        // Pasted in B: B copies the icons out of A itself, names, keywords and pictures kept, and no file is
        // written for them.
        Focus(frame, pViewB->IconList());
        SelectRows(pViewB->IconList(), {0});
        QVERIFY(pViewB->OnCommand(ID_EDIT_PASTE));
        QCOMPARE(RowNames(pViewB), QStringList({"Icon 1", "Icon 2", "Only B"}));
        QCOMPARE(pB->GetList(ZIL_ID_ALL).size(), size_t(3));
        QCOMPARE(ZI_GetImageCount(pB->GetIconData(pB->GetList(1)[0])), 2);
        QCOMPARE(pB->GetIconKeywords(pB->GetList(1)[1]), std::string("kw Icon 2"));
        QVERIFY(pB->IsModified());
        QVERIFY(!std::filesystem::exists(ZsGetTempDir() / "TempDelay"));

        // Cut in A takes the rows out of the category; pasted back they return.
        Focus(frame, pViewA->IconList());
        SelectRows(pViewA->IconList(), {0});
        QVERIFY(pViewA->OnCommand(ID_EDIT_CUT));
        QCOMPARE(pA->GetList(1), (ZIL_LIST{2, 3, 2, 3, 4}));
        QCOMPARE(pA->GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
        SelectRows(pViewA->IconList(), {4});
        QVERIFY(pViewA->OnCommand(ID_EDIT_PASTE));
        QCOMPARE(pA->GetList(1), (ZIL_LIST{2, 3, 2, 3, 1, 4}));

        // Closing A takes its rows off the clipboard.
        QVERIFY(pViewA->OnCommand(ID_EDIT_COPY));
        frame.Docs().CloseDocument(pA);
        QVERIFY(!ZsHasFormat(ZsClipboardData(), ZS_DND_MIME));
        QVERIFY(!IconBox(pViewB)->CanPaste());
    }

    void thousandsOfRowsArePastedWholeOrNotWithAReason() {
        constexpr int kIcons = 3000;
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "a.pctv", Icons(kIcons)));
        CFrmMain& frame = lib.frame;
        CDocZIL* pA = lib.pDoc;
        CViewZIL* pViewA = lib.pView;
        CViwZILTree* pTreeA = frame.Docs().FrameOf(pA)->TreeView();
        WriteLibraryOf(dir / "b.pctv", {});
        CDocZIL* pB = frame.Docs().OpenDocumentFile(dir / "b.pctv");
        QVERIFY(pB && pB != pA);
        CViewZIL* pViewB = frame.Docs().FrameOf(pB)->IconView();
        CViwZILTree* pTreeB = frame.Docs().FrameOf(pB)->TreeView();
        ZIL_LIST all = pA->GetList(ZIL_ID_ALL);
        QCOMPARE(all.size(), size_t(kIcons));

        // Every row of "My Icons" copied and pasted into an empty category of the same library.
        pTreeA->SelectTreeItem(pA->Tree().FindItem(ZIL_ID_ALL));
        Focus(frame, pViewA->IconList());
        pViewA->IconList()->selectAll();
        QVERIFY(pViewA->OnCommand(ID_EDIT_COPY));
        pTreeA->SelectTreeItem(pA->Tree().FindItem(4));
        Focus(frame, pViewA->IconList());
        QVERIFY(IsEnabled(frame, ID_EDIT_PASTE));
        QVERIFY(pViewA->OnCommand(ID_EDIT_PASTE));
        QCOMPARE(pA->GetList(4), all);
        QCOMPARE(pViewA->GetIconCount(), kIcons);

        // The same rows pasted into an empty category of another library: every icon arrives, in order.
        pTreeB->SelectTreeItem(pB->Tree().FindItem(4));
        Focus(frame, pViewB->IconList());
        QVERIFY(IsEnabled(frame, ID_EDIT_PASTE));
        QVERIFY(pViewB->OnCommand(ID_EDIT_PASTE));
        const ZIL_LIST pasted = pB->GetList(4);
        QCOMPARE(pasted.size(), size_t(kIcons));
        QCOMPARE(pB->GetList(ZIL_ID_ALL), pasted);
        QCOMPARE(pB->GetIconName(pasted.front()), std::string("Icon 0"));
        QCOMPARE(pB->GetIconName(pasted.back()), "Icon " + std::to_string(kIcons - 1));
        const ZsBytes copied = pB->GetIconData(pasted.back());
        const ZsBlock copiedBlock(copied.begin(), copied.end());
        const ZsBytes original = pA->GetIconData(all.back());
        QVERIFY(copiedBlock == ZsBlock(original.begin(), original.end()));
        QCOMPARE(pViewB->GetIconCount(), kIcons);

        // A paste that can take nothing says why: files that hold no icon.
        std::ofstream(dir / "notes.txt") << "not an icon";
        auto* pNotes = new QMimeData;
        pNotes->setUrls({QUrl::fromLocalFile(ZsQPath(dir / "notes.txt"))});
        QGuiApplication::clipboard()->setMimeData(pNotes);
        QVERIFY(IsEnabled(frame, ID_EDIT_PASTE));
        test::ScriptedMessages messages({int(ZS_IDOK)});
        QVERIFY(pViewB->OnCommand(ID_EDIT_PASTE));
        QCOMPARE(pB->GetList(4).size(), size_t(kIcons));
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        QVERIFY(QString::fromStdString(messages.shown[0].second)
                    .startsWith(QStringLiteral("Nothing was pasted.")));
    }

    void rowsAndImagesDraggedOutBecomeFiles() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "o.pctv", Icons(3)));
        CViewZIL* pView = lib.pView;
        CListBoxIcons* pBox = IconBox(pView);

        // Nothing is written until the drag ends in a drop.
        SelectRows(pBox, {0, 2});
        pBox->PutSelectedItems();
        CZsDnDData* pData = pBox->PendingTransfer();
        QVERIFY(pData->hasUrls());
        // A target that asks during the drag is told the files the drop will make, and nothing is written.
        const QList<QUrl> planned = pData->urls();
        QCOMPARE(planned.size(), 2);
        QVERIFY(!QFileInfo::exists(planned[0].toLocalFile()));
        const std::vector<std::filesystem::path> icons = DroppedFiles(pData);
        QCOMPARE(ZsQPath(icons[0]), planned[0].toLocalFile());
        QCOMPARE(icons.size(), size_t(2));
        QCOMPARE(ZsQPath(icons[0].filename()), QStringLiteral("Icon 0.ico"));
        QCOMPARE(ZsQPath(icons[1].filename()), QStringLiteral("Icon 2.ico"));
        QVERIFY(ZsQPath(icons[0].parent_path().filename()).startsWith(QStringLiteral("TempDelay")));
        const ZsBytes stored = lib.pDoc->GetIconData(3);
        QVERIFY(ZsReadFile(icons[1]) == ZsBlock(stored.begin(), stored.end()));

        // Images go out as pictures of the type the options name (PNG unless changed).
        auto* pImages = dynamic_cast<CListBoxImgs*>(pView->ImageList());
        QVERIFY(pImages);
        SelectRows(pImages, {0, 1});
        pImages->PutSelectedItems();
        const QList<QUrl> plannedPictures = pImages->PendingTransfer()->urls();
        QCOMPARE(plannedPictures.size(), 2);
        QVERIFY(!QFileInfo::exists(plannedPictures[0].toLocalFile()));
        const std::vector<std::filesystem::path> pictures = DroppedFiles(pImages->PendingTransfer());
        QCOMPARE(ZsQPath(pictures[1]), plannedPictures[1].toLocalFile());
        QCOMPARE(pictures.size(), size_t(2));
        for (const std::filesystem::path& picture : pictures) {
            QCOMPARE(ZsQPath(picture.extension()), QStringLiteral(".png"));
            QVERIFY(!QImage(ZsQPath(picture)).isNull());
        }
        QVERIFY(pictures[0].parent_path() != icons[0].parent_path());
    }

    void theCaretRowStaysInViewWhenTheCellsMove() {
        test::TempDir dir;
        std::vector<std::pair<std::string, ZsBlock>> icons;
        const ZsBlock data = SolidIcon({16}, kBlue);
        for (int i = 0; i < 3000; ++i) {
            icons.emplace_back("n" + std::to_string(i), data);
        }
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(dir / "v.pctv", icons, QSize(900, 600)));
        CViewZIL* pView = lib.pView;
        QListView* pList = pView->IconList();
        Focus(lib.frame, pList);
        auto caretInView = [&] {
            QApplication::processEvents();
            return pList->viewport()->rect().intersects(pList->visualRect(pList->currentIndex()));
        };
        pView->SetCaretRow(1700);
        QVERIFY(caretInView());
        for (int nCmd :
             {ID_VIEW_16, ID_VIEW_256, ID_VIEW_48, ID_VIEW_ICON_INFO, ID_VIEW_ICON_ROWS, ID_VIEW_24}) {
            Trigger(lib.frame, nCmd);
            QVERIFY2(caretInView(), qPrintable(QString::number(nCmd)));
        }
        // Inverting makes the first selected row the caret row, and shows it.
        SelectRows(pList, {0});
        pList->selectionModel()->setCurrentIndex(pList->model()->index(2900, 0),
                                                 QItemSelectionModel::NoUpdate);
        pList->scrollTo(pList->currentIndex());
        Trigger(lib.frame, ID_EDIT_INVERT_SEL);
        QCOMPARE(pView->GetCaretRow(), 1);
        QVERIFY(caretInView());
        Trigger(lib.frame, ID_EDIT_INVERT_SEL);
        QCOMPARE(pView->GetCaretRow(), 0);
        QVERIFY(caretInView());
    }

    void selectionIsCountedByRangesOnALargeList() {
        test::TempDir dir;
        {
            CZsCategoryTree tree;
            CZsIconLib store;
            store.AttachTree(&tree);
            QVERIFY(store.NewLib());
            const ZsBlock data = SolidIcon({16}, kBlue);
            ZIL_LIST ids;
            for (int i = 0; i < 20000; ++i) {
                const std::string sName = "n" + std::to_string(i);
                ids.push_back(store.ImpIcon(data, &sName));
            }
            store.ListToNode(ZIL_ID_ALL, ids);
            store.ListToNode(1, ids);
            QVERIFY(store.Save(dir / "big.pctv"));
        }
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "big.pctv"));
        CViewZIL* pView = lib.pView;
        QCOMPARE(pView->GetIconCount(), 20000);
        Focus(lib.frame, pView->IconList());
        Trigger(lib.frame, ID_EDIT_SELECT_ALL);
        QCOMPARE(pView->GetSelectedCount(), 20000);
        lib.pDoc->OnIdle();
        QCOMPARE(lib.frame.GetStatusText(1), QStringLiteral("Selection: 20000 Icons"));
        Trigger(lib.frame, ID_EDIT_INVERT_SEL);
        QCOMPARE(pView->GetSelectedCount(), 0);
        SelectRows(pView->IconList(), {5, 6, 7, 19999});
        pView->IconList()->selectionModel()->select(pView->IconModel()->index(6),
                                                    QItemSelectionModel::Select);
        QCOMPARE(pView->GetSelectedCount(), 4);
        QCOMPARE(pView->GetSelectedRows(), (std::vector<int>{5, 6, 7, 19999}));
        // Only the rows on screen were made.
        QVERIFY(pView->IconModel()->CachedCount() < 2000);
    }
};

PICTAVO_GUI_TEST_MAIN(IconListTest)
#include "IconListTest.moc"
