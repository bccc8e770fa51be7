#include "shell/messages/window_frame.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace torvel {
namespace {

xcb_connection_t* x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

}  // namespace

std::optional<QMargins> windowManagerFrame(const QWidget& widget)
{
    // Only a top-level window has a frame; asking a child for its id would make it a native window.
    const QWidget& window = *widget.window();
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    static constexpr char kName[] = "_NET_FRAME_EXTENTS";
    const ReplyPtr<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kName - 1, kName), nullptr), &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return std::nullopt;  // no window manager has ever published a frame on this display
    const auto id = static_cast<xcb_window_t>(window.winId());
    const ReplyPtr<xcb_get_property_reply_t> property(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr),
        &std::free);
    if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) != 16)
        return std::nullopt;
    const auto* extents = static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
    const auto at = [&](int i) { return static_cast<int>(extents[i]); };
    return QMargins(at(0), at(2), at(1), at(3));  // stored as left, right, top, bottom
}

QMargins frameMargins(const QWidget& window)
{
    if (const std::optional<QMargins> frame = windowManagerFrame(window))
        return *frame;
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

}  // namespace torvel
