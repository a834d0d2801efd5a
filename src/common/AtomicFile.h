#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace ornyx {

// Outcome of a file write. `errorCode` is the errno of the step that failed.
struct WriteResult {
    bool ok = false;
    int errorCode = 0;
    std::string error;  // readable reason, for logs and messages
};

// Writes `data` to `path` so that readers only ever see the old or the new
// content: a temporary file in the same folder is written, flushed to disk and
// renamed over the target. On any failure the old file is left untouched.
WriteResult WriteFileAtomically(const std::filesystem::path& path,
                                std::span<const std::uint8_t> data);

// No text file of the program home comes near this; a larger one is not ours, and
// reading it whole would cost memory and time for nothing.
inline constexpr std::uintmax_t kMaxReadBytes = 16u << 20;

enum class ReadStatus { Ok, NotRegular, TooLarge, Failed };

// Reads a whole regular file of at most `maxBytes`: the size is checked before
// reading, and the read stops there should the file grow meanwhile.
ReadStatus ReadFileBounded(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                           std::uintmax_t maxBytes = kMaxReadBytes);

// "X is larger than 16 MiB" and the like, for a status other than Ok.
std::string ReadStatusText(const std::filesystem::path& path, ReadStatus status,
                           std::uintmax_t maxBytes = kMaxReadBytes);

// ReadFileBounded with the default limit; false when the file cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out);

}  // namespace ornyx
