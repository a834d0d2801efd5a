#pragma once

// The program home's files (config.bin, the button labels of str.ini,
// record.ini) read as one profile, and replaced by one.

#include <optional>
#include <string>
#include <vector>

#include "macros/MacroStore.h"
#include "session/ProfileJson.h"
#include "session/Session.h"
#include "settings/HomeLock.h"

namespace ornyx::profiles {

// The home's current settings as a profile. The session has loaded config.bin
// (ConfigStatus::Loaded) under the home's lock. What record.ini holds that a
// profile cannot carry is left in `record` for the caller to tell. nullopt,
// with the reason, when a file cannot be read or a macro would not come back
// as it is.
std::optional<session::Profile> ReadHomeProfile(session::Session& session,
                                                macros::MacroExport& record, std::string& error);

// Why `profile`'s macros cannot be stored as they are ("macros[2].items: ..."),
// empty when they can.
std::string MacroProblem(const session::Profile& profile);

// Replaces config.bin, the labels (in the language str.ini names) and
// record.ini by `profile`, together with `extra` (other files of the home's
// journal), in one journaled replacement: a kill leaves the old files or the
// new ones, never a mix. Nothing is changed when a file in the way cannot be
// read (a config.bin that is not a settings file may be the user's only
// copy). The caller holds the home's exclusive lock. The session's texts are
// reloaded from str.ini on the way.
bool WriteHomeProfile(session::Session& session, const session::Profile& profile,
                      const std::vector<settings::PlannedWrite>& extra, std::string& error);

// The same settings: image, labels and macros (not the first-run flag).
bool SameSettings(const session::Profile& a, const session::Profile& b);

}  // namespace ornyx::profiles
