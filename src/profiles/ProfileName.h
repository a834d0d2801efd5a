#pragma once

// A profile's display name and the file it is kept in.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ornyx::profiles {

// Counted in characters (code points) after composition, as a person counts them.
inline constexpr std::size_t kMaxNameChars = 64;

// Why `name` cannot name a profile ("is empty", "has a line break", ...); empty
// when it can. Any letters of any language are fine; what is refused is what
// cannot be shown on one line or typed back: control characters, text that is
// not UTF-8, blanks at either end, more than kMaxNameChars characters.
std::string NameProblem(std::string_view name);

// The file name (with ".json") of the profile `name`, which must have no
// NameProblem: the same for every name that differs only in case or
// composition, and always one plain name inside the profiles folder, on
// either system. nullopt when the name cannot be converted.
std::optional<std::string> FileNameFor(std::string_view name);

// Whether `entry` (a name found in the profiles folder) is one FileNameFor makes.
bool LooksLikeProfileFile(std::string_view entry);

}  // namespace ornyx::profiles
