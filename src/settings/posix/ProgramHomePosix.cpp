#include <stdlib.h>

#include <cstdlib>
#include <system_error>

#include "settings/ProgramHome.h"

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {

constexpr const char* kConfigurationFiles[] = {"config.bin", "str.ini", "record.ini"};

}  // namespace

fs::path ExecutableDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
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
