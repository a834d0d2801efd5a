#include "profiles/ProfileName.h"

#include <array>
#include <cstdint>

#include "common/Utf8.h"
#include "profiles/NameFold.h"

namespace ornyx::profiles {

namespace {

constexpr std::string_view kExtension = ".json";

// Room for the extension and the hash below NAME_MAX (255 bytes) with margin.
constexpr std::size_t kMaxStemBytes = 200;
constexpr std::size_t kCutStemBytes = 180;

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

bool IsBlank(char32_t c) {
    return c == U' ' || c == 0xA0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200B) || c == 0xFEFF;
}

// Kept as they are: what is safe in a file name on every system. Everything
// else of ASCII (dots, slashes, colons, spaces, '%' itself) is written as %XX,
// so no name is ".", "..", hidden or a path; bytes of other letters stay.
bool KeptAsIs(unsigned char b) {
    return (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '_' || b >= 0x80;
}

// Names Windows gives to devices in every folder, whatever follows the dot.
bool IsDeviceName(std::string_view stem) {
    static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
    for (std::string_view d : kPlain) {
        if (stem == d) return true;
    }
    return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) &&
           stem[3] >= '0' && stem[3] <= '9';
}

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void AppendHex(std::string& out, std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) out += kDigits[(value >> (4 * i)) & 0xF];
}

}  // namespace

std::string NameProblem(std::string_view name) {
    if (name.empty()) return "is empty";
    if (!utf8::IsValid(name)) return "is not UTF-8 text";
    const std::optional<std::string> composed = ComposeName(name);
    if (!composed) return "cannot be converted to a file name";
    std::size_t chars = 0;
    char32_t first = 0;
    char32_t last = 0;
    for (std::size_t i = 0; i < composed->size();) {
        char32_t c = 0;
        utf8::NextCodePoint(*composed, i, c);
        if (c == U'\n' || c == U'\r' || c == 0x2028 || c == 0x2029) return "has a line break";
        if (c == 0) return "has a NUL character";
        if (IsControl(c)) return "has a control character";
        if (chars == 0) first = c;
        last = c;
        ++chars;
    }
    if (chars > kMaxNameChars) {
        return "is longer than " + std::to_string(kMaxNameChars) + " characters";
    }
    if (IsBlank(first) || IsBlank(last)) return "begins or ends with a blank";
    return {};
}

std::optional<std::string> FileNameFor(std::string_view name) {
    const std::optional<std::string> key = FoldName(name);
    if (!key || key->empty()) return std::nullopt;
    std::string stem;
    for (unsigned char b : *key) {
        if (KeptAsIs(b)) {
            stem += static_cast<char>(b);
        } else {
            stem += '%';
            AppendHex(stem, b, 2);
        }
    }
    if (IsDeviceName(stem)) {
        std::string escaped = "%";
        AppendHex(escaped, static_cast<unsigned char>(stem[0]), 2);
        stem = escaped + stem.substr(1);
    }
    // Letters of four bytes each can make a long name: cut at a character's
    // start and told apart by a hash of the whole name ('~' is never kept as is).
    if (stem.size() > kMaxStemBytes) {
        std::size_t cut = kCutStemBytes;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem.resize(cut);
        stem += '~';
        AppendHex(stem, Fnv1a(*key), 16);
    }
    return stem + std::string(kExtension);
}

bool LooksLikeProfileFile(std::string_view entry) {
    if (!entry.ends_with(kExtension) || entry.size() == kExtension.size()) return false;
    const std::string_view stem = entry.substr(0, entry.size() - kExtension.size());
    for (unsigned char b : stem) {
        const bool hex = b >= 'A' && b <= 'F';  // the digits of an escape
        if (!KeptAsIs(b) && !hex && b != '%' && b != '~') return false;
    }
    return utf8::IsValid(stem);
}

}  // namespace ornyx::profiles
