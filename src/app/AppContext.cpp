#include "app/AppContext.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/Platform.h"
#include "common/Utf8.h"
#include "settings/Configuration.h"

namespace ornyx::app {

namespace {

session::SessionOptions ToSessionOptions(const AppOptions& options) {
    session::SessionOptions s;
    s.home = options.home;
    s.simulate = options.simulate;
    s.trace = options.trace;
    s.verbose = options.verbose;
    return s;
}

}  // namespace

AppContext::AppContext(const AppOptions& options, MessageSink& messages)
    : session_(ToSessionOptions(options), *platform_, messages),
      paths(session_.paths()),
      settings(session_.settings()),
      text(session_.text()),
      options_(options),
      messages_(messages) {
    session_.ResolveHome();
    // The folder first, so that its lock can be taken before anything is written.
    std::error_code ec;
    std::filesystem::create_directories(paths.home, ec);
    // Said once the lock is released and the program answers a second start
    // (ShowStartupMessages): a message box waits for a person, and ornyxctl
    // and a second start must not wait with it.
    RecordingMessageSink& later = startupMessages_;
    {
        const settings::HomeLock lock = LockHome(&later);
        switch (session_.LoadSettings(later)) {
            case settings::ConfigStatus::Loaded:
                break;
            case settings::ConfigStatus::Missing: {
                // Written before the user is told, so that a program ended at
                // the message still leaves a config.bin.
                std::string error;
                if (!session_.CreateDefaultSettings(error)) Log().Write(error);
                break;
            }
            case settings::ConfigStatus::Unusable:
                // Kept as it is until the first save sets it aside; until then
                // the window works on the defaults rather than zeros.
                session_.UseDefaultSettings();
                break;
        }
    }
    try {
        session_.OpenTrace();
        session_.CreateLink();
    } catch (const session::SessionError& e) {
        throw std::invalid_argument(e.what());
    }
    monitor_ = session_.CreateMonitor();
}

void AppContext::ShowStartupMessages() {
    startupMessages_.ReplayTo(messages_);
}

settings::HomeLock AppContext::LockHome(RecordingMessageSink* notes) {
    settings::HomeLock lock;
    std::string error;
    if (!session_.LockHome(lock, settings::HomeLock::Mode::Exclusive, error)) {
        Log().Write(error);
        if (notes) notes->ShowMessage(error, "Warning");
    }
    for (const std::string& notice : lock.notices()) {
        Log().Write(notice);
        if (notes) notes->ShowMessage(notice, "Warning");
    }
    return lock;
}

QString AppContext::SkinFolder() const {
    // The skin name comes from a hand-editable file: keep it inside Skins.
    QString name = QString::fromStdString(text.skinName);
    if (name.contains('/') || name == ".." || name == ".") name.clear();
    // The user's own skin of that name wins over the shipped one.
    std::error_code ec;
    if (!paths.userSkins.empty() && !name.isEmpty() &&
        std::filesystem::is_directory(paths.userSkins / utf8::ToPath(name.toStdString()), ec)) {
        return QString::fromStdString(utf8::FromPath(paths.userSkins)) + "/" + name;
    }
    return QString::fromStdString(utf8::FromPath(paths.skins)) + "/" + name;
}

QString AppContext::SkinFile(const char* name) const {
    return SkinFolder() + QString::fromUtf8(name);
}

performance::PointerSettings& AppContext::PointerSettings() {
    if (!pointer_) pointer_ = CreateDesktopPointerSettings();
    return *pointer_;
}

}  // namespace ornyx::app
