#pragma once

// UTF-8 text as the file formats need it: the profile files store UTF-8 or
// UTF-16, and their limits count UTF-16 units, as the Windows buffers do.

#include <cstddef>
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

}  // namespace ornyx::utf8
