#include "focus/xcb/XcbFocusWatcher.h"

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace ornyx::focus {

namespace {

// Frees what xcb hands out with malloc.
template <typename T>
struct Freed {
    T* p = nullptr;
    ~Freed() { std::free(p); }
    Freed() = default;
    explicit Freed(T* value) : p(value) {}
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
};

// Property values are names, not documents: more than this is cut.
constexpr std::uint32_t kMaxPropertyWords = 256;

class XcbFocusWatcher final : public FocusWatcher {
public:
    XcbFocusWatcher(xcb_connection_t* c, xcb_window_t root) : c_(c), root_(root) {}
    ~XcbFocusWatcher() override { xcb_disconnect(c_); }
    XcbFocusWatcher(const XcbFocusWatcher&) = delete;
    XcbFocusWatcher& operator=(const XcbFocusWatcher&) = delete;

    bool Start(std::string& error) {
        const std::array<std::string_view, 4> names = {"_NET_ACTIVE_WINDOW", "_GTK_APPLICATION_ID",
                                                       "_KDE_NET_WM_DESKTOP_FILE", "UTF8_STRING"};
        std::array<xcb_intern_atom_cookie_t, 4> cookies{};
        for (std::size_t i = 0; i < names.size(); ++i) {
            cookies[i] = xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(names[i].size()),
                                         names[i].data());
        }
        std::array<xcb_atom_t, 4> atoms{};
        for (std::size_t i = 0; i < names.size(); ++i) {
            const Freed<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(c_, cookies[i], nullptr));
            if (reply.p == nullptr) {
                error = "the X server does not answer";
                return false;
            }
            atoms[i] = reply.p->atom;
        }
        activeAtom_ = atoms[0];
        gtkAtom_ = atoms[1];
        kdeAtom_ = atoms[2];
        utf8Atom_ = atoms[3];
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        const Freed<xcb_generic_error_t> failed(xcb_request_check(
            c_, xcb_change_window_attributes_checked(c_, root_, XCB_CW_EVENT_MASK, &mask)));
        if (failed.p != nullptr) {
            error = "the root window cannot be watched (X error " +
                    std::to_string(failed.p->error_code) + ")";
            return false;
        }
        active_ = ActiveWindow();
        return true;
    }

    int Fd() const override { return xcb_get_file_descriptor(c_); }
    bool Lost() const override { return xcb_connection_has_error(c_) != 0; }

    std::optional<std::vector<std::string>> Changed() override {
        std::optional<std::vector<std::string>> result;
        // Reading the properties waits for replies, and xcb queues the events
        // that come meanwhile without the descriptor showing them: those are
        // taken here too.
        bool moved = Drain(xcb_poll_for_event);
        while (moved && !Lost()) {
            const xcb_window_t now = ActiveWindow();
            if (now != active_) {
                active_ = now;
                result = NamesOf(now);
            }
            moved = Drain(xcb_poll_for_queued_event);
        }
        return result;
    }

    std::vector<std::string> Current() override {
        active_ = ActiveWindow();
        return NamesOf(active_);
    }

private:
    // Takes the events there are; whether the active window may have moved.
    bool Drain(xcb_generic_event_t* (*next)(xcb_connection_t*)) {
        bool moved = false;
        while (true) {
            const Freed<xcb_generic_event_t> event(next(c_));
            if (event.p == nullptr) break;
            // Type 0 is an error of a request without a reply: a window that
            // went away while we looked. Nothing to do.
            if ((event.p->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
            const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event.p);
            if (change->window == root_ && change->atom == activeAtom_) moved = true;
        }
        return moved;
    }

    // The property's bytes; empty when the window or the property is gone.
    std::string Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c_, 0, window, property, type, 0, kMaxPropertyWords);
        xcb_generic_error_t* raw = nullptr;
        const Freed<xcb_get_property_reply_t> reply(xcb_get_property_reply(c_, cookie, &raw));
        const Freed<xcb_generic_error_t> error(raw);
        if (reply.p == nullptr || error.p != nullptr || reply.p->format != 8) return {};
        const int length = xcb_get_property_value_length(reply.p);
        if (length <= 0) return {};
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.p)),
                           static_cast<std::size_t>(length));
    }

    xcb_window_t ActiveWindow() {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c_, 0, root_, activeAtom_, XCB_ATOM_WINDOW, 0, 1);
        xcb_generic_error_t* raw = nullptr;
        const Freed<xcb_get_property_reply_t> reply(xcb_get_property_reply(c_, cookie, &raw));
        const Freed<xcb_generic_error_t> error(raw);
        if (reply.p == nullptr || error.p != nullptr || reply.p->format != 32 ||
            xcb_get_property_value_length(reply.p) < 4)
            return XCB_WINDOW_NONE;
        xcb_window_t window = XCB_WINDOW_NONE;
        std::memcpy(&window, xcb_get_property_value(reply.p), sizeof window);
        return window;
    }

    std::vector<std::string> NamesOf(xcb_window_t window) {
        if (window == XCB_WINDOW_NONE) return {};
        return NamesOfWindow(Property(window, gtkAtom_, utf8Atom_),
                             Property(window, kdeAtom_, utf8Atom_),
                             Property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t gtkAtom_ = XCB_ATOM_NONE;
    xcb_atom_t kdeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t utf8Atom_ = XCB_ATOM_NONE;
    xcb_window_t active_ = XCB_WINDOW_NONE;
};

}  // namespace

std::unique_ptr<FocusWatcher> OpenXcbFocusWatcher(const char* display, std::string& error) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (const int problem = xcb_connection_has_error(c); problem != 0) {
        xcb_disconnect(c);
        error = "cannot open the X display (xcb error " + std::to_string(problem) + ")";
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem <= 0) {
        xcb_disconnect(c);
        error = "the X display has no screen " + std::to_string(screenNumber);
        return nullptr;
    }
    auto watcher = std::make_unique<XcbFocusWatcher>(c, screens.data->root);
    if (!watcher->Start(error)) return nullptr;
    return watcher;
}

}  // namespace ornyx::focus
