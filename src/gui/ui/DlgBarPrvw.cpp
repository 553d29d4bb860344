#include "gui/ui/DlgBarPrvw.h"

#include <QPainter>

#include "gui/common/ZsQt.h"
#include "icon/ZsBitmap.h"

namespace {
constexpr int kMaxPreview = 256;
constexpr int kMinPreview = 64;
// The white field, its sunken edge and the grey panel take 10 pixels on each side of the image.
constexpr int kFrame = 4 + 2 + 4;
constexpr int kBarSize = 280;
}  // namespace

CPrvwPane::CPrvwPane(QWidget* pParent) : QWidget(pParent) {
    // The pane may be smaller than the largest image, which is then drawn smaller: in a small main window
    // the workspace comes first.
    setMinimumSize(kMinPreview + 2 * kFrame, kMinPreview + 2 * kFrame);
}

QSize CPrvwPane::sizeHint() const {
    return {kBarSize, kBarSize};
}

void CPrvwPane::SetImage(const QImage& image) {
    mImage = image;
    update();
}

QSize CPrvwPane::DrawSize(const QSize& size) {
    int w = size.width();
    int h = size.height();
    if (w > kMaxPreview || h > kMaxPreview) {
        const int nLonger = std::max(w, h);
        if (w >= h) {
            h = static_cast<int>(static_cast<int64_t>(h) * kMaxPreview / nLonger);
            w = kMaxPreview;
        } else {
            w = static_cast<int>(static_cast<int64_t>(w) * kMaxPreview / nLonger);
            h = kMaxPreview;
        }
    }
    return {w, h};
}

void CPrvwPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect rcClient = rect();
    const QPalette& pal = palette();
    painter.fillRect(rcClient, pal.color(QPalette::Window));

    // A field in the list colour with a sunken edge, then a panel of the alternate list colour inside: light
    // or dark as the desktop's theme is.
    QRect rc = rcClient.adjusted(4, 4, -4, -4);
    painter.fillRect(rc, pal.color(QPalette::Base));
    auto edge = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    edge(rc, pal.color(QPalette::Mid), pal.color(QPalette::Light));
    edge(rc.adjusted(1, 1, -1, -1), pal.color(QPalette::Dark), pal.color(QPalette::Button));
    rc.adjust(2, 2, -2, -2);
    rc.adjust(4, 4, -4, -4);
    painter.fillRect(rc, pal.color(QPalette::AlternateBase));

    if (mImage.isNull()) {
        return;
    }
    QSize size = DrawSize(mImage.size());
    if (size.width() > rc.width() || size.height() > rc.height()) {
        size = size.scaled(rc.size(), Qt::KeepAspectRatio);
    }
    QRect rcImage(QPoint(0, 0), size);
    rcImage.moveCenter(rcClient.center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, size != mImage.size());
    painter.drawImage(rcImage, mImage);
}

CDlgBarPrvw::CDlgBarPrvw(QWidget* pParent) : QDockWidget(tr("Preview"), pParent) {
    setObjectName(QStringLiteral("PreviewBar"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    mpPane = new CPrvwPane(this);
    setWidget(mpPane);
}

void CDlgBarPrvw::SetPreviewImage(const CZsBitmap& bitmap) {
    mpPane->SetImage(ZsToQImage(bitmap));
}

void CDlgBarPrvw::ClearPreview() {
    mpPane->SetImage(QImage());
}
