#include <windows.h>

#include <utility>

#include "common/CodePage.h"
#include "common/Utf8.h"

namespace ornyx::codepage {

namespace {

bool Known(unsigned codePage) {
    return codePage == kChineseSimplified || codePage == kChineseTraditional ||
           codePage == kTurkish || codePage == kWestern;
}

bool IsDoubleByte(unsigned codePage) {
    return codePage == kChineseSimplified || codePage == kChineseTraditional;
}

// Characters the system's tables give where the Linux build's have none, so
// that a file reads and writes the same on both: the bytes 1252 and 1254
// leave undefined come back as C1 controls, and GBK's user-defined area as
// private-use characters. Both count as unreadable.
bool WithoutPlace(const std::wstring& wide, unsigned codePage) {
    for (const wchar_t c : wide) {
        if ((codePage == kWestern || codePage == kTurkish) && c >= 0x80 && c <= 0x9F) return true;
        if (codePage == kChineseSimplified && c >= 0xE000 && c <= 0xF8FF) return true;
    }
    return false;
}

// Bytes in `codePage` (or UTF-8) to UTF-16; nullopt at any sequence without
// meaning, which MB_ERR_INVALID_CHARS makes the system report.
std::optional<std::wstring> ToWide(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int n =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), n);
    return wide;
}

std::string FromWide(const std::wstring& wide) {
    return utf8::FromUtf16(std::u16string(wide.begin(), wide.end()));
}

}  // namespace

std::optional<std::string> Decode(std::string_view bytes, unsigned codePage) {
    if (!Known(codePage)) return std::nullopt;
    std::optional<std::wstring> wide = ToWide(bytes, codePage);
    if (!wide || WithoutPlace(*wide, codePage)) return std::nullopt;
    return FromWide(*wide);
}

std::optional<std::string> Encode(std::string_view utf8, unsigned codePage) {
    if (!Known(codePage)) return std::nullopt;
    if (utf8.empty()) return std::string();
    if (!utf8::IsValid(utf8)) return std::nullopt;
    std::optional<std::wstring> wide = ToWide(utf8, CP_UTF8);
    if (!wide || WithoutPlace(*wide, codePage)) return std::nullopt;
    const int length = static_cast<int>(wide->size());
    // No best fit: a character without a place must fail, not turn into a
    // look-alike that would be written back as something else.
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide->data(), length,
                                        nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide->data(), length, out.data(), n,
                          nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

std::vector<Decoded> DecodeEach(std::span<const std::string_view> pieces, unsigned codePage) {
    if (!Known(codePage)) return {};
    std::vector<Decoded> out;
    out.reserve(pieces.size());
    for (const std::string_view piece : pieces) {
        Decoded d;
        if (std::optional<std::string> whole = Decode(piece, codePage)) {
            d.text = std::move(*whole);
            d.exact = Encode(d.text, codePage) == piece;
            out.push_back(std::move(d));
            continue;
        }
        // Character by character, so that only the unreadable ones are replaced.
        std::size_t at = 0;
        while (at < piece.size()) {
            const std::string_view rest = piece.substr(at);
            const bool lead = IsDoubleByte(codePage) && rest.size() >= 2 &&
                              ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(rest[0]));
            const std::size_t width = lead ? 2 : 1;
            if (std::optional<std::string> one = Decode(rest.substr(0, width), codePage)) {
                d.text += *one;
                at += width;
            } else {
                d.text += "\xEF\xBF\xBD";  // U+FFFD
                at += UnreadableLength(rest, codePage);
            }
        }
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace ornyx::codepage
