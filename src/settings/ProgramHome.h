#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ornyx::settings {

// The folder holding config.bin, record.ini, str.ini and Skins/, and the paths in it.
struct ProgramPaths {
    std::filesystem::path home;
    std::filesystem::path config;  // config.bin
    std::filesystem::path record;  // record.ini
    std::filesystem::path text;    // str.ini
    std::filesystem::path skins;   // Skins/

    static ProgramPaths ForHome(const std::filesystem::path& home);
};

// Where the program home is, in order: an explicit folder (--home); the
// executable's own folder when it holds "Skins" (portable layout, and the
// build tree); else $XDG_DATA_HOME/ornyx-mouse (~/.local/share/ornyx-mouse).
struct HomeChoice {
    std::filesystem::path home;
    bool portable = false;  // the executable's folder
    bool perUser = false;   // the XDG data folder, which may need filling
};

HomeChoice ChooseProgramHome(const std::optional<std::filesystem::path>& explicitHome,
                             const std::filesystem::path& executableDir,
                             const char* xdgDataHome, const char* userHome);

// The running executable's folder (from /proc/self/exe), or empty if unknown.
std::filesystem::path ExecutableDir();

// The installed defaults (config.bin, str.ini, Skins/) for an executable in
// <prefix>/bin: <prefix>/share/ornyx-mouse.
std::filesystem::path InstalledDefaultsDir(const std::filesystem::path& executableDir);

// Creates `home` if needed and copies each default file or folder that it
// lacks from `defaults`. Never overwrites anything. Returns false with a
// reason when the folder cannot be created.
bool FillHomeFromDefaults(const std::filesystem::path& home,
                          const std::filesystem::path& defaults, std::string& error);

// Resolves the home as above and, for the per-user folder, fills it.
ProgramPaths ResolveProgramPaths(const std::optional<std::filesystem::path>& explicitHome,
                                 std::string* warning = nullptr);

}  // namespace ornyx::settings
