#pragma once

// The one system-dependent step of naming a profile: the comparison form of a
// name, so that names differing only in case or in how their letters are
// composed are the same profile.

#include <optional>
#include <string>
#include <string_view>

namespace ornyx::profiles {

// `name` (valid UTF-8) in Unicode normalisation form C with each code point
// case-folded (simple folding: one code point for one, so "ß" stays "ß"), and
// composed again. nullopt when the system cannot convert it.
std::optional<std::string> FoldName(std::string_view name);

// `name` in normalisation form C; nullopt when the system cannot convert it.
std::optional<std::string> ComposeName(std::string_view name);

}  // namespace ornyx::profiles
