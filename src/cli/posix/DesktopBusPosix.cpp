// The desktop program's interface through gio's GDBus, on a connection of our
// own: the session bus named by the environment, never one started for us.
#include <gio/gio.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

#include "cli/DesktopBus.h"

namespace ornyx::cli {

namespace {

constexpr const char* kBusName = "org.ornyx.OrnyxMouse1";
constexpr const char* kBusPath = "/org/ornyx/OrnyxMouse1";
constexpr const char* kBusInterface = "org.ornyx.OrnyxMouse1";

using profiles::ProgramAnswer;

struct FreeError {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, FreeError>;
struct UnrefVariant {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
using VariantPtr = std::unique_ptr<GVariant, UnrefVariant>;
struct UnrefObject {
    void operator()(gpointer o) const { g_object_unref(o); }
};
using ConnectionPtr = std::unique_ptr<GDBusConnection, UnrefObject>;

int Milliseconds(std::chrono::milliseconds timeout) {
    return static_cast<int>(timeout.count());
}

// Where the session bus listens: the environment's address, else the usual
// socket in the runtime folder. Never "autolaunch:", which would start a bus
// (and needs a display) just to find that no program runs.
std::optional<std::string> SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return std::string(address);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return std::nullopt;
    const std::filesystem::path socket = std::filesystem::path(runtime) / "bus";
    std::error_code ec;
    if (!std::filesystem::is_socket(socket, ec)) return std::nullopt;
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    std::string address = std::string("unix:path=") + escaped;
    g_free(escaped);
    return address;
}

struct PendingConnection {
    GDBusConnection* connection = nullptr;
    GError* error = nullptr;
    bool done = false;
};

// Connecting has no time-out of its own: a socket whose listener never
// answers would hold ornyxctl for good. The connection is made in a main
// context of our own, which a timer cancels.
ConnectionPtr Connect(const std::string& address, std::chrono::milliseconds timeout,
                      std::string& why) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GCancellable* cancel = g_cancellable_new();
    PendingConnection pending;
    g_dbus_connection_new_for_address(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancel,
        [](GObject*, GAsyncResult* result, gpointer data) {
            auto* p = static_cast<PendingConnection*>(data);
            p->connection = g_dbus_connection_new_for_address_finish(result, &p->error);
            p->done = true;
        },
        &pending);
    GSource* timer = g_timeout_source_new(static_cast<guint>(Milliseconds(timeout)));
    g_source_set_callback(
        timer,
        [](gpointer c) -> gboolean {
            g_cancellable_cancel(static_cast<GCancellable*>(c));
            return G_SOURCE_REMOVE;
        },
        cancel, nullptr);
    g_source_attach(timer, context);
    while (!pending.done) g_main_context_iteration(context, TRUE);
    g_source_destroy(timer);
    g_source_unref(timer);
    const bool timedOut = g_cancellable_is_cancelled(cancel);
    g_object_unref(cancel);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    if (!pending.connection) {
        const ErrorPtr error(pending.error);
        why = "cannot reach the session bus at " + address + ": " +
              (timedOut ? std::string("no answer") : std::string(error ? error->message : "?"));
        return nullptr;
    }
    // A bus that goes away must not end ornyxctl.
    g_dbus_connection_set_exit_on_close(pending.connection, FALSE);
    return ConnectionPtr(pending.connection);
}

BusAnswer AnswerFor(GError* error) {
    if (g_dbus_error_is_remote_error(error)) {
        gchar* name = g_dbus_error_get_remote_error(error);
        const ProgramAnswer answer = profiles::AnswerForError(name ? name : "");
        g_free(name);
        g_dbus_error_strip_remote_error(error);
        return {answer, error->message, {}};
    }
    // The call went out: without a reply it may still be carried out.
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CLOSED)) {
        return {ProgramAnswer::NoAnswer, error->message, {}};
    }
    return {ProgramAnswer::Failed, error->message, {}};
}

class GioDesktopBus final : public DesktopBus {
public:
    explicit GioDesktopBus(ConnectionPtr connection) : connection_(std::move(connection)) {}

    BusAnswer ServedHome() override {
        ErrorPtr error;
        {
            GError* raw = nullptr;
            const VariantPtr owned(g_dbus_connection_call_sync(
                connection_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", kBusName),
                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, Milliseconds(kBusLookTimeout),
                nullptr, &raw));
            if (!owned) return AnswerFor(ErrorPtr(raw).get());
            gboolean has = FALSE;
            g_variant_get(owned.get(), "(b)", &has);
            if (!has)
                return {ProgramAnswer::NotRunning, "no program owns " + std::string(kBusName), {}};
        }
        BusAnswer home = Property("Home");
        // An older program does not say which home it serves: its home lock
        // orders the two of us, as before there was a bus.
        if (home.answer == ProgramAnswer::Failed) home.answer = ProgramAnswer::NotRunning;
        return home;
    }

    BusAnswer CallProfileMethod(const std::string& method, const std::string& name) override {
        GError* raw = nullptr;
        const VariantPtr reply(g_dbus_connection_call_sync(
            connection_.get(), kBusName, kBusPath, kBusInterface, method.c_str(),
            g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("()"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, Milliseconds(kBusCallTimeout), nullptr, &raw));
        if (!reply) return AnswerFor(ErrorPtr(raw).get());
        return {ProgramAnswer::Done, {}, {}};
    }

    std::string ActiveProfile() override {
        const BusAnswer active = Property("ActiveProfile");
        return active.answer == ProgramAnswer::Done ? active.value : std::string();
    }

private:
    // A string property of the program's interface.
    BusAnswer Property(const char* property) {
        GError* raw = nullptr;
        const VariantPtr reply(g_dbus_connection_call_sync(
            connection_.get(), kBusName, kBusPath, "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", kBusInterface, property), G_VARIANT_TYPE("(v)"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, Milliseconds(kBusLookTimeout), nullptr, &raw));
        if (!reply) return AnswerFor(ErrorPtr(raw).get());
        GVariant* inner = nullptr;
        g_variant_get(reply.get(), "(v)", &inner);
        const VariantPtr value(inner);
        if (!g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING))
            return {ProgramAnswer::Failed, std::string(property) + " is not a string", {}};
        return {ProgramAnswer::Done, {}, g_variant_get_string(value.get(), nullptr)};
    }

    ConnectionPtr connection_;
};

}  // namespace

// The plain form "unix:path=P" of an address whose socket is gone (a stale
// address in a headless session): known without starting gio's threads.
bool SocketIsGone(std::string_view address) {
    constexpr std::string_view kPlain = "unix:path=";
    if (!address.starts_with(kPlain)) return false;
    const std::string_view path = address.substr(kPlain.size());
    if (path.find_first_of("%,;") != std::string_view::npos) return false;
    std::error_code ec;
    return !std::filesystem::is_socket(std::filesystem::path(path), ec);
}

std::unique_ptr<DesktopBus> ConnectDesktopBus(std::string& why) {
    const std::optional<std::string> address = SessionBusAddress();
    if (!address) {
        why =
            "no session bus: DBUS_SESSION_BUS_ADDRESS is not set and there is no "
            "$XDG_RUNTIME_DIR/bus";
        return nullptr;
    }
    if (SocketIsGone(*address)) {
        why = "no session bus at " + *address + ": there is no socket there";
        return nullptr;
    }
    ConnectionPtr connection = Connect(*address, kBusLookTimeout, why);
    if (!connection) return nullptr;
    return std::make_unique<GioDesktopBus>(std::move(connection));
}

}  // namespace ornyx::cli
