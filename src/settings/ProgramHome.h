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
    std::filesystem::path skins;   // Skins/ (for an installed program: the shipped skins)
    // The user's own skins, which win over shipped ones of the same name;
    // empty where the home holds the skins itself (--home, portable).
    std::filesystem::path userSkins;

    static ProgramPaths ForHome(const std::filesystem::path& home);
};

// Where the program home is, in order: an explicit folder (--home); the
// executable's own folder when it holds "Skins" (portable layout, and the
// build tree); else the per-user configuration folder
// $XDG_CONFIG_HOME/ornyx-mouse (~/.config/ornyx-mouse), with the user's
// skins in $XDG_DATA_HOME/ornyx-mouse/Skins.
struct HomeChoice {
    std::filesystem::path home;
    bool portable = false;  // the executable's folder
    bool perUser = false;   // the XDG configuration folder, which may need filling
    // Per user: the data folder, which held the configuration files before
    // they moved to `home`, and holds the user's skins.
    std::filesystem::path dataHome;
};

HomeChoice ChooseProgramHome(const std::optional<std::filesystem::path>& explicitHome,
                             const std::filesystem::path& executableDir, const char* xdgDataHome,
                             const char* userHome, const char* xdgConfigHome = nullptr);

// Where the program home is on Windows, in order: an explicit folder (--home);
// the program's folder when it holds "Skins" and can be written (portable);
// else "Ornyx Mouse" in the roaming application data folder. A program folder
// with skins that cannot be written (under "Program Files") gives a notice
// saying where the settings are kept instead.
struct WindowsHomeChoice {
    std::filesystem::path home;
    bool portable = false;
    std::string notice;
};

WindowsHomeChoice ChooseWindowsHome(const std::optional<std::filesystem::path>& explicitHome,
                                    const std::filesystem::path& executableDir, bool hasSkins,
                                    bool writable, const std::filesystem::path& roamingAppData);

// The running executable's folder (from /proc/self/exe), or empty if unknown.
std::filesystem::path ExecutableDir();

// The installed defaults (config.bin, str.ini, Skins/) for an executable in
// <prefix>/bin: <prefix>/share/ornyx-mouse.
std::filesystem::path InstalledDefaultsDir(const std::filesystem::path& executableDir);

// Creates `home` if needed and copies each default file or folder that it
// lacks from `defaults`. Never overwrites anything. Returns false with a
// reason when the folder cannot be created.
bool FillHomeFromDefaults(const std::filesystem::path& home, const std::filesystem::path& defaults,
                          std::string& error);

// Moves config.bin, str.ini and record.ini from the older per-user folder
// `from` to `to`, once: only while `to` does not exist. The files are gathered
// in a temporary folder beside `to` and renamed into place in one step, so
// that `to` appears complete or not at all; then they leave `from`. Returns
// false with a reason when the move could not be made (nothing is lost then).
bool MoveLegacyConfiguration(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error);

// Resolves the home as above. For the per-user folder, a run that may write
// moves the older folder's files over and fills the folder from the installed
// defaults (not the skins: those are read where they are installed); a
// read-only run (`forWriting` false) creates and copies nothing and reads
// each missing file from the older folder or the installed defaults instead.
ProgramPaths ResolveProgramPaths(const std::optional<std::filesystem::path>& explicitHome,
                                 std::string* warning = nullptr, bool forWriting = true);

}  // namespace ornyx::settings
