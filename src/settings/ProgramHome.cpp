#include "settings/ProgramHome.h"

#include <system_error>

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "ornyx-mouse";
constexpr const char* kWindowsFolderName = "Ornyx Mouse";

// An XDG variable that is empty or relative is to be ignored.
fs::path XdgBase(const char* variable, const char* userHome, const fs::path& fallback) {
    if (variable != nullptr && *variable != '\0' && fs::path(variable).is_absolute())
        return variable;
    if (userHome != nullptr && *userHome != '\0') return fs::path(userHome) / fallback;
    return fs::temp_directory_path();
}

}  // namespace

ProgramPaths ProgramPaths::ForHome(const fs::path& home) {
    ProgramPaths p;
    p.home = home;
    p.config = home / "config.bin";
    p.record = home / "record.ini";
    p.text = home / "str.ini";
    p.skins = home / "Skins";
    return p;
}

HomeChoice ChooseProgramHome(const std::optional<fs::path>& explicitHome,
                             const fs::path& executableDir, const char* xdgDataHome,
                             const char* userHome, const char* xdgConfigHome) {
    HomeChoice choice;
    if (explicitHome) {
        choice.home = *explicitHome;
        return choice;
    }
    std::error_code ec;
    if (!executableDir.empty() && fs::is_directory(executableDir / "Skins", ec)) {
        choice.home = executableDir;
        choice.portable = true;
        return choice;
    }
    choice.home = XdgBase(xdgConfigHome, userHome, ".config") / kFolderName;
    choice.dataHome = XdgBase(xdgDataHome, userHome, fs::path(".local") / "share") / kFolderName;
    choice.perUser = true;
    return choice;
}

WindowsHomeChoice ChooseWindowsHome(const std::optional<fs::path>& explicitHome,
                                    const fs::path& executableDir, bool hasSkins, bool writable,
                                    const fs::path& roamingAppData) {
    WindowsHomeChoice choice;
    if (explicitHome) {
        choice.home = *explicitHome;
        return choice;
    }
    if (!executableDir.empty() && hasSkins && writable) {
        choice.home = executableDir;
        choice.portable = true;
        return choice;
    }
    choice.home = roamingAppData / kWindowsFolderName;
    // Looks portable but is not ours to write: say where the settings go, or
    // the user would look for them beside the program.
    if (!executableDir.empty() && hasSkins) {
        choice.notice = executableDir.string() + " cannot be written; the settings are kept in " +
                        choice.home.string();
    }
    return choice;
}

fs::path InstalledDefaultsDir(const fs::path& executableDir) {
    return executableDir.parent_path() / "share" / kFolderName;
}

bool FillHomeFromDefaults(const fs::path& home, const fs::path& defaults, std::string& error) {
    std::error_code ec;
    fs::create_directories(home, ec);
    if (ec) {
        error = "cannot create " + home.string() + ": " + ec.message();
        return false;
    }
    for (const char* name : {"config.bin", "str.ini", "record.ini", "Skins"}) {
        const fs::path from = defaults / name;
        const fs::path to = home / name;
        // Anything at `to`, a dangling link included, is the user's: never copied through.
        if (!fs::exists(from, ec) || fs::exists(fs::symlink_status(to, ec))) continue;
        fs::copy(from, to, fs::copy_options::recursive, ec);
        if (ec) {
            error = "cannot copy " + from.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace ornyx::settings
