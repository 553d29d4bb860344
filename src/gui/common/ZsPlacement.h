// The window placement record kept in the settings: 44 bytes (length, flags, show command, minimised and
// maximised positions, normal rectangle; 32-bit little-endian fields) written as 88 capital hexadecimal
// digits. The record is built from and applied to Qt window geometry.
#pragma once

#include <QRect>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

enum : int32_t {
    ZS_SW_SHOWNORMAL = 1,
    ZS_SW_SHOWMINIMIZED = 2,
    ZS_SW_SHOWMAXIMIZED = 3,
    ZS_SW_SHOW = 5,
    ZS_WPF_RESTORETOMAXIMIZED = 2,
};

struct ZS_PLACEMENT {
    int32_t length = 44;
    int32_t flags = 0;
    int32_t showCmd = ZS_SW_SHOWNORMAL;
    int32_t minX = -1, minY = -1;
    int32_t maxX = -1, maxY = -1;
    int32_t left = 0, top = 0, right = 0, bottom = 0;

    QRect NormalRect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    bool operator==(const ZS_PLACEMENT&) const = default;
};

inline constexpr size_t ZS_PLACEMENT_BYTES = 44;

std::string ZsPlacementToText(const ZS_PLACEMENT& placement);
// None unless the text holds exactly 44 bytes whose length field says 44 and whose normal rectangle is not
// empty: a damaged setting must not place a window nowhere.
std::optional<ZS_PLACEMENT> ZsPlacementFromText(std::string_view text);

// The placement of a top-level window or of a window inside an MDI area (positions relative to the area).
// The normal rectangle of a maximised or minimised window inside an area is the one recorded by
// ZsTrackNormalGeometry.
ZS_PLACEMENT ZsGetWindowPlacement(const QWidget* pWindow);
// A window inside an area has no normal geometry of its own once it is maximised or minimised: from now on
// its geometry is recorded whenever it is moved or resized while neither.
void ZsTrackNormalGeometry(QWidget* pWindow);
// The rectangle moved, and made smaller where needed, to lie inside the area.
QRect ZsFitInside(QRect rc, const QRect& area);

// Gives the window the normal rectangle (moved onto a screen when it lies on none) and returns the show
// command the record asks for; the caller decides when to show, maximise or minimise.
int32_t ZsApplyWindowPlacement(QWidget* pWindow, const ZS_PLACEMENT& placement);
