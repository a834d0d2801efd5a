#pragma once

#include <cstdint>
#include <string_view>

#include "common/AtomicFile.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::session {

// The skin a fresh installation uses, and its text colour.
inline constexpr std::string_view kDefaultSkinName = "Obsidian";
inline constexpr std::uint8_t kDefaultTextRed = 0xE6;
inline constexpr std::uint8_t kDefaultTextGreen = 0xE8;
inline constexpr std::uint8_t kDefaultTextBlue = 0xEC;

// A ready-to-use image: the default key assignment in both modes, 1000 Hz,
// four DPI levels on at distinct steps with distinct colours, lighting
// "Standard" at full brightness, pointer options at their defaults.
settings::SettingsImage DefaultSettingsImage();

// Writes a new config.bin at `config` with the default image and first-run
// flag 0, atomically.
WriteResult WriteDefaultConfiguration(const std::filesystem::path& config);

// What InitProgramHome did with each file.
struct InitResult {
    bool wroteConfig = false;
    bool wroteText = false;
    bool repairedText = false;  // str.ini was there but lacked some keys
    WriteResult failure;        // ok when nothing failed
};

// Makes `paths.home` ready to use: creates the folder, a default config.bin
// (first-run flag 0) and a str.ini with language English, the default skin
// and its text colour. Never overwrites an existing config.bin; adds to an
// existing str.ini only the keys it lacks.
InitResult InitProgramHome(const settings::ProgramPaths& paths);

}  // namespace ornyx::session
