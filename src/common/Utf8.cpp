#include "common/Utf8.h"

#include <type_traits>

namespace ornyx::utf8 {

bool NextCodePoint(std::string_view s, std::size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1Fu, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0Fu, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07u, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        ok = (b & 0xC0) == 0x80;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    ok = ok && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    if (!ok) {
        cp = kReplacement;
        ++i;
        return false;
    }
    i += len;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    auto put = [&out](char32_t v) { out.push_back(static_cast<char>(v)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6)), put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12)), put(0x80 | ((cp >> 6) & 0x3F)), put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18)), put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F)), put(0x80 | (cp & 0x3F));
    }
}

bool IsValid(std::string_view s) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (!NextCodePoint(s, i, cp)) return false;
    }
    return true;
}

std::u16string ToUtf16(std::string_view s) {
    std::u16string out;
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        NextCodePoint(s, i, cp);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string FromUtf16(std::u16string_view u) {
    std::string out;
    for (std::size_t i = 0; i < u.size(); ++i) {
        char32_t cp = u[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 &&
            u[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::size_t Utf16Length(std::string_view s) {
    std::size_t units = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size();) {
        NextCodePoint(s, i, cp);
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::filesystem::path ToPath(std::string_view text) {
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        return std::filesystem::path(text);
    } else {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    }
}

std::string FromPath(const std::filesystem::path& path) {
    if constexpr (std::is_same_v<std::filesystem::path::value_type, char>) {
        return path.string();  // the bytes as they are
    } else {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
}

}  // namespace ornyx::utf8
