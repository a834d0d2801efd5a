#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "i18n/TextSettings.h"
#include "settings/SettingsImage.h"

namespace ornyx::session {

// One macro of record.ini as a profile carries it.
struct ProfileMacro {
    std::string name;
    std::string loopTimes;
    std::vector<std::string> items;
    bool operator==(const ProfileMacro&) const = default;
};

// Everything a profile holds: the settings image (with the first-run flag),
// the button labels of the current language and the macros.
struct Profile {
    std::uint8_t firstRunFlag = 0;
    settings::SettingsImage image;
    i18n::ButtonLabels labels;
    std::vector<ProfileMacro> macros;
};

inline constexpr int kProfileVersion = 1;
inline constexpr const char* kProfileFormat = "ornyx-mouse-profile";

// A readable, versioned JSON document: buttons by function name with their
// parameters and labels, DPI levels with DPI values and #rrggbb colours,
// report rate in Hz, lighting by names, pointer options, macros, and the
// bytes no field names (reserved bytes, packed macro slots) as hex, so that
// importing it reproduces every byte.
nlohmann::ordered_json ExportProfile(const Profile& profile);

// A profile's text as JSON. Refused, with the reason in `error`, when it is not
// JSON or when one object gives a key twice, which would otherwise read as its
// last copy: the key is named by its path ("buttons.A[2].label: ...").
std::optional<nlohmann::json> ParseProfile(std::span<const std::uint8_t> text, std::string& error);

// Reads a profile back. Buttons are placed by their "button" number, which
// must name each of the twelve once. Every field is checked; the first wrong one is named
// in `error` (e.g. "dpi.levels[2].colour: ...") and nothing is returned.
std::optional<Profile> ImportProfile(const nlohmann::json& document, std::string& error);

}  // namespace ornyx::session
