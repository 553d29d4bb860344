// The program on a screen of two pixels a unit (run with QT_SCALE_FACTOR=2), offscreen: the icon list, the
// image-format list and the toolbars draw from the pixels of the physical size, not from the unit size blown
// up.
#include <QListView>
#include <QToolBar>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/ui/ListModels.h"

using guitest::CLibraryFrame;

namespace {

constexpr uint32_t kRed = ZsArgb(0xFF, 0xFF, 0, 0);
constexpr uint32_t kGreen = ZsArgb(0xFF, 0, 0xC0, 0);
constexpr uint32_t kBlue = ZsArgb(0xFF, 0, 0, 0xFF);

// An icon whose sizes each have a colour of their own, so that the pixels drawn tell which image they came
// from.
ZsBlock IconOfSizes(const std::vector<std::pair<int, uint32_t>>& sizes) {
    CIcon icon;
    for (const auto& [nSize, nArgb] : sizes) {
        ZI_IMAGE image = CIcon::NewImage({nSize, nSize, 32});
        ZI_SetImageBitmap(image, CZsBitmap(nSize, nSize, 32, nArgb));
        icon.AddImage(std::move(image));
    }
    return icon.GetData();
}

// The colour drawn at the middle of a row of a list.
QColor CellColor(QListView* pList, int nRow) {
    const QImage shot = pList->viewport()->grab().toImage();
    const QPoint pt = pList->visualRect(pList->model()->index(nRow, 0)).center();
    const qreal ratio = shot.devicePixelRatio();
    return shot.pixelColor(QPoint(qRound(pt.x() * ratio), qRound(pt.y() * ratio)));
}

// The picture a row of a list serves.
QImage Picture(QListView* pList, int nRow) {
    return pList->model()->index(nRow, 0).data(Qt::DecorationRole).value<QImage>();
}

}  // namespace

class HiDpiTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qApp->devicePixelRatio() != 2.0) {
            QFAIL("needs QT_SCALE_FACTOR=2, as ctest runs it");
        }
        ZS_ICON_VIEW_FORMAT.Set(ZS_ICON_VIEW_FORMAT.nDefault);
        ZS_ICON_VIEW_INFO.Set(false);
        ZS_MAIN_WND_PLACEMENT.Set("");
    }

    void listsDrawTheImageOfThePhysicalSize() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(
            lib.OpenLibraryOf(dir / "hi.pctv",
                              {{"Sized", IconOfSizes({{256, kGreen}, {64, kBlue}, {32, kRed}, {16, kRed}})},
                               {"Small", IconOfSizes({{32, kRed}, {16, kGreen}})}},
                              QSize(900, 600)));
        lib.frame.Router().Execute(ID_VIEW_32);
        QListView* pIcons = lib.pView->IconList();
        QCOMPARE(pIcons->devicePixelRatio(), 2.0);

        // The 32x32 cell draws the 64x64 image; an icon without one draws its 32x32 image at 32x32 units.
        QCOMPARE(CellColor(pIcons, 0), QColor(0, 0, 0xFF));
        QCOMPARE(Picture(pIcons, 0).size(), QSize(64, 64));
        QCOMPARE(Picture(pIcons, 0).deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(Picture(pIcons, 1).size(), QSize(32, 32));
        QCOMPARE(Picture(pIcons, 1).deviceIndependentSize(), QSizeF(32, 32));
        QCOMPARE(CellColor(pIcons, 1), QColor(0xFF, 0, 0));
        // At 16x16 units the 32x32 image.
        lib.frame.Router().Execute(ID_VIEW_16);
        QCOMPARE(CellColor(pIcons, 1), QColor(0xFF, 0, 0));

        // The format list: the 256x256 image keeps 96x96 of its pixels for its 48x48 units; a 16x16 image is
        // drawn at 16x16 units from its own pixels.
        lib.pView->SetCaretRow(0);
        QListView* pImages = lib.pView->ImageList();
        QTRY_COMPARE(pImages->model()->rowCount(), 4);
        QCOMPARE(CellColor(pImages, 0), QColor(0, 0xC0, 0));
        QCOMPARE(Picture(pImages, 0).size(), QSize(96, 96));
        QCOMPARE(Picture(pImages, 0).deviceIndependentSize(), QSizeF(48, 48));
        QCOMPARE(Picture(pImages, 3).deviceIndependentSize(), QSizeF(16, 16));
    }

    void toolbarsHaveButtonPicturesOfTwiceThePixels() {
        CLibraryFrame lib;
        QVERIFY(guitest::ShowFrame(lib.frame));
        const QList<QAction*> actions = lib.frame.GetToolBar()->actions();
        QVERIFY(!actions.isEmpty());
        const QIcon icon = actions.front()->icon();
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        QCOMPARE(lib.frame.GetToolBar()->iconSize(), QSize(16, 16));
        QCOMPARE(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
    }
};

PICTAVO_GUI_TEST_MAIN(HiDpiTest)
#include "HiDpiTest.moc"
