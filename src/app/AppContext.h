#pragma once

#include <QString>
#include <memory>

#include "app/AppOptions.h"
#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Backend.h"
#include "device/DeviceLink.h"
#include "device/DeviceMonitor.h"
#include "device/sim/SimMouse.h"
#include "i18n/TextSettings.h"
#include "performance/PointerSettings.h"
#include "session/Session.h"
#include "settings/HomeLock.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::app {

// Everything that lives for the whole run of the desktop program, in plain
// records, owned here and passed by reference to the windows. The home, the
// settings and the link are the session's, shared with ornyxctl; this adds
// what only the desktop has (skins, the desktop's pointer settings).
class AppContext {
    // First, so that the references below bind to a session that exists.
    std::unique_ptr<device::Backend> platform_ = device::CreatePlatformBackend();
    session::Session session_;

public:
    // Resolves the program home, loads config.bin and str.ini and sets up the
    // link to the real or simulated mouse (not opened yet). Without a config.bin
    // it writes the default one; with one it cannot load, it works on the
    // defaults and leaves the file to the first save, which sets it aside. Throws
    // std::invalid_argument for bad simulator options or trace file.
    AppContext(const AppOptions& options, MessageSink& messages);

    // What loading the settings had to say ("Config file is not exist."),
    // kept until the window starts: by then the home's lock is released and a
    // second start can reach this one while the user reads it.
    void ShowStartupMessages();

    const AppOptions& Options() const { return options_; }
    MessageSink& Messages() { return messages_; }
    DebugLog& Log() { return session_.log(); }
    session::Session& Session() { return session_; }

    // The session's, by their established names.
    settings::ProgramPaths& paths;
    settings::SettingsState& settings;
    i18n::TextSettings& text;

    // The program home's lock, for one read or save: never held while idle, so
    // that ornyxctl can work beside the window. When it cannot be had the window
    // goes on without it rather than freeze; why, and what taking it found (a
    // journal set aside), wait in `notes`, to be shown once the lock is
    // released: a message box must not keep others waiting.
    settings::HomeLock LockHome(RecordingMessageSink* notes = nullptr);

    device::DeviceLink& Link() { return session_.link(); }
    // Why a line of the --trace file could not be written; empty when all were.
    std::string TraceError() const { return session_.TraceError(); }
    device::sim::SimMouse* Simulator() { return session_.simulator(); }
    // Plug and unplug announcements; null where the system gives none.
    device::DeviceMonitor* Monitor() { return monitor_.get(); }

    // The skin's folder and a file in it ("/BasicSet2.png" style names).
    QString SkinFolder() const;
    QString SkinFile(const char* name) const;

    // The desktop's pointer settings, made on first use for this session
    // (GNOME's, or none). Tests set their own before the window uses them, so
    // that the user's desktop is never touched.
    performance::PointerSettings& PointerSettings();
    void SetPointerSettings(std::unique_ptr<performance::PointerSettings> desktop) {
        pointer_ = std::move(desktop);
    }

    // Flags of the window's life cycle.
    bool pagesBuilt = false;
    bool rebuildOnRestore = false;

private:
    AppOptions options_;
    MessageSink& messages_;
    std::unique_ptr<device::DeviceMonitor> monitor_;
    std::unique_ptr<performance::PointerSettings> pointer_;
    RecordingMessageSink startupMessages_;
};

}  // namespace ornyx::app
