#pragma once

// The running desktop program as ornyxctl's profile commands see it: while it
// serves the same program home, a switch or save goes through it, so that its
// window and tray stay true and only one process drives the mouse.

#include <filesystem>
#include <string>
#include <string_view>

namespace ornyx::profiles {

// What the program answered to UseProfile or SaveProfile.
enum class ProgramAnswer {
    Done,
    NotRunning,  // nobody serves the name (it ended meanwhile): nothing happened
    NoAnswer,    // no reply in time: whether it switched is not known
    NoMouse,     // the files switched, but no mouse took them
    NoSuchProfile,
    InvalidName,
    Exists,  // a save would replace a profile other than the active one
    Busy,
    Failed,
};

// The answer an error reply of the session bus stands for: the program's own
// errors by name, the bus's for a name without owner or a call without reply;
// anything else is a failure.
ProgramAnswer AnswerForError(std::string_view errorName);

// The home as both programs compare it: absolute, links and "." resolved, in
// UTF-8. Two spellings of one folder give the same text.
std::string CanonicalHome(const std::filesystem::path& home);

}  // namespace ornyx::profiles
