#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornyx {

// "0a 1b ff": lower case, two digits, single spaces (the trace format).
std::string HexSpaced(std::span<const std::uint8_t> bytes);
// "0a1bff": lower case, no separators.
std::string HexCompact(std::span<const std::uint8_t> bytes);
// Parses hex digits, ignoring spaces, colons and an optional "0x" prefix.
// Returns nullopt on an odd digit count or a non-hex character.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

}  // namespace ornyx
