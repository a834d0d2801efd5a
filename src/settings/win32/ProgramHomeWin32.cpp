#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "settings/ProgramHome.h"

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {

// Whether a new file can be made in `dir`: a program folder under
// "Program Files" holds the skins but is not the user's to write.
bool CanWriteIn(const fs::path& dir) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const fs::path probe =
            dir / (L".ornyx-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(attempt));
        const HANDLE h =
            ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// %APPDATA% as the user may have moved it; else where the system keeps it,
// never the temporary folder, whose contents the system may clear.
fs::path RoamingAppData() {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    if (appData != nullptr && *appData != L'\0' && fs::path(appData).is_absolute()) {
        return fs::path(appData);
    }
    PWSTR known = nullptr;
    fs::path folder;
    if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK) {
        folder = known;
    }
    ::CoTaskMemFree(known);
    return folder.empty() ? fs::temp_directory_path() : folder;
}

}  // namespace

fs::path ExecutableDir() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            return fs::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

bool MoveLegacyConfiguration(const fs::path&, const fs::path&, std::string&) {
    return true;  // no earlier per-user folder on Windows
}

ProgramPaths ResolveProgramPaths(const std::optional<fs::path>& explicitHome, std::string* warning,
                                 bool forWriting) {
    if (explicitHome) return ProgramPaths::ForHome(*explicitHome);
    const fs::path exeDir = ExecutableDir();
    std::error_code ec;
    const bool hasSkins = !exeDir.empty() && fs::is_directory(exeDir / "Skins", ec);
    const WindowsHomeChoice choice = ChooseWindowsHome(
        explicitHome, exeDir, hasSkins, hasSkins && CanWriteIn(exeDir), RoamingAppData());
    if (choice.portable) return ProgramPaths::ForHome(exeDir);
    if (warning && !choice.notice.empty()) *warning = choice.notice;
    // Installed: the settings per user, the shipped skins and defaults beside the program.
    const fs::path& home = choice.home;
    ProgramPaths paths = ProgramPaths::ForHome(home);
    paths.skins = exeDir / "Skins";
    paths.userSkins = home / "Skins";
    if (forWriting) {
        fs::create_directories(home, ec);
        if (ec && warning) *warning = "cannot create " + home.string() + ": " + ec.message();
        // The files the program only overwrites are made from the defaults.
        for (const char* name : {"config.bin", "str.ini"}) {
            if (fs::exists(home / name, ec) || !fs::is_regular_file(exeDir / name, ec)) continue;
            fs::copy_file(exeDir / name, home / name, ec);
            if (ec && warning)
                *warning = "cannot copy " + (exeDir / name).string() + ": " + ec.message();
        }
        return paths;
    }
    // Read-only: each missing file from the defaults, without creating anything.
    for (fs::path* file : {&paths.config, &paths.text}) {
        if (!fs::exists(*file, ec) && fs::is_regular_file(exeDir / file->filename(), ec)) {
            *file = exeDir / file->filename();
        }
    }
    return paths;
}

}  // namespace ornyx::settings
