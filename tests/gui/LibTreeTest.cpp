// The category tree of a library window driven offscreen through its commands, its label editor, its keys
// and the drag events of real widgets: adding, renaming and deleting categories, moving and copying them by
// the clipboard, by dragging and by Shift+Up and Shift+Down, icons dragged from the icon list, folders and
// files dropped from disk, a category dragged from a second library window, the directory-tree commands,
// the context menu, Find Icons, and a save that writes what the window shows.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <fstream>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsDnD.h"
#include "gui/common/ZsListBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgIconFind.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "gui/ui/ZsTreeModel.h"
#include "library/ZsIconLib.h"

namespace {

// The sample tree with icons: "My Icons" lists Star, Star 2, Moon and Sun (keywords "kw <name>"), "Sample
// Category 1" the first three, "Sample Subcategory 1" Sun, the others nothing.
void WriteTreeLibrary(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    ZIL_LIST ids;
    const char* names[] = {"Star", "Star 2", "Moon", "Sun"};
    for (int i = 0; i < 4; ++i) {
        const std::string sName = names[i];
        ids.push_back(
            lib.ImpIcon(test::MakeIco({test::DibImage(16, 16, 32, static_cast<uint8_t>(0x30 * i))}), &sName));
        lib.SetIconKeywords(ids.back(), "kw " + sName);
    }
    lib.ListToNode(ZIL_ID_ALL, ids);
    lib.ListToNode(1, {ids[0], ids[1], ids[2]});
    lib.ListToNode(2, {ids[3]});
    QVERIFY(lib.Save(path));
    lib.Close();
}

// The tree as a text: "title#id" for each item, children in brackets.
QString ModelText(const QAbstractItemModel* pModel, const QModelIndex& parent = {}) {
    QStringList parts;
    for (int nRow = 0; nRow < pModel->rowCount(parent); ++nRow) {
        const QModelIndex index = pModel->index(nRow, 0, parent);
        QString sPart =
            index.data().toString() + QLatin1Char('#') + QString::number(index.data(Qt::UserRole).toInt());
        if (pModel->rowCount(index) > 0) {
            sPart += QLatin1Char('[') + ModelText(pModel, index) + QLatin1Char(']');
        }
        parts << sPart;
    }
    return parts.join(QLatin1Char(','));
}

QString TreeText(const CZsCategoryTree& tree, ZsTreeItem parent) {
    QStringList parts;
    for (ZsTreeItem item = parent == ZS_TI_NONE ? tree.GetRootItem() : tree.GetChildItem(parent);
         item != ZS_TI_NONE; item = tree.GetNextSiblingItem(item)) {
        QString sPart =
            ZsQ(tree.GetItemText(item)) + QLatin1Char('#') + QString::number(tree.GetItemData(item));
        if (tree.ItemHasChildren(item)) {
            sPart += QLatin1Char('[') + TreeText(tree, item) + QLatin1Char(']');
        }
        parts << sPart;
    }
    return parts.join(QLatin1Char(','));
}

// The names of the icons a category lists.
QStringList ListNames(CZsIconLib& lib, int32_t nNode) {
    QStringList names;
    for (int32_t nId : lib.GetList(nNode)) {
        names << ZsQ(lib.GetIconName(nId));
    }
    return names;
}

// A main frame, shown, with the tree library "a.pctv" of a fresh folder open in it.
struct CTreeFrame {
    test::TempDir dir;
    CFrmMain frame;
    CDocZIL* pDoc = nullptr;
    CViwZILTree* pTree = nullptr;

    bool Open() {
        if (!frame.Create()) {
            return false;
        }
        frame.resize(1000, 700);
        frame.show();
        pDoc = OpenLibrary("a.pctv");
        pTree = pDoc ? Tree(pDoc) : nullptr;
        return QTest::qWaitForWindowExposed(&frame) && pTree;
    }
    // Writes the tree library under the name and opens it; null when that fails.
    CDocZIL* OpenLibrary(const std::string& sName) {
        WriteTreeLibrary(dir / sName);
        return QTest::currentTestFailed() ? nullptr : frame.Docs().OpenDocumentFile(dir / sName);
    }
    CViwZILTree* Tree(CDocZIL* pLibrary) { return frame.Docs().FrameOf(pLibrary)->TreeView(); }
    CViewZIL* View(CDocZIL* pLibrary) { return frame.Docs().FrameOf(pLibrary)->IconView(); }

    void Trigger(int nId) {
        frame.Router().UpdateAll();
        frame.Router().Find(nId)->trigger();
    }
    bool IsEnabled(int nId) {
        frame.Router().UpdateAll();
        return frame.Router().Find(nId)->isEnabled();
    }
};

QModelIndex IndexOf(CViwZILTree* pTree, int32_t nId) {
    return pTree->Model()->IndexOf(pTree->Doc()->Tree().FindItem(nId));
}

void Select(CViwZILTree* pTree, int32_t nId) {
    pTree->SelectItem(IndexOf(pTree, nId));
}

int32_t SelectedId(CViwZILTree* pTree) {
    return pTree->SelectedItem().data(Qt::UserRole).toInt();
}

QPoint PointOf(CViwZILTree* pTree, int32_t nId) {
    return pTree->visualRect(IndexOf(pTree, nId)).center();
}

// A drag of the data over a tree item, as the desktop reports it: enter, then move; the answer.
Qt::DropAction DragOver(CViwZILTree* pTree, const QMimeData* pData, int32_t nTarget,
                        Qt::MouseButtons buttons = Qt::LeftButton,
                        Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPoint pt = PointOf(pTree, nTarget);
    QDragEnterEvent enter(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(pTree->viewport(), &enter);
    QDragMoveEvent move(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(pTree->viewport(), &move);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

// The drag goes on to a drop there (with the action the target proposed); the action it reports back.
Qt::DropAction DragAndDrop(CViwZILTree* pTree, const QMimeData* pData, int32_t nTarget,
                           Qt::MouseButtons buttons = Qt::LeftButton,
                           Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const Qt::DropAction nProposed = DragOver(pTree, pData, nTarget, buttons, keys);
    QDropEvent drop(PointOf(pTree, nTarget), Qt::CopyAction | Qt::MoveAction, pData, Qt::NoButton, keys);
    drop.setDropAction(nProposed == Qt::IgnoreAction ? Qt::MoveAction : nProposed);
    QApplication::sendEvent(pTree->viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// A category dragged out of a tree, as the tree starts its drags.
const QMimeData* DragCategory(CViwZILTree* pTree, int32_t nId) {
    pTree->PutItemData(IndexOf(pTree, nId), false);
    return pTree->PendingTransfer();
}

// Files and folders as a file manager drags them.
std::unique_ptr<QMimeData> FilesData(const std::vector<std::filesystem::path>& paths) {
    auto pData = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::filesystem::path& path : paths) {
        urls << QUrl::fromLocalFile(ZsQPath(path));
    }
    pData->setUrls(urls);
    return pData;
}

void WriteIcon(const std::filesystem::path& path, uint8_t nFill) {
    QVERIFY(ZsWriteFile(path, test::MakeIco({test::DibImage(16, 16, 32, nFill)})));
}

// Ends the label edit with a key (Return keeps the text, Escape cancels); the editor closes right after.
void EndEdit(CViwZILTree* pTree, const QString& sText, Qt::Key nKey = Qt::Key_Return) {
    QLineEdit* pEditor = pTree->LabelEditor();
    QVERIFY(pEditor);
    if (nKey == Qt::Key_Return) {
        pEditor->setText(sText);
    }
    QTest::keyClick(pEditor, nKey);
    QTRY_VERIFY(!pTree->IsEditingLabel());
}

// Answers the next folder browser with the folder (or cancels it for an empty one); the folder it started
// in comes back in *pStart.
void AnswerFolderBrowser(const std::filesystem::path& folder, QString* pStart = nullptr) {
    guitest::OnNextModal([folder, pStart](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        QVERIFY(pDialog);
        if (pStart) {
            *pStart = pDialog->directory().absolutePath();
        }
        if (folder.empty()) {
            static_cast<QDialog*>(pDialog)->reject();
            return;
        }
        pDialog->setDirectory(ZsQPath(folder));
        static_cast<QDialog*>(pDialog)->accept();
    });
}

}  // namespace

class LibTreeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ZS_OPT_IMP_DIRS_WITH_ICONS.Set(true); }

    void init() { QGuiApplication::clipboard()->clear(); }

    void newCategoriesAreAddedAndRenamedInPlace() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;

        Select(pTree, ZIL_ID_FIND);
        QVERIFY(!f.IsEnabled(ID_LIB_NODE_ADD));
        QVERIFY(!f.IsEnabled(ID_LIB_NODE_ADD_ABOVE));
        Select(pTree, ZIL_ID_ALL);
        QVERIFY(!f.IsEnabled(ID_LIB_NODE_ADD_BELOW));
        QVERIFY(f.IsEnabled(ID_LIB_NODE_ADD));
        f.Trigger(ID_LIB_NODE_ADD);
        QVERIFY(pDoc->IsModified());
        QVERIFY(pTree->IsEditingLabel());
        QCOMPARE(pTree->SelectedItem().data().toString(), QStringLiteral("Untitled"));
        const int32_t nNew = SelectedId(pTree);
        QCOMPARE(nNew, 6);
        QCOMPARE(pDoc->mnCurNode, nNew);
        QCOMPARE(pTree->LabelEditor()->maxLength(), int(ZIL_TITLE_UNITS) - 1);
        EndEdit(pTree, QStringLiteral("Weather"));
        QCOMPARE(
            ModelText(pTree->Model()),
            QStringLiteral("My Icons#-1[Sample Category 1#1[Sample Subcategory 1#2,Sample Subcategory 2#3],"
                           "Sample Category 2#4,Sample Category 3#5,Weather#6],Find Results#-2"));

        // Siblings go just above and below; a cancelled edit keeps "Untitled", and so does an emptied one,
        // which the core refuses with its reason shown once the editor has closed.
        Select(pTree, 4);
        f.Trigger(ID_LIB_NODE_ADD_ABOVE);
        EndEdit(pTree, {}, Qt::Key_Escape);
        Select(pTree, 4);
        f.Trigger(ID_LIB_NODE_ADD_BELOW);
        {
            test::ScriptedMessages ok({ZS_IDOK});
            EndEdit(pTree, QString());
            QTRY_COMPARE(ok.shown.size(), size_t(1));
            QCOMPARE(ok.shown[0], std::make_pair(int(ZS_MB_ERROR), std::string("A category needs a title.")));
        }
        QCOMPARE(ModelText(pTree->Model()).section(QLatin1Char(']'), 1, 1),
                 QStringLiteral(",Untitled#7,Sample Category 2#4,Untitled#8,Sample Category 3#5,Weather#6"));

        // Rename (F2) edits user categories only.
        Select(pTree, ZIL_ID_ALL);
        QVERIFY(f.IsEnabled(ID_EDIT_RENAME));
        f.Trigger(ID_EDIT_RENAME);
        QVERIFY(!pTree->IsEditingLabel());
        Select(pTree, 5);
        pTree->setFocus();
        QTest::keyClick(pTree, Qt::Key_F2);
        QVERIFY(pTree->IsEditingLabel());
        EndEdit(pTree, QStringLiteral("Sky"));
        QCOMPARE(IndexOf(pTree, 5).data().toString(), QStringLiteral("Sky"));
        // Clearing a title refuses the rename, however the edit ends: here by the focus going elsewhere.
        pDoc->SetModifiedFlag(false);
        QTest::keyClick(pTree, Qt::Key_F2);
        QVERIFY(pTree->IsEditingLabel());
        {
            test::ScriptedMessages ok({ZS_IDOK});
            pTree->LabelEditor()->clear();
            pTree->setFocus();
            QTRY_VERIFY(!pTree->IsEditingLabel());
            QTRY_COMPARE(ok.shown.size(), size_t(1));
            QCOMPARE(ok.shown[0].second, std::string("A category needs a title."));
        }
        QCOMPARE(IndexOf(pTree, 5).data().toString(), QStringLiteral("Sky"));
        QVERIFY(!pDoc->IsModified());
    }

    void editCommandsActOnTheLabelEditorWhileItIsOpen() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CViwZILTree* pTree = f.pTree;
        Select(pTree, 4);
        pTree->setFocus();
        QTest::keyClick(pTree, Qt::Key_F2);
        QLineEdit* pEditor = pTree->LabelEditor();
        QVERIFY(pEditor);
        pEditor->setText(QStringLiteral("Sample"));
        pEditor->selectAll();
        QVERIFY(f.IsEnabled(ID_EDIT_COPY));
        f.Trigger(ID_EDIT_COPY);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Sample"));
        pEditor->setCursorPosition(0);
        f.Trigger(ID_EDIT_CLEAR);
        QCOMPARE(pEditor->text(), QStringLiteral("ample"));
        pEditor->end(false);
        f.Trigger(ID_EDIT_PASTE);
        QCOMPARE(pEditor->text(), QStringLiteral("ampleSample"));
        EndEdit(pTree, pEditor->text());
        // Nothing but the title changed: the category is still there.
        QCOMPARE(IndexOf(pTree, 4).data().toString(), QStringLiteral("ampleSample"));
    }

    void deleteAsksAndKeepsTheIcons() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        for (int32_t nFixed : {ZIL_ID_ALL, ZIL_ID_FIND}) {
            Select(pTree, nFixed);
            QVERIFY(!f.IsEnabled(ID_EDIT_CLEAR));
        }
        Select(pTree, 1);
        {
            test::ScriptedMessages cancel({ZS_IDCANCEL});
            f.Trigger(ID_EDIT_CLEAR);
            QCOMPARE(cancel.shown.size(), size_t(1));
            QCOMPARE(
                ZsQ(cancel.shown[0].second),
                QStringLiteral(
                    "Are you sure you want to delete the selected category with subcategories and icons?"));
            QCOMPARE(cancel.shown[0].first, int(ZS_MB_QUESTION));
        }
        QVERIFY(!pDoc->IsModified());
        QVERIFY(IndexOf(pTree, 1).isValid());
        {
            test::ScriptedMessages ok({ZS_IDOK});
            f.Trigger(ID_EDIT_CLEAR);
        }
        QVERIFY(pDoc->IsModified());
        QCOMPARE(ModelText(pTree->Model()),
                 QStringLiteral("My Icons#-1[Sample Category 2#4,Sample Category 3#5],Find Results#-2"));
        QCOMPARE(SelectedId(pTree), 4);
        QCOMPARE(ListNames(*pDoc, ZIL_ID_ALL), QStringList({"Star", "Star 2", "Moon", "Sun"}));
    }

    void clipboardCopiesAndACutPastedMovesOnce() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;

        for (int32_t nFixed : {ZIL_ID_ALL, ZIL_ID_FIND}) {
            Select(pTree, nFixed);
            QVERIFY(!f.IsEnabled(ID_EDIT_CUT));
            QVERIFY(!f.IsEnabled(ID_EDIT_COPY));
        }
        Select(pTree, 1);
        f.Trigger(ID_EDIT_COPY);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Sample Category 1"));
        QVERIFY(!pDoc->IsModified());
        // Not into itself or below itself, and "Find Results" takes nothing.
        for (int32_t nRefused : {1, 2, ZIL_ID_FIND}) {
            Select(pTree, nRefused);
            QVERIFY(!f.IsEnabled(ID_EDIT_PASTE));
        }
        Select(pTree, 4);
        QVERIFY(f.IsEnabled(ID_EDIT_PASTE));
        f.Trigger(ID_EDIT_PASTE);
        QVERIFY(pDoc->IsModified());
        // Three new ids, each listing what its source lists.
        QCOMPARE(
            ModelText(pTree->Model()).section(QLatin1Char(']'), 1, 2),
            QStringLiteral(
                ",Sample Category 2#4[Sample Category 1#6[Sample Subcategory 1#7,Sample Subcategory 2#8]"));
        QCOMPARE(SelectedId(pTree), 6);
        QCOMPARE(ListNames(*pDoc, 6), QStringList({"Star", "Star 2", "Moon"}));
        QCOMPARE(ListNames(*pDoc, 7), QStringList({"Sun"}));
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL).size(), size_t(4));

        // Cut and paste moves, keeping the ids; the second paste has nothing left to move.
        Select(pTree, 5);
        f.Trigger(ID_EDIT_CUT);
        Select(pTree, 1);
        f.Trigger(ID_EDIT_PASTE);
        QCOMPARE(ModelText(pTree->Model()),
                 QStringLiteral(
                     "My Icons#-1[Sample Category 1#1[Sample Subcategory 1#2,Sample Subcategory 2#3,"
                     "Sample Category 3#5],Sample Category 2#4[Sample Category 1#6[Sample Subcategory 1#7,"
                     "Sample Subcategory 2#8]]],Find Results#-2"));
        Select(pTree, 4);
        QVERIFY(!f.IsEnabled(ID_EDIT_PASTE));
        const QString sBefore = ModelText(pTree->Model());
        f.Trigger(ID_EDIT_PASTE);
        QCOMPARE(ModelText(pTree->Model()), sBefore);
    }

    void categoriesMoveAndCopyByDragging() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;

        // "My Icons" and "Find Results" are not dragged.
        QCOMPARE(pTree->GetItemEffects(IndexOf(pTree, ZIL_ID_ALL)), int(ZS_OP_NONE));
        QCOMPARE(pTree->GetItemEffects(IndexOf(pTree, ZIL_ID_FIND)), int(ZS_OP_NONE));

        // Refused: into its own subtree (also as a copy), onto "Find Results", the last child onto its
        // parent.
        const QMimeData* pData = DragCategory(pTree, 1);
        QCOMPARE(DragOver(pTree, pData, 2), Qt::IgnoreAction);
        QCOMPARE(DragOver(pTree, pData, 2, Qt::LeftButton, Qt::ControlModifier), Qt::IgnoreAction);
        QCOMPARE(DragOver(pTree, pData, ZIL_ID_FIND), Qt::IgnoreAction);
        QCOMPARE(DragAndDrop(pTree, pData, 1), Qt::IgnoreAction);
        pData = DragCategory(pTree, 5);
        QCOMPARE(DragOver(pTree, pData, ZIL_ID_ALL), Qt::IgnoreAction);
        QVERIFY(!pDoc->IsModified());

        // An earlier child dropped on its parent moves to the end; the drop highlight goes with the drop.
        pData = DragCategory(pTree, 1);
        QCOMPARE(DragOver(pTree, pData, ZIL_ID_ALL), Qt::MoveAction);
        QCOMPARE(pTree->DropHilite(), IndexOf(pTree, ZIL_ID_ALL));
        QCOMPARE(DragAndDrop(pTree, pData, ZIL_ID_ALL), Qt::MoveAction);
        QVERIFY(!pTree->DropHilite().isValid());
        QVERIFY(pDoc->IsModified());
        QCOMPARE(
            ModelText(pTree->Model()),
            QStringLiteral("My Icons#-1[Sample Category 2#4,Sample Category 3#5,Sample Category 1#1[Sample "
                           "Subcategory 1#2,Sample Subcategory 2#3]],Find Results#-2"));
        QCOMPARE(SelectedId(pTree), 1);
        QVERIFY(pTree->isExpanded(IndexOf(pTree, 1)));

        // Ctrl copies; the right button asks, with what the rules allow.
        pData = DragCategory(pTree, 2);
        QCOMPARE(DragAndDrop(pTree, pData, 4, Qt::LeftButton, Qt::ControlModifier), Qt::CopyAction);
        QCOMPARE(ListNames(*pDoc, 6), QStringList({"Sun"}));
        pData = DragCategory(pTree, 3);
        guitest::CSeenMenu seen;
        guitest::ChooseFromNextMenu(QStringLiteral("Move As Sibling Above"), &seen);
        QCOMPARE(DragAndDrop(pTree, pData, 2, Qt::RightButton), Qt::MoveAction);
        QCOMPARE(seen.items, QStringList({"Move As Child*", "Move As Sibling Above", "Move As Sibling Below~",
                                          "-", "Copy As Child", "Copy As Sibling Above",
                                          "Copy As Sibling Below", "-", "Cancel"}));
        QCOMPARE(ModelText(pTree->Model()),
                 QStringLiteral(
                     "My Icons#-1[Sample Category 2#4[Sample Subcategory 1#6],Sample Category 3#5,Sample "
                     "Category 1#1[Sample Subcategory 2#3,Sample Subcategory 1#2]],Find Results#-2"));
        pData = DragCategory(pTree, 5);
        guitest::ChooseFromNextMenu(QStringLiteral("Cancel"));
        QCOMPARE(DragAndDrop(pTree, pData, 4, Qt::RightButton), Qt::IgnoreAction);
        QVERIFY(IndexOf(pTree, 5).parent() == IndexOf(pTree, ZIL_ID_ALL));

        // Shift+Up and Shift+Down move among siblings; without a sibling there the key moves the selection.
        Select(pTree, 5);
        pTree->setFocus();
        QTest::keyClick(pTree, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(IndexOf(pTree, 5).row(), 0);
        QCOMPARE(SelectedId(pTree), 5);
        QTest::keyClick(pTree, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(pTree, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(IndexOf(pTree, 5).row(), 2);
        QCOMPARE(IndexOf(pTree, 4).row(), 0);
        QTest::keyClick(pTree, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(IndexOf(pTree, 5).row(), 2);
        QCOMPARE(SelectedId(pTree), int(ZIL_ID_FIND));
    }

    void aDragRestingOnACategoryOpensIt() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CViwZILTree* pTree = f.pTree;
        const QModelIndex category = IndexOf(pTree, 1);
        pTree->collapse(category);
        const QMimeData* pData = DragCategory(pTree, 5);
        DragOver(pTree, pData, 1);
        QTest::qWait(CZsTreeView::kAutoExpandMs / 2);
        QVERIFY(!pTree->isExpanded(category));
        QTRY_VERIFY(pTree->isExpanded(category));

        // A drag that leaves before the time is up opens nothing.
        QDragLeaveEvent leave;
        QApplication::sendEvent(pTree->viewport(), &leave);
        pTree->collapse(category);
        DragOver(pTree, pData, 1);
        QApplication::sendEvent(pTree->viewport(), &leave);
        QTest::qWait(CZsTreeView::kAutoExpandMs * 2);
        QVERIFY(!pTree->isExpanded(category));
        QVERIFY(!pTree->DropHilite().isValid());
    }

    void iconsDraggedFromTheIconListGoIntoACategory() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        auto* pList = dynamic_cast<CZsListBox*>(f.View(pDoc)->IconList());
        QVERIFY(pList);
        Select(pTree, 1);
        auto select = [&](std::initializer_list<int> rows) {
            pList->selectionModel()->clear();
            for (int nRow : rows) {
                pList->selectionModel()->select(pList->model()->index(nRow, 0), QItemSelectionModel::Select);
            }
            pList->PutSelectedItems();
            return pList->PendingTransfer();
        };

        // Not onto the category on display, "My Icons" or "Find Results".
        const QMimeData* pData = select({0, 2});
        for (int32_t nRefused : {1, ZIL_ID_ALL, ZIL_ID_FIND}) {
            QCOMPARE(DragOver(pTree, pData, nRefused), Qt::IgnoreAction);
        }
        QCOMPARE(DragAndDrop(pTree, pData, 2, Qt::LeftButton, Qt::ControlModifier), Qt::CopyAction);
        QCOMPARE(ListNames(*pDoc, 2), QStringList({"Sun", "Star", "Moon"}));
        QCOMPARE(ListNames(*pDoc, 1), QStringList({"Star", "Star 2", "Moon"}));
        QVERIFY(pDoc->IsModified());

        // A move takes them out of the category on display; the target keeps each icon once.
        pData = select({1, 2});
        QCOMPARE(DragAndDrop(pTree, pData, 2), Qt::MoveAction);
        QCOMPARE(ListNames(*pDoc, 2), QStringList({"Sun", "Star", "Moon", "Star 2"}));
        QCOMPARE(ListNames(*pDoc, 1), QStringList({"Star"}));
        QCOMPARE(f.View(pDoc)->GetIconCount(), 1);

        // The right button asks: Move or Copy.
        pData = select({0});
        guitest::CSeenMenu seen;
        guitest::ChooseFromNextMenu(QStringLiteral("Copy"), &seen);
        QCOMPARE(DragAndDrop(pTree, pData, 4, Qt::RightButton), Qt::CopyAction);
        QCOMPARE(seen.items, QStringList({"Move*", "Copy", "-", "Cancel"}));
        QCOMPARE(ListNames(*pDoc, 4), QStringList({"Star"}));
        QCOMPARE(ListNames(*pDoc, 1), QStringList({"Star"}));

        // Out of "My Icons" a move leaves them there.
        Select(pTree, ZIL_ID_ALL);
        pData = select({3});
        QCOMPARE(DragAndDrop(pTree, pData, 5), Qt::MoveAction);
        QCOMPARE(ListNames(*pDoc, 5), QStringList({"Sun"}));
        QCOMPARE(ListNames(*pDoc, ZIL_ID_ALL).size(), 4);
    }

    void foldersAndFilesFromDiskAreImported() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        const test::TempDir& dir = f.dir;
        const std::filesystem::path root = dir / "Weather";
        std::filesystem::create_directories(root / "Clouds" / "Dark");
        std::filesystem::create_directories(root / "Empty");
        WriteIcon(root / "sun.ico", 0x10);
        WriteIcon(root / "Clouds" / "cloud.ico", 0x20);
        WriteIcon(root / "Clouds" / "Dark" / "storm.ico", 0x30);
        std::ofstream(root / "notes.txt") << "not an icon";
        WriteIcon(dir / "rain.ico", 0x40);
        WriteIcon(dir / "snow.ico", 0x50);
        CZsPrgSinkScope progress(&f.frame);
        Select(pTree, 4);

        auto pFolder = FilesData({root});
        QCOMPARE(DragOver(pTree, pFolder.get(), ZIL_ID_FIND), Qt::IgnoreAction);
        // Files are copied in, whatever the keys say, so the file manager keeps them.
        QCOMPARE(DragOver(pTree, pFolder.get(), ZIL_ID_ALL), Qt::CopyAction);
        QCOMPARE(DragAndDrop(pTree, pFolder.get(), ZIL_ID_ALL), Qt::CopyAction);
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(pDoc->IsModified());
        QCOMPARE(ModelText(pTree->Model()).section(QLatin1Char(','), 4),
                 QStringLiteral("Weather#6[Clouds#7[Dark#9],Empty#8]],Find Results#-2"));
        QCOMPARE(SelectedId(pTree), 6);
        QCOMPARE(ListNames(*pDoc, 6), QStringList({"sun"}));
        QCOMPARE(ListNames(*pDoc, 7), QStringList({"cloud"}));
        QCOMPARE(ListNames(*pDoc, 9), QStringList({"storm"}));
        QCOMPARE(ListNames(*pDoc, ZIL_ID_ALL).size(), 7);
        QCOMPARE(f.View(pDoc)->GetIconCount(), 1);

        // Files dropped on the category on display appear in the icon list.
        auto pFiles = FilesData({dir / "rain.ico", dir / "snow.ico", root / "notes.txt"});
        QCOMPARE(DragAndDrop(pTree, pFiles.get(), 6), Qt::CopyAction);
        QCOMPARE(ListNames(*pDoc, 6), QStringList({"sun", "rain", "snow"}));
        QCOMPARE(f.View(pDoc)->GetIconCount(), 3);
        QCOMPARE(f.View(pDoc)->GetCaretRow(), 1);

        // Nothing that imports: refused at the drop.
        auto pText = FilesData({root / "notes.txt"});
        QCOMPARE(DragAndDrop(pTree, pText.get(), 6), Qt::IgnoreAction);
        QCOMPARE(ListNames(*pDoc, 6).size(), 3);
    }

    void aCategoryFromAnotherLibraryWindowArrivesAsItsFiles() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pA = f.pDoc;
        CDocZIL* pB = f.OpenLibrary("b.pctv");
        QVERIFY(pB && pA != pB);
        CViwZILTree* pTreeA = f.Tree(pA);
        CViwZILTree* pTreeB = f.Tree(pB);
        const QString sTreeA = ModelText(pTreeA->Model());

        // The block names A's tree, which B does not take for its own: B takes the files A exports.
        const QMimeData* pData = DragCategory(pTreeA, 1);
        QCOMPARE(DragOver(pTreeB, pData, ZIL_ID_FIND), Qt::IgnoreAction);
        QCOMPARE(DragOver(pTreeB, pData, 4), Qt::CopyAction);
        QCOMPARE(DragAndDrop(pTreeB, pData, 4), Qt::CopyAction);
        QCOMPARE(
            ModelText(pTreeB->Model()).section(QLatin1Char(']'), 1, 2),
            QStringLiteral(
                ",Sample Category 2#4[Sample Category 1#6[Sample Subcategory 1#7,Sample Subcategory 2#8]"));
        // The exported files come back in name order.
        QCOMPARE(ListNames(*pB, 6), QStringList({"Moon", "Star 2", "Star"}));
        QCOMPARE(ListNames(*pB, 7), QStringList({"Sun"}));
        // New icons of B.
        QCOMPARE(pB->GetList(ZIL_ID_ALL).size(), size_t(8));
        QVERIFY(pB->IsModified());
        QCOMPARE(ModelText(pTreeA->Model()), sTreeA);
        QVERIFY(!pA->IsModified());

        // A's icon list offers its icons as files, which B takes.
        auto* pListA = dynamic_cast<CZsListBox*>(f.View(pA)->IconList());
        QVERIFY(pListA);
        Select(pTreeA, 1);
        pListA->selectAll();
        pListA->PutSelectedItems();
        QCOMPARE(DragOver(pTreeB, pListA->PendingTransfer(), 5), Qt::CopyAction);

        // A category copied in A and pasted in B comes the same way; closing A takes it off the clipboard.
        Select(pTreeA, 5);
        QVERIFY(pTreeA->OnCommand(ID_EDIT_COPY));
        Select(pTreeB, 5);
        f.frame.Docs().CloseDocument(pA);
        QVERIFY(!ZsHasFormat(ZsClipboardData(), ZS_DND_MIME));
        QVERIFY(!f.IsEnabled(ID_EDIT_PASTE));
    }

    void aDraggedCategoryOffersItsFilesOnceDropped() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CViwZILTree* pTree = f.pTree;
        pTree->PutItemData(IndexOf(pTree, 1), false);
        CZsDnDData* pData = pTree->PendingTransfer();
        QVERIFY(pData);
        QCOMPARE(pData->text(), QStringLiteral("Sample Category 1"));
        QVERIFY(pData->hasUrls());
        // A file manager that asks while the drag passes over it is told the folder; nothing is made yet.
        const QList<QUrl> urls = pData->urls();
        QCOMPARE(urls.size(), 1);
        const std::filesystem::path folder = ZsPathOf(urls[0].toLocalFile());
        QVERIFY(!std::filesystem::exists(folder.parent_path()));
        // The drop makes it at once, as the file manager does not ask again.
        pData->SetDropped();
        QVERIFY(std::filesystem::is_directory(folder));
        QCOMPARE(ZsQPath(folder.filename()), QStringLiteral("Sample Category 1"));
        QCOMPARE(ZsQPath(folder.parent_path().parent_path()), ZsQPath(ZsGetTempDir()).chopped(1));
        QVERIFY(ZsQPath(folder.parent_path().filename()).startsWith(QStringLiteral("TempDelay")));
        QVERIFY(std::filesystem::exists(folder / "Star 2.ico"));
        QVERIFY(std::filesystem::exists(folder / "Sample Subcategory 1" / "Sun.ico"));
        QCOMPARE(pData->urls(), urls);

        // A file manager that asks only at the drop gets the files from its first request, in a new folder.
        pTree->PutItemData(IndexOf(pTree, 1), false);
        pData = pTree->PendingTransfer();
        pData->SetDropped();
        const QList<QUrl> atDrop = pData->urls();
        QCOMPARE(atDrop.size(), 1);
        const std::filesystem::path second = ZsPathOf(atDrop[0].toLocalFile());
        QVERIFY(second.parent_path() != folder.parent_path());
        QVERIFY(std::filesystem::exists(second / "Star 2.ico"));
    }

    void directoryTreeCommandsUseTheirFolders() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        const test::TempDir& dir = f.dir;
        const std::filesystem::path out = dir / "out";
        std::filesystem::create_directories(out);
        std::filesystem::create_directories(dir / "In" / "Sub");
        WriteIcon(dir / "In" / "Sub" / "x.ico", 0x11);

        ZS_EXP_DIR.Set(ZsPathToUtf8(dir.Path()));
        Select(pTree, 1);
        QString sStart;
        AnswerFolderBrowser(out, &sStart);
        f.Trigger(ID_LIB_EXP_DIRS);
        QCOMPARE(sStart, ZsQPath(dir.Path()));
        QCOMPARE(ZsQ(ZS_EXP_DIR.Get()), ZsQPath(out));
        QVERIFY(std::filesystem::exists(out / "Sample Category 1" / "Moon.ico"));
        QVERIFY(!pDoc->IsModified());

        Select(pTree, ZIL_ID_FIND);
        QVERIFY(!f.IsEnabled(ID_LIB_IMP_DIRS));
        Select(pTree, 5);
        AnswerFolderBrowser({});
        f.Trigger(ID_LIB_IMP_DIRS);
        QVERIFY(!pDoc->IsModified());
        AnswerFolderBrowser(dir / "In");
        f.Trigger(ID_LIB_IMP_DIRS);
        QCOMPARE(ZsQ(ZS_IMP_DIRS_INIT_DIR.Get()), ZsQPath(dir / "In"));
        QVERIFY(pDoc->IsModified());
        QCOMPARE(SelectedId(pTree), 6);
        QCOMPARE(ModelText(pTree->Model()).section(QLatin1Char(']'), 1, 1),
                 QStringLiteral(",Sample Category 2#4,Sample Category 3#5[In#6[Sub#7"));
        QCOMPARE(ListNames(*pDoc, 7), QStringList({"x"}));
    }

    void contextMenuHasTheTreeCommands() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        const QPoint pt = PointOf(pTree, ZIL_ID_ALL);
        guitest::CSeenMenu seen;
        guitest::ChooseFromNextMenu(QStringLiteral("New &Category"), &seen);
        QTest::mouseClick(pTree->viewport(), Qt::RightButton, Qt::NoModifier, pt);
        QCOMPARE(seen.items,
                 QStringList({"New &Category", "New Sibling Category &Above~", "New Sibling Category &Below~",
                              "-", "Cu&t\tCtrl+X~", "&Copy\tCtrl+C~", "&Paste\tCtrl+V~", "De&lete...\tDel~",
                              "-", "&Import from Disk Directory Tree...", "&Export to Disk Directory Tree...",
                              "-", "&Rename\tF2", "-", "&Find Icons...\tCtrl+F"}));
        QVERIFY(pTree->IsEditingLabel());
        QCOMPARE(IndexOf(pTree, 6).parent(), IndexOf(pTree, ZIL_ID_ALL));
        QVERIFY(pDoc->IsModified());
    }

    void findIconsFillsFindResults() {
        ZS_FIND_HISTORY.Set({"moon", "sky"});
        ZS_FIND_IN.Set(0);
        ZS_FIND_WHOLE_WORD.Set(false);
        ZS_FIND_REG_EX.Set(false);
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        Select(pTree, 1);
        QVERIFY(f.IsEnabled(ID_EDIT_FIND));

        QStringList scopes;
        QString sFirst;
        guitest::OnNextModal([&](QWidget* pModal) {
            auto* pDialog = qobject_cast<CDlgIconFind*>(pModal);
            QVERIFY(pDialog);
            QCOMPARE(pDialog->windowTitle(), QStringLiteral("Find Icons"));
            sFirst = pDialog->FindWhat()->currentText();
            for (int i = 0; i < pDialog->ScopeList()->count(); ++i) {
                scopes << pDialog->ScopeList()->itemText(i);
            }
            QVERIFY(pDialog->SearchButton()->isEnabled());
            pDialog->FindWhat()->setCurrentText(QString());
            QVERIFY(!pDialog->SearchButton()->isEnabled());
            pDialog->FindWhat()->setCurrentText(QStringLiteral("STAR"));
            pDialog->InNames()->setChecked(false);
            pDialog->InKeywords()->setChecked(false);
            QVERIFY(!pDialog->SearchButton()->isEnabled());
            pDialog->InNames()->setChecked(true);
            pDialog->WholeWord()->setChecked(true);
            QTest::mouseClick(pDialog->SearchButton(), Qt::LeftButton);
        });
        f.Trigger(ID_EDIT_FIND);
        QCOMPARE(sFirst, QStringLiteral("moon"));
        QCOMPARE(scopes, QStringList({"Selected and descendant categories", "Only selected category",
                                      "All categories"}));
        QCOMPARE(SelectedId(pTree), int(ZIL_ID_FIND));
        QCOMPARE(pDoc->mnCurNode, int(ZIL_ID_FIND));
        QCOMPARE(ListNames(*pDoc, ZIL_ID_FIND), QStringList({"Star"}));
        QCOMPARE(f.View(pDoc)->GetIconCount(), 1);
        QCOMPARE(ZS_FIND_HISTORY.Get(), (std::vector<std::string>{"STAR", "moon", "sky"}));
        QVERIFY(ZS_FIND_WHOLE_WORD.Get());
        QVERIFY(!ZS_FIND_IN_KWDS.Get());
        QVERIFY(!pDoc->IsModified());

        // Searching again with "Find Results" selected narrows the results, and shows the new ones.
        guitest::OnNextModal([](QWidget* pModal) {
            auto* pDialog = qobject_cast<CDlgIconFind*>(pModal);
            pDialog->FindWhat()->setCurrentText(QStringLiteral("moon"));
            pDialog->WholeWord()->setChecked(false);
            pDialog->accept();
        });
        f.Trigger(ID_EDIT_FIND);
        QVERIFY(ListNames(*pDoc, ZIL_ID_FIND).isEmpty());
        QCOMPARE(f.View(pDoc)->GetIconCount(), 0);

        // A bad expression is said, and "Find Results" still shown.
        Select(pTree, ZIL_ID_ALL);
        guitest::OnNextModal([](QWidget* pModal) {
            auto* pDialog = qobject_cast<CDlgIconFind*>(pModal);
            pDialog->FindWhat()->setCurrentText(QStringLiteral("st(r"));
            pDialog->RegEx()->setChecked(true);
            pDialog->ScopeList()->setCurrentIndex(ZIL_SCOPE_ALL);
            pDialog->accept();
        });
        {
            test::ScriptedMessages messages({ZS_IDOK});
            f.Trigger(ID_EDIT_FIND);
            QCOMPARE(messages.shown.size(), size_t(1));
            QCOMPARE(ZsQ(messages.shown[0].second), QStringLiteral("Incorrect regular expression!"));
            QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        }
        QCOMPARE(SelectedId(pTree), int(ZIL_ID_FIND));
        QCOMPARE(ZS_FIND_IN.Get(), int(ZIL_SCOPE_ALL));

        // Cancel searches nothing and remembers nothing.
        Select(pTree, 1);
        guitest::OnNextModal([](QWidget* pModal) {
            auto* pDialog = qobject_cast<CDlgIconFind*>(pModal);
            pDialog->FindWhat()->setCurrentText(QStringLiteral("never"));
            pDialog->reject();
        });
        f.Trigger(ID_EDIT_FIND);
        QCOMPARE(SelectedId(pTree), 1);
        QCOMPARE(ZS_FIND_HISTORY.Get().front(), std::string("st(r"));
    }

    void saveWritesWhatTheWindowShows() {
        CTreeFrame f;
        QVERIFY(f.Open());
        CDocZIL* pDoc = f.pDoc;
        CViwZILTree* pTree = f.pTree;
        const test::TempDir& dir = f.dir;
        WriteIcon(dir / "drop.ico", 0x66);

        Select(pTree, 4);
        f.Trigger(ID_LIB_NODE_ADD);
        EndEdit(pTree, QStringLiteral("Renamed"));
        Select(pTree, 1);
        f.Trigger(ID_EDIT_COPY);
        Select(pTree, 6);
        f.Trigger(ID_EDIT_PASTE);
        QCOMPARE(DragAndDrop(pTree, DragCategory(pTree, 2), 5), Qt::MoveAction);
        {
            test::ScriptedMessages ok({ZS_IDOK});
            Select(pTree, 3);
            f.Trigger(ID_EDIT_CLEAR);
        }
        auto pFiles = FilesData({dir / "drop.ico"});
        QCOMPARE(DragAndDrop(pTree, pFiles.get(), 5), Qt::CopyAction);
        QVERIFY(pDoc->IsModified());
        const QString sShown = ModelText(pTree->Model());

        f.Trigger(ID_FILE_SAVE);
        QVERIFY(!pDoc->IsModified());
        CZsCategoryTree tree;
        CZsIconLib saved;
        saved.AttachTree(&tree);
        QVERIFY(saved.Load(dir / "a.pctv"));
        QCOMPARE(TreeText(tree, ZS_TI_NONE), sShown);
        for (int32_t nId : saved.GetNodeIds()) {
            if (nId != ZIL_ID_FIND) {
                QCOMPARE(ListNames(saved, nId), ListNames(*pDoc, nId));
            }
        }
        QCOMPARE(ListNames(saved, 5), QStringList({"drop"}));
        QCOMPARE(saved.GetNextNode(), pDoc->GetNextNode());
        saved.Close();
    }
};

PICTAVO_GUI_TEST_MAIN(LibTreeTest)
#include "LibTreeTest.moc"
