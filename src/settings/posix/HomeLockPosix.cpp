#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "settings/HomeFiles.h"

namespace ornyx::settings::homefiles {

namespace fs = std::filesystem;

Kind KindAt(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Kind::Missing : Kind::Unknown;
    if (S_ISREG(st.st_mode)) return Kind::Regular;
    if (S_ISLNK(st.st_mode)) return Kind::Link;
    if (S_ISDIR(st.st_mode)) return Kind::Folder;
    if (S_ISFIFO(st.st_mode)) return Kind::Pipe;
    if (S_ISSOCK(st.st_mode)) return Kind::Socket;
    return Kind::Device;
}

std::uintmax_t SizeOf(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::uintmax_t>(st.st_size);
}

bool OwnedByUser(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid();
}

int OpenForReadingError(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

bool RenameOver(const fs::path& from, const fs::path& to, std::string& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}

bool RemoveFile(const fs::path& path, std::string& error) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    error = std::strerror(errno);
    return false;
}

OpenResult OpenLockFile(const fs::path& file, bool present, LockHandle& handle, std::string& why) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0) fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        why = std::strerror(err);
        if (!present && (err == EACCES || err == EROFS || err == EPERM)) {
            return OpenResult::NotWritable;
        }
        why = "cannot be opened: " + why;
        return OpenResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "is not a regular file";
        return OpenResult::Failed;
    }
    handle = fd;
    return OpenResult::Opened;
}

void CloseLockFile(LockHandle handle) {
    ::close(static_cast<int>(handle));
}

LockResult TryLock(LockHandle handle, LockMode mode) {
    const int operation = mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH;
    if (::flock(static_cast<int>(handle), operation | LOCK_NB) == 0) return LockResult::Locked;
    return errno == EWOULDBLOCK || errno == EINTR ? LockResult::Busy : LockResult::Failed;
}

bool Downgrade(LockHandle handle, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const LockResult result = TryLock(handle, LockMode::Shared);
        if (result != LockResult::Busy) return result == LockResult::Locked;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Unlock(LockHandle handle) {
    ::flock(static_cast<int>(handle), LOCK_UN);
}

}  // namespace ornyx::settings::homefiles
