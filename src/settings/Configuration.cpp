#include "settings/Configuration.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>

#include "common/AtomicFile.h"

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {
constexpr const char* kNoConfigFile = "Config file is not exist.";
}

void LoadConfiguration(const ProgramPaths& paths, SettingsState& state, MessageSink& messages,
                       DebugLog& log) {
    std::error_code ec;
    if (!fs::exists(paths.config, ec)) {
        messages.ShowMessage(kNoConfigFile);
        return;
    }
    // Only a regular file of exactly the right size is taken; anything else
    // (wrong size, a folder, unreadable) leaves the image as it is.
    if (!fs::is_regular_file(paths.config, ec)) return;
    const auto size = fs::file_size(paths.config, ec);
    if (ec || size != kConfigFileSize) return;

    std::ifstream in(paths.config, std::ios::binary);
    if (!in) return;
    std::array<char, kConfigFileSize> buffer{};
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) return;
    state.firstRunFlag = static_cast<std::uint8_t>(buffer[0]);
    // A file that shrank after the size test: the bytes read are used, the
    // rest of the image keeps its contents.
    const std::size_t imageBytes = std::min(got - 1, SettingsImage::kSize);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(buffer.data()) + 1, imageBytes,
                state.image.bytes.begin());
    log.Write(Format("Prpgram First Run Flag:%d\nRead Size is: %d", state.firstRunFlag,
                     static_cast<int>(imageBytes)));
}

bool SaveConfiguration(const ProgramPaths& paths, const SettingsState& state,
                       MessageSink& messages, DebugLog& log) {
    std::error_code ec;
    if (!fs::exists(paths.config, ec)) {
        messages.ShowMessage(kNoConfigFile);
        return false;
    }
    std::array<std::uint8_t, kConfigFileSize> data{};
    data[0] = 1;
    std::copy(state.image.bytes.begin(), state.image.bytes.end(), data.begin() + 1);
    const WriteResult result = WriteFileAtomically(paths.config, data);
    if (!result.ok) {
        log.Write(result.error);
        messages.ShowMessage(Format("Error Code is: %d \n", result.errorCode), "NULL ==fp ");
        return false;
    }
    log.Write(Format("Data num:%d BYTE -%d BYTE\n Struct size:%d BYTE", 1,
                     static_cast<int>(SettingsImage::kSize), static_cast<int>(SettingsImage::kSize)));
    return true;
}

}  // namespace ornyx::settings
