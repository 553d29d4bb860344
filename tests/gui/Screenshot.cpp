// Renders the main window offscreen to a PNG: pictavo-screenshot OUT.png [WIDTH HEIGHT]. Also writes the
// toolbar strips enlarged four times next to it, for a close look at the button pictures.
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include <QListView>
#include <QMdiSubWindow>

#include "GuiTestSupport.h"
#include "common/ZsBase.h"
#include "common/ZsProgress.h"
#include "gui/app/DlgAbout.h"
#include "gui/app/DlgOpt.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"
#include "library/ZsIconLib.h"

namespace {

// A picture for the preview: a soft disc with a highlight.
CZsBitmap SamplePicture(int nSize) {
    QImage image(nSize, nSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient gradient(nSize * 0.35, nSize * 0.35, nSize * 0.7);
    gradient.setColorAt(0, QColor(0x9f, 0xd0, 0xff));
    gradient.setColorAt(1, QColor(0x2f, 0x4f, 0xb0));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, nSize - 8, nSize - 8));
    painter.end();
    CZsBitmap bitmap(nSize, nSize);
    for (int y = 0; y < nSize; ++y) {
        std::memcpy(bitmap.Row(y), image.constScanLine(y), static_cast<size_t>(nSize) * 4);
    }
    return bitmap;
}

CZsBitmap ToBitmap(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    CZsBitmap bitmap(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(bitmap.Row(y), image.constScanLine(y), static_cast<size_t>(image.width()) * 4);
    }
    return bitmap;
}

// One sample icon: a shape in a colour, drawn at 48, 32 and 16 pixels.
ZsBlock SampleIcon(int nShape, const QColor& color) {
    CIcon icon;
    for (int nSize : {48, 32, 16}) {
        QImage image(nSize, nSize, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(nSize / 48.0, nSize / 48.0);
        QLinearGradient gradient(0, 0, 0, 48);
        gradient.setColorAt(0, color.lighter(150));
        gradient.setColorAt(1, color.darker(130));
        painter.setBrush(gradient);
        painter.setPen(QPen(color.darker(180), 2));
        switch (nShape % 5) {
            case 0:
                painter.drawEllipse(QRectF(4, 4, 40, 40));
                break;
            case 1:
                painter.drawRoundedRect(QRectF(5, 5, 38, 38), 8, 8);
                break;
            case 2: {
                QPolygonF star;
                for (int i = 0; i < 10; ++i) {
                    const double r = (i % 2) ? 9 : 21;
                    const double a = -M_PI / 2 + i * M_PI / 5;
                    star << QPointF(24 + r * std::cos(a), 25 + r * std::sin(a));
                }
                painter.drawPolygon(star);
                break;
            }
            case 3: {
                QPolygonF triangle;
                triangle << QPointF(24, 4) << QPointF(44, 42) << QPointF(4, 42);
                painter.drawPolygon(triangle);
                break;
            }
            default: {
                QPainterPath heart;
                heart.moveTo(24, 42);
                heart.cubicTo(2, 28, 4, 6, 24, 14);
                heart.cubicTo(44, 6, 46, 28, 24, 42);
                painter.drawPath(heart);
                break;
            }
        }
        painter.end();
        ZI_IMAGE record = CIcon::NewImage({nSize, nSize, 32});
        ZI_SetImageBitmap(record, ToBitmap(image));
        icon.AddImage(std::move(record));
    }
    return icon.GetData();
}

// A library with a few categories of sample icons.
void WriteSampleLibrary(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    const char* names[] = {"Sun",   "Note", "Star",  "Warning", "Favourite",  "Ocean", "Leaf", "Gold Star",
                           "Alert", "Love", "Berry", "Stone",   "Night Star", "Cone",  "Rose"};
    const QColor colors[] = {QColor(0xf2, 0xb1, 0x34), QColor(0x4a, 0x90, 0xd9), QColor(0xe8, 0xc5, 0x2c),
                             QColor(0xe0, 0x6b, 0x2d), QColor(0xd9, 0x3b, 0x5b), QColor(0x2b, 0x8c, 0xc4),
                             QColor(0x4c, 0xa8, 0x4a), QColor(0xd4, 0xa0, 0x17), QColor(0xc9, 0x3c, 0x2a),
                             QColor(0xc2, 0x3b, 0x8c), QColor(0x7a, 0x4f, 0xc9), QColor(0x80, 0x80, 0x88),
                             QColor(0x3a, 0x4b, 0x9a), QColor(0x2e, 0x9e, 0x8f), QColor(0xe3, 0x54, 0x7a)};
    ZIL_LIST all;
    for (int i = 0; i < 15; ++i) {
        const std::string sName = names[i];
        all.push_back(lib.ImpIcon(SampleIcon(i, colors[i]), &sName));
    }
    lib.ListToNode(ZIL_ID_ALL, all);
    lib.ListToNode(1, all);
    lib.ListToNode(2, ZIL_LIST(all.begin(), all.begin() + 5));
    lib.Save(path);
    lib.Close();
}

void SaveEnlarged(const QString& sFrom, const QString& sTo) {
    const QImage strip(sFrom);
    if (strip.isNull()) {
        return;
    }
    QImage big(strip.width() * 4, strip.height() * 4, QImage::Format_ARGB32);
    big.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter painter(&big);
    painter.drawImage(big.rect(), strip);
    painter.end();
    big.save(sTo);
}

}  // namespace

int main(int argc, char** argv) {
    guitest::PrepareEnvironment();
    if (argc < 2) {
        std::fprintf(stderr, "usage: pictavo-screenshot OUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    int nResult = 0;
    {
        QApplication app(argc, argv);
        QApplication::setWindowIcon(QIcon(ZsQPath(ZsGetAppDir() / "Images" / "pictavo.png")));
        CFrmMain frame;
        if (!frame.Create()) {
            return 1;
        }
        frame.resize(argc > 3 ? std::atoi(argv[2]) : 1100, argc > 3 ? std::atoi(argv[3]) : 720);
        frame.show();
        const std::filesystem::path library = ZsGetDataDir() / "Sample.pctv";
        WriteSampleLibrary(library);
        if (CDocZIL* pDoc = frame.Docs().OpenDocumentFile(library)) {
            frame.Docs().SubWindowOf(pDoc)->showMaximized();
            CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
            pView->SetCaretRow(2);
            pView->IconList()->setFocus();
        } else {
            frame.GetPreviewBar()->SetPreviewImage(SamplePicture(128));
        }
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            frame.Router().UpdateAll();
        }
        const QString sOut = QString::fromLocal8Bit(argv[1]);
        if (!frame.grab().save(sOut)) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            nResult = 1;
        }
        QString sBase = sOut;
        sBase.chop(4);
        CDlgAbout about(&frame);
        about.show();
        QApplication::processEvents();
        about.grab().save(sBase + QStringLiteral("-about.png"));
        about.hide();
        CDlgZsMsgBox ask(QStringLiteral("Pictavo"),
                         QStringLiteral("Do you want to remove the selected icons from "
                                        "this category only, or delete them from the library?"),
                         QStringLiteral("&Remove"), QStringLiteral("&Delete"), QStringLiteral("&Cancel"),
                         &frame);
        ask.show();
        QApplication::processEvents();
        ask.grab().save(sBase + QStringLiteral("-ask.png"));
        ask.hide();
        CDlgOpt options(&frame);
        options.show();
        QApplication::processEvents();
        options.grab().save(sBase + QStringLiteral("-options.png"));
        options.hide();
        {
            // The progress dialog halfway through an import, with its log shown.
            CZsPrgSinkScope progress(&frame);
            BeginProgress();
            SetProgressText(PRG_TITLE, "Import Icons (%d/%d)", 3, 8);
            for (int i = 1; i <= 3; ++i) {
                SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", i, i == 2 ? "folder" : "document-open",
                                "/usr/share/icons/Adwaita/48x48/places/folder.png");
            }
            SetProgressText(PRG_STATUS, "Importing icon '%s' from '%s'...", "folder",
                            "/usr/share/icons/Adwaita/48x48/places/folder.png");
            SetProgressPos(3, 8);
            CDlgPrg::Current()->ShowDetails(true);
            QApplication::processEvents();
            CDlgPrg::Current()->grab().save(sBase + QStringLiteral("-progress.png"));
            EndProgress();
        }
        const QString sImages = ZsQPath(ZsGetAppDir() / "Images");
        SaveEnlarged(sImages + QStringLiteral("/IDR_MAINFRAME.png"),
                     sBase + QStringLiteral("-mainframe-x4.png"));
        SaveEnlarged(sImages + QStringLiteral("/IDR_TB_ZIL.png"), sBase + QStringLiteral("-library-x4.png"));
    }
    guitest::Cleanup();
    return nResult;
}
