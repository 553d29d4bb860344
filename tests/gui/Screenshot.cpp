// Renders the main window offscreen to a PNG: pictavo-screenshot OUT.png [WIDTH HEIGHT]. Also writes the
// toolbar strips enlarged four times next to it, for a close look at the button pictures.
#include <QApplication>
#include <QPainter>
#include <cstdio>

#include "GuiTestSupport.h"
#include "common/ZsBase.h"
#include "gui/app/FrmMain.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "icon/ZsBitmap.h"

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
        CFrmMain frame;
        if (!frame.Create()) {
            return 1;
        }
        frame.resize(argc > 3 ? std::atoi(argv[2]) : 1100, argc > 3 ? std::atoi(argv[3]) : 720);
        frame.show();
        frame.GetPreviewBar()->SetPreviewImage(SamplePicture(128));
        frame.SetStatusText(1, "Selection: %s (%d format%s)", "Globe", 6, "s");
        frame.SetStatusText(2, "Total: %d Icon%s", 42, "s");
        frame.Router().UpdateAll();
        QApplication::processEvents();
        const QString sOut = QString::fromLocal8Bit(argv[1]);
        if (!frame.grab().save(sOut)) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            nResult = 1;
        }
        const QString sImages = ZsQPath(ZsGetAppDir() / "Images");
        QString sBase = sOut;
        sBase.chop(4);
        SaveEnlarged(sImages + QStringLiteral("/IDR_MAINFRAME.png"), sBase + QStringLiteral("-mainframe-x4.png"));
        SaveEnlarged(sImages + QStringLiteral("/IDR_TB_ZIL.png"), sBase + QStringLiteral("-library-x4.png"));
    }
    guitest::Cleanup();
    return nResult;
}
