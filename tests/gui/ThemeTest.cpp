// A library window in the colours of a light and of a dark desktop theme, offscreen, looked at as the user
// sees it (grabbed pictures): the labels of the icon list and of the format list stand out from their
// backgrounds whether their list has the focus or not, the preview panel follows the palette, a disabled
// colour button looks disabled, and the format count under an icon is never cut at any display size.
#include <QCheckBox>
#include <QListView>
#include <QPaintEngine>
#include <QPainter>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/batch/DlgExpGrid.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsColorPicker.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/ListModels.h"

using guitest::CLibraryFrame;
using guitest::SolidIcon;

namespace {

// A light theme whose inactive selection is light grey with black text (the active one is the style's blue
// with white text), and a dark theme with a dimmer inactive selection.
QPalette LightPalette() {
    QPalette pal = QApplication::style()->standardPalette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0xD0, 0xD0, 0xD0));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    return pal;
}

QPalette DarkPalette() {
    QPalette pal(QColor(0x35, 0x35, 0x35), QColor(0x35, 0x35, 0x35));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, QColor(0x23, 0x23, 0x23));
        pal.setColor(group, QPalette::AlternateBase, QColor(0x2C, 0x2C, 0x2C));
        pal.setColor(group, QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
        pal.setColor(group, QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
        pal.setColor(group, QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
        pal.setColor(group, QPalette::PlaceholderText, QColor(0xEE, 0xEE, 0xEE, 0x80));
    }
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x3A, 0x4A, 0x5A));
    return pal;
}

// Sets the application's palette for as long as it lives.
class CPaletteScope {
public:
    explicit CPaletteScope(const QPalette& pal) : mSaved(QApplication::palette()) {
        QApplication::setPalette(pal);
    }
    ~CPaletteScope() { QApplication::setPalette(mSaved); }

private:
    QPalette mSaved;
};

// How far the text of an area stands out from its background, in grey levels (0 ... 255): the background is
// the area's most common colour, the text the pixel farthest from it. An area without text gives 0.
int TextContrast(const QImage& picture, const QRect& rc) {
    std::map<QRgb, int> counts;
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        for (int x = rc.left(); x <= rc.right(); ++x) {
            ++counts[picture.pixel(x, y)];
        }
    }
    const QRgb back = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                          return a.second < b.second;
                      })->first;
    int nFarthest = 0;
    for (const auto& [rgb, nCount] : counts) {
        nFarthest = std::max(nFarthest, std::abs(qGray(rgb) - qGray(back)));
    }
    return nFarthest;
}

// Enough for small text to be read.
constexpr int kReadable = 100;

// The texts painted on it.
class CTextEngine : public QPaintEngine {
public:
    QStringList texts;
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
    Type type() const override { return QPaintEngine::User; }
};

class CTextRecorder : public QPaintDevice {
public:
    explicit CTextRecorder(const QSize& size) : mSize(size) {}
    QPaintEngine* paintEngine() const override { return &mEngine; }
    const QStringList& Texts() const { return mEngine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return mSize.width();
            case PdmHeight:
                return mSize.height();
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 96;
        }
    }

private:
    QSize mSize;
    mutable CTextEngine mEngine;
};

}  // namespace

class ThemeTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ZS_ICON_VIEW_FORMAT.Set(ZS_ICON_VIEW_FORMAT.nDefault);
        ZS_ICON_VIEW_INFO.Set(true);
    }

    void labelsStandOutInLightAndDarkThemesFocusedOrNot() {
        test::TempDir dir;
        for (const auto& [sTheme, pal] : {std::pair{"light", LightPalette()}, {"dark", DarkPalette()}}) {
            CPaletteScope scope(pal);
            CLibraryFrame lib;
            QVERIFY(lib.OpenLibraryOf(dir / (std::string(sTheme) + ".pctv"),
                                      {{"Selected", SolidIcon({32, 16}, 0xFF3060A0)},
                                       {"Plain", SolidIcon({32}, 0xFF3060A0)},
                                       {"", SolidIcon({16}, 0xFF3060A0)}},
                                      QSize(900, 600)));
            CViewZIL* pView = lib.pView;
            QListView* pIcons = pView->IconList();
            QListView* pImages = pView->ImageList();
            for (QListView* pFocused : {pIcons, pImages}) {
                lib.frame.activateWindow();
                pFocused->setFocus();
                QTRY_VERIFY(pFocused->hasFocus());
                const QString sCase =
                    QStringLiteral("%1 theme, %2 focused").arg(QLatin1String(sTheme), pFocused->objectName());
                // The first icon is selected (the caret), the second is not; "(Untitled)" is dimmed but read.
                const QImage icons = pIcons->viewport()->grab().toImage();
                for (int nRow : {0, 1, 2}) {
                    const QRect rc = pIcons->visualRect(pIcons->model()->index(nRow, 0));
                    const QRect rcName(rc.left() + 1, rc.bottom() - 31, rc.width() - 2, 16);
                    const QRect rcCount(rc.left() + 1, rc.bottom() - 15, rc.width() - 2, 16);
                    QVERIFY2(TextContrast(icons, rcName) >= kReadable,
                             qPrintable(sCase + QStringLiteral(": name of row %1").arg(nRow)));
                    QVERIFY2(TextContrast(icons, rcCount) >= kReadable,
                             qPrintable(sCase + QStringLiteral(": count of row %1").arg(nRow)));
                }
                // The first format is selected (the caret), the second is not.
                const QImage images = pImages->viewport()->grab().toImage();
                for (int nRow : {0, 1}) {
                    const QRect rc =
                        pImages->visualRect(pImages->model()->index(nRow, 0)).adjusted(2, 2, -2, -2);
                    QVERIFY2(
                        TextContrast(images, QRect(rc.left(), rc.bottom() - 15, rc.width(), 16)) >= kReadable,
                        qPrintable(sCase + QStringLiteral(": label of format %1").arg(nRow)));
                }
            }
            // The selection follows the theme: light and dark backgrounds for light and dark themes.
            const QImage icons = pIcons->viewport()->grab().toImage();
            const QRect rcPlain = pIcons->visualRect(pIcons->model()->index(1, 0));
            QCOMPARE(QColor(icons.pixel(rcPlain.topLeft() + QPoint(2, 2))), pal.color(QPalette::Base));
        }
    }

    void previewPanelFollowsThePalette() {
        for (const QPalette& pal : {LightPalette(), DarkPalette()}) {
            CPaletteScope scope(pal);
            CPrvwPane pane;
            pane.resize(280, 280);
            const QImage picture = pane.grab().toImage();
            // The window colour round it, the list colour of the field, the alternate list colour inside.
            QCOMPARE(QColor(picture.pixel(1, 1)), pal.color(QPalette::Window));
            QCOMPARE(QColor(picture.pixel(7, 140)), pal.color(QPalette::Base));
            QCOMPARE(QColor(picture.pixel(140, 140)), pal.color(QPalette::AlternateBase));
        }
    }

    void aDisabledColourButtonLooksDisabled() {
        ZS_EXP_GRID_CHK_BG_COLOR.Set(false);
        ZS_EXP_GRID_BTN_BG_COLOR.Set(0xFF00FF);
        CDlgExpGrid dialog(4);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* pButton = dialog.findChild<CZsColorPicker*>(QStringLiteral("IDC_BTN_BG_COLOR"));
        QVERIFY(pButton);
        QVERIFY(!pButton->isEnabled());
        auto centre = [pButton] { return QColor(pButton->grab().toImage().pixel(pButton->rect().center())); };
        // Disabled: a faded grey, no longer the full magenta.
        QVERIFY2(centre().hsvSaturation() < 40, qPrintable(centre().name()));
        QVERIFY(centre() != QColor(Qt::magenta));
        auto* pCheck = dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CHK_BG_COLOR"));
        QVERIFY(pCheck);
        pCheck->setChecked(true);
        QVERIFY(pButton->isEnabled());
        QCOMPARE(centre(), QColor(Qt::magenta));
    }

    void theFormatCountIsNeverCut() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(lib.OpenLibraryOf(
            dir / "n.pctv",
            {{"Twelve", SolidIcon({256, 128, 96, 80, 72, 64, 48, 40, 32, 24, 20, 16}, 0xFF3060A0)}},
            QSize(1000, 700)));
        QListView* pIcons = lib.pView->IconList();
        for (int nCmd = ID_VIEW_16; nCmd <= ID_VIEW_256; ++nCmd) {
            lib.frame.Router().Execute(nCmd);
            CTextRecorder recorder(pIcons->viewport()->size());
            pIcons->viewport()->render(&recorder);
            const QString sCase = QStringLiteral("display size command %1").arg(nCmd);
            QVERIFY2(recorder.Texts().size() == 2, qPrintable(sCase + ": " + recorder.Texts().join('|')));
            const QString sCount = recorder.Texts().last();
            QVERIFY2(sCount.contains(QStringLiteral("12")) && !sCount.contains(QChar(0x2026)),
                     qPrintable(sCase + ": " + sCount));
            QVERIFY2(pIcons->fontMetrics().horizontalAdvance(sCount) <= lib.pView->ColumnWidth(),
                     qPrintable(sCase + ": " + sCount));
            // Where the cell is wide enough, the line is the whole "(12 formats)".
            if (pIcons->fontMetrics().horizontalAdvance(QStringLiteral("(12 formats)")) <
                lib.pView->ColumnWidth() - 2) {
                QCOMPARE(sCount, QStringLiteral("(12 formats)"));
            }
        }
    }

    void oneFormatIsCountedInTheSingular() {
        test::TempDir dir;
        CLibraryFrame lib;
        QVERIFY(
            lib.OpenLibraryOf(dir / "one.pctv", {{"Single", SolidIcon({48}, 0xFF3060A0)}}, QSize(1000, 700)));
        QListView* pIcons = lib.pView->IconList();
        lib.frame.Router().Execute(ID_VIEW_48);
        CTextRecorder recorder(pIcons->viewport()->size());
        pIcons->viewport()->render(&recorder);
        QVERIFY2(!recorder.Texts().isEmpty(), "nothing painted");
        QCOMPARE(recorder.Texts().last(), QStringLiteral("(1 format)"));
    }
};

PICTAVO_GUI_TEST_MAIN(ThemeTest)
#include "ThemeTest.moc"
