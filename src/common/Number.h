#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ornyx {

// An unsigned number typed by a user: decimal, or hexadecimal after "0x" or
// "0X". The whole text must be the number: empty text, a sign, blanks, trailing
// characters and values beyond 32 bits are refused.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text);

}  // namespace ornyx
