#include "common/AtomicFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace ornyx {

namespace fs = std::filesystem;

namespace {

WriteResult Failure(int err, const std::string& what) {
    WriteResult r;
    r.errorCode = err;
    r.error = what + ": " + std::strerror(err);
    return r;
}

fs::path FolderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// A new temporary file for `name` in `dir`, created with 0666 so that the
// umask (and a default ACL) decide its mode as for any new file, and locked
// so that RemoveStaleTemporaries leaves it alone while we work on it.
bool CreateTemporary(const fs::path& dir, const std::string& name, int& fd, fs::path& tmp,
                     WriteResult& failure) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = TemporaryNameFor(dir, name);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            failure = Failure(errno, "cannot create a temporary file in " + dir.string());
            return false;
        }
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        // A cleaner may have taken it for a dead writer's between our open and
        // our lock; then it is gone and we start again.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink > 0) return true;
        ::close(fd);
    }
    failure = Failure(EEXIST, "cannot create a temporary file in " + dir.string());
    return false;
}

bool WriteAll(int fd, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool RemoveIfStaleTemporary(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat held {};
    struct stat named {};
    // A live writer holds the lock; only a file nobody holds is stale. Only
    // this user's files can be ours, and it must still be the same file
    // when we remove it.
    const bool removed = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
                         held.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                         ::lstat(file.c_str(), &named) == 0 && named.st_ino == held.st_ino &&
                         named.st_dev == held.st_dev && ::unlink(file.c_str()) == 0;
    ::close(fd);
    return removed;
}

std::vector<fs::path> FolderEntries(const fs::path& dir) {
    std::vector<fs::path> entries;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) entries.push_back(it->path());
    return entries;
}

std::optional<fs::path> ResolveWriteTarget(const fs::path& path, WriteResult& failure) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno == ENOENT) return p;  // a new file (or a link to one yet to be made)
            failure = Failure(errno, "cannot write " + path.string());
            return std::nullopt;
        }
        if (S_ISREG(st.st_mode)) return p;
        if (!S_ISLNK(st.st_mode)) {
            failure.errorCode = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            failure.error = path.string() + " is not a regular file; refusing to replace it";
            return std::nullopt;
        }
        std::error_code ec;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) {
            failure = Failure(ec.value(), "cannot follow " + p.string());
            return std::nullopt;
        }
        p = link.is_absolute() ? link : FolderOf(p) / link;
    }
    failure = Failure(ELOOP, "cannot write " + path.string());
    return std::nullopt;
}

void SyncFolder(const fs::path& dir) {
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

WriteResult WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> data,
                                LinkHandling links) {
    WriteResult failure;
    std::optional<fs::path> target;
    struct stat entry {};
    if (links == LinkHandling::WriteThrough) {
        target = ResolveWriteTarget(path, failure);
    } else if (::lstat(path.c_str(), &entry) == 0 && !S_ISREG(entry.st_mode) &&
               !S_ISLNK(entry.st_mode)) {
        failure.errorCode = S_ISDIR(entry.st_mode) ? EISDIR : EINVAL;
        failure.error = path.string() + " is not a regular file; refusing to replace it";
    } else {
        target = path;
    }
    if (!target) return failure;
    const fs::path dir = FolderOf(*target);
    const std::string name = target->filename().string();
    // What killed writers left behind would otherwise pile up.
    RemoveStaleTemporaries(dir, name);

    struct stat old {};
    const bool existed = ::lstat(target->c_str(), &old) == 0 && S_ISREG(old.st_mode);
    int fd = -1;
    fs::path tmp;
    if (!CreateTemporary(dir, name, fd, tmp, failure)) {
        failure.error = "cannot write " + path.string() + ": " + failure.error;
        return failure;
    }
    const auto fail = [&](const std::string& what) {
        const int err = errno;
        ::unlink(tmp.c_str());
        ::close(fd);
        return Failure(err, what);
    };
    // The file being replaced keeps its permissions.
    if (existed && ::fchmod(fd, old.st_mode & 07777) != 0)
        return fail("cannot set the mode of " + path.string());
    if (!WriteAll(fd, data)) return fail("cannot write " + path.string());
    if (::fsync(fd) != 0) return fail("cannot flush " + path.string());
    // Renamed while still locked, so that no cleaner takes it for a dead writer's.
    if (::rename(tmp.c_str(), target->c_str()) != 0) return fail("cannot replace " + path.string());
    ::close(fd);
    SyncFolder(dir);
    WriteResult ok;
    ok.ok = true;
    return ok;
}

std::optional<fs::path> CopyToTemporary(const fs::path& target, WriteResult& failure,
                                        bool copyContent) {
    struct stat old {};
    const bool exists = copyContent && ::stat(target.c_str(), &old) == 0;
    // Checked before anything is written: a huge or sparse file is refused at
    // once instead of being copied only to be refused later.
    if (exists && !S_ISREG(old.st_mode)) {
        failure.errorCode = EINVAL;
        failure.error = target.string() + " is not a regular file; refusing to replace it";
        return std::nullopt;
    }
    if (exists && static_cast<std::uintmax_t>(old.st_size) > kMaxReadBytes) {
        failure.errorCode = EFBIG;
        failure.error = ReadStatusText(target, ReadStatus::TooLarge);
        return std::nullopt;
    }
    const fs::path dir = FolderOf(target);
    int fd = -1;
    fs::path tmp;
    if (!CreateTemporary(dir, target.filename().string(), fd, tmp, failure)) return std::nullopt;
    if (!exists) {
        // Nothing to copy: the name is reserved for a file that the caller may create.
        ::unlink(tmp.c_str());
        ::close(fd);
        return tmp;
    }
    const auto fail = [&](const std::string& what) {
        failure = Failure(errno, what);
        ::unlink(tmp.c_str());
        ::close(fd);
        return std::nullopt;
    };
    const int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail("cannot read " + target.string());
    std::array<std::uint8_t, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || !WriteAll(fd, std::span(buffer.data(), static_cast<std::size_t>(n)))) {
            const int err = errno;
            ::close(in);
            errno = err;
            return fail("cannot copy " + target.string());
        }
        if (n == 0) break;
    }
    ::close(in);
    if (::fchmod(fd, old.st_mode & 07777) != 0 || ::fsync(fd) != 0)
        return fail("cannot copy " + target.string());
    ::close(fd);
    return tmp;
}

RenameStatus RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                             std::string& error) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return RenameStatus::Done;
    }
    if (errno == EEXIST) return RenameStatus::Exists;
    if (errno == EINVAL || errno == ENOSYS) return RenameStatus::Unsupported;
    error = std::strerror(errno);
    return RenameStatus::Failed;
}

std::FILE* OpenForWriting(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "w");
}

}  // namespace ornyx
