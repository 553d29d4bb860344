#include "gui/common/ZsPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>

#include "common/ZsBase.h"

namespace {

void PutInt(uint8_t* p, int32_t n) {
    const auto u = static_cast<uint32_t>(n);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

int32_t GetInt(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

constexpr const char* kNormalGeometry = "zsNormalGeometry";

bool IsNormal(const QWidget* pWindow) {
    return !(pWindow->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
}

// Records a child window's geometry while it is neither maximised nor minimised.
class CNormalGeometryTracker : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Move || pEvent->type() == QEvent::Resize) {
            auto* pWindow = static_cast<QWidget*>(pWatched);
            if (IsNormal(pWindow)) {
                pWindow->setProperty(kNormalGeometry, pWindow->geometry());
            }
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

}  // namespace

void ZsTrackNormalGeometry(QWidget* pWindow) {
    if (pWindow->property(kNormalGeometry).isValid()) {
        return;
    }
    pWindow->setProperty(kNormalGeometry, pWindow->geometry());
    pWindow->installEventFilter(new CNormalGeometryTracker(pWindow));
}

std::string ZsPlacementToText(const ZS_PLACEMENT& pl) {
    std::array<uint8_t, ZS_PLACEMENT_BYTES> bytes{};
    const int32_t fields[] = {pl.length, pl.flags, pl.showCmd, pl.minX,  pl.minY,  pl.maxX,
                              pl.maxY,   pl.left,  pl.top,     pl.right, pl.bottom};
    for (size_t i = 0; i < std::size(fields); ++i) {
        PutInt(bytes.data() + 4 * i, fields[i]);
    }
    return ZsHexEncode(bytes);
}

std::optional<ZS_PLACEMENT> ZsPlacementFromText(std::string_view text) {
    if (text.size() != 2 * ZS_PLACEMENT_BYTES) {
        return std::nullopt;
    }
    const ZsBlock bytes = ZsHexDecode(text);
    if (bytes.size() != ZS_PLACEMENT_BYTES ||
        GetInt(bytes.data()) != static_cast<int32_t>(ZS_PLACEMENT_BYTES)) {
        return std::nullopt;
    }
    ZS_PLACEMENT pl;
    int32_t* fields[] = {&pl.length, &pl.flags, &pl.showCmd, &pl.minX,  &pl.minY,  &pl.maxX,
                         &pl.maxY,   &pl.left,  &pl.top,     &pl.right, &pl.bottom};
    for (size_t i = 0; i < std::size(fields); ++i) {
        *fields[i] = GetInt(bytes.data() + 4 * i);
    }
    // Widths and heights are computed in 64 bits: the fields are untrusted.
    const int64_t nWidth = static_cast<int64_t>(pl.right) - pl.left;
    const int64_t nHeight = static_cast<int64_t>(pl.bottom) - pl.top;
    if (nWidth <= 0 || nHeight <= 0 || nWidth > 1'000'000 || nHeight > 1'000'000) {
        return std::nullopt;
    }
    return pl;
}

ZS_PLACEMENT ZsGetWindowPlacement(const QWidget* pWindow) {
    ZS_PLACEMENT pl;
    const Qt::WindowStates state = pWindow->windowState();
    if (state & Qt::WindowMinimized) {
        pl.showCmd = ZS_SW_SHOWMINIMIZED;
        if (state & Qt::WindowMaximized) {
            pl.flags = ZS_WPF_RESTORETOMAXIMIZED;
        }
    } else if (state & Qt::WindowMaximized) {
        pl.showCmd = ZS_SW_SHOWMAXIMIZED;
    }
    QRect rc = pWindow->isWindow() ? pWindow->normalGeometry()
               : IsNormal(pWindow) ? QRect()
                                   : pWindow->property(kNormalGeometry).toRect();
    if (!rc.isValid() || rc.isEmpty()) {
        rc = pWindow->geometry();
    }
    pl.left = rc.left();
    pl.top = rc.top();
    pl.right = rc.left() + rc.width();
    pl.bottom = rc.top() + rc.height();
    return pl;
}

QRect ZsFitInside(QRect rc, const QRect& area) {
    rc.setSize(rc.size().boundedTo(area.size()));
    rc.moveLeft(std::clamp(rc.left(), area.left(), area.right() + 1 - rc.width()));
    rc.moveTop(std::clamp(rc.top(), area.top(), area.bottom() + 1 - rc.height()));
    return rc;
}

int32_t ZsApplyWindowPlacement(QWidget* pWindow, const ZS_PLACEMENT& pl) {
    QRect rc = pl.NormalRect();
    if (pWindow->isWindow()) {
        const QScreen* pScreen = QGuiApplication::screenAt(rc.center());
        if (!pScreen && QGuiApplication::primaryScreen()) {
            // The screen it was on is gone: keep the size (within the screen) and centre it.
            const QRect rcScreen = QGuiApplication::primaryScreen()->availableGeometry();
            rc.setSize(rc.size().boundedTo(rcScreen.size()));
            rc.moveCenter(rcScreen.center());
        }
    }
    pWindow->setGeometry(rc);
    return pl.showCmd;
}
