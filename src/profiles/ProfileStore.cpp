#include "profiles/ProfileStore.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <system_error>

#include "common/Utf8.h"
#include "profiles/ProfileName.h"

namespace ornyx::profiles {

namespace {

namespace fs = std::filesystem;

constexpr int kActiveVersion = 1;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

// What is at the folder's name, for a reader: a link to a folder is the
// user's choice and followed; a loop or anything but a folder is refused.
enum class FolderState { Missing, Folder, Bad };

FolderState CheckFolder(const fs::path& folder, std::string& error) {
    std::error_code ec;
    const fs::file_status st = fs::status(folder, ec);
    if (st.type() == fs::file_type::not_found) {
        // A dangling or looping link is not "missing": it is in the way.
        const fs::file_status own = fs::symlink_status(folder, ec);
        if (own.type() != fs::file_type::symlink) return FolderState::Missing;
        error = folder.string() + " is a link that leads nowhere";
        return FolderState::Bad;
    }
    if (ec) {
        error = folder.string() + " cannot be read: " + ec.message();
        return FolderState::Bad;
    }
    if (!fs::is_directory(st)) {
        error = folder.string() + " is not a folder; move it away to keep profiles there";
        return FolderState::Bad;
    }
    return FolderState::Folder;
}

}  // namespace

std::string ProfileDocument(std::string_view name, const session::Profile& profile) {
    nlohmann::ordered_json doc = session::ExportProfile(profile);
    doc["name"] = std::string(name);
    return doc.dump(2) + "\n";
}

StoredProfile ReadProfileDocument(std::span<const std::uint8_t> bytes, std::string_view file) {
    StoredProfile out;
    out.file = std::string(file);
    out.name = out.file;
    std::string error;
    const std::optional<nlohmann::json> doc = session::ParseProfile(bytes, error);
    if (!doc) {
        out.reason = error;
        return out;
    }
    if (!doc->is_object() || !doc->contains("name") || !(*doc)["name"].is_string()) {
        out.reason = "name: missing, or not text";
        return out;
    }
    const std::string name = (*doc)["name"].get<std::string>();
    if (const std::string problem = NameProblem(name); !problem.empty()) {
        out.reason = "name: " + problem;
        return out;
    }
    out.name = name;
    // A file renamed by hand would be out of reach of its own name.
    if (FileNameFor(name) != out.file) {
        out.reason = "name: " + Quoted(name) + " belongs in " + FileNameFor(name).value_or("?");
        return out;
    }
    std::optional<session::Profile> profile = session::ImportProfile(*doc, error);
    if (!profile) {
        out.reason = error;
        return out;
    }
    out.profile = std::move(*profile);
    out.usable = true;
    return out;
}

ProfileStore::ProfileStore(const fs::path& home) : folder_(home / kProfilesFolderName) {}

std::optional<std::vector<StoredProfile>> ProfileStore::List(std::string& error) const {
    std::vector<StoredProfile> all;
    switch (CheckFolder(folder_, error)) {
        case FolderState::Missing:
            return all;
        case FolderState::Bad:
            return std::nullopt;
        case FolderState::Folder:
            break;
    }
    std::error_code ec;
    fs::directory_iterator it(folder_, ec);
    if (ec) {
        error = folder_.string() + " cannot be read: " + ec.message();
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        // Our temporary files and anything else not made by FileNameFor are not profiles.
        if (LooksLikeProfileFile(name)) names.push_back(std::move(name));
    }
    if (ec) {
        error = folder_.string() + " cannot be read: " + ec.message();
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    std::vector<std::uint8_t> bytes;
    for (const std::string& name : names) {
        const fs::path path = folder_ / utf8::ToPath(name);
        if (const ReadStatus read = ReadFileBounded(path, bytes, kMaxProfileBytes);
            read != ReadStatus::Ok) {
            StoredProfile bad;
            bad.name = bad.file = name;
            bad.reason = ReadStatusText(path, read, kMaxProfileBytes);
            all.push_back(std::move(bad));
            continue;
        }
        all.push_back(ReadProfileDocument(bytes, name));
    }
    return all;
}

std::optional<fs::path> ProfileStore::PathFor(std::string_view name, std::string& error) const {
    if (const std::string problem = NameProblem(name); !problem.empty()) {
        error = "the profile name " + Quoted(name) + " " + problem;
        return std::nullopt;
    }
    const std::optional<std::string> file = FileNameFor(name);
    if (!file) {
        error = "the profile name " + Quoted(name) + " cannot be made into a file name";
        return std::nullopt;
    }
    return folder_ / utf8::ToPath(*file);
}

ProfileStore::Found ProfileStore::Find(std::string_view name, StoredProfile& out,
                                       std::string& error) const {
    const std::optional<fs::path> path = PathFor(name, error);
    if (!path) return Found::Failed;
    if (CheckFolder(folder_, error) == FolderState::Bad) return Found::Failed;
    std::error_code ec;
    if (fs::symlink_status(*path, ec).type() == fs::file_type::not_found) return Found::Missing;
    std::vector<std::uint8_t> bytes;
    if (const ReadStatus read = ReadFileBounded(*path, bytes, kMaxProfileBytes);
        read != ReadStatus::Ok) {
        error = ReadStatusText(*path, read, kMaxProfileBytes);
        return Found::Failed;
    }
    out = ReadProfileDocument(bytes, path->filename().string());
    if (!out.usable) {
        error = "the profile " + Quoted(out.name) + " cannot be used: " + out.reason;
        return Found::Unusable;
    }
    return Found::Ok;
}

bool ProfileStore::PrepareFolder(std::string& error) {
    switch (CheckFolder(folder_, error)) {
        case FolderState::Folder:
            return true;
        case FolderState::Bad:
            return false;
        case FolderState::Missing:
            break;
    }
    std::error_code ec;
    fs::create_directory(folder_, ec);
    if (ec) {
        error = "cannot create " + folder_.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool ProfileStore::Save(std::string_view name, const session::Profile& profile, bool replace,
                        std::string& error) {
    const std::optional<fs::path> path = PathFor(name, error);
    if (!path || !PrepareFolder(error)) return false;
    std::error_code ec;
    if (!replace && fs::symlink_status(*path, ec).type() != fs::file_type::not_found) {
        error = "a profile " + Quoted(name) + " exists already (" + path->string() +
                "); --force replaces it";
        return false;
    }
    const WriteResult written = WriteFileAtomically(*path, Bytes(ProfileDocument(name, profile)));
    if (!written.ok) error = written.error;
    return written.ok;
}

bool ProfileStore::Rename(std::string_view from, std::string_view to, std::string& error) {
    StoredProfile old;
    switch (Find(from, old, error)) {
        case Found::Ok:
            break;
        case Found::Missing:
            error = "there is no profile " + Quoted(from);
            return false;
        default:
            return false;
    }
    const std::optional<fs::path> target = PathFor(to, error);
    if (!target) return false;
    const fs::path source = folder_ / utf8::ToPath(old.file);
    const bool sameFile = target->filename() == source.filename();
    if (!sameFile && !Save(to, old.profile, false, error)) return false;
    if (sameFile) {
        const WriteResult written =
            WriteFileAtomically(*target, Bytes(ProfileDocument(to, old.profile)));
        if (!written.ok) {
            error = written.error;
            return false;
        }
        return true;
    }
    // The new one is in place; a failure now leaves both, never neither.
    std::error_code ec;
    fs::remove(source, ec);
    if (ec) {
        error = "renamed, but " + source.string() + " could not be removed: " + ec.message();
        return false;
    }
    SyncFolder(folder_);
    return true;
}

bool ProfileStore::Remove(std::string_view name, std::string& error) {
    const std::optional<fs::path> path = PathFor(name, error);
    if (!path) return false;
    if (CheckFolder(folder_, error) == FolderState::Bad) return false;
    std::error_code ec;
    if (fs::symlink_status(*path, ec).type() == fs::file_type::not_found) {
        error = "there is no profile " + Quoted(name);
        return false;
    }
    fs::remove(*path, ec);
    if (ec) {
        error = "cannot delete " + path->string() + ": " + ec.message();
        return false;
    }
    SyncFolder(folder_);
    return true;
}

std::optional<ActiveProfile> ReadActiveProfile(const fs::path& home) {
    std::vector<std::uint8_t> bytes;
    const fs::path path = home / kActiveFileName;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) return std::nullopt;
    if (ReadFileBounded(path, bytes, 4096) != ReadStatus::Ok) return std::nullopt;
    const nlohmann::json doc = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!doc.is_object() || doc.value("version", 0) != kActiveVersion || !doc.contains("name") ||
        !doc["name"].is_string() || !doc.contains("sent") || !doc["sent"].is_boolean()) {
        return std::nullopt;
    }
    ActiveProfile active{doc["name"].get<std::string>(), doc["sent"].get<bool>()};
    if (!NameProblem(active.name).empty()) return std::nullopt;
    return active;
}

std::vector<std::uint8_t> ActiveProfileBytes(const ActiveProfile& active) {
    nlohmann::ordered_json doc;
    doc["version"] = kActiveVersion;
    doc["name"] = active.name;
    doc["sent"] = active.sent;
    const std::string text = doc.dump() + "\n";
    return {text.begin(), text.end()};
}

WriteResult WriteActiveProfile(const fs::path& home, const ActiveProfile& active) {
    return WriteFileAtomically(home / kActiveFileName, ActiveProfileBytes(active),
                               LinkHandling::ReplaceLink);
}

settings::PlannedWrite PlanActiveProfile(const fs::path& home, const ActiveProfile& active) {
    return {home / kActiveFileName,
            [bytes = ActiveProfileBytes(active)](const fs::path& p) {
                return WriteFileAtomically(p, bytes, LinkHandling::ReplaceLink);
            },
            false};
}

}  // namespace ornyx::profiles
