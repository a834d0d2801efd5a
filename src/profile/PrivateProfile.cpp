#include "profile/PrivateProfile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#include "common/Utf8.h"

namespace ornyx::profile {

namespace fs = std::filesystem;

namespace {

using utf8::AppendUtf8;
using utf8::kReplacement;
using utf8::NextCodePoint;
using utf8::ToUtf16;

// ---- UTF-16 / Latin-1 ------------------------------------------------------------

// Lone surrogates and an odd last byte become U+FFFD.
std::string DecodeUtf16Le(std::span<const std::uint8_t> b) {
    auto unit = [&b](std::size_t k) { return static_cast<char32_t>(b[k] | (b[k + 1] << 8)); };
    std::string out;
    std::size_t i = 0;
    for (; i + 1 < b.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < b.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, (cp >= 0xD800 && cp <= 0xDFFF) ? kReplacement : cp);
    }
    if (i < b.size()) AppendUtf8(out, kReplacement);
    return out;
}

std::vector<std::uint8_t> Encode(std::string_view text, TextEncoding encoding, bool bom) {
    std::vector<std::uint8_t> out;
    if (encoding == TextEncoding::Utf16Le) {
        out = {0xFF, 0xFE};
        for (const char16_t u : ToUtf16(text)) {
            out.push_back(static_cast<std::uint8_t>(u & 0xFF));
            out.push_back(static_cast<std::uint8_t>(u >> 8));
        }
        return out;
    }
    if (bom) out = {0xEF, 0xBB, 0xBF};
    const std::size_t start = out.size();
    if (encoding == TextEncoding::Latin1) {
        char32_t cp = 0;
        for (std::size_t i = 0; i < text.size() && cp <= 0xFF;) {
            NextCodePoint(text, i, cp);
            out.push_back(static_cast<std::uint8_t>(cp));
        }
        if (cp <= 0xFF) return out;
        out.resize(start);  // a character beyond Latin-1: the whole file goes out as UTF-8
    }
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

// Keeps the first `maxUnits` UTF-16 code units of s (C-string semantics: stops at
// NUL); a surrogate pair that does not fit whole is dropped.
std::string CutToUnits(std::string_view s, std::size_t maxUnits) {
    std::string out;
    std::size_t units = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < s.size() && s[i] != '\0';) {
        NextCodePoint(s, i, cp);
        units += cp >= 0x10000 ? 2 : 1;
        if (units > maxUnits) break;
        AppendUtf8(out, cp);
    }
    return out;
}

// ---- Line structure ----------------------------------------------------------------

// The blanks the profile functions trim (Ctrl-Z included, as Windows does).
std::string_view Trim(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f\x1a";
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes still on
};

LineInfo Classify(std::string_view text) {
    text = Trim(text.substr(0, text.find('\0')));  // a stray NUL ends the line, as in C strings
    if (text.empty() || text.front() == ';') return {};
    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close == std::string_view::npos) return {};
        return {LineKind::Section, Trim(text.substr(1, close - 1)), {}};
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return {};
    return {LineKind::Key, Trim(text.substr(0, eq)), Trim(text.substr(eq + 1))};
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

// ---- File access -------------------------------------------------------------------

WriteResult Failure(int err, std::string what) {
    WriteResult r;
    r.errorCode = err;
    r.error = std::move(what);
    return r;
}

WriteResult Success() {
    WriteResult r;
    r.ok = true;
    return r;
}

enum class LoadStatus { Loaded, Missing, Failed };

// A file that exists but cannot be read is reported as Failed, so that a write never
// replaces content it could not see.
LoadStatus LoadDocument(const fs::path& file, IniDocument& doc, WriteResult& failure) {
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return LoadStatus::Missing;
    if (ec || !fs::is_regular_file(st)) {  // also keeps us from blocking on a FIFO
        failure = Failure(fs::is_directory(st) ? EISDIR : EINVAL,
                          file.string() + " is not a readable file");
        return LoadStatus::Failed;
    }
    std::vector<std::uint8_t> bytes;
    if (const ReadStatus read = ReadFileBounded(file, bytes); read != ReadStatus::Ok) {
        failure = Failure(read == ReadStatus::TooLarge ? EFBIG : EIO, ReadStatusText(file, read));
        return LoadStatus::Failed;
    }
    doc = IniDocument::Parse(bytes);
    return LoadStatus::Loaded;
}

std::optional<std::string> CheckText(std::string_view what, std::string_view s) {
    if (s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return std::string(what) + " contains a line break or NUL";
    }
    if (!utf8::IsValid(s)) return std::string(what) + " is not valid UTF-8";
    return std::nullopt;
}

// Refuses what would not read back as written: a line break would start a new line
// (even a new section), '=' in a key would move the split point.
std::optional<std::string> Validate(std::string_view section, std::optional<std::string_view> key,
                                    std::optional<std::string_view> value) {
    if (Trim(section).empty()) return "empty section name";
    if (auto bad = CheckText("section name", section)) return bad;
    if (!key) return std::nullopt;
    const std::string_view k = Trim(*key);
    if (k.empty()) return "empty key name";
    if (auto bad = CheckText("key name", k)) return bad;
    if (k.find('=') != std::string_view::npos || k.front() == '[' || k.front() == ';') {
        return "key name contains '=' or starts with '[' or ';'";
    }
    if (value) return CheckText("value", *value);
    return std::nullopt;
}

}  // namespace

// ---- IniDocument -------------------------------------------------------------------

IniDocument IniDocument::Parse(std::span<const std::uint8_t> bytes) {
    IniDocument doc;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        doc.encoding_ = TextEncoding::Utf16Le;
        doc.bom_ = true;
        text = DecodeUtf16Le(bytes.subspan(2));
    } else {
        doc.bom_ = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
        const auto body = bytes.subspan(doc.bom_ ? 3 : 0);
        text.assign(body.begin(), body.end());
        if (!utf8::IsValid(text)) {
            // Probably a legacy code page: each byte stands for itself, so untouched
            // lines are written back exactly as they were.
            doc.encoding_ = TextEncoding::Latin1;
            text.clear();
            for (const std::uint8_t b : body) AppendUtf8(text, b);
        }
    }
    doc.lines_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            doc.lines_.push_back({text.substr(start), ""});
            break;
        }
        const bool crlf = nl > start && text[nl - 1] == '\r';
        doc.lines_.push_back({text.substr(start, nl - start - (crlf ? 1 : 0)), crlf ? "\r\n" : "\n"});
        start = nl + 1;
    }
    if (!doc.lines_.empty() && !doc.lines_.front().eol.empty()) doc.newline_ = doc.lines_.front().eol;
    return doc;
}

std::vector<std::uint8_t> IniDocument::Serialize() const {
    std::string text;
    for (const Line& line : lines_) text += line.text + line.eol;
    return Encode(text, encoding_, bom_);
}

namespace {

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t IniDocument::NameHash::operator()(std::string_view name) const {
    std::size_t h = 1469598103934665603ull;  // FNV-1a over the folded bytes
    for (const char c : name) h = (h ^ static_cast<unsigned char>(FoldChar(c))) * 1099511628211ull;
    return h;
}

bool IniDocument::NameEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsNoCase(a, b);
}

const IniDocument::Index& IniDocument::Indexed() const {
    if (index_) return *index_;
    Index index;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = Classify(lines_[i].text);
        if (info.kind != LineKind::Section) continue;
        if (!index.blocks.empty()) index.blocks.back().end = i;
        index.blocks.push_back({i, lines_.size(), std::string(info.name)});
        index.byName[index.blocks.back().name].push_back(index.blocks.size() - 1);
    }
    index_ = std::move(index);
    return *index_;
}

const std::vector<std::size_t>* IniDocument::BlocksOf(std::string_view section) const {
    const Index& index = Indexed();
    const auto it = index.byName.find(section);
    return it == index.byName.end() ? nullptr : &it->second;
}

void IniDocument::InsertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = newline_;
    const bool append = at == lines_.size();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), newline_});
    if (!index_) return;
    if (!append) {
        index_.reset();
        return;
    }
    // An appended line extends the last block, or starts a new one.
    const LineInfo info = Classify(lines_.back().text);
    if (!index_->blocks.empty()) index_->blocks.back().end = lines_.size() - (info.kind == LineKind::Section ? 1 : 0);
    if (info.kind == LineKind::Section) {
        index_->blocks.push_back({lines_.size() - 1, lines_.size(), std::string(info.name)});
        index_->byName[index_->blocks.back().name].push_back(index_->blocks.size() - 1);
    }
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    section = Trim(section);
    key = Trim(key);
    if (key.empty()) return std::nullopt;
    const std::vector<std::size_t>* blocks = BlocksOf(section);
    if (blocks == nullptr) return std::nullopt;
    for (const std::size_t b : *blocks) {
        const Block& block = index_->blocks[b];
        for (std::size_t i = block.header + 1; i < block.end; ++i) {
            const LineInfo info = Classify(lines_[i].text);
            if (info.kind == LineKind::Key && EqualsNoCase(info.name, key)) {
                return std::string(Unquote(info.value));
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const {
    const Index& index = Indexed();
    std::vector<std::string> names;
    for (const Block& b : index.blocks) {
        if (b.name.empty()) continue;  // "[]" would read as the end of a Windows name list
        // Listed once, at its first block.
        const std::vector<std::size_t>& same = index.byName.find(b.name)->second;
        if (&index.blocks[same.front()] == &b) names.push_back(b.name);
    }
    return names;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    std::vector<Block> blocks;  // copies: an insertion below may rebuild the index
    if (const auto* found = BlocksOf(section)) {
        for (const std::size_t b : *found) blocks.push_back(index_->blocks[b]);
    }
    for (const Block* b = blocks.data(); b != blocks.data() + blocks.size(); ++b) {
        for (std::size_t i = b->header + 1; i < b->end; ++i) {
            const LineInfo info = Classify(lines_[i].text);
            if (info.kind != LineKind::Key || !EqualsNoCase(info.name, key)) continue;
            if (info.value == value) return false;  // keep the line as it is
            lines_[i].text = std::string(info.name) + "=" + std::string(value);
            return true;
        }
    }
    std::string line = std::string(key) + "=" + std::string(value);
    if (!blocks.empty()) {
        // After the section's last key, so trailing blank lines and comments that
        // introduce the next section stay where they are.
        const Block& first = blocks.front();
        std::size_t after = first.header;
        for (std::size_t i = first.header + 1; i < first.end; ++i) {
            if (Classify(lines_[i].text).kind == LineKind::Key) after = i;
        }
        InsertLine(after + 1, std::move(line));
        return true;
    }
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::move(line));
    return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    std::vector<std::size_t> doomed;
    if (const auto* blocks = BlocksOf(section)) {
        for (const std::size_t b : *blocks) {
            const Block& block = index_->blocks[b];
            for (std::size_t i = block.header + 1; i < block.end; ++i) {
                const LineInfo info = Classify(lines_[i].text);
                if (info.kind == LineKind::Key && EqualsNoCase(info.name, key)) doomed.push_back(i);
            }
        }
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    if (!doomed.empty()) index_.reset();
    return !doomed.empty();
}

bool IniDocument::RemoveSection(std::string_view section) {
    section = Trim(section);
    std::vector<std::pair<std::size_t, std::size_t>> doomed;
    if (const auto* blocks = BlocksOf(section)) {
        for (const std::size_t b : *blocks) doomed.emplace_back(index_->blocks[b].header, index_->blocks[b].end);
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->first),
                     lines_.begin() + static_cast<std::ptrdiff_t>(it->second));
    }
    if (!doomed.empty()) index_.reset();
    return !doomed.empty();
}

bool IniDocument::RemoveAllSections() {
    const Index& index = Indexed();
    std::vector<bool> keep(lines_.size(), true);
    bool removed = false;
    for (const Block& b : index.blocks) {
        if (b.name.empty()) continue;  // "[]" is no section of the list, as above
        for (std::size_t i = b.header; i < b.end; ++i) keep[i] = false;
        removed = true;
    }
    if (!removed) return false;
    std::vector<Line> kept;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (keep[i]) kept.push_back(std::move(lines_[i]));
    }
    lines_ = std::move(kept);
    index_.reset();
    return true;
}

// ---- File functions ----------------------------------------------------------------

std::string GetPrivateProfileString(const fs::path& file, std::string_view section,
                                    std::string_view key, std::string_view defaultValue,
                                    std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    IniDocument doc;
    WriteResult ignored;
    std::optional<std::string> value;
    if (LoadDocument(file, doc, ignored) == LoadStatus::Loaded) value = doc.Get(section, key);
    return CutToUnits(value ? std::string_view(*value) : defaultValue, bufferChars - 1);
}

std::optional<IniDocument> LoadProfile(const fs::path& file, std::string* error) {
    IniDocument doc;
    WriteResult failure;
    switch (LoadDocument(file, doc, failure)) {
        case LoadStatus::Loaded: return doc;
        case LoadStatus::Missing: return IniDocument{};
        case LoadStatus::Failed: break;
    }
    if (error != nullptr) *error = failure.error;
    return std::nullopt;
}

std::string GetProfileString(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    const std::optional<std::string> value = doc.Get(section, key);
    return CutToUnits(value ? std::string_view(*value) : defaultValue, bufferChars - 1);
}

std::vector<std::string> GetPrivateProfileSectionNames(const fs::path& file) {
    IniDocument doc;
    WriteResult ignored;
    if (LoadDocument(file, doc, ignored) != LoadStatus::Loaded) return {};
    return doc.SectionNames();
}

std::u16string GetPrivateProfileSectionNamesBuffer(const fs::path& file, std::size_t bufferChars) {
    return SectionNamesBuffer(GetPrivateProfileSectionNames(file), bufferChars);
}

std::u16string SectionNamesBuffer(std::span<const std::string> names, std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    std::u16string out;
    std::size_t room = bufferChars - 1;  // one place is kept for the closing NUL
    for (const std::string& name : names) {
        const std::u16string u = ToUtf16(name);
        if (u.size() + 1 > room) {
            // Does not fit with its NUL: cut it so the list still ends in two NULs.
            if (room == 0) break;
            std::size_t take = std::min(u.size(), room - 1);
            if (take > 0 && take < u.size() && u[take - 1] >= 0xD800 && u[take - 1] <= 0xDBFF) --take;
            out.append(u, 0, take);
            out += u'\0';
            break;
        }
        out += u;
        out += u'\0';
        room -= u.size() + 1;
    }
    out += u'\0';
    return out;
}

WriteResult WritePrivateProfileString(const fs::path& file, std::string_view section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> value) {
    if (auto bad = Validate(section, key, value)) {
        return Failure(EINVAL, "not written to " + file.string() + ": " + *bad);
    }
    IniDocument doc;
    WriteResult failure;
    // A missing file is an empty document: deletions then change nothing and create nothing.
    if (LoadDocument(file, doc, failure) == LoadStatus::Failed) return failure;
    const bool changed = !key     ? doc.RemoveSection(section)
                         : !value ? doc.RemoveKey(section, *key)
                                  : doc.Set(section, *key, *value);
    if (!changed) return Success();
    const std::vector<std::uint8_t> bytes = doc.Serialize();
    return WriteFileAtomically(file, bytes);
}

WriteResult WritePrivateProfileStrings(const fs::path& file, std::string_view section,
                                       std::span<const ProfileEntry> entries) {
    for (const ProfileEntry& e : entries) {
        if (auto bad = Validate(section, e.key, e.value)) {
            return Failure(EINVAL, "not written to " + file.string() + ": " + *bad);
        }
    }
    IniDocument doc;
    WriteResult failure;
    if (LoadDocument(file, doc, failure) == LoadStatus::Failed) return failure;
    bool changed = false;
    for (const ProfileEntry& e : entries) changed = doc.Set(section, e.key, e.value) || changed;
    if (!changed) return Success();
    const std::vector<std::uint8_t> bytes = doc.Serialize();
    return WriteFileAtomically(file, bytes);
}

}  // namespace ornyx::profile
