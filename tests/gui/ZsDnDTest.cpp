// The transfer machinery driven offscreen: the private block and who may read it, a list box's items, the
// delayed file list and when it is made, the clipboard cleaned when a window goes, the drag events answered
// by the operations a window gives, scrolling near the edges, drag starts with either button, and the drop
// menu.
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QUrl>
#include <fstream>
#include <memory>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "gui/common/ZsDnD.h"
#include "gui/common/ZsListBox.h"
#include "gui/common/ZsQt.h"

namespace {

// A list of rows "row 0", "row 1", ... whose item data is 100 + the row.
std::unique_ptr<QStandardItemModel> RowModel(int nRows) {
    auto pModel = std::make_unique<QStandardItemModel>();
    for (int i = 0; i < nRows; ++i) {
        auto* pItem = new QStandardItem(QStringLiteral("row %1").arg(i));
        pItem->setData(100 + i, Qt::UserRole + 1);
        pModel->appendRow(pItem);
    }
    return pModel;
}

// A list box that writes one file per rendering into a folder, and records what its drop target was asked.
class CTestListBox : public CZsListBox {
public:
    explicit CTestListBox(QStandardItemModel* pModel) {
        setModel(pModel);
        SetItemDataRole(Qt::UserRole + 1);
        EnableDnD(true, true, true);
        resize(200, 120);
    }

    bool RenderFiles(const CZsDnDData&, std::vector<std::filesystem::path>& files) override {
        ++nRendered;
        if (bFail) {
            return false;
        }
        const std::filesystem::path file = mDir / ("rendered" + std::to_string(nRendered) + ".ico");
        std::ofstream(file) << "x";
        files.push_back(file);
        return true;
    }

    int OnDragOver(const QMimeData* pData, const QPoint& pt) override {
        CZsListBox::OnDragOver(pData, pt);
        return nAnswer;
    }

    int OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint&) override {
        bDropSeen = true;
        nDropDefault = nDefaultOp;
        nDropOffered = nOffered;
        bDroppedDataTaken =
            qobject_cast<const CZsDnDData*>(pData) && ZsGetDroppedFiles(pData, nullptr, &dropped);
        return nDropResult;
    }

    test::TempDir mDir;
    int nRendered = 0;
    bool bFail = false;
    int nAnswer = ZS_OP_NONE;
    int nDropResult = ZS_OP_NONE;
    bool bDropSeen = false;
    int nDropDefault = -1;
    int nDropOffered = -1;
    bool bDroppedDataTaken = false;
    std::vector<std::filesystem::path> dropped;
};

void SelectRows(CZsListBox& list, std::initializer_list<int> rows) {
    list.selectionModel()->clearSelection();
    for (int nRow : rows) {
        list.selectionModel()->select(list.model()->index(nRow, 0), QItemSelectionModel::Select);
    }
}

// A drag of the data over the widget's viewport: enter, then move to the point; the answer of the move.
Qt::DropAction DragOver(QAbstractScrollArea& area, QMimeData* pData, const QPoint& pt,
                        Qt::MouseButtons buttons = Qt::LeftButton,
                        Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QDragEnterEvent enter(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(area.viewport(), &enter);
    QDragMoveEvent move(pt, Qt::CopyAction | Qt::MoveAction, pData, buttons, keys);
    QApplication::sendEvent(area.viewport(), &move);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

Qt::DropAction Drop(QAbstractScrollArea& area, QMimeData* pData, const QPoint& pt, Qt::DropAction nAction) {
    QDropEvent drop(pt, Qt::CopyAction | Qt::MoveAction, pData, Qt::NoButton, Qt::NoModifier);
    drop.setDropAction(nAction);
    QApplication::sendEvent(area.viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace

class ZsDnDTest : public QObject {
    Q_OBJECT
private slots:
    void listItemsTravelInTheTransferWithTheirText() {
        auto pModel = RowModel(5);
        CTestListBox list(pModel.get());
        SelectRows(list, {3, 1});
        list.PutSelectedItems();
        CZsDnDData* pData = list.PendingTransfer();
        QVERIFY(pData);

        uint64_t nSource = 0;
        uint64_t nPayload = 0;
        QVERIFY(ZsGetDnDData(pData, &nSource, &nPayload));
        QCOMPARE(nSource, list.DnDIdentity());
        QCOMPARE(ZsGetDnDSource(pData), static_cast<CZsDnD*>(&list));
        QCOMPARE(pData->text(), QStringLiteral("row 1\nrow 3\n"));

        CZsDnD* pSource = nullptr;
        std::vector<ZS_DND_ITEM> items;
        QVERIFY(ZsGetDnDItems(pData, &pSource, &items));
        QCOMPARE(pSource, static_cast<CZsDnD*>(&list));
        QCOMPARE(items.size(), size_t(2));
        QCOMPARE(items[0].sText, QStringLiteral("row 1"));
        QCOMPARE(items[0].nData, qint64(101));
        QCOMPARE(items[0].nRow, 1);
        QCOMPARE(items[1].nData, qint64(103));
        QCOMPARE(items[1].nRow, 3);

        // Two transfers of one list carry different blocks, and neither is taken for the other.
        uint64_t nFirstPayload = nPayload;
        list.PutSelectedItems();
        QVERIFY(ZsGetDnDData(list.PendingTransfer(), nullptr, &nPayload));
        QVERIFY(nPayload != nFirstPayload);
    }

    void blocksOfUnknownWindowsAreNotFollowed() {
        auto pModel = RowModel(2);
        QByteArray block;
        {
            CTestListBox list(pModel.get());
            SelectRows(list, {0});
            list.PutSelectedItems();
            block = list.PendingTransfer()->data(QString::fromLatin1(ZS_DND_MIME));
            QCOMPARE(block.size(), 16);

            // The same bytes outside the transfer object (as another process would see them) name the
            // window but give no items.
            QMimeData copy;
            copy.setData(QString::fromLatin1(ZS_DND_MIME), block);
            QCOMPARE(ZsGetDnDSource(&copy), static_cast<CZsDnD*>(&list));
            QVERIFY(!ZsGetDnDItems(&copy, nullptr, nullptr));
        }
        // The window is gone: its identity names nothing any more.
        QMimeData stale;
        stale.setData(QString::fromLatin1(ZS_DND_MIME), block);
        QVERIFY(ZsGetDnDData(&stale, nullptr, nullptr));
        QVERIFY(!ZsGetDnDSource(&stale));
        QVERIFY(!ZsGetDnDItems(&stale, nullptr, nullptr));

        QMimeData shortBlock;
        shortBlock.setData(QString::fromLatin1(ZS_DND_MIME), block.left(8));
        QVERIFY(!ZsGetDnDData(&shortBlock, nullptr, nullptr));
        QVERIFY(!ZsGetDnDSource(nullptr));
        QVERIFY(!ZsGetDnDSource(&shortBlock));
    }

    void delayedFilesAreMadeOnceAndOnlyAfterTheDrop() {
        auto pModel = RowModel(2);
        CTestListBox list(pModel.get());
        SelectRows(list, {0});
        list.PutSelectedItems();
        list.DelayRenderFiles();
        CZsDnDData* pData = list.PendingTransfer();
        QVERIFY(pData->hasUrls());
        QVERIFY(pData->formats().contains(QString::fromLatin1(ZS_FILES_MIME)));

        // Passing over a target that asks for the files makes nothing.
        QVERIFY(pData->urls().isEmpty());
        QCOMPARE(list.nRendered, 0);

        pData->SetDropped();
        const QList<QUrl> urls = pData->urls();
        QCOMPARE(urls.size(), 1);
        QVERIFY(std::filesystem::exists(ZsPathOf(urls[0].toLocalFile())));
        QCOMPARE(pData->urls(), urls);
        QCOMPARE(pData->data(QString::fromLatin1(ZS_FILES_MIME)),
                 urls[0].toEncoded() + QByteArrayLiteral("\r\n"));
        QCOMPARE(list.nRendered, 1);

        // A failed export is not tried again within the transfer.
        list.bFail = true;
        list.PutSelectedItems();
        list.DelayRenderFiles();
        list.PendingTransfer()->SetDropped();
        QVERIFY(list.PendingTransfer()->urls().isEmpty());
        QVERIFY(list.PendingTransfer()->urls().isEmpty());
        QCOMPARE(list.nRendered, 2);
    }

    void clipboardTransfersRenderOnPasteAndGoWithTheirWindow() {
        auto pModel = RowModel(3);
        auto pList = std::make_unique<CTestListBox>(pModel.get());
        SelectRows(*pList, {2});
        pList->PutSelectedItems();
        pList->DelayRenderFiles();
        pList->CopyToClipboard();
        QVERIFY(!pList->PendingTransfer());
        QVERIFY(pList->OwnsClipboard());
        const QMimeData* pData = ZsClipboardData();
        std::vector<ZS_DND_ITEM> items;
        QVERIFY(ZsGetDnDItems(pData, nullptr, &items));
        QCOMPARE(items.front().nData, qint64(102));
        std::vector<std::filesystem::path> files;
        QVERIFY(ZsGetDroppedFiles(pData, nullptr, &files));
        QCOMPARE(files.size(), size_t(1));

        pList.reset();
        pData = ZsClipboardData();
        QVERIFY(!ZsHasFormat(pData, ZS_DND_MIME));
        QVERIFY(!ZsGetDnDItems(pData, nullptr, nullptr));

        // A clipboard that another window filled since is left alone.
        auto pOther = std::make_unique<CTestListBox>(pModel.get());
        SelectRows(*pOther, {0});
        pOther->PutSelectedItems();
        pOther->CopyToClipboard();
        {
            CTestListBox third(pModel.get());
            SelectRows(third, {1});
            third.PutSelectedItems();
            third.CopyToClipboard();
            QVERIFY(!pOther->OwnsClipboard());
            pOther.reset();
            QVERIFY(ZsGetDnDItems(ZsClipboardData(), nullptr, &items));
            QCOMPARE(items.front().nData, qint64(101));
        }
        QVERIFY(!ZsHasFormat(ZsClipboardData(), ZS_DND_MIME));
    }

    void dragEventsAreAnsweredWithTheWindowsOperation() {
        auto pModel = RowModel(3);
        CTestListBox source(pModel.get());
        CTestListBox target(pModel.get());
        SelectRows(source, {1});
        source.PutSelectedItems();
        source.DelayRenderFiles();
        CZsDnDData* pData = source.PendingTransfer();
        const QPoint pt = target.visualRect(pModel->index(2, 0)).center();

        target.nAnswer = ZS_OP_NONE;
        QCOMPARE(DragOver(target, pData, pt), Qt::IgnoreAction);
        QCOMPARE(target.DragRow(), 2);
        target.nAnswer = ZS_OP_COPY;
        QCOMPARE(DragOver(target, pData, pt), Qt::CopyAction);
        // Offered both ways, the move is proposed; the buttons and keys are kept for the drop.
        target.nAnswer = ZS_OP_EITHER;
        QCOMPARE(DragOver(target, pData, pt, Qt::RightButton, Qt::ControlModifier), Qt::MoveAction);
        QCOMPARE(target.DragButtons(), Qt::MouseButtons(Qt::RightButton));
        QCOMPARE(target.DragModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier));

        // The drop makes the delayed files available to the target, and its result goes back.
        target.nDropResult = ZS_OP_COPY;
        QCOMPARE(Drop(target, pData, pt, Qt::MoveAction), Qt::CopyAction);
        QVERIFY(target.bDropSeen);
        QCOMPARE(target.nDropDefault, int(ZS_OP_MOVE));
        QCOMPARE(target.nDropOffered, int(ZS_OP_EITHER));
        QVERIFY(target.bDroppedDataTaken);
        QCOMPARE(target.dropped.size(), size_t(1));
        target.nDropResult = ZS_OP_NONE;
        QCOMPARE(Drop(target, pData, pt, Qt::MoveAction), Qt::IgnoreAction);
        QCOMPARE(source.nRendered, 1);

        QCOMPARE(ZsKeyStateOps(Qt::LeftButton, Qt::NoModifier), int(ZS_OP_MOVE));
        QCOMPARE(ZsKeyStateOps(Qt::LeftButton, Qt::ControlModifier), int(ZS_OP_COPY));
        QCOMPARE(ZsKeyStateOps(Qt::RightButton, Qt::ControlModifier), int(ZS_OP_EITHER));
    }

    void dragsNearTheEdgesScrollOneLineAndKeepScrolling() {
        auto pModel = RowModel(200);
        CTestListBox list(pModel.get());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QScrollBar* pBar = list.verticalScrollBar();
        pBar->setValue(50);
        QMimeData data;
        data.setText(QStringLiteral("x"));
        const int nMiddle = list.viewport()->height() / 2;

        DragOver(list, &data, QPoint(40, nMiddle));
        QCOMPARE(pBar->value(), 50);
        QDragMoveEvent top(QPoint(40, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &top);
        QCOMPARE(pBar->value(), 50 - pBar->singleStep());
        QApplication::sendEvent(list.viewport(), &top);
        QCOMPARE(pBar->value(), 50 - 2 * pBar->singleStep());
        // Resting in the band goes on scrolling without further events.
        QTRY_VERIFY_WITH_TIMEOUT(pBar->value() < 50 - 3 * pBar->singleStep(), 2000);
        QDragLeaveEvent leave;
        QApplication::sendEvent(list.viewport(), &leave);
        const int nLeft = pBar->value();
        QTest::qWait(300);
        QCOMPARE(pBar->value(), nLeft);

        QDragEnterEvent bottom(QPoint(40, list.viewport()->height() - 3), Qt::CopyAction, &data,
                               Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &bottom);
        QCOMPARE(pBar->value(), nLeft + pBar->singleStep());
        QApplication::sendEvent(list.viewport(), &leave);
    }

    void dragsStartFromSelectedRowsWithEitherButton() {
        auto pModel = RowModel(3);
        CTestListBox list(pModel.get());
        SelectRows(list, {1});
        const QPointF pt = list.visualRect(pModel->index(1, 0)).center();
        for (Qt::MouseButton nButton : {Qt::LeftButton, Qt::RightButton}) {
            QMouseEvent press(QEvent::MouseButtonPress, pt, pt, nButton, nButton, Qt::NoModifier);
            list.NoteDragPress(&press, true);
            QMouseEvent near(QEvent::MouseMove, pt + QPointF(1, 0), pt, Qt::NoButton, nButton,
                             Qt::NoModifier);
            QVERIFY(!list.IsDragStart(&near));
            const QPointF far = pt + QPointF(QApplication::startDragDistance() + 1, 0);
            QMouseEvent move(QEvent::MouseMove, far, far, Qt::NoButton, nButton, Qt::NoModifier);
            QVERIFY(list.IsDragStart(&move));
            QCOMPARE(list.DragStartButton(), nButton);
            // Without the button held there is no drag.
            QMouseEvent loose(QEvent::MouseMove, far, far, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QVERIFY(!list.IsDragStart(&loose));
            QVERIFY(!list.IsDragPending());
        }
        QMouseEvent press(QEvent::MouseButtonPress, pt, pt, Qt::MiddleButton, Qt::MiddleButton,
                          Qt::NoModifier);
        list.NoteDragPress(&press, true);
        QVERIFY(!list.IsDragPending());
    }

    void dropMenuOffersWhatIsAllowed() {
        QWidget window;
        guitest::CSeenMenu seen;
        guitest::ChooseFromNextMenu(QStringLiteral("Copy As Sibling Below"), &seen);
        int nOp = ZS_OP_MOVE;
        int nPos = ZS_POS_CHILD;
        QCOMPARE(
            ZsDropMenu(&window, nOp, nPos, ZS_OP_EITHER, ZS_POS_ANY, {true, false, true, true, true, true}),
            int(ZS_OP_COPY));
        QCOMPARE(nPos, int(ZS_POS_BELOW));
        QCOMPARE(seen.items, QStringList({"Move As Child*", "Move As Sibling Above~", "Move As Sibling Below",
                                          "-", "Copy As Child", "Copy As Sibling Above",
                                          "Copy As Sibling Below", "-", "Cancel"}));

        // Positions 1 only: plain texts, no separator between the groups, the copy label given.
        seen = {};
        guitest::ChooseFromNextMenu(QStringLiteral("Cancel"), &seen);
        nOp = ZS_OP_COPY;
        nPos = ZS_POS_CHILD;
        QCOMPARE(ZsDropMenu(&window, nOp, nPos, ZS_OP_EITHER, ZS_POS_CHILD,
                            {true, true, true, true, true, true}, QStringLiteral("Import")),
                 int(ZS_OP_NONE));
        QCOMPARE(nOp, int(ZS_OP_NONE));
        QCOMPARE(seen.items, QStringList({"Move", "Import*", "-", "Cancel"}));

        // Only copies offered; dismissing the menu chooses nothing.
        seen = {};
        guitest::ChooseFromNextMenu(QString(), &seen);
        nOp = ZS_OP_MOVE;
        nPos = ZS_POS_ABOVE;
        QCOMPARE(ZsDropMenu(&window, nOp, nPos, ZS_OP_COPY, ZS_POS_ANY, {true, true, true, true, true, true}),
                 int(ZS_OP_NONE));
        QCOMPARE(seen.items, QStringList({"-", "Copy As Child", "Copy As Sibling Above",
                                          "Copy As Sibling Below", "-", "Cancel"}));
    }
};

PICTAVO_GUI_TEST_MAIN(ZsDnDTest)
#include "ZsDnDTest.moc"
