#include <windows.h>

#include <aclapi.h>

#include <cerrno>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "settings/HomeFiles.h"

namespace ornyx::settings::homefiles {

namespace fs = std::filesystem;

namespace {

HANDLE ToHandle(LockHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string Reason(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// The whole lock file is never read or written, so one byte stands for it.
bool LockByte(HANDLE h, bool exclusive) {
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

bool UnlockByte(HANDLE h) {
    OVERLAPPED at{};
    return ::UnlockFileEx(h, 0, 1, 0, &at) != 0;
}

}  // namespace

Kind KindAt(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::Missing
                                                                              : Kind::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return Kind::Device;
    return Kind::Regular;
}

std::uintmax_t SizeOf(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uintmax_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool OwnedByUser(const fs::path& path) {
    if (KindAt(path) != Kind::Regular) return false;
    const HANDLE file = ::CreateFileW(
        path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD got = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, &descriptor);
    ::CloseHandle(file);
    if (got != ERROR_SUCCESS) return false;
    bool ours = false;
    HANDLE token = nullptr;
    if (owner != nullptr && ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<std::uint8_t> user(size);
        if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            ours = ::EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) != 0;
        }
        // What an elevated administrator makes belongs to the Administrators
        // group, not to the user: ours only while we run elevated too.
        BOOL member = FALSE;
        if (!ours && ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) &&
            ::CheckTokenMembership(nullptr, owner, &member)) {
            ours = member != FALSE;
        }
        ::CloseHandle(token);
    }
    ::LocalFree(descriptor);
    return ours;
}

int OpenForReadingError(const fs::path& path) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES : EIO;
    }
    ::CloseHandle(h);
    return 0;
}

bool RenameOver(const fs::path& from, const fs::path& to, std::string& error) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    error = Reason(::GetLastError());
    return false;
}

bool RemoveFile(const fs::path& path, std::string& error) {
    if (::DeleteFileW(path.c_str())) return true;
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    error = Reason(code);
    return false;
}

OpenResult OpenLockFile(const fs::path& file, bool present, LockHandle& handle, std::string& why) {
    // Not through a link, and shared with every other user of the home.
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h =
        ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        h = ::CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    }
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        why = Reason(error);
        if (!present && (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)) {
            return OpenResult::NotWritable;
        }
        why = "cannot be opened: " + why;
        return OpenResult::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        ::CloseHandle(h);
        why = "is not a regular file";
        return OpenResult::Failed;
    }
    handle = reinterpret_cast<LockHandle>(h);
    return OpenResult::Opened;
}

void CloseLockFile(LockHandle handle) {
    ::CloseHandle(ToHandle(handle));
}

LockResult TryLock(LockHandle handle, LockMode mode) {
    if (LockByte(ToHandle(handle), mode == LockMode::Exclusive)) return LockResult::Locked;
    return ::GetLastError() == ERROR_LOCK_VIOLATION ? LockResult::Busy : LockResult::Failed;
}

bool Downgrade(LockHandle handle, std::chrono::milliseconds) {
    // The same handle may add a shared lock to its exclusive one; the first
    // unlock then lets go of the exclusive one. Nobody can slip in between.
    if (!LockByte(ToHandle(handle), false)) return false;
    return UnlockByte(ToHandle(handle));
}

void Unlock(LockHandle handle) {
    UnlockByte(ToHandle(handle));
}

}  // namespace ornyx::settings::homefiles
