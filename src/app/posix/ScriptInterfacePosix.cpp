#include <QDBusConnection>
#include <QGuiApplication>

#include "app/DBusService.h"
#include "app/KWinScript.h"
#include "app/MainWindow.h"
#include "app/ScriptInterface.h"
#include "app/Termination.h"
#include "focus/xcb/XcbFocusWatcher.h"

namespace ornyx::app {

namespace {

// Owns what was set up; going away unloads the KWin script before the bus
// connection it was loaded over is gone.
class DesktopLinks : public QObject {
public:
    DBusService* bus = nullptr;
    KWinScript kwin;
};

}  // namespace

std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg& window,
                                              const std::function<void(const std::string&)>& log) {
    auto links = std::make_unique<DesktopLinks>();
    auto* termination = new TerminationRequests(links.get());
    QObject::connect(termination, &TerminationRequests::requested, &window, &CHidMouseDlg::Exit);

    // On X11 the program sees the window in front itself; elsewhere the
    // desktop's script tells it over the session bus.
    const bool x11 = QGuiApplication::platformName() == "xcb";
    if (x11) {
        std::string error;
        if (auto watcher = focus::OpenXcbFocusWatcher(nullptr, error)) {
            window.Switcher().Watch(std::move(watcher));
        } else {
            log("the application in front cannot be followed: " + error);
        }
    }
    links->bus = new DBusService(window, links.get());
    // Kept when registration fails, as before: the object is harmless off the bus.
    QString error;
    if (!links->bus->Register(QDBusConnection::sessionBus(), error)) {
        log("not on the session bus: " + error.toStdString());
        return links;
    }
    // On Plasma, KWin tells us the application in front through a script of ours.
    if (!x11 && KWinScript::Available(QDBusConnection::sessionBus()) &&
        !links->kwin.Load(QDBusConnection::sessionBus(), error)) {
        log("the application in front cannot be followed: " + error.toStdString());
    }
    return links;
}

const char* ScriptInterfaceHelp() {
    return " While it runs, scripts\n"
           "reach it on the session bus as org.ornyx.OrnyxMouse1 (profiles, apply, the\n"
           "window, the mouse's notifications).";
}

}  // namespace ornyx::app
