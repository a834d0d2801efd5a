#pragma once

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::settings {

// config.bin: the first-run flag, then the 1985-byte settings image.
inline constexpr std::size_t kConfigFileSize = 1 + SettingsImage::kSize;

// What was found at the configuration path.
enum class ConfigStatus {
    Loaded,    // a readable regular file of 1986 bytes
    Missing,   // nothing there
    Unusable,  // something else: wrong size, unreadable, a folder, a device
};

// Fills state.image and state.firstRunFlag from config.bin. A missing file
// shows "Config file is not exist."; a file of any other size than 1986 bytes,
// or one that cannot be read, is ignored silently. The image is left as it
// was in both cases. Does not take the backup; the caller does. The result
// lets a caller refuse to save over a file it could not load.
ConfigStatus LoadConfiguration(const ProgramPaths& paths, SettingsState& state,
                               MessageSink& messages, DebugLog& log);

// What LoadConfiguration would find at `config`, without reading it whole.
ConfigStatus ProbeConfiguration(const std::filesystem::path& config);

// The message LoadConfiguration shows for a missing file.
inline constexpr const char* kNoConfigFileText = "Config file is not exist.";

// Why what is at `config` cannot be loaded, for a message: "it is a folder",
// "it holds 1987 bytes; a settings file holds 1986", "you may not read it
// (permission denied)...". Empty when it can be loaded.
std::string UnusableConfigurationReason(const std::filesystem::path& config);
// The reason for a file whose opening failed with `error` (an errno).
std::string CannotOpenReason(int error);

// Moves an unusable config.bin aside, to "config.bin.bad" or, when that is
// taken, "config.bin.bad.1", ".2"... so that earlier ones are kept. Returns the
// new name, or empty (with the reason in `error`) when it could not be moved.
std::filesystem::path SetAsideConfiguration(const ProgramPaths& paths, std::string& error);

// Writes the flag 1 and the image over an existing config.bin. Never creates
// the file. The write is atomic: a failure leaves the old file as it was and
// shows "Error Code is: %d \n" with caption "NULL ==fp ". A file there that
// could not be loaded is first set aside (SetAsideConfiguration) and the user
// told where it went, so that it is never lost. Returns true when the file was
// written.
bool SaveConfiguration(const ProgramPaths& paths, const SettingsState& state, MessageSink& messages,
                       DebugLog& log);

}  // namespace ornyx::settings
