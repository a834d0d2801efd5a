#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstring>
#include <string>

#include "app/Platform.h"

namespace ornyx::app {

namespace {

// Connects to a Unix socket; a name starting with '@' is in the abstract namespace.
bool SocketAccepts(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.empty() || name.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, name.data(), name.size());
    socklen_t length = sizeof(address);
    if (name[0] == '@') {
        address.sun_path[0] = '\0';
        length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

bool WaylandReachable() {
    const std::string display = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
    if (display.empty()) return false;
    if (display[0] == '/') return SocketAccepts(display);
    const std::string runtime = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString();
    return !runtime.empty() && SocketAccepts(runtime + "/" + display);
}

bool X11Reachable() {
    const std::string display = qEnvironmentVariable("DISPLAY").toStdString();
    if (display.empty()) return false;
    const auto colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    // A remote display is reached over TCP: leave it to Qt.
    if (!host.empty() && host != "unix" && host[0] != '/') return true;
    if (!host.empty() && host[0] == '/') return SocketAccepts(display.substr(0, colon));
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return SocketAccepts(socket) || SocketAccepts("@" + socket);
}

}  // namespace

bool DisplayReachable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("wayland")) return WaylandReachable();
    if (platform.startsWith("xcb")) return X11Reachable();
    return WaylandReachable() || X11Reachable();
}

}  // namespace ornyx::app
