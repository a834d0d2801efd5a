#include <windows.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "common/AtomicFile.h"

namespace ornyx {

namespace fs = std::filesystem;

namespace {

// Writers hold a lock on this byte, far past any content, while their
// temporary file may still be renamed; a killed writer holds none.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE handle) : h(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (ok()) ::CloseHandle(h);
    }
    bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

// The errno that stands for a system error, so that callers see the same
// codes on every system.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_INVALID_NAME:
        case ERROR_DIRECTORY:
            return EINVAL;
        default:
            return EIO;
    }
}

WriteResult Failure(DWORD error, const std::string& what) {
    WriteResult r;
    r.errorCode = ErrnoOf(error);
    r.error = what + ": " + std::system_category().message(static_cast<int>(error));
    return r;
}

WriteResult Refusal(int err, const std::string& what) {
    WriteResult r;
    r.errorCode = err;
    r.error = what;
    return r;
}

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool LockMarker(HANDLE h, bool wait) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

bool DeletePending(HANDLE h) {
    FILE_STANDARD_INFO info{};
    return ::GetFileInformationByHandleEx(h, FileStandardInfo, &info, sizeof info) != 0 &&
           info.DeletePending;
}

// A new temporary file for `name` in `dir`, locked so that
// RemoveStaleTemporaries leaves it alone while we work on it. Others may read,
// and it may be renamed while open: the rename happens before we let go.
bool CreateTemporary(const fs::path& dir, const std::string& name, Handle& file, fs::path& tmp,
                     WriteResult& failure) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = TemporaryNameFor(dir, name);
        HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            failure = Failure(error, "cannot create a temporary file in " + dir.string());
            return false;
        }
        Handle created(h);
        // A cleaner may have taken it for a dead writer's between our create
        // and our lock; then it is on its way out and we start again.
        if (LockMarker(h, true) && !DeletePending(h)) {
            file.h = created.h;
            created.h = INVALID_HANDLE_VALUE;
            return true;
        }
    }
    failure = Refusal(EEXIST, "cannot create a temporary file in " + dir.string());
    return false;
}

bool WriteAll(HANDLE h, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// Marks an open file for deletion: it goes when the last handle closes.
bool DeleteOpen(HANDLE h) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) !=
           0;
}

// Replaces `to` with `from`. A reader that has `to` open for a moment (without
// letting others delete it) makes the system refuse; that passes, so it is
// tried again for a while before it counts as a failure.
bool ReplaceFile(const fs::path& from, const fs::path& to, DWORD& error) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        error = ::GetLastError();
        const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!busy || attempt >= 100) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

bool RemoveIfStaleTemporary(const fs::path& file) {
    // Not through a link: only a file of our own making is ours to remove.
    Handle handle(::CreateFileW(file.c_str(), GENERIC_READ | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.ok()) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        return false;
    }
    // A live writer holds the lock; only a file nobody holds is stale.
    if (!LockMarker(handle.h, false)) return false;
    // The call's own answer: Wine reports no pending delete on any handle.
    return DeleteOpen(handle.h);
}

std::vector<fs::path> FolderEntries(const fs::path& dir) {
    // Listed by the system: the C runtime's directory reading under
    // std::filesystem cannot take a folder path past MAX_PATH, and lists the
    // working folder instead. FindFirstFileW takes any length in the \\?\ form.
    std::wstring pattern = dir.native();
    if (pattern.rfind(LR"(\\?\)", 0) != 0) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(dir, ec);
        if (ec) return {};
        const std::wstring& full = absolute.native();
        pattern =
            full.rfind(LR"(\\)", 0) == 0 ? LR"(\\?\UNC\)" + full.substr(2) : LR"(\\?\)" + full;
    }
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    std::vector<fs::path> entries;
    WIN32_FIND_DATAW found{};
    const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") entries.push_back(dir / name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    return entries;
}

std::optional<fs::path> ResolveWriteTarget(const fs::path& path, WriteResult& failure) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return path;  // a new file
        failure = Failure(error, "cannot write " + path.string());
        return std::nullopt;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        failure = Refusal(EISDIR, path.string() + " is not a regular file; refusing to replace it");
        return std::nullopt;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    // A link: the file it finally leads to is the one replaced.
    Handle file(::CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    if (!file.ok()) {
        failure = Failure(::GetLastError(), "cannot follow " + path.string());
        return std::nullopt;
    }
    std::wstring target(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(file.h, target.data(),
                                                    static_cast<DWORD>(target.size()), 0);
        if (n == 0) {
            failure = Failure(::GetLastError(), "cannot follow " + path.string());
            return std::nullopt;
        }
        if (n < target.size()) {
            target.resize(n);
            break;
        }
        target.resize(n + 1);
    }
    return fs::path(target);
}

void SyncFolder(const fs::path&) {
    // Nothing to do: every rename here is MoveFileExW with
    // MOVEFILE_WRITE_THROUGH, which returns only once the folder's entry is on
    // disk, and Windows offers no flush of a folder handle anyway.
}

WriteResult WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> data,
                                LinkHandling links) {
    WriteResult failure;
    std::optional<fs::path> target;
    if (links == LinkHandling::WriteThrough) {
        target = ResolveWriteTarget(path, failure);
    } else {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            failure =
                Refusal(EISDIR, path.string() + " is not a regular file; refusing to replace it");
        } else {
            target = path;
        }
    }
    if (!target) return failure;
    const fs::path dir = FolderOf(*target);
    const std::string name = target->filename().string();
    // What killed writers left behind would otherwise pile up.
    RemoveStaleTemporaries(dir, name);

    Handle file;
    fs::path tmp;
    if (!CreateTemporary(dir, name, file, tmp, failure)) {
        failure.error = "cannot write " + path.string() + ": " + failure.error;
        return failure;
    }
    const auto fail = [&](const std::string& what) {
        const DWORD error = ::GetLastError();
        DeleteOpen(file.h);
        return Failure(error, what);
    };
    if (!WriteAll(file.h, data)) return fail("cannot write " + path.string());
    // The new file takes the old one's place for the user, so a hidden one
    // stays hidden. A read-only one is the user's "do not change": it is
    // refused with that reason, as Windows would refuse the replace (Wine
    // replaces it regardless), and the old content stays.
    const DWORD before = ::GetFileAttributesW(target->c_str());
    if (before != INVALID_FILE_ATTRIBUTES && (before & FILE_ATTRIBUTE_READONLY)) {
        DeleteOpen(file.h);
        return Refusal(EACCES, "cannot replace " + path.string() + ": it is read-only");
    }
    if (before != INVALID_FILE_ATTRIBUTES && (before & FILE_ATTRIBUTE_HIDDEN)) {
        FILE_BASIC_INFO basic{};  // times of zero stay as they are
        basic.FileAttributes = FILE_ATTRIBUTE_HIDDEN;
        if (!::SetFileInformationByHandle(file.h, FileBasicInfo, &basic, sizeof basic)) {
            return fail("cannot keep " + path.string() + " hidden");
        }
    }
    if (!::FlushFileBuffers(file.h)) return fail("cannot flush " + path.string());
    // Renamed while still locked, so that no cleaner takes it for a dead writer's.
    DWORD error = 0;
    if (!ReplaceFile(tmp, *target, error)) {
        DeleteOpen(file.h);
        return Failure(error, "cannot replace " + path.string());
    }
    WriteResult ok;
    ok.ok = true;
    return ok;
}

std::optional<fs::path> CopyToTemporary(const fs::path& target, WriteResult& failure,
                                        bool copyContent) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = copyContent && fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        failure =
            Refusal(EINVAL, target.string() + " is not a regular file; refusing to replace it");
        return std::nullopt;
    }
    // Checked before anything is written: a huge file is refused at once
    // instead of being copied only to be refused later.
    if (exists && fs::file_size(target, ec) > kMaxReadBytes) {
        failure = Refusal(EFBIG, ReadStatusText(target, ReadStatus::TooLarge));
        return std::nullopt;
    }
    const fs::path dir = FolderOf(target);
    Handle file;
    fs::path tmp;
    if (!CreateTemporary(dir, target.filename().string(), file, tmp, failure)) return std::nullopt;
    if (!exists) {
        // Nothing to copy: the name is reserved for a file that the caller may create.
        DeleteOpen(file.h);
        return tmp;
    }
    const auto fail = [&](const std::string& what) {
        failure = Failure(::GetLastError(), what);
        DeleteOpen(file.h);
        return std::nullopt;
    };
    std::vector<std::uint8_t> bytes;
    if (ReadFileBounded(target, bytes) != ReadStatus::Ok) {
        return fail("cannot read " + target.string());
    }
    if (!WriteAll(file.h, bytes) || !::FlushFileBuffers(file.h)) {
        return fail("cannot copy " + target.string());
    }
    return tmp;
}

RenameStatus RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error) {
    // Without MOVEFILE_REPLACE_EXISTING the system never replaces.
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return RenameStatus::Done;
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return RenameStatus::Exists;
    error = std::system_category().message(static_cast<int>(code));
    return RenameStatus::Failed;
}

std::FILE* OpenForWriting(const fs::path& path) {
    // Binary: a line ends in "\n" alone, as on every other system.
    return ::_wfopen(path.c_str(), L"wb");
}

}  // namespace ornyx
