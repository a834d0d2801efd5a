#include "settings/ProgramHome.h"

#include <cstdlib>
#include <system_error>

namespace ornyx::settings {

namespace fs = std::filesystem;

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
                             const char* userHome) {
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
    // An XDG variable that is empty or relative is to be ignored.
    fs::path base;
    if (xdgDataHome != nullptr && *xdgDataHome != '\0' && fs::path(xdgDataHome).is_absolute()) {
        base = xdgDataHome;
    } else if (userHome != nullptr && *userHome != '\0') {
        base = fs::path(userHome) / ".local" / "share";
    } else {
        base = fs::temp_directory_path();
    }
    choice.home = base / "ornyx-mouse";
    choice.perUser = true;
    return choice;
}

fs::path ExecutableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

fs::path InstalledDefaultsDir(const fs::path& executableDir) {
    return executableDir.parent_path() / "share" / "ornyx-mouse";
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
        if (!fs::exists(from, ec) || fs::exists(to, ec)) continue;
        fs::copy(from, to, fs::copy_options::recursive, ec);
        if (ec) {
            error = "cannot copy " + from.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

ProgramPaths ResolveProgramPaths(const std::optional<fs::path>& explicitHome,
                                 std::string* warning) {
    const fs::path exeDir = ExecutableDir();
    const HomeChoice choice =
        ChooseProgramHome(explicitHome, exeDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (choice.perUser) {
        std::string error;
        if (!FillHomeFromDefaults(choice.home, InstalledDefaultsDir(exeDir), error) && warning) {
            *warning = error;
        }
    }
    return ProgramPaths::ForHome(choice.home);
}

}  // namespace ornyx::settings
