#include "profiles/HomeProfile.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "common/AtomicFile.h"
#include "profile/PrivateProfile.h"
#include "settings/Configuration.h"

namespace ornyx::profiles {

namespace {

namespace fs = std::filesystem;

// How many notes on what a profile cannot carry are kept; the rest are
// counted, as a hand-made file may hold millions of them.
constexpr std::size_t kShownNotes = 10;

// A text file of the home that cannot be read is refused rather than taken as
// empty: its content would be lost in a profile, or copied for nothing.
std::string UnreadableReason(const fs::path& file) {
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return {};
    ReadStatus status = ReadStatus::Ok;
    if (ec || !fs::is_regular_file(st)) {
        status = ReadStatus::NotRegular;
    } else if (const std::uintmax_t size = fs::file_size(file, ec); ec) {
        status = ReadStatus::Failed;
    } else if (size > kMaxReadBytes) {
        status = ReadStatus::TooLarge;
    }
    return status == ReadStatus::Ok ? std::string() : ReadStatusText(file, status);
}

}  // namespace

std::optional<session::Profile> ReadHomeProfile(session::Session& session,
                                                macros::MacroExport& record, std::string& error) {
    // The labels were read already, but a failed read gives the defaults: refuse
    // to take those in place of the user's.
    if (!profile::LoadProfile(session.paths().text, &error)) return std::nullopt;
    session::Profile profile;
    profile.firstRunFlag = session.settings().firstRunFlag;
    profile.image = session.settings().image;
    profile.labels = session.text().labels;
    std::optional<macros::MacroExport> read =
        macros::ReadForExport(session.paths().record, kShownNotes, &error);
    if (!read) return std::nullopt;
    record = std::move(*read);
    for (const macros::NamedMacro& m : record.macros) {
        // A profile that its own import would refuse is not made.
        if (const macros::ReadBackProblem p = macros::CheckReadBack(m); !p.empty()) {
            error = session.paths().record.string() + ": macro \"" + m.name +
                    "\" cannot be carried by a profile: its " + p.field + " " + p.reason +
                    "; change it in the macro panel or in the file";
            return std::nullopt;
        }
        profile.macros.push_back({m.name, m.macro.loopTimes, m.macro.items});
    }
    return profile;
}

std::string MacroProblem(const session::Profile& profile) {
    for (std::size_t i = 0; i < profile.macros.size(); ++i) {
        const session::ProfileMacro& m = profile.macros[i];
        // Refused unless record.ini gives back exactly what the profile holds.
        if (const macros::ReadBackProblem p =
                macros::CheckReadBack({m.name, {m.loopTimes, m.items}});
            !p.empty()) {
            return "macros[" + std::to_string(i) + "]." + p.field + ": " + p.reason;
        }
    }
    return {};
}

bool WriteHomeProfile(session::Session& session, const session::Profile& profile,
                      const std::vector<settings::PlannedWrite>& extra, std::string& error) {
    if (error = MacroProblem(profile); !error.empty()) return false;
    const settings::ProgramPaths& paths = session.paths();
    if (settings::ProbeConfiguration(paths.config) == settings::ConfigStatus::Unusable) {
        error = paths.config.string() + " cannot be read as a settings file: " +
                settings::UnusableConfigurationReason(paths.config) + "; it was left as it is";
        return false;
    }
    // The replacement starts from copies of these two: sizes are checked first, so
    // that a huge file is refused for what it is, not copied and then refused.
    for (const fs::path& file : {paths.record, paths.text}) {
        if (error = UnreadableReason(file); !error.empty()) return false;
    }
    // Its language decides where the labels go: unread, it would be guessed.
    if (!profile::LoadProfile(paths.text, &error)) return false;
    session.text() = i18n::LoadTextSettings(paths.text);

    std::vector<macros::NamedMacro> named;
    for (const session::ProfileMacro& m : profile.macros)
        named.push_back({m.name, {m.loopTimes, m.items}});
    std::vector<std::uint8_t> config(settings::kConfigFileSize);
    config[0] = profile.firstRunFlag;
    std::copy(profile.image.bytes.begin(), profile.image.bytes.end(), config.begin() + 1);
    const i18n::Language language = session.text().language;
    const i18n::ButtonLabels current = session.text().labels;
    std::vector<settings::PlannedWrite> writes = {
        {paths.record, [&](const fs::path& p) { return macros::ReplaceAllMacros(p, named); }, true},
        // Labels that already read the same are left alone, so that str.ini keeps its bytes.
        {paths.text,
         [&](const fs::path& p) {
             return profile.labels == current ? WriteResult{true, 0, {}}
                                              : i18n::SaveButtonLabels(p, language, profile.labels);
         },
         true},
        {paths.config, [&](const fs::path& p) { return WriteFileAtomically(p, config); }, false},
    };
    writes.insert(writes.end(), extra.begin(), extra.end());
    const WriteResult replaced = settings::ReplaceTogether(paths.home, writes);
    if (!replaced.ok) {
        error = replaced.error;
        return false;
    }
    session.text() = i18n::LoadTextSettings(paths.text);
    return true;
}

bool SameSettings(const session::Profile& a, const session::Profile& b) {
    // Not the first-run flag: every apply sets it, and it is no setting of the mouse.
    if (!(a.image == b.image) || a.labels != b.labels || a.macros.size() != b.macros.size()) {
        return false;
    }
    return std::equal(a.macros.begin(), a.macros.end(), b.macros.begin());
}

}  // namespace ornyx::profiles
