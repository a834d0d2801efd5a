#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornyx {

// Outcome of a file write. `errorCode` is the errno of the step that failed.
struct WriteResult {
    bool ok = false;
    int errorCode = 0;
    std::string error;  // readable reason, for logs and messages
};

// What a write does with a symlink at the path it writes.
enum class LinkHandling {
    WriteThrough,  // the user's own files: the link's final target is replaced, the link stays
    ReplaceLink,   // the program's own bookkeeping: the link itself is replaced, never followed
};

// Writes `data` to `path` so that readers only ever see the old or the new
// content: a temporary file in the same folder is written, flushed to disk and
// renamed over the target. On any failure the old file is left untouched.
// Anything but a regular file or a symlink (device, FIFO, socket, folder) is
// refused. A new file gets 0666 less the umask; a replaced one keeps its mode.
WriteResult WriteFileAtomically(const std::filesystem::path& path,
                                std::span<const std::uint8_t> data,
                                LinkHandling links = LinkHandling::WriteThrough);

// The file a write to `path` really replaces: symlinks followed to their end
// (relative links against their own folder). nullopt, with the reason in
// `failure`, when that is not a regular file or the links go round in a loop.
std::optional<std::filesystem::path> ResolveWriteTarget(const std::filesystem::path& path,
                                                        WriteResult& failure);

// Whether `entry` is one of our temporary files for a file named `name`:
// "." + name + ".ornyx-" + six letters or digits; with `nested`, also such a
// name's own temporary file (a save into a file staged for a replacement).
// The marker keeps a person's ".config.bin.backup" from ever looking like ours.
bool IsTemporaryFor(std::string_view entry, std::string_view name, bool nested = true);

// A fresh name of ours for a temporary file for `name` in `dir` (one that
// IsTemporaryFor recognises), chosen at random; nothing is created.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& dir, std::string_view name);

// Removes the temporary files for `name` in `dir` that are provably left by a
// killed writer of ours: our exact name, a regular file of this user, and no
// lock on it (a writer holds one until it renames the file; a killed one holds
// nothing). Returns how many were removed.
std::size_t RemoveStaleTemporaries(const std::filesystem::path& dir, std::string_view name);

// The check and removal of one such file, whose name was found to be ours;
// true when it was removed. One per system.
bool RemoveIfStaleTemporary(const std::filesystem::path& file);

// The entries of `dir` (files and folders, without "." and ".."), as paths
// under `dir`; none when it cannot be listed. One per system: folder paths of
// any length are listed themselves.
std::vector<std::filesystem::path> FolderEntries(const std::filesystem::path& dir);

// A fresh temporary name beside `target` (in the folder of the path as given,
// not of a link's target) holding a copy of `target`'s content and mode, or
// nothing when it does not exist or `copyContent` is false. A target larger
// than kMaxReadBytes is refused before anything is copied. The caller renames
// or removes it. Used to prepare several replacements that become visible
// together.
std::optional<std::filesystem::path> CopyToTemporary(const std::filesystem::path& target,
                                                     WriteResult& failure, bool copyContent = true);

// Flushes a folder's entries (after a rename or unlink) to disk.
void SyncFolder(const std::filesystem::path& dir);

// Renames `from` to `to` only when nothing is at `to`. Unsupported: the file
// system cannot rename without replacing (the caller decides what is safe);
// Failed: `error` says why.
enum class RenameStatus { Done, Exists, Unsupported, Failed };
RenameStatus RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error);

// Opens `path` for writing bytes as they are (created, or emptied), for a
// file written as it goes rather than replaced whole (a trace); nullptr with
// errno set when it cannot be.
std::FILE* OpenForWriting(const std::filesystem::path& path);

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
