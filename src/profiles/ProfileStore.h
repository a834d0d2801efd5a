#pragma once

// The named profiles of a program home: one JSON document each (the export
// format, with the display name) in its folder "profiles", and the small file
// that says which one is active.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/AtomicFile.h"
#include "session/ProfileJson.h"
#include "settings/HomeLock.h"

namespace ornyx::profiles {

inline constexpr const char* kProfilesFolderName = "profiles";

// A profile is a few kilobytes; anything far larger is not one.
inline constexpr std::uintmax_t kMaxProfileBytes = 16u << 20;

struct StoredProfile {
    // The display name the document gives; the file name when it cannot be read.
    std::string name;
    std::string file;  // its name in the folder
    // False when the document cannot be used (not JSON, a newer version, a
    // wrong field, a name that is not this file's): `reason` says why.
    bool usable = false;
    std::string reason;
    session::Profile profile;  // when usable and read whole
};

// The document a profile is kept as: the export format with "name" at its end.
std::string ProfileDocument(std::string_view name, const session::Profile& profile);

// Reads one stored document whole, every field checked; `file` is its name
// in the folder.
StoredProfile ReadProfileDocument(std::span<const std::uint8_t> bytes, std::string_view file);
// Only what a listing shows: the JSON, its format, version and name. The
// settings are not read (`profile` stays empty); a wrong field among them
// shows when the profile is used.
StoredProfile ReadProfileSummary(std::span<const std::uint8_t> bytes, std::string_view file);

class ProfileStore {
public:
    explicit ProfileStore(const std::filesystem::path& home);

    const std::filesystem::path& folder() const { return folder_; }

    // Every profile file, usable or not, ordered by file name, each read as
    // ReadProfileSummary does, or taken from the folder's index (".index",
    // rewritten by every change made here) when its size and time are those
    // the index remembers. No folder is an
    // empty list; nullopt, with the reason, when the folder is a file, cannot
    // be read or is a link that goes round in a loop.
    std::optional<std::vector<StoredProfile>> List(std::string& error) const;

    enum class Found { Ok, Missing, Unusable, Failed };
    // The profile `name` (any case or composition); Unusable and Failed with
    // the reason in `error`, Missing when there is no such file.
    Found Find(std::string_view name, StoredProfile& out, std::string& error) const;

    // Stores `profile` as `name`, refusing to replace one unless `replace`.
    // The caller holds the home's exclusive lock.
    bool Save(std::string_view name, const session::Profile& profile, bool replace,
              std::string& error);
    // Gives a profile a new name (a change of case only is fine); the old one
    // must be usable, the new one free.
    bool Rename(std::string_view from, std::string_view to, std::string& error);
    bool Remove(std::string_view name, std::string& error);

    // Rewrites the index from the folder; the caller holds the exclusive lock.
    void UpdateIndex() const;

private:
    std::optional<std::vector<StoredProfile>> ListWithStamps(std::string& error,
                                                             std::string* indexText) const;
    // The folder, checked before it is written; false with the reason.
    bool PrepareFolder(std::string& error);
    // The file of a valid name, else nullopt with the reason.
    std::optional<std::filesystem::path> PathFor(std::string_view name, std::string& error) const;

    std::filesystem::path folder_;
};

// Which profile the home's files came from, and whether it reached the mouse.
inline constexpr const char* kActiveFileName = settings::kActiveProfileFileName;

struct ActiveProfile {
    std::string name;
    // False while a switch has written the files but not sent them: switching
    // to the same profile again then sends them.
    bool sent = false;
};

// nullopt when there is no such file, or one that is not ours (never trusted
// to name a file: the name goes through FileNameFor like any other).
std::optional<ActiveProfile> ReadActiveProfile(const std::filesystem::path& home);
std::vector<std::uint8_t> ActiveProfileBytes(const ActiveProfile& active);
// Replaces the file (a link there is replaced, never followed).
WriteResult WriteActiveProfile(const std::filesystem::path& home, const ActiveProfile& active);
// The same file as one step of a home replacement.
settings::PlannedWrite PlanActiveProfile(const std::filesystem::path& home,
                                         const ActiveProfile& active);

}  // namespace ornyx::profiles
