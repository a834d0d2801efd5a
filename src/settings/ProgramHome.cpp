#include "settings/ProgramHome.h"

#include <stdlib.h>

#include <cstdlib>
#include <system_error>

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "ornyx-mouse";
constexpr const char* kConfigurationFiles[] = {"config.bin", "str.ini", "record.ini"};

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

fs::path ExecutableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
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

bool MoveLegacyConfiguration(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) return true;  // moved before, or a fresh folder
    bool any = false;
    for (const char* name : kConfigurationFiles) any = any || fs::is_regular_file(from / name, ec);
    if (!any) return true;

    fs::create_directories(to.parent_path(), ec);
    if (ec) {
        error = "cannot create " + to.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::string pattern =
        (to.parent_path() / ("." + to.filename().string() + ".moving-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a folder beside " + to.string();
        return false;
    }
    const fs::path staging = pattern;
    for (const char* name : kConfigurationFiles) {
        if (!fs::is_regular_file(from / name, ec)) continue;
        fs::copy_file(from / name, staging / name, ec);
        if (ec) {
            error = "cannot copy " + (from / name).string() + ": " + ec.message();
            fs::remove_all(staging, ec);
            return false;
        }
    }
    fs::rename(staging, to, ec);
    if (ec) {
        // Another start got there first; its folder stands.
        const bool raced = fs::exists(to);
        error = raced ? std::string()
                      : "cannot move the settings to " + to.string() + ": " + ec.message();
        fs::remove_all(staging, ec);
        return raced;
    }
    // Only once the new folder stands do the old files go.
    for (const char* name : kConfigurationFiles) fs::remove(from / name, ec);
    return true;
}

ProgramPaths ResolveProgramPaths(const std::optional<fs::path>& explicitHome, std::string* warning,
                                 bool forWriting) {
    const fs::path exeDir = ExecutableDir();
    const HomeChoice choice =
        ChooseProgramHome(explicitHome, exeDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                          std::getenv("XDG_CONFIG_HOME"));
    ProgramPaths paths = ProgramPaths::ForHome(choice.home);
    if (!choice.perUser) return paths;

    const fs::path defaults = InstalledDefaultsDir(exeDir);
    paths.skins = defaults / "Skins";
    paths.userSkins = choice.dataHome / "Skins";
    std::error_code ec;
    if (forWriting) {
        std::string error;
        if (!MoveLegacyConfiguration(choice.dataHome, choice.home, error) && warning)
            *warning = error;
        fs::create_directories(choice.home, ec);
        if (ec && warning) *warning = "cannot create " + choice.home.string() + ": " + ec.message();
        // The files the program only overwrites are made from the defaults.
        for (const char* name : {"config.bin", "str.ini"}) {
            if (fs::exists(choice.home / name, ec) || !fs::is_regular_file(defaults / name, ec))
                continue;
            fs::copy_file(defaults / name, choice.home / name, ec);
            if (ec && warning)
                *warning = "cannot copy " + (defaults / name).string() + ": " + ec.message();
        }
        return paths;
    }
    // Read-only: each file from where it is now, without creating anything.
    const auto locate = [&](fs::path& file, bool hasDefault) {
        if (fs::exists(file, ec)) return;
        const fs::path name = file.filename();
        if (fs::is_regular_file(choice.dataHome / name, ec)) {
            file = choice.dataHome / name;
        } else if (hasDefault && fs::is_regular_file(defaults / name, ec)) {
            file = defaults / name;
        }
    };
    locate(paths.config, true);
    locate(paths.text, true);
    locate(paths.record, false);
    return paths;
}

}  // namespace ornyx::settings
