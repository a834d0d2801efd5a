#pragma once

// Switching the program home (and the mouse, when present) to a named profile.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/ProfileStore.h"
#include "session/Session.h"

namespace ornyx::profiles {

struct SwitchReport {
    enum class Outcome {
        Refused,        // nothing was changed: `error` says why
        AlreadyActive,  // the profile is active, unmodified and was sent: nothing was done
        Switched,       // the files hold the profile; see `apply`
    };
    Outcome outcome = Outcome::Refused;
    std::string error;
    std::string name;  // the display name the profile gives itself
    // Whether a mouse was found; when it was, what its apply did.
    bool mousePresent = false;
    session::ApplyReport apply;
    // The apply reached the mouse, but the note that it did could not be kept:
    // the next switch to this profile sends it again.
    std::string noteError;
};

// Whether the home's files differ from the active profile's: nullopt when
// no profile is active, or it or the files cannot be read. The caller holds
// the home's lock and has loaded the settings.
std::optional<bool> ActiveModified(session::Session& session, const ProfileStore& store,
                                   const ActiveProfile& active);

// One journaled replacement of the home's files (with the active-profile note)
// by the profile `name`, then, when `openMouse` finds a mouse, one apply. The
// profile that is active, unmodified and already sent is not written or sent
// again. The caller holds the home's exclusive lock; the session's settings
// are reloaded from the new files.
SwitchReport SwitchProfile(session::Session& session, const ProfileStore& store,
                           std::string_view name, const std::function<bool()>& openMouse,
                           const session::ApplyOptions& options = {});

}  // namespace ornyx::profiles
