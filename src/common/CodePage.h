#pragma once

// Windows ANSI code pages (through iconv on Linux, the system's own
// conversions on Windows): files written by a Windows system without a BOM
// are in the code page of its language.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

struct Decoded {
    std::string text;  // UTF-8
    // Every sequence had a meaning and the text encodes back to the same bytes:
    // only then may the text stand for the bytes when they are written again.
    bool exact = false;
};

// Decodes each piece on its own, so that one bad sequence spoils only its own
// piece: a sequence without meaning becomes U+FFFD (a lead byte and the byte
// after it as one, as Windows reads a double-byte code page), the rest reads as
// it is. One converter serves every piece. Empty when the code page is not
// available.
std::vector<Decoded> DecodeEach(std::span<const std::string_view> pieces, unsigned codePage);

// How many bytes at the start of `rest` (where a sequence without meaning
// starts) one U+FFFD stands for: a lead byte takes the byte after it along,
// unless that is one no double-byte character ends in.
std::size_t UnreadableLength(std::string_view rest, unsigned codePage);

}  // namespace ornyx::codepage
