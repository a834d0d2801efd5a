#pragma once

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::settings {

// config.bin: the first-run flag, then the 1985-byte settings image.
inline constexpr std::size_t kConfigFileSize = 1 + SettingsImage::kSize;

// Fills state.image and state.firstRunFlag from config.bin. A missing file
// shows "Config file is not exist."; a file of any other size than 1986 bytes,
// or one that cannot be read, is ignored silently. The image is left as it
// was in both cases. Does not take the backup; the caller does.
void LoadConfiguration(const ProgramPaths& paths, SettingsState& state, MessageSink& messages,
                       DebugLog& log);

// Writes the flag 1 and the image over an existing config.bin. Never creates
// the file. The write is atomic: a failure leaves the old file as it was and
// shows "Error Code is: %d \n" with caption "NULL ==fp ". Returns true when the
// file was written.
bool SaveConfiguration(const ProgramPaths& paths, const SettingsState& state,
                       MessageSink& messages, DebugLog& log);

}  // namespace ornyx::settings
