#include "settings/HomeLock.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "common/Utf8.h"
#include "settings/HomeFiles.h"

namespace ornyx::settings {

namespace fs = std::filesystem;
namespace hf = homefiles;

namespace {

constexpr std::string_view kJournalHeader = "ornyx-mouse journal 2\n";
constexpr std::string_view kJournalEnd = "end\n";
// A journal names at most our four files; anything near this is not ours.
constexpr std::uintmax_t kMaxJournalBytes = 4096;

// The names we write in a home, whose temporary files may be left by a kill.
constexpr const char* kHomeFiles[] = {"config.bin", "str.ini", "record.ini", kActiveProfileFileName,
                                      kJournalFileName};

std::vector<std::uint8_t> EncodeJournal(const std::vector<JournalEntry>& entries) {
    std::string text(kJournalHeader);
    for (const JournalEntry& e : entries) {
        text += e.staged;
        text += '\0';
        text += e.target;
        text += '\0';
    }
    text += kJournalEnd;
    return {text.begin(), text.end()};
}

const char* KindOf(hf::Kind kind) {
    switch (kind) {
        case hf::Kind::Link:
            return "a symbolic link";
        case hf::Kind::Folder:
            return "a folder";
        case hf::Kind::Pipe:
            return "a named pipe";
        case hf::Kind::Socket:
            return "a socket";
        default:
            return "a device";
    }
}

// Moves something that is not ours out of the way under a name of its own, never
// over an earlier one: it may be the only trace of what happened.
std::optional<fs::path> SetAside(const fs::path& path) {
    for (int n = 0; n < 1000; ++n) {
        const fs::path to = utf8::ToPath(
            path.string() + (n == 0 ? std::string(".bad") : ".bad." + std::to_string(n)));
        std::string error;
        switch (RenameNoReplace(path, to, error)) {
            case RenameStatus::Done:
                return to;
            case RenameStatus::Exists:
                continue;
            case RenameStatus::Unsupported: {
                std::error_code ec;
                if (fs::exists(fs::symlink_status(to, ec))) continue;
                if (hf::RenameOver(path, to, error)) return to;
                return std::nullopt;
            }
            case RenameStatus::Failed:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

// Puts one staged file in place. A final name that is a link keeps being one:
// the new content is written to the file it points to, as every save does.
bool Commit(const fs::path& home, const JournalEntry& e, std::string& error) {
    const fs::path staged = home / e.staged;
    const fs::path target = home / e.target;
    if (hf::KindAt(target) == hf::Kind::Link) {
        std::vector<std::uint8_t> bytes;
        const ReadStatus read = ReadFileBounded(staged, bytes);
        if (read != ReadStatus::Ok) {
            error = ReadStatusText(staged, read);
            return false;
        }
        const WriteResult written = WriteFileAtomically(target, bytes);
        if (!written.ok) {
            error = written.error;
            return false;
        }
        std::string why;
        if (!hf::RemoveFile(staged, why)) {
            error = "cannot remove " + staged.string() + ": " + why;
            return false;
        }
        return true;
    }
    std::string why;
    if (!hf::RenameOver(staged, target, why)) {
        error = "cannot replace " + target.string() + ": " + why;
        return false;
    }
    return true;
}

// Whether every staged file a journal names is still what we left: a regular
// file of this user, or gone (already put in place before the interruption).
bool StagedFilesAreOurs(const fs::path& home, const std::vector<JournalEntry>& entries) {
    for (const JournalEntry& e : entries) {
        const fs::path staged = home / e.staged;
        const hf::Kind kind = hf::KindAt(staged);
        if (kind == hf::Kind::Missing) continue;
        if (kind != hf::Kind::Regular || !hf::OwnedByUser(staged)) return false;
    }
    return true;
}

// Finishes an interrupted replacement and removes killed writers' temporary files.
void Tidy(const fs::path& home, std::vector<std::string>& notices, DebugLog* log) {
    if (RecoverJournal(home, log, &notices) && log)
        log->Write("looked at an interrupted import in " + home.string());
    for (const char* name : kHomeFiles) {
        if (const std::size_t n = RemoveStaleTemporaries(home, name); n > 0 && log) {
            log->Write("removed " + std::to_string(n) + " left-over temporary file(s) of " + name);
        }
    }
}

}  // namespace

bool IsJournalTarget(std::string_view name) {
    return name == "config.bin" || name == "str.ini" || name == "record.ini" ||
           name == kActiveProfileFileName;
}

std::optional<std::vector<JournalEntry>> ParseJournal(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.size() < kJournalHeader.size() + kJournalEnd.size() ||
        !text.starts_with(kJournalHeader) || !text.ends_with(kJournalEnd)) {
        return std::nullopt;
    }
    std::vector<JournalEntry> entries;
    std::set<std::string_view> targets;
    std::size_t at = kJournalHeader.size();
    const std::size_t end = text.size() - kJournalEnd.size();
    while (at < end) {
        const std::size_t a = text.find('\0', at);
        if (a == std::string_view::npos || a >= end) return std::nullopt;
        const std::size_t b = text.find('\0', a + 1);
        if (b == std::string_view::npos || b >= end) return std::nullopt;
        const std::string_view staged = text.substr(at, a - at);
        const std::string_view target = text.substr(a + 1, b - a - 1);
        // Bare names only, so nothing can lead out of the journal's folder; a
        // final name of ours, once, and its own temporary file.
        if (!IsJournalTarget(target) || !targets.insert(target).second ||
            !IsTemporaryFor(staged, target, false)) {
            return std::nullopt;
        }
        entries.push_back({std::string(staged), std::string(target)});
        at = b + 1;
    }
    return entries;
}

HomeLock::~HomeLock() {
    Release();
}

HomeLock::HomeLock(HomeLock&& other) noexcept
    : lock_(std::exchange(other.lock_, hf::kNoLock)), notices_(std::move(other.notices_)) {}

HomeLock& HomeLock::operator=(HomeLock&& other) noexcept {
    if (this != &other) {
        Release();
        lock_ = std::exchange(other.lock_, hf::kNoLock);
        notices_ = std::move(other.notices_);
    }
    return *this;
}

void HomeLock::Release() {
    if (lock_ != hf::kNoLock) hf::CloseLockFile(lock_);  // closing drops the lock
    lock_ = hf::kNoLock;
}

bool HomeLock::Acquire(const fs::path& home, Mode mode, std::chrono::milliseconds timeout,
                       std::string& error, DebugLog* log) {
    Release();
    notices_.clear();
    std::error_code ec;
    if (!fs::is_directory(home, ec)) return true;
    const fs::path file = home / kLockFileName;
    // Only a regular file can be locked for sure: a link may lead anywhere, and
    // a socket or a pipe cannot be opened as one. Without the lock two writers
    // could lose each other's changes, so a writer stops here.
    const auto unusable = [&](const std::string& why) {
        const std::string text = file.string() + " " + why;
        if (mode == Mode::Exclusive) {
            error = "cannot lock the files in " + home.string() + ": " + text +
                    "; remove it and try again";
            return false;
        }
        notices_.push_back("reading without the lock: " + text);
        if (log) log->Write(notices_.back());
        return true;
    };
    const hf::Kind kind = hf::KindAt(file);
    const bool present = kind != hf::Kind::Missing && kind != hf::Kind::Unknown;
    if (present && kind != hf::Kind::Regular)
        return unusable(std::string("is not a regular file but ") + KindOf(kind));
    hf::LockHandle handle = hf::kNoLock;
    std::string why;
    switch (hf::OpenLockFile(file, present, handle, why)) {
        case hf::OpenResult::Opened:
            break;
        case hf::OpenResult::NotWritable:
            // A home we may not write to cannot be changed by us either.
            if (log) log->Write("working without a lock on " + home.string() + ": " + why);
            return true;
        case hf::OpenResult::Failed:
            return unusable(why);
    }
    // Whoever gets the lock alone tidies up first. A reader that finds other
    // readers shares with them, unless a half-done replacement waits for
    // someone to finish it.
    const fs::path journal = home / kJournalFileName;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (hf::TryLock(handle, hf::LockMode::Exclusive) == hf::LockResult::Locked) {
            Tidy(home, notices_, log);
            if (mode == Mode::Shared && !hf::Downgrade(handle, timeout)) break;
            lock_ = handle;
            return true;
        }
        if (mode == Mode::Shared &&
            hf::TryLock(handle, hf::LockMode::Shared) == hf::LockResult::Locked) {
            if (!fs::exists(fs::symlink_status(journal, ec))) {
                lock_ = handle;
                return true;
            }
            hf::Unlock(handle);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    hf::CloseLockFile(handle);
    error = "another program is changing the files in " + home.string() + "; try again later";
    return false;
}

WriteResult ReplaceTogether(const fs::path& home, const std::vector<PlannedWrite>& writes) {
    std::vector<JournalEntry> entries;
    const auto discard = [&] {
        std::error_code ec;
        for (const JournalEntry& e : entries) fs::remove(home / e.staged, ec);
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
        // The journal can name only the home's own files, so only they are
        // replaced together.
        const std::string name = w.target.filename().string();
        if (w.target != home / name || !IsJournalTarget(name) ||
            std::any_of(entries.begin(), entries.end(),
                        [&](const JournalEntry& e) { return e.target == name; })) {
            return unchanged({false, EINVAL,
                              w.target.string() + " is not a file of " + home.string() +
                                  " that can be replaced"},
                             {}, w.target);
        }
        // Checked now: a folder or a pipe in its place is refused before anything is written.
        WriteResult failure;
        if (!ResolveWriteTarget(w.target, failure)) return unchanged(failure, {}, w.target);
        // Staged in the home even when the name is a link, so that the journal
        // never has to name a place outside it.
        const std::optional<fs::path> staged = CopyToTemporary(w.target, failure, w.keepOld);
        if (!staged) return unchanged(failure, {}, w.target);
        entries.push_back({staged->filename().string(), name});
        const WriteResult written = w.write(*staged);
        if (!written.ok) return unchanged(written, *staged, w.target);
    }
    // A writer may have had nothing to write (no file before, none after).
    std::erase_if(entries, [&](const JournalEntry& e) {
        std::error_code ec;
        return !fs::exists(fs::symlink_status(home / e.staged, ec));
    });
    const fs::path journal = home / kJournalFileName;
    // From here on the replacement happens, if need be by whoever comes next.
    // The journal is ours: a link at its name is replaced, not written through.
    const WriteResult noted =
        WriteFileAtomically(journal, EncodeJournal(entries), LinkHandling::ReplaceLink);
    if (!noted.ok) return unchanged(noted, {}, journal);
    for (const JournalEntry& e : entries) {
        std::string error;
        if (!Commit(home, e, error)) {
            // Left for RecoverJournal; the journal stays so that it can.
            return {false, EIO, error + " (the next command finishes the replacement)"};
        }
    }
    SyncFolder(home);
    if (std::string why; !hf::RemoveFile(journal, why))
        return {false, EIO, "cannot remove " + journal.string() + ": " + why};
    SyncFolder(home);
    return {true, 0, {}};
}

bool RecoverJournal(const fs::path& home, DebugLog* log, std::vector<std::string>* notices) {
    const fs::path journal = home / kJournalFileName;
    const hf::Kind kind = hf::KindAt(journal);
    if (kind == hf::Kind::Missing || kind == hf::Kind::Unknown) return false;
    std::optional<std::vector<JournalEntry>> entries;
    if (kind == hf::Kind::Regular && hf::SizeOf(journal) <= kMaxJournalBytes) {
        std::vector<std::uint8_t> bytes;
        if (ReadFileBounded(journal, bytes, kMaxJournalBytes) == ReadStatus::Ok) {
            entries = ParseJournal(bytes);
        }
    }
    if (entries && !StagedFilesAreOurs(home, *entries)) entries.reset();
    if (!entries) {
        // Ours are written whole and name only our own files: this one is not,
        // and following it could replace anything. Kept for the user to see.
        const std::optional<fs::path> aside = SetAside(journal);
        const std::string text = journal.string() +
                                 " is not one of this program's journals; it was not followed" +
                                 (aside ? " and is kept as " + aside->string()
                                        : std::string(" and could not be moved aside"));
        if (log) log->Write(text);
        if (notices) notices->push_back(text);
        return true;
    }
    for (const JournalEntry& e : *entries) {
        std::error_code ec;
        // Gone means already put in place before the interruption.
        if (!fs::exists(fs::symlink_status(home / e.staged, ec))) continue;
        std::string error;
        if (!Commit(home, e, error)) {
            if (log) log->Write("cannot finish an interrupted import: " + error);
            return true;  // keep the journal for the next try
        }
    }
    SyncFolder(home);
    std::string ignored;
    hf::RemoveFile(journal, ignored);
    SyncFolder(home);
    return true;
}

}  // namespace ornyx::settings
