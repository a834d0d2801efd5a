#pragma once

// The system calls under the home's lock and journal (settings/HomeLock):
// what is at a name, who owns it, renames, removals and the lock file itself.
// One implementation per system; the rules stay in HomeLock.cpp.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace ornyx::settings::homefiles {

enum class Kind { Missing, Regular, Link, Folder, Pipe, Socket, Device, Unknown };

// What is at `path` itself: a link is not followed. Unknown when it cannot be told.
Kind KindAt(const std::filesystem::path& path);

// The size of the regular file at `path`, 0 when it cannot be told.
std::uintmax_t SizeOf(const std::filesystem::path& path);

// Whether the user running us owns the file at `path` (the only owner there
// is where the system has no owners of files).
bool OwnedByUser(const std::filesystem::path& path);

// 0 when the file at `path` can be opened for reading, else the errno that
// says why not. Never waits (a pipe put there meanwhile cannot stop us).
int OpenForReadingError(const std::filesystem::path& path);

// Renames `from` over `to`; false with the reason in `error`.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error);

// Removes the file at `path`; a file already gone counts as removed.
bool RemoveFile(const std::filesystem::path& path, std::string& error);

// An open lock file: a file descriptor, or a HANDLE's value on Windows.
using LockHandle = std::intptr_t;
inline constexpr LockHandle kNoLock = -1;

enum class OpenResult {
    Opened,
    NotWritable,  // nothing was there and the home cannot be written: no lock is needed
    Failed,       // `why` says what is wrong
};

// Opens (creating it if need be) the lock file `file`, never through a link.
OpenResult OpenLockFile(const std::filesystem::path& file, bool present, LockHandle& handle,
                        std::string& why);
void CloseLockFile(LockHandle handle);

enum class LockMode { Shared, Exclusive };
enum class LockResult { Locked, Busy, Failed };

// Takes the lock without waiting.
LockResult TryLock(LockHandle handle, LockMode mode);
// From exclusive to shared, within `timeout` (others may slip in between).
bool Downgrade(LockHandle handle, std::chrono::milliseconds timeout);
// Lets go of a shared lock taken with TryLock.
void Unlock(LockHandle handle);

}  // namespace ornyx::settings::homefiles
