#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Backend.h"
#include "device/DeviceLink.h"
#include "device/sim/SimMouse.h"
#include "i18n/TextSettings.h"
#include "session/Session.h"
#include "settings/Configuration.h"
#include "settings/HomeLock.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::cli {

enum ExitCode : int { kOk = 0, kFailure = 1, kUsage = 2, kNoMouse = 3 };

inline constexpr const char* kNoMouseText = "The system did not detect the gaming mouse!";

// Options every command takes.
using GlobalOptions = session::SessionOptions;

// A usage error found after parsing (bad numbers, bad hex): exit code 2.
struct UsageError {
    std::string message;
};

// Messages go to stderr, one per line, caption first when it is not the program's.
class StderrMessageSink final : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption = {}) override;
};

// What one run of ornyxctl works with: the session (program home, settings,
// and on demand the link to the real or simulated mouse), with the CLI's
// rules for errors: a bad option is a usage error, a busy home a failure.
class CliContext {
public:
    // Creates the trace file when one is asked for; throws UsageError when it
    // cannot be created.
    explicit CliContext(const GlobalOptions& options);

    // A command that only reads: the home is then neither created, filled nor moved.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Resolves the program home without loading anything.
    void ResolveHome();
    // Resolves the home, takes its lock in `mode` (kept until UnlockHome or the
    // end of the run, so that what is read and written is one consistent
    // state), loads config.bin (messages go to stderr) and str.ini.
    void LoadSettings(settings::HomeLock::Mode mode = settings::HomeLock::Mode::Shared);
    // Takes the home's lock; throws std::runtime_error when another process
    // keeps it too long.
    void LockHome(settings::HomeLock::Mode mode);
    void UnlockHome() { lock_.Release(); }
    // What LoadSettings found at config.bin.
    settings::ConfigStatus configStatus() const { return configStatus_; }
    // The refusal of a command that would save over a config.bin it could not load.
    std::string UnusableConfigText() const;
    // The refusal of a command that would send settings without a config.bin.
    std::string MissingConfigText() const;
    // Sets up the link to the real or simulated mouse without searching yet.
    // Throws UsageError for bad simulator options.
    void CreateLink();
    // CreateLink, then the search. Returns false (after printing the warning)
    // when there is no mouse.
    bool OpenMouse();
    // Plug and unplug announcements for the same mouse; null when the system
    // gives none.
    std::unique_ptr<device::DeviceMonitor> CreateMonitor();

    session::Session& session() { return session_; }
    settings::ProgramPaths& paths() { return session_.paths(); }
    settings::SettingsState& settings() { return session_.settings(); }
    i18n::TextSettings& text() { return session_.text(); }
    device::DeviceLink& link() { return session_.link(); }
    device::sim::SimMouse* simulator() { return session_.simulator(); }
    MessageSink& messages() { return messages_; }
    DebugLog& log() { return session_.log(); }
    const GlobalOptions& options() const { return session_.options(); }
    // Why a line of the trace could not be written; empty when all were.
    std::string TraceError() const { return session_.TraceError(); }

private:
    bool readOnly_ = false;
    StderrMessageSink messages_;
    std::unique_ptr<device::Backend> platform_ = device::CreatePlatformBackend();
    session::Session session_;
    settings::ConfigStatus configStatus_ = settings::ConfigStatus::Missing;
    settings::HomeLock lock_;
};

// The no-mouse error on stderr; for the real mouse with hints on what to check.
void PrintNoMouse(bool realMouse);
// What may keep the real mouse from this user on this system, as "ornyxctl: hint: " lines.
const char* NoMouseAccessHint();

// Parses a byte given as decimal or 0x-hex; throws UsageError naming `what`.
std::uint8_t ParseByte(const std::string& text, const std::string& what);

// Each command adds its subcommand; the returned action runs it.
using CommandAction = std::function<int(CliContext&)>;
struct Command {
    CLI::App* app;
    CommandAction action;
};
Command AddShowCommand(CLI::App& parent);
Command AddRawCommand(CLI::App& parent);
Command AddApplyCommand(CLI::App& parent);
Command AddInitCommand(CLI::App& parent);
Command AddInfoCommand(CLI::App& parent);
Command AddListenCommand(CLI::App& parent);
Command AddExportCommand(CLI::App& parent);
Command AddImportCommand(CLI::App& parent);
Command AddMacroCommand(CLI::App& parent);
Command AddProfileCommand(CLI::App& parent);
Command AddLanguageCommand(CLI::App& parent);

// The whole program; `argv` in UTF-8. Each system's entry point calls it.
int RunOrnyxctl(int argc, char** argv);

}  // namespace ornyx::cli
