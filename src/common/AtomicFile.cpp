#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ornyx {

namespace {

WriteResult Failure(int err, const std::string& what) {
    WriteResult r;
    r.errorCode = err;
    r.error = what + ": " + std::strerror(err);
    return r;
}

}  // namespace

WriteResult WriteFileAtomically(const std::filesystem::path& path,
                                std::span<const std::uint8_t> data) {
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string tmpl = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        return Failure(errno, "cannot create a temporary file beside " + path.string());
    }
    // Keep the permissions of the file being replaced; new files get the usual 0644.
    struct stat st {};
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);

    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return Failure(err, "cannot write " + path.string());
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmpl.c_str());
        return Failure(err, "cannot flush " + path.string());
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return Failure(err, "cannot close " + path.string());
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return Failure(err, "cannot replace " + path.string());
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    WriteResult ok;
    ok.ok = true;
    return ok;
}

ReadStatus ReadFileBounded(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                           std::uintmax_t maxBytes) {
    // Only regular files: a folder in a file's place makes the stream throw, and
    // a FIFO would block the caller.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return ReadStatus::NotRegular;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return ReadStatus::Failed;
    if (size > maxBytes) return ReadStatus::TooLarge;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return ReadStatus::Failed;
        out.assign(static_cast<std::size_t>(size), 0);
        in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
        if (in.bad()) return ReadStatus::Failed;
        out.resize(static_cast<std::size_t>(in.gcount()));
        // A file that grew after the size test is read up to the limit and no further.
        std::array<char, 4096> more;
        while (in.read(more.data(), more.size()) || in.gcount() > 0) {
            const auto n = static_cast<std::size_t>(in.gcount());
            if (out.size() + n > maxBytes) return ReadStatus::TooLarge;
            out.insert(out.end(), more.begin(), more.begin() + static_cast<std::ptrdiff_t>(n));
        }
        return in.bad() ? ReadStatus::Failed : ReadStatus::Ok;
    } catch (const std::exception&) {
        return ReadStatus::Failed;
    }
}

std::string ReadStatusText(const std::filesystem::path& path, ReadStatus status,
                           std::uintmax_t maxBytes) {
    switch (status) {
        case ReadStatus::Ok: return {};
        case ReadStatus::NotRegular: return path.string() + " is not a readable file";
        case ReadStatus::TooLarge:
            return path.string() + " is larger than " +
                   (maxBytes % (1u << 20) == 0 ? std::to_string(maxBytes >> 20) + " MiB"
                                                : std::to_string(maxBytes) + " bytes") +
                   ", too large to be read";
        case ReadStatus::Failed: break;
    }
    return "cannot read " + path.string();
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
    return ReadFileBounded(path, out) == ReadStatus::Ok;
}

}  // namespace ornyx
