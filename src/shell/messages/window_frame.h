// The decorations a window manager puts around a window (title bar and borders), which a message box
// needs in order to place its outer rectangle rather than its client area.
//
// Qt learns a window's frame only from the configure events after the window manager has framed it, and
// keeps what it learnt before then (nothing) when no later one comes, so its frame geometry can stay the
// bare client area for good. On X11 the window manager publishes each frame it draws in a property of the
// client window (_NET_FRAME_EXTENTS); that is read here directly.
#pragma once

#include <QMargins>

#include <optional>

class QWidget;

namespace torvel {

/// The frame the window manager has drawn around `window` (left, top, right, bottom in pixels), when the
/// window system says: on X11 once the window is framed. Nothing elsewhere (offscreen, Wayland) or
/// before the frame exists.
std::optional<QMargins> windowManagerFrame(const QWidget& window);

/// The frame of `window`: the window manager's word where there is one, else what Qt reports.
QMargins frameMargins(const QWidget& window);

}  // namespace torvel
