#pragma once

// Pointer settings of GNOME sessions (and the desktops that share GNOME's
// settings), through GSettings: org.gnome.desktop.peripherals.mouse. Its keys
// "speed", "accel-profile" and "double-click" carry the pointer speed, the
// enhanced precision and the double-click time; wheel scroll lines have no
// key there. The translation is documented in performance/PointerSettings.h.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "performance/PointerSettings.h"

namespace ornyx::performance::gnome {

inline constexpr std::string_view kMouseSchema = "org.gnome.desktop.peripherals.mouse";

struct GnomeSettingsOptions {
    std::string schemaId{kMouseSchema};
    // Empty: the installed schemas. Otherwise a folder with compiled schemas,
    // searched before the installed ones.
    std::filesystem::path schemaDir;
    // Empty: the desktop's own store (dconf, or whatever GSETTINGS_BACKEND
    // names). Otherwise this key file, for tests and trials.
    std::filesystem::path keyfile;
};

// Null when the schema is not installed or has none of the three keys with the
// types above; a key that is missing or of another type is an option the
// desktop does not have. Never aborts on a machine without GNOME.
std::unique_ptr<PointerSettings> CreateGnomePointerSettings(
    const GnomeSettingsOptions& options = {});

// Whether the session keeps its pointer options in GNOME's settings, from
// XDG_CURRENT_DESKTOP (a colon-separated list) and GSETTINGS_BACKEND (a store
// named explicitly is used whatever the desktop). Either may be null.
bool SessionUsesGnomeSettings(const char* currentDesktop, const char* gsettingsBackend);

// The pointer settings of this session: GNOME's where the session uses them
// and their schema is installed, otherwise NoDesktopPointerSettings.
std::unique_ptr<PointerSettings> CreateDesktopPointerSettings();

}  // namespace ornyx::performance::gnome
