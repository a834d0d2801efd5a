#include "profiles/DesktopProgram.h"

#include <system_error>

namespace ornyx::profiles {

ProgramAnswer AnswerForError(std::string_view errorName) {
    constexpr std::string_view kOurs = "org.ornyx.OrnyxMouse1.Error.";
    if (errorName.starts_with(kOurs)) {
        const std::string_view what = errorName.substr(kOurs.size());
        if (what == "NoMouse") return ProgramAnswer::NoMouse;
        if (what == "NoSuchProfile") return ProgramAnswer::NoSuchProfile;
        if (what == "InvalidName") return ProgramAnswer::InvalidName;
        if (what == "Exists") return ProgramAnswer::Exists;
        if (what == "Busy") return ProgramAnswer::Busy;
        return ProgramAnswer::Failed;
    }
    // The name lost its owner between the look and the call (ServiceUnknown
    // with auto-start off, NameHasNoOwner): the call reached nobody.
    if (errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
        errorName == "org.freedesktop.DBus.Error.NameHasNoOwner") {
        return ProgramAnswer::NotRunning;
    }
    // The call went out and may still be carried out: never "not running".
    if (errorName == "org.freedesktop.DBus.Error.NoReply" ||
        errorName == "org.freedesktop.DBus.Error.Timeout" ||
        errorName == "org.freedesktop.DBus.Error.TimedOut") {
        return ProgramAnswer::NoAnswer;
    }
    return ProgramAnswer::Failed;
}

std::string CanonicalHome(const std::filesystem::path& home) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(home, ec);
    if (ec) {
        resolved = std::filesystem::absolute(home, ec);
        if (ec) resolved = home;
    }
    // A trailing separator would make two spellings of one folder differ.
    if (!resolved.has_filename() && resolved.has_relative_path()) resolved = resolved.parent_path();
    const std::u8string text = resolved.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace ornyx::profiles
