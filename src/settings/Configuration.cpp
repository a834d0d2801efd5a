#include "settings/Configuration.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "common/AtomicFile.h"
#include "common/Utf8.h"
#include "settings/HomeFiles.h"

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {
constexpr const char* kNoConfigFile = kNoConfigFileText;
}

ConfigStatus ProbeConfiguration(const fs::path& config) {
    std::error_code ec;
    if (!fs::exists(config, ec)) return ConfigStatus::Missing;
    if (!fs::is_regular_file(config, ec)) return ConfigStatus::Unusable;
    const auto size = fs::file_size(config, ec);
    if (ec || size != kConfigFileSize) return ConfigStatus::Unusable;
    // Readable, not only there: an unreadable file cannot be loaded either.
    std::ifstream probe(config, std::ios::binary);
    return probe.is_open() ? ConfigStatus::Loaded : ConfigStatus::Unusable;
}

std::string CannotOpenReason(int error) {
    if (error == EACCES || error == EPERM) {
        return "you may not read it (permission denied); check its owner and mode, or run as "
               "the user it belongs to";
    }
    return "it cannot be opened: " + std::generic_category().message(error);
}

std::string UnusableConfigurationReason(const fs::path& config) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(config, ec);
    if (!fs::exists(link)) return "there is no such file";
    const fs::file_status target = fs::status(config, ec);
    if (ec) {
        if (ec == std::errc::too_many_symbolic_link_levels) return "its links go round in a loop";
        if (!fs::exists(target) && fs::is_symlink(link)) return "it is a link to nothing";
        return "it cannot be looked at: " + ec.message();
    }
    if (!fs::exists(target)) return "it is a link to nothing";
    if (fs::is_directory(target)) return "it is a folder, not a file";
    if (!fs::is_regular_file(target)) return "it is not a regular file (a device, pipe or socket)";
    const auto size = fs::file_size(config, ec);
    if (ec) return "its size cannot be read: " + ec.message();
    if (size != kConfigFileSize) {
        return "it holds " + std::to_string(size) + " bytes; a settings file holds " +
               std::to_string(kConfigFileSize);
    }
    if (const int error = homefiles::OpenForReadingError(config); error != 0)
        return CannotOpenReason(error);
    return {};
}

ConfigStatus LoadConfiguration(const ProgramPaths& paths, SettingsState& state,
                               MessageSink& messages, DebugLog& log) {
    std::error_code ec;
    if (!fs::exists(paths.config, ec)) {
        messages.ShowMessage(kNoConfigFile);
        return ConfigStatus::Missing;
    }
    // Only a regular file of exactly the right size is taken; anything else
    // (wrong size, a folder, unreadable) leaves the image as it is.
    if (!fs::is_regular_file(paths.config, ec)) return ConfigStatus::Unusable;
    const auto size = fs::file_size(paths.config, ec);
    if (ec || size != kConfigFileSize) return ConfigStatus::Unusable;

    std::ifstream in(paths.config, std::ios::binary);
    if (!in) return ConfigStatus::Unusable;
    std::array<char, kConfigFileSize> buffer{};
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) return ConfigStatus::Unusable;
    state.firstRunFlag = static_cast<std::uint8_t>(buffer[0]);
    // A file that shrank after the size test: the bytes read are used, the
    // rest of the image keeps its contents.
    const std::size_t imageBytes = std::min(got - 1, SettingsImage::kSize);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(buffer.data()) + 1, imageBytes,
                state.image.bytes.begin());
    log.Write(Format("Prpgram First Run Flag:%d\nRead Size is: %d", state.firstRunFlag,
                     static_cast<int>(imageBytes)));
    return got == kConfigFileSize ? ConfigStatus::Loaded : ConfigStatus::Unusable;
}

fs::path SetAsideConfiguration(const ProgramPaths& paths, std::string& error) {
    const std::string base = paths.config.string() + ".bad";
    for (int n = 0; n < 1000; ++n) {
        fs::path to = utf8::ToPath(n == 0 ? base : base + "." + std::to_string(n));
        // Never over an earlier one: that is the user's file too.
        std::string why;
        const RenameStatus renamed = RenameNoReplace(paths.config, to, why);
        if (renamed == RenameStatus::Done) return to;
        if (renamed == RenameStatus::Exists) continue;
        if (renamed == RenameStatus::Failed) {
            error = "cannot move " + paths.config.string() + " aside: " + why;
            return {};
        }
        // A file system without no-replace renames.
        std::error_code ec;
        if (fs::exists(fs::symlink_status(to, ec))) continue;
        fs::rename(paths.config, to, ec);
        if (!ec) return to;
        error = "cannot move " + paths.config.string() + " aside: " + ec.message();
        return {};
    }
    error = "cannot move " + paths.config.string() + " aside: too many earlier copies";
    return {};
}

bool SaveConfiguration(const ProgramPaths& paths, const SettingsState& state, MessageSink& messages,
                       DebugLog& log) {
    std::error_code ec;
    if (!fs::exists(paths.config, ec)) {
        messages.ShowMessage(kNoConfigFile);
        return false;
    }
    fs::path kept;
    if (ProbeConfiguration(paths.config) == ConfigStatus::Unusable) {
        // It could not be loaded, so the image is not its content: keep it.
        std::string error;
        kept = SetAsideConfiguration(paths, error);
        if (kept.empty()) {
            log.Write(error);
            messages.ShowMessage(paths.config.string() +
                                 " could not be read and was not replaced: " + error);
            return false;
        }
    }
    std::array<std::uint8_t, kConfigFileSize> data{};
    data[0] = 1;
    std::copy(state.image.bytes.begin(), state.image.bytes.end(), data.begin() + 1);
    const WriteResult result = WriteFileAtomically(paths.config, data);
    // Told only once the new file is there (or could not be written): a
    // program ended at the message must not leave the home without one.
    if (!kept.empty()) {
        messages.ShowMessage(paths.config.string() + " could not be read; it was kept as " +
                             kept.filename().string() +
                             (result.ok ? " and the settings were saved anew." : "."));
    }
    if (!result.ok) {
        log.Write(result.error);
        messages.ShowMessage(Format("Error Code is: %d \n", result.errorCode), "NULL ==fp ");
        return false;
    }
    log.Write(Format("Data num:%d BYTE -%d BYTE\n Struct size:%d BYTE", 1,
                     static_cast<int>(SettingsImage::kSize),
                     static_cast<int>(SettingsImage::kSize)));
    return true;
}

}  // namespace ornyx::settings
