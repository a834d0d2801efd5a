#include "profiles/ProfileStore.h"

#include <algorithm>
#include <limits>
#include <map>
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

// The few top-level fields a listing needs, read without building the
// document: a listing of thousands of profiles reads each one whole.
class HeaderReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    std::optional<std::string> format, name;
    std::optional<long long> version;
    std::string syntaxError;

    bool null() override { return Scalar(); }
    bool boolean(bool) override { return Scalar(); }
    bool number_integer(number_integer_t v) override { return Number(v); }
    bool number_unsigned(number_unsigned_t v) override {
        return Number(v > static_cast<number_unsigned_t>(std::numeric_limits<long long>::max())
                          ? -1
                          : static_cast<long long>(v));
    }
    bool number_float(number_float_t, const string_t&) override { return Scalar(); }
    bool string(string_t& v) override {
        if (depth_ == 1 && key_ == "format") format = v;
        if (depth_ == 1 && key_ == "name") name = v;
        return Scalar();
    }
    bool binary(binary_t&) override { return Scalar(); }
    bool start_object(std::size_t) override { return Open(); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_array() override { return Close(); }
    bool key(string_t& k) override {
        if (depth_ == 1) key_ = k;
        return true;
    }
    bool parse_error(std::size_t, const std::string&,
                     const nlohmann::detail::exception& e) override {
        syntaxError = e.what();
        return false;
    }

private:
    bool Scalar() {
        if (depth_ == 1) key_.clear();
        return true;
    }
    bool Number(long long v) {
        if (depth_ == 1 && key_ == "version") version = v;
        return Scalar();
    }
    bool Open() {
        if (depth_ == 1) key_.clear();
        ++depth_;
        return true;
    }
    bool Close() {
        --depth_;
        return true;
    }
    int depth_ = 0;
    std::string key_;
};

}  // namespace

StoredProfile ReadProfileSummary(std::span<const std::uint8_t> bytes, std::string_view file) {
    StoredProfile out;
    out.file = std::string(file);
    out.name = out.file;
    HeaderReader header;
    // Plain pointers: the parser reads them several times faster than span iterators.
    const char* text = reinterpret_cast<const char*>(bytes.data());
    if (!nlohmann::json::sax_parse(text, text + bytes.size(), &header) ||
        !header.syntaxError.empty()) {
        // Said as the whole read says it; broken files are few.
        std::string error;
        (void)session::ParseProfile(bytes, error);
        out.reason = error.empty() ? header.syntaxError : error;
        return out;
    }
    if (!header.name) {
        out.reason = "name: missing, or not text";
        return out;
    }
    if (const std::string problem = NameProblem(*header.name); !problem.empty()) {
        out.reason = "name: " + problem;
        return out;
    }
    out.name = *header.name;
    if (header.format != session::kProfileFormat) {
        out.reason = std::string("format: must be \"") + session::kProfileFormat + "\"";
        return out;
    }
    if (header.version != session::kProfileVersion) {
        out.reason =
            "version: this program reads version " + std::to_string(session::kProfileVersion);
        return out;
    }
    if (FileNameFor(*header.name) != out.file) {
        out.reason = "name: " + Quoted(*header.name) + " belongs in " +
                     FileNameFor(*header.name).value_or("?");
        return out;
    }
    out.usable = true;
    return out;
}

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

namespace {

constexpr const char* kIndexFileName = ".index";
constexpr int kIndexVersion = 1;
// Thousands of entries of a few hundred bytes; anything far larger is not ours.
constexpr std::uintmax_t kMaxIndexBytes = 64u << 20;

// A file's size and time as the index keeps them: changed by any write.
struct Stamp {
    std::uintmax_t size = 0;
    long long time = 0;
    bool operator==(const Stamp&) const = default;
};

std::optional<Stamp> StampOf(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    const auto time = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return Stamp{size, static_cast<long long>(time.time_since_epoch().count())};
}

std::string Utf8Name(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return {reinterpret_cast<const char*>(name.data()), name.size()};
}

struct IndexEntry {
    Stamp stamp;
    StoredProfile summary;
};

// The summaries the index remembers, by file name. It only spares reading
// files whose size and time are unchanged; it never names a file to read or
// write (those come from the folder itself), and a wrong one only makes the
// listing wrong until the next save, while 'use' reads the file whole anyway.
std::map<std::string, IndexEntry> ReadIndex(const fs::path& folder) {
    std::map<std::string, IndexEntry> index;
    std::vector<std::uint8_t> bytes;
    if (ReadFileBounded(folder / kIndexFileName, bytes, kMaxIndexBytes) != ReadStatus::Ok)
        return index;
    const nlohmann::json doc = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!doc.is_object() || doc.value("version", 0) != kIndexVersion || !doc.contains("entries") ||
        !doc["entries"].is_array()) {
        return index;
    }
    for (const nlohmann::json& e : doc["entries"]) {
        try {
            IndexEntry entry;
            entry.stamp = {e.at("size").get<std::uintmax_t>(), e.at("time").get<long long>()};
            entry.summary.file = e.at("file").get<std::string>();
            entry.summary.name = e.at("name").get<std::string>();
            entry.summary.usable = e.at("usable").get<bool>();
            entry.summary.reason = e.at("reason").get<std::string>();
            index[entry.summary.file] = std::move(entry);
        } catch (const nlohmann::json::exception&) {
            return {};  // not ours: every file is read again
        }
    }
    return index;
}

}  // namespace

std::optional<std::vector<StoredProfile>> ProfileStore::List(std::string& error) const {
    return ListWithStamps(error, nullptr);
}

std::optional<std::vector<StoredProfile>> ProfileStore::ListWithStamps(
    std::string& error, std::string* indexText) const {
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
        std::string name = Utf8Name(it->path());
        // Our temporary files and anything else not made by FileNameFor are not profiles.
        if (LooksLikeProfileFile(name)) names.push_back(std::move(name));
    }
    if (ec) {
        error = folder_.string() + " cannot be read: " + ec.message();
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    const std::map<std::string, IndexEntry> index = ReadIndex(folder_);
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    std::vector<std::uint8_t> bytes;
    for (const std::string& name : names) {
        const fs::path path = folder_ / utf8::ToPath(name);
        const std::optional<Stamp> stamp = StampOf(path);
        const auto known = index.find(name);
        if (stamp && known != index.end() && known->second.stamp == *stamp) {
            all.push_back(known->second.summary);
        } else if (const ReadStatus read = ReadFileBounded(path, bytes, kMaxProfileBytes);
                   read != ReadStatus::Ok) {
            StoredProfile bad;
            bad.name = bad.file = name;
            bad.reason = ReadStatusText(path, read, kMaxProfileBytes);
            all.push_back(std::move(bad));
            continue;  // not remembered: it may be readable next time
        } else {
            all.push_back(ReadProfileSummary(bytes, name));
        }
        if (indexText != nullptr && stamp) {
            const StoredProfile& p = all.back();
            entries.push_back({{"file", p.file},
                               {"size", stamp->size},
                               {"time", stamp->time},
                               {"name", p.name},
                               {"usable", p.usable},
                               {"reason", p.reason}});
        }
    }
    if (indexText != nullptr) {
        nlohmann::ordered_json doc;
        doc["version"] = kIndexVersion;
        doc["entries"] = std::move(entries);
        *indexText = doc.dump() + "\n";
    }
    return all;
}

void ProfileStore::UpdateIndex() const {
    std::string error, text;
    if (!ListWithStamps(error, &text)) return;
    RemoveStaleTemporaries(folder_, kIndexFileName);
    // Only a cache: a failure to write it costs time at the next listing, nothing else.
    (void)WriteFileAtomically(folder_ / kIndexFileName, Bytes(text), LinkHandling::ReplaceLink);
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
    out = ReadProfileDocument(bytes, Utf8Name(*path));
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
    // What a killed save of this profile left behind goes first.
    RemoveStaleTemporaries(folder_, Utf8Name(*path));
    const WriteResult written = WriteFileAtomically(*path, Bytes(ProfileDocument(name, profile)));
    if (!written.ok) {
        error = written.error;
        return false;
    }
    UpdateIndex();
    return true;
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
        UpdateIndex();
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
    UpdateIndex();
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
    UpdateIndex();
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
