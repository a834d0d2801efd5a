#include "common/AtomicFile.h"

#include <array>
#include <fstream>
#include <random>

#include "common/Utf8.h"

namespace ornyx {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSuffixLength = 6;
constexpr std::string_view kMarker = ".ornyx-";

std::string RandomSuffix() {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    std::string s;
    for (std::size_t i = 0; i < kSuffixLength; ++i) s += kChars[pick(device)];
    return s;
}

}  // namespace

fs::path TemporaryNameFor(const fs::path& dir, std::string_view name) {
    return dir / utf8::ToPath("." + std::string(name) + std::string(kMarker) + RandomSuffix());
}

bool IsTemporaryFor(std::string_view entry, std::string_view name, bool nested) {
    if (name.empty() || entry.size() < name.size() + 1 + kMarker.size() + kSuffixLength ||
        entry[0] != '.')
        return false;
    const std::size_t marker = entry.size() - kSuffixLength - kMarker.size();
    if (entry.substr(marker, kMarker.size()) != kMarker) return false;
    for (char c : entry.substr(marker + kMarker.size())) {
        const bool ascii =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!ascii) return false;
    }
    const std::string_view inner = entry.substr(1, marker - 1);
    return inner == name || (nested && inner.size() > name.size() && IsTemporaryFor(inner, name));
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
        case ReadStatus::Ok:
            return {};
        case ReadStatus::NotRegular:
            return path.string() + " is not a readable file";
        case ReadStatus::TooLarge:
            return path.string() + " is larger than " +
                   (maxBytes % (1u << 20) == 0 ? std::to_string(maxBytes >> 20) + " MiB"
                                               : std::to_string(maxBytes) + " bytes") +
                   ", too large to be read";
        case ReadStatus::Failed:
            break;
    }
    return "cannot read " + path.string();
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
    return ReadFileBounded(path, out) == ReadStatus::Ok;
}

std::size_t RemoveStaleTemporaries(const fs::path& dir, std::string_view name) {
    std::size_t removed = 0;
    for (const fs::path& p : FolderEntries(dir)) {
        const std::u8string entry = p.filename().u8string();
        if (IsTemporaryFor(
                std::string_view(reinterpret_cast<const char*>(entry.data()), entry.size()),
                name) &&
            RemoveIfStaleTemporary(p)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace ornyx
