#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Backend.h"
#include "device/DeviceLink.h"
#include "device/DeviceMonitor.h"
#include "device/Trace.h"
#include "device/sim/SimMouse.h"
#include "i18n/TextSettings.h"
#include "session/Apply.h"
#include "settings/Configuration.h"
#include "settings/HomeLock.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::session {

// The options both programs take.
struct SessionOptions {
    std::optional<std::string> home;
    std::optional<std::string> simulate;  // present (maybe empty) when --simulate was given
    std::optional<std::string> trace;
    bool verbose = false;
};

// A bad --simulate or --trace: the user's to mend, so the programs report it as
// a usage error.
class SessionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one way the two programs apply differ: the window runs the sensor
// handshake when it finds the mouse, ornyxctl has not run it yet.
struct ApplyOptions {
    // Runs the handshake first (it tells which DPI list the table uses). When
    // it fails nothing is sent, but the files are saved as an apply saves them.
    bool handshakeFirst = false;
    // Where the messages of the file work go (config.bin set aside, not
    // saved); the session's own when null. The window keeps them until it has
    // released the home's lock, so that nobody waits for a click holding it.
    MessageSink* fileMessages = nullptr;
};

// What one apply did, for each program to word in its own way.
struct ApplyReport {
    // No settings were loaded (config.bin missing or unusable, no defaults
    // taken instead): nothing was sent, saved or changed, as an image that is
    // not the user's settings must never reach the mouse.
    bool refused = false;
    // False when no mouse was present: nothing was sent, saved or changed.
    bool mousePresent = false;
    // What reached the mouse (ok, or the first failed transfer and its step)
    // and whether config.bin was saved.
    ApplyResult result;
    // The mouse went away during the apply; only looked at when it failed.
    bool vanished = false;
    // Why a line of the --trace file could not be written; empty when all were.
    std::string traceError;
};

// One run of either program: the program home with its settings image and
// texts, the link to the real or simulated mouse, and the use cases over
// them. The window and ornyxctl differ only in when they call what.
class Session {
public:
    // `platform` reaches the real mouse; it must outlive the session. The
    // messages go wherever the caller shows them.
    Session(const SessionOptions& options, device::Backend& platform, MessageSink& messages);

    // Creates the --trace file, when one was asked for. Throws SessionError.
    void OpenTrace();
    // Resolves the program home; `create` lets a missing home be made and filled.
    void ResolveHome(bool create = true);
    // Takes the home's lock in `mode`; false (with the reason) when another
    // process keeps it too long.
    bool LockHome(settings::HomeLock& lock, settings::HomeLock::Mode mode, std::string& error);
    // Loads config.bin (its problems go to the messages) and str.ini, and
    // takes the backup the apply compares with. The caller holds the lock.
    settings::ConfigStatus LoadSettings();
    settings::ConfigStatus LoadSettings(MessageSink& messages);
    // Replaces the image by the defaults `ornyxctl init` writes (first-run
    // flag 0) and takes the backup, for a program that goes on without a
    // loadable config.bin; Apply then sends them.
    void UseDefaultSettings();
    // Writes the default config.bin where nothing at all is (not even a link)
    // and uses its settings. The caller holds the lock. False, with the
    // reason, when it was not written; the settings are the defaults anyway.
    bool CreateDefaultSettings(std::string& error);
    // Whether the image holds settings Apply may send: loaded from config.bin
    // or the defaults taken instead.
    bool settingsReady() const { return settingsReady_; }

    // The link to the simulated mouse (--simulate) or the platform's, made
    // once and not searched yet. Throws SessionError for bad simulator options.
    device::DeviceLink& CreateLink();
    // Plug and unplug announcements for the same mouse; null when the system
    // gives none.
    std::unique_ptr<device::DeviceMonitor> CreateMonitor();

    // The sensor handshake that follows every (re)connection.
    device::TransferResult Handshake();
    // OK and Apply of the window, `ornyxctl apply`: sends the settings image
    // to the mouse, saves the files, and makes what was applied the backup
    // that Cancel goes back to. Does nothing without settings ready (refused)
    // or without a present mouse. The caller holds the home's lock.
    ApplyReport Apply(const ApplyOptions& options = {});

    const SessionOptions& options() const { return options_; }
    bool simulated() const { return options_.simulate.has_value(); }
    settings::ProgramPaths& paths() { return paths_; }
    const settings::ProgramPaths& paths() const { return paths_; }
    settings::SettingsState& settings() { return settings_; }
    i18n::TextSettings& text() { return text_; }
    device::DeviceLink& link() { return *link_; }
    bool hasLink() const { return link_ != nullptr; }
    device::sim::SimMouse* simulator() { return sim_.get(); }
    MessageSink& messages() { return messages_; }
    DebugLog& log() { return *log_; }
    // Why a line of the trace could not be written; empty when all were.
    std::string TraceError() const { return trace_ ? trace_->WriteError() : std::string(); }

private:
    SessionOptions options_;
    device::Backend& platform_;
    MessageSink& messages_;
    std::unique_ptr<DebugLog> log_;
    settings::ProgramPaths paths_;
    settings::SettingsState settings_;
    i18n::TextSettings text_;
    std::unique_ptr<device::FileTrace> trace_;
    std::shared_ptr<device::sim::SimMouse> sim_;
    std::unique_ptr<device::DeviceLink> link_;
    bool settingsReady_ = false;
};

}  // namespace ornyx::session
