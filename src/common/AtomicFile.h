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

// Reads a whole file; nullopt-like: returns false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out);

}  // namespace ornyx
