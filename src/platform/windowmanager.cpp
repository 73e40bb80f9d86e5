#include "platform/windowmanager.h"

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The X11 connection and root window of a shown window; none elsewhere.
struct X11Window {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_window_t root = 0;

    explicit X11Window(QWindow* w) {
        // Other platforms may offer the interface without a connection (offscreen does).
        if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return;
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* c = x11 ? x11->connection() : nullptr;
        if (!c || !w || !w->isVisible() || !w->handle()) return;
        const auto id = xcb_window_t(w->winId());
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr), &std::free);
        if (!tree) return;
        connection = c;
        window = id;
        root = tree->root;
    }
    explicit operator bool() const { return connection != nullptr; }

    xcb_atom_t atom(const char* name) const {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // A request about this window to the window manager, which listens on the root window.
    void ask(const char* type, uint32_t d0, uint32_t d1, uint32_t d2, uint32_t d3 = 0) const {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom(type);
        message.data.data32[0] = d0;
        message.data.data32[1] = d1;
        message.data.data32[2] = d2;
        message.data.data32[3] = d3;
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }

    // The client window that has the keyboard as the window manager tells it, 0 for none.
    xcb_window_t activeWindow() const {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(connection, 0, root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1);
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr), &std::free);
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
        return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    }
};

// Values of the window manager's requests.
constexpr uint32_t kStateRemove = 0;
constexpr uint32_t kFromApplication = 1;
constexpr uint32_t kStackBelow = 1; // the X stack mode Below

bool ownWindow(xcb_window_t id) {
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [id](const QWindow* w) { return w->handle() && w->winId() == id; });
}

} // namespace

void unshade(QWindow* window) {
    const X11Window x(window);
    if (x) x.ask("_NET_WM_STATE", kStateRemove, x.atom("_NET_WM_STATE_SHADED"), 0, kFromApplication);
}

void stepBehindActive(QWindow* window) {
    const X11Window x(window);
    if (!x) return;
    const xcb_window_t active = x.activeWindow();
    if (active == 0 || ownWindow(active)) return;
    x.ask("_NET_RESTACK_WINDOW", kFromApplication, active, kStackBelow);
}

} // namespace platform
