// Where a message box goes: over the centre of the main window, kept inside the work area of the monitor
// that holds the window, so that on a desktop of several monitors the message appears next to the window
// that raised it and never straddles a screen edge or a panel. Pure arithmetic on screen rectangles, kept
// free of any widget so that every desktop layout can be tested without a real one.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace torvel {

/// Screen pixels; right and bottom lie one past the last pixel.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct ScreenPoint {
    int x = 0, y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

/// Top-left corner of a box of width x height centred on `owner` and clamped to `workArea`.
///
/// The halving truncates toward zero, so a box larger than the window sits a rounded-toward-zero half
/// above and left of it. The clamps run top, bottom, left, right, each on the result of the one before:
/// a box taller (wider) than the work area ends with its bottom (right) edge on the work area's edge.
ScreenPoint centredMessagePosition(const ScreenRect& owner, int width, int height, const ScreenRect& workArea);

/// The monitor that holds a window: the one with the largest overlap, else the nearest one (the first of
/// equals wins). Empty only when there is no monitor at all.
std::optional<std::size_t> monitorHolding(const ScreenRect& window, const std::vector<ScreenRect>& monitors);

}  // namespace torvel
