#include <QDBusConnection>

#include "app/DBusService.h"
#include "app/ScriptInterface.h"

namespace ornyx::app {

std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg& window, QString& error) {
    auto bus = std::make_unique<DBusService>(window);
    // Kept when registration fails, as before: the object is harmless off the bus.
    if (!bus->Register(QDBusConnection::sessionBus(), error))
        error = "not on the session bus: " + error;
    return bus;
}

const char* ScriptInterfaceHelp() {
    return " While it runs, scripts\n"
           "reach it on the session bus as org.ornyx.OrnyxMouse1 (profiles, apply, the\n"
           "window, the mouse's notifications).";
}

}  // namespace ornyx::app
