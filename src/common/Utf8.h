#pragma once

// UTF-8 text as the file formats need it: the profile files store UTF-8 or
// UTF-16, and their limits count UTF-16 units, as the Windows buffers do.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace ornyx::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes the code point at s[i] and advances i. An invalid, overlong or cut-off
// sequence (or a surrogate) yields U+FFFD, advances one byte and returns false.
bool NextCodePoint(std::string_view s, std::size_t& i, char32_t& cp);
void AppendUtf8(std::string& out, char32_t cp);
bool IsValid(std::string_view s);

// Invalid bytes become U+FFFD, lone surrogates too.
std::u16string ToUtf16(std::string_view s);
std::string FromUtf16(std::u16string_view u);
std::size_t Utf16Length(std::string_view s);

// A path named by UTF-8 text (a program argument, a name in our files). Where
// the system's names are bytes they are taken as they are; where they are
// UTF-16 (Windows) the text is converted, which a path made from a plain
// std::string would not do.
std::filesystem::path ToPath(std::string_view text);

// A path as UTF-8 text, the inverse of ToPath: the bytes as they are where
// names are bytes, converted from UTF-16 on Windows (what path::string()
// gives there depends on the standard library: the ANSI code page with some,
// which cannot spell every name).
std::string FromPath(const std::filesystem::path& path);

}  // namespace ornyx::utf8
