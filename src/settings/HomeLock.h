#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/AtomicFile.h"
#include "common/DebugLog.h"

namespace ornyx::settings {

// The lock file and the pending-replacement journal inside the program home.
inline constexpr const char* kLockFileName = ".ornyx-mouse.lock";
inline constexpr const char* kJournalFileName = ".ornyx-mouse.journal";
// Which named profile the home's files hold; replaced together with them.
inline constexpr const char* kActiveProfileFileName = "active-profile";

// One writer at a time in a program home: a lock on a lock file inside it,
// shared by readers, exclusive for a read-modify-write. Whoever takes it first
// finishes a replacement a killed writer left half done and removes the
// temporary files killed writers left behind. Released when destroyed (and by
// the system when the process dies). What the user should hear of (a journal
// that was not followed, a reader that had no lock) is in notices().
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
    // be written there anyway. A lock file that cannot be locked (a link, a
    // socket, ...) stops a writer and is reported to a reader, who goes on
    // without. False, with a message in `error`, when a writer has no lock or
    // another process keeps the lock for longer than `timeout`.
    bool Acquire(const std::filesystem::path& home, Mode mode, std::chrono::milliseconds timeout,
                 std::string& error, DebugLog* log = nullptr);
    void Release();
    bool held() const { return lock_ != -1; }
    const std::vector<std::string>& notices() const { return notices_; }

private:
    std::intptr_t lock_ = -1;  // homefiles::LockHandle
    std::vector<std::string> notices_;
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

// Replaces every target together: all new contents are written first, each to
// a temporary file beside its name in `home`; then a journal naming them is
// written in `home`; then they are put in place and the journal is removed. A
// process killed after the journal is written is completed by RecoverJournal;
// one killed before leaves only stale temporary files. On a failure before the
// journal nothing is changed. Targets are config.bin, str.ini, record.ini and
// active-profile of `home` (as `home / name`), each at most once; a target that
// is a link is written through. The caller holds the home's exclusive lock.
WriteResult ReplaceTogether(const std::filesystem::path& home,
                            const std::vector<PlannedWrite>& writes);

// One step of a journal: a temporary file and the name it replaces, both bare
// names in the journal's own folder.
struct JournalEntry {
    std::string staged;
    std::string target;
};

// The final names a journal may name.
bool IsJournalTarget(std::string_view name);

// The entries of a whole journal, or nullopt for anything else: a journal names
// only our own temporary files of config.bin, str.ini, record.ini and
// active-profile by bare name, each file once, so that nothing it says can lead out of its folder.
std::optional<std::vector<JournalEntry>> ParseJournal(std::span<const std::uint8_t> bytes);

// Completes a replacement recorded in `home`'s journal, if any; true when one
// was found. A journal that is not ours (see ParseJournal, or naming staged
// files that are not this user's regular files) is never followed: it is
// renamed to ".ornyx-mouse.journal.bad" (".bad.1", ...) and said in `notices`.
// The caller holds the exclusive lock.
bool RecoverJournal(const std::filesystem::path& home, DebugLog* log = nullptr,
                    std::vector<std::string>* notices = nullptr);

}  // namespace ornyx::settings
