// A user's hands on a real X desktop, for driving the real program from a test script: find a window by
// its title, bring it to the front through the window manager, ask it to close as its close box does,
// and type keys into it.
//
//   x_drive wait TITLE [SECONDS]     prints the window id once a window whose title starts with TITLE exists
//   x_drive gone TITLE [SECONDS]     waits until no such window is left
//   x_drive activate TITLE           asks the window manager to activate the window, until it is active
//                                    and has the keyboard focus
//   x_drive close TITLE              the window manager's close request (WM_DELETE_WINDOW), as the close box
//   x_drive keys TITLE KEY...        types into the window: a key name (Return, Tab, space, Up, Down,
//                                    Escape), a chord (ctrl+q, shift+Tab), or text:"4.7k" typed as it reads
//
// Keys are sent as events of the X server (SendEvent), which toolkits accept as typed ones; this needs no
// extension of the server. Exit status 0 on success, 1 on a timeout or a missing window, 2 on bad usage.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> own(Reply* reply)
{
    return Owned<Reply>(reply, &std::free);
}

struct Display {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

xcb_atom_t atom(const Display& d, std::string_view name)
{
    const auto reply = own(xcb_intern_atom_reply(
        d.connection, xcb_intern_atom(d.connection, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string titleOf(const Display& d, xcb_window_t window)
{
    for (xcb_atom_t property : {atom(d, "_NET_WM_NAME"), xcb_atom_t{XCB_ATOM_WM_NAME}}) {
        const auto reply = own(xcb_get_property_reply(
            d.connection, xcb_get_property(d.connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }
    return {};
}

// The first mapped window in the tree (depth first) whose title starts with `title`.
std::optional<xcb_window_t> findWindow(const Display& d, xcb_window_t under, std::string_view title)
{
    const auto tree = own(xcb_query_tree_reply(d.connection, xcb_query_tree(d.connection, under), nullptr));
    if (!tree)
        return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t child = children[i];
        const auto attributes =
            own(xcb_get_window_attributes_reply(d.connection, xcb_get_window_attributes(d.connection, child), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (titleOf(d, child).starts_with(title))
            return child;
        if (auto found = findWindow(d, child, title))
            return found;
    }
    return std::nullopt;
}

void sendClientMessage(const Display& d, xcb_window_t to, xcb_window_t about, xcb_atom_t type,
                       std::initializer_list<std::uint32_t> data, std::uint32_t mask)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = about;
    event.type = type;
    std::size_t i = 0;
    for (std::uint32_t value : data)
        event.data.data32[i++] = value;
    xcb_send_event(d.connection, 0, to, mask, reinterpret_cast<const char*>(&event));
    xcb_flush(d.connection);
}

xcb_window_t activeWindow(const Display& d, xcb_atom_t active)
{
    const auto reply = own(xcb_get_property_reply(
        d.connection, xcb_get_property(d.connection, 0, d.root, active, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return XCB_NONE;
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

xcb_window_t inputFocus(const Display& d)
{
    const auto reply = own(xcb_get_input_focus_reply(d.connection, xcb_get_input_focus(d.connection), nullptr));
    return reply ? reply->focus : xcb_window_t{XCB_NONE};
}

struct Key {
    xcb_keycode_t code = 0;
    std::uint16_t state = 0;
};

std::optional<std::uint32_t> keysymNamed(std::string_view name)
{
    static const std::pair<std::string_view, std::uint32_t> kNamed[] = {
        {"Return", 0xff0d}, {"Tab", 0xff09}, {"space", 0x20}, {"Escape", 0xff1b},
        {"Up", 0xff52}, {"Down", 0xff54}, {"Left", 0xff51}, {"Right", 0xff53}, {"BackSpace", 0xff08},
    };
    for (const auto& [n, sym] : kNamed)
        if (n == name)
            return sym;
    if (name.size() == 1 && static_cast<unsigned char>(name[0]) >= 0x20 && static_cast<unsigned char>(name[0]) < 0x7f)
        return static_cast<std::uint32_t>(name[0]);  // Latin keysyms equal their ASCII codes
    return std::nullopt;
}

// The keycode that types `keysym`, with Shift when it is on the key's second level.
std::optional<Key> keyFor(const Display& d, std::uint32_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(d.connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = own(xcb_get_keyboard_mapping_reply(
        d.connection, xcb_get_keyboard_mapping(d.connection, setup->min_keycode, static_cast<std::uint8_t>(count)), nullptr));
    if (!mapping)
        return std::nullopt;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perCode = mapping->keysyms_per_keycode;
    for (int level = 0; level < 2 && level < perCode; ++level)
        for (int i = 0; i < count; ++i)
            if (syms[i * perCode + level] == keysym)
                return Key{static_cast<xcb_keycode_t>(setup->min_keycode + i),
                           static_cast<std::uint16_t>(level == 1 ? XCB_MOD_MASK_SHIFT : 0)};
    return std::nullopt;
}

bool sendKey(const Display& d, xcb_window_t window, Key key)
{
    for (std::uint8_t type : {std::uint8_t{XCB_KEY_PRESS}, std::uint8_t{XCB_KEY_RELEASE}}) {
        xcb_key_press_event_t event{};
        event.response_type = type;
        event.detail = key.code;
        event.time = XCB_CURRENT_TIME;
        event.root = d.root;
        event.event = window;
        event.child = XCB_NONE;
        event.same_screen = 1;
        event.state = key.state;
        const std::uint32_t mask = type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
        xcb_send_event(d.connection, 0, window, mask, reinterpret_cast<const char*>(&event));
    }
    xcb_flush(d.connection);
    // One key at a time, as hands type: the program handles each before the next arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return true;
}

// "ctrl+q", "shift+Tab", "Return", "text:1k".
bool typeInto(const Display& d, xcb_window_t window, std::string_view what)
{
    if (what.starts_with("text:")) {
        for (char c : what.substr(5)) {
            const std::optional<Key> key = keyFor(d, static_cast<unsigned char>(c));
            if (!key || !sendKey(d, window, *key))
                return false;
        }
        return true;
    }
    std::uint16_t modifiers = 0;
    while (true) {
        const std::size_t plus = what.find('+');
        if (plus == std::string_view::npos || plus + 1 == what.size())
            break;
        const std::string_view modifier = what.substr(0, plus);
        if (modifier == "ctrl")
            modifiers |= XCB_MOD_MASK_CONTROL;
        else if (modifier == "shift")
            modifiers |= XCB_MOD_MASK_SHIFT;
        else if (modifier == "alt")
            modifiers |= XCB_MOD_MASK_1;
        else
            return false;
        what.remove_prefix(plus + 1);
    }
    const std::optional<std::uint32_t> keysym = keysymNamed(what);
    std::optional<Key> key = keysym ? keyFor(d, *keysym) : std::nullopt;
    if (!key)
        return false;
    key->state |= modifiers;
    return sendKey(d, window, *key);
}

template <typename Done>
bool waitFor(double seconds, Done done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int usage()
{
    std::fputs("usage: x_drive wait|gone|activate|close|keys TITLE [SECONDS | KEY...]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return usage();
    const std::string_view command = argv[1];
    const std::string_view title = argv[2];
    int screenNumber = 0;
    Display d;
    d.connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(d.connection)) {
        std::fputs("x_drive: cannot reach the X server (DISPLAY)\n", stderr);
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(d.connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    d.root = screens.data->root;
    const double seconds = argc > 3 && (command == "wait" || command == "gone") ? std::atof(argv[3]) : 10.0;

    std::optional<xcb_window_t> window;
    const auto found = [&] { return (window = findWindow(d, d.root, title)).has_value(); };
    int status = 0;
    if (command == "gone") {
        status = waitFor(seconds, [&] { return !found(); }) ? 0 : 1;
    } else if (!waitFor(seconds, found)) {
        std::fprintf(stderr, "x_drive: no window titled \"%.*s\"\n", static_cast<int>(title.size()), title.data());
        status = 1;
    } else if (command == "wait") {
        std::printf("0x%x\n", *window);
    } else if (command == "activate") {
        // Source 2: a pager or a user's tool, which the window manager obeys without focus-stealing checks.
        // Asked again until the window manager reports the window active.
        const xcb_atom_t active = atom(d, "_NET_ACTIVE_WINDOW");
        const bool activated = waitFor(seconds, [&] {
            sendClientMessage(d, d.root, *window, active, {2, XCB_CURRENT_TIME, 0},
                              XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
            return waitFor(0.5, [&] { return activeWindow(d, active) == *window && inputFocus(d) == *window; });
        });
        status = activated ? 0 : 1;
    } else if (command == "close") {
        sendClientMessage(d, *window, *window, atom(d, "WM_PROTOCOLS"), {atom(d, "WM_DELETE_WINDOW"), XCB_CURRENT_TIME},
                          XCB_EVENT_MASK_NO_EVENT);
    } else if (command == "keys") {
        for (int i = 3; i < argc && status == 0; ++i) {
            if (!typeInto(d, *window, argv[i])) {
                std::fprintf(stderr, "x_drive: cannot type \"%s\"\n", argv[i]);
                status = 2;
            }
        }
    } else {
        status = usage();
    }
    // A round trip, so that the server has handled every request sent before the connection goes.
    std::free(xcb_get_input_focus_reply(d.connection, xcb_get_input_focus(d.connection), nullptr));
    xcb_disconnect(d.connection);
    return status;
}
