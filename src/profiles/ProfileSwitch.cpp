#include "profiles/ProfileSwitch.h"

#include <filesystem>
#include <system_error>

#include "profiles/HomeProfile.h"
#include "profiles/ProfileName.h"
#include "settings/Configuration.h"

namespace ornyx::profiles {

namespace {

namespace fs = std::filesystem;

std::optional<session::Profile> CurrentSettings(session::Session& session) {
    if (!session.settingsReady() ||
        settings::ProbeConfiguration(session.paths().config) != settings::ConfigStatus::Loaded) {
        return std::nullopt;
    }
    macros::MacroExport record;
    std::string ignored;
    return ReadHomeProfile(session, record, ignored);
}

}  // namespace

std::optional<bool> ActiveModified(session::Session& session, const ProfileStore& store,
                                   const ActiveProfile& active) {
    StoredProfile stored;
    std::string error;
    if (store.Find(active.name, stored, error) != ProfileStore::Found::Ok) return std::nullopt;
    const std::optional<session::Profile> current = CurrentSettings(session);
    if (!current) return std::nullopt;
    return !SameSettings(*current, stored.profile);
}

SwitchReport SwitchProfile(session::Session& session, const ProfileStore& store,
                           std::string_view name, const std::function<bool()>& openMouse,
                           const session::ApplyOptions& options) {
    SwitchReport report;
    StoredProfile target;
    switch (store.Find(name, target, report.error)) {
        case ProfileStore::Found::Ok:
            break;
        case ProfileStore::Found::Missing:
            report.error = "there is no profile \"" + std::string(name) + "\"";
            return report;
        default:
            return report;  // the reason is in `error`; nothing was changed
    }
    report.name = target.name;
    const fs::path& home = session.paths().home;
    const std::optional<ActiveProfile> active = ReadActiveProfile(home);
    if (active && active->sent && FileNameFor(active->name) == target.file) {
        const std::optional<session::Profile> current = CurrentSettings(session);
        if (current && SameSettings(*current, target.profile)) {
            report.outcome = SwitchReport::Outcome::AlreadyActive;
            return report;
        }
    }
    // Our own note: a link or anything else put at its name is not followed.
    std::error_code ec;
    const fs::file_type at = fs::symlink_status(home / kActiveFileName, ec).type();
    if (at != fs::file_type::not_found && at != fs::file_type::regular) {
        report.error = (home / kActiveFileName).string() + " is not a plain file; move it away";
        return report;
    }
    if (!WriteHomeProfile(session, target.profile, {PlanActiveProfile(home, {target.name, false})},
                          report.error)) {
        report.error = "cannot switch to \"" + target.name + "\": " + report.error;
        return report;
    }
    report.outcome = SwitchReport::Outcome::Switched;
    session.LoadSettings();
    report.mousePresent = openMouse();
    if (!report.mousePresent) return report;
    report.apply = session.Apply(options);
    if (!report.apply.refused && report.apply.mousePresent && report.apply.result.ok()) {
        if (const WriteResult noted = WriteActiveProfile(home, {target.name, true}); !noted.ok)
            report.noteError = noted.error;
    }
    return report;
}

}  // namespace ornyx::profiles
