#pragma once

// Windows ANSI code pages through the C library's iconv: files written by a
// Windows system without a BOM are in the code page of its language.

#include <optional>
#include <string>
#include <string_view>

namespace ornyx::codepage {

// The code pages the four languages use: Simplified Chinese (GBK), Traditional
// Chinese (Big5), Turkish and Western European.
inline constexpr unsigned kChineseSimplified = 936;
inline constexpr unsigned kChineseTraditional = 950;
inline constexpr unsigned kTurkish = 1254;
inline constexpr unsigned kWestern = 1252;

// Bytes in `codePage` to UTF-8; nullopt when a byte sequence has no meaning in
// it (or the code page is not available).
std::optional<std::string> Decode(std::string_view bytes, unsigned codePage);

// UTF-8 to `codePage`; nullopt when a character has no place in it.
std::optional<std::string> Encode(std::string_view utf8, unsigned codePage);

}  // namespace ornyx::codepage
