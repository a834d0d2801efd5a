#include "app/KWinScript.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QSaveFile>

namespace ornyx::app {

namespace {

constexpr const char* kService = "org.kde.KWin";
constexpr const char* kPath = "/Scripting";
constexpr const char* kInterface = "org.kde.kwin.Scripting";
// KWin answers at once; a compositor that hangs must not hold up the start.
constexpr int kCallTimeoutMs = 3000;

}  // namespace

bool KWinScript::Available(const QDBusConnection& bus) {
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    const QDBusReply<bool> there = bus.interface()->isServiceRegistered(kService);
    return there.isValid() && there.value();
}

bool KWinScript::Load(const QDBusConnection& bus, QString& error) {
    Unload();
    QFile script(":/kwin/autoswitch.js");
    if (!script.open(QIODevice::ReadOnly)) {
        error = "the KWin script is missing from the program";
        return false;
    }
    // A folder of our own (mode 0700): no other user can swap the file
    // between our write and KWin's read.
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) {
        error = "no temporary folder for the KWin script: " + folder->errorString();
        return false;
    }
    const QString path = folder->filePath("autoswitch.js");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(script.readAll()) < 0 || !out.commit()) {
        error = "cannot write the KWin script: " + out.errorString();
        return false;
    }

    QDBusInterface scripting(kService, kPath, kInterface, bus);
    scripting.setTimeout(kCallTimeoutMs);
    const QDBusReply<bool> stale = scripting.call("isScriptLoaded", QString(kPluginName));
    if (stale.isValid() && stale.value()) scripting.call("unloadScript", QString(kPluginName));
    const QDBusReply<int> id = scripting.call("loadScript", path, QString(kPluginName));
    if (!id.isValid()) {
        error = "KWin did not load the script: " + id.error().message();
        return false;
    }
    if (id.value() < 0) {
        error = "KWin refused the script";
        return false;
    }
    bus_ = bus;
    folder_ = std::move(folder);
    loaded_ = true;
    const QDBusReply<void> started = scripting.call("start");
    if (!started.isValid()) {
        error = "KWin did not start the script: " + started.error().message();
        Unload();
        return false;
    }
    return true;
}

void KWinScript::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    QDBusInterface scripting(kService, kPath, kInterface, bus_);
    scripting.setTimeout(kCallTimeoutMs);
    scripting.call("unloadScript", QString(kPluginName));
    folder_.reset();
}

}  // namespace ornyx::app
