#include "settings/HomeLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

namespace ornyx::settings {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalHeader = "ornyx-mouse journal 1\n";
constexpr std::string_view kJournalEnd = "end\n";

// The names we write in a home, whose temporary files may be left by a kill.
constexpr const char* kHomeFiles[] = {"config.bin", "str.ini", "record.ini", kJournalFileName};

bool LockWithin(int fd, int operation, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

struct JournalEntry {
    fs::path staged;
    fs::path target;
};

std::vector<std::uint8_t> EncodeJournal(const std::vector<JournalEntry>& entries) {
    std::string text(kJournalHeader);
    for (const JournalEntry& e : entries) {
        text += e.staged.string();
        text += '\0';
        text += e.target.string();
        text += '\0';
    }
    text += kJournalEnd;
    return {text.begin(), text.end()};
}

// Paths cannot hold NUL, so NUL separates them. nullopt for anything that is
// not a whole journal.
std::optional<std::vector<JournalEntry>> DecodeJournal(const std::vector<std::uint8_t>& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    if (text.size() < kJournalHeader.size() + kJournalEnd.size() ||
        text.compare(0, kJournalHeader.size(), kJournalHeader) != 0 ||
        text.compare(text.size() - kJournalEnd.size(), kJournalEnd.size(), kJournalEnd) != 0) {
        return std::nullopt;
    }
    std::vector<JournalEntry> entries;
    std::size_t at = kJournalHeader.size();
    const std::size_t end = text.size() - kJournalEnd.size();
    while (at < end) {
        const std::size_t a = text.find('\0', at);
        if (a == std::string::npos || a >= end) return std::nullopt;
        const std::size_t b = text.find('\0', a + 1);
        if (b == std::string::npos || b >= end) return std::nullopt;
        JournalEntry e{text.substr(at, a - at), text.substr(a + 1, b - a - 1)};
        if (e.staged.empty() || e.target.empty()) return std::nullopt;
        entries.push_back(std::move(e));
        at = b + 1;
    }
    return entries;
}

WriteResult Failed(int err, const std::string& what) {
    return {false, err, what + ": " + std::strerror(err)};
}

// Finishes an interrupted replacement and removes killed writers' temporary files.
void Tidy(const fs::path& home, DebugLog* log) {
    if (RecoverJournal(home, log) && log)
        log->Write("finished an interrupted import in " + home.string());
    for (const char* name : kHomeFiles) {
        if (const std::size_t n = RemoveStaleTemporaries(home, name); n > 0 && log) {
            log->Write("removed " + std::to_string(n) + " left-over temporary file(s) of " + name);
        }
    }
}

}  // namespace

HomeLock::~HomeLock() {
    Release();
}

HomeLock::HomeLock(HomeLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

HomeLock& HomeLock::operator=(HomeLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void HomeLock::Release() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the flock
    fd_ = -1;
}

bool HomeLock::Acquire(const fs::path& home, Mode mode, std::chrono::milliseconds timeout,
                       std::string& error, DebugLog* log) {
    Release();
    std::error_code ec;
    if (!fs::is_directory(home, ec)) return true;
    const fs::path file = home / kLockFileName;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (log)
            log->Write("working without a lock on " + home.string() + ": " + std::strerror(errno));
        return true;
    }
    // Whoever gets the lock alone tidies up first. A reader that finds other
    // readers shares with them, unless a half-done replacement waits for
    // someone to finish it.
    const fs::path journal = home / kJournalFileName;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            Tidy(home, log);
            if (mode == Mode::Shared && !LockWithin(fd, LOCK_SH, timeout)) break;
            fd_ = fd;
            return true;
        }
        if (mode == Mode::Shared && ::flock(fd, LOCK_SH | LOCK_NB) == 0) {
            if (!fs::exists(fs::symlink_status(journal, ec))) {
                fd_ = fd;
                return true;
            }
            ::flock(fd, LOCK_UN);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(fd);
    error = "another program is changing the files in " + home.string() + "; try again later";
    return false;
}

WriteResult ReplaceTogether(const fs::path& home, const std::vector<PlannedWrite>& writes) {
    std::vector<JournalEntry> entries;
    const auto discard = [&] {
        std::error_code ec;
        for (const JournalEntry& e : entries) fs::remove(e.staged, ec);
    };
    // Failures before the journal change nothing; they name the file the user
    // knows rather than our temporary one.
    const auto unchanged = [&](WriteResult r, const fs::path& staged, const fs::path& target) {
        discard();
        for (std::size_t at;
             !staged.empty() && (at = r.error.find(staged.string())) != std::string::npos;) {
            r.error.replace(at, staged.string().size(), target.string());
        }
        r.error += " (nothing was changed)";
        return r;
    };
    for (const PlannedWrite& w : writes) {
        WriteResult failure;
        std::optional<fs::path> target = ResolveWriteTarget(w.target, failure);
        std::optional<fs::path> staged;
        if (target) {
            target = fs::absolute(*target);
            staged = CopyToTemporary(*target, failure);
        }
        if (!staged) return unchanged(failure, {}, w.target);
        entries.push_back({*staged, *target});
        if (!w.keepOld) {
            std::error_code ec;
            fs::remove(*staged, ec);
        }
        const WriteResult written = w.write(*staged);
        if (!written.ok) return unchanged(written, *staged, w.target);
    }
    // A writer may have had nothing to write (no file before, none after).
    std::erase_if(entries, [](const JournalEntry& e) {
        std::error_code ec;
        return !fs::exists(fs::symlink_status(e.staged, ec));
    });
    const fs::path journal = home / kJournalFileName;
    // From here on the replacement happens, if need be by whoever comes next.
    const WriteResult noted = WriteFileAtomically(journal, EncodeJournal(entries));
    if (!noted.ok) return unchanged(noted, {}, journal);
    for (const JournalEntry& e : entries) {
        if (::rename(e.staged.c_str(), e.target.c_str()) != 0) {
            // Left for RecoverJournal; the journal stays so that it can.
            WriteResult r = Failed(errno, "cannot replace " + e.target.string());
            r.error += " (the next command finishes the replacement)";
            return r;
        }
    }
    for (const JournalEntry& e : entries) SyncFolder(e.target.parent_path());
    if (::unlink(journal.c_str()) != 0) return Failed(errno, "cannot remove " + journal.string());
    SyncFolder(home);
    return {true, 0, {}};
}

bool RecoverJournal(const fs::path& home, DebugLog* log) {
    const fs::path journal = home / kJournalFileName;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(journal, ec))) return false;
    std::vector<std::uint8_t> bytes;
    std::optional<std::vector<JournalEntry>> entries;
    // A journal is small; a huge file there is not ours.
    if (fs::file_size(journal, ec) < (1u << 20) && !ec && ReadWholeFile(journal, bytes)) {
        entries = DecodeJournal(bytes);
    }
    if (!entries) {
        // Journals are written atomically, so this is not one of ours; the
        // temporary files it might name are removed as stale.
        if (log) log->Write("ignoring an unreadable " + journal.string());
    } else {
        for (const JournalEntry& e : *entries) {
            // Gone means already renamed before the interruption.
            if (!fs::exists(fs::symlink_status(e.staged, ec))) continue;
            if (::rename(e.staged.c_str(), e.target.c_str()) != 0 && log) {
                log->Write("cannot finish replacing " + e.target.string() + ": " +
                           std::strerror(errno));
                return true;  // keep the journal for the next try
            }
        }
        for (const JournalEntry& e : *entries) SyncFolder(e.target.parent_path());
    }
    fs::remove(journal, ec);
    SyncFolder(home);
    return true;
}

}  // namespace ornyx::settings
