#include "app/KWinScript.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
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

// One call to KWin's scripting object, waiting for its answer. Plain messages
// rather than an interface object: that one would introspect KWin first.
QDBusMessage Call(const QDBusConnection& bus, const char* method, const QVariantList& args) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

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

    const QDBusReply<bool> stale = Call(bus, "isScriptLoaded", {QString(kPluginName)});
    if (stale.isValid() && stale.value()) Call(bus, "unloadScript", {QString(kPluginName)});
    const QDBusReply<int> id = Call(bus, "loadScript", {path, QString(kPluginName)});
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
    const QDBusReply<void> started = Call(bus, "start", {});
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
    Call(bus_, "unloadScript", {QString(kPluginName)});
    folder_.reset();
}

}  // namespace ornyx::app
