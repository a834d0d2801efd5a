#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "common/DebugLog.h"

namespace ornyx::settings {

// The lock file and the pending-replacement journal inside the program home.
inline constexpr const char* kLockFileName = ".ornyx-mouse.lock";
inline constexpr const char* kJournalFileName = ".ornyx-mouse.journal";

// One writer at a time in a program home: an flock on a lock file inside it,
// shared by readers, exclusive for a read-modify-write. Whoever takes it first
// finishes a replacement a killed writer left half done and removes the
// temporary files killed writers left behind. Released when destroyed (and by
// the system when the process dies).
class HomeLock {
public:
    enum class Mode { Shared, Exclusive };

    HomeLock() = default;
    ~HomeLock();
    HomeLock(HomeLock&& other) noexcept;
    HomeLock& operator=(HomeLock&& other) noexcept;
    HomeLock(const HomeLock&) = delete;
    HomeLock& operator=(const HomeLock&) = delete;

    // Waits up to `timeout` for the lock. A home that does not exist or where the
    // lock file cannot be made (read-only) is used without a lock: nothing can
    // be written there anyway. False, with a message in `error`, only when
    // another process keeps the lock for longer than `timeout`.
    bool Acquire(const std::filesystem::path& home, Mode mode, std::chrono::milliseconds timeout,
                 std::string& error, DebugLog* log = nullptr);
    void Release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// How long a command waits for another writer before it gives up.
inline constexpr std::chrono::milliseconds kHomeLockTimeout{10000};

// One file of a replacement that must happen together with others.
struct PlannedWrite {
    std::filesystem::path target;
    // Writes the new content to the path given (a temporary name beside the
    // target). When `keepOld` is set, that file starts as a copy of the target
    // (missing if the target is), so that a read-modify-write keeps the rest.
    std::function<WriteResult(const std::filesystem::path&)> write;
    bool keepOld = false;
};

// Replaces every target together: all new contents are written first; then a
// journal naming them is written in `home`; then they are renamed into place
// and the journal is removed. A process killed after the journal is written is
// completed by RecoverJournal; one killed before leaves only stale temporary
// files. On a failure before the journal nothing is changed.
// The caller holds the home's exclusive lock.
WriteResult ReplaceTogether(const std::filesystem::path& home,
                            const std::vector<PlannedWrite>& writes);

// Completes a replacement recorded in `home`'s journal, if any; true when one
// was found. The caller holds the exclusive lock.
bool RecoverJournal(const std::filesystem::path& home, DebugLog* log = nullptr);

}  // namespace ornyx::settings
