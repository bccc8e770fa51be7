#include "shell/messages/message_placement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace torvel {
namespace {

std::int64_t overlapArea(const ScreenRect& a, const ScreenRect& b)
{
    const std::int64_t w = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const std::int64_t h = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Distance along one axis between the ranges [a0, a1) and [b0, b1); 0 when they touch or overlap.
std::int64_t gap(int a0, int a1, int b0, int b1)
{
    if (a1 <= b0)
        return std::int64_t{b0} - a1;
    if (b1 <= a0)
        return std::int64_t{a0} - b1;
    return 0;
}

std::int64_t squaredDistance(const ScreenRect& a, const ScreenRect& b)
{
    const std::int64_t dx = gap(a.left, a.right, b.left, b.right);
    const std::int64_t dy = gap(a.top, a.bottom, b.top, b.bottom);
    return dx * dx + dy * dy;
}

}  // namespace

ScreenPoint centredMessagePosition(const ScreenRect& owner, int width, int height, const ScreenRect& workArea)
{
    // C++ integer division truncates toward zero, which is the rounding wanted for a negative offset.
    int top = owner.top + (owner.height() - height) / 2;
    int left = owner.left + (owner.width() - width) / 2;
    if (top < workArea.top)
        top = workArea.top;
    if (top > workArea.bottom - height)
        top = workArea.bottom - height;
    if (left < workArea.left)
        left = workArea.left;
    if (left > workArea.right - width)
        left = workArea.right - width;
    return {left, top};
}

std::optional<std::size_t> monitorHolding(const ScreenRect& window, const std::vector<ScreenRect>& monitors)
{
    if (monitors.empty())
        return std::nullopt;
    std::size_t best = 0;
    std::int64_t bestOverlap = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const std::int64_t area = overlapArea(window, monitors[i]);
        if (area > bestOverlap) {
            bestOverlap = area;
            best = i;
        }
    }
    if (bestOverlap > 0)
        return best;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const std::int64_t distance = squaredDistance(window, monitors[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace torvel
