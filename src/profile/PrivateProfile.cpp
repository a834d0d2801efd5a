#include "profile/PrivateProfile.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "common/CodePage.h"
#include "common/Utf8.h"

namespace ornyx::profile {

namespace fs = std::filesystem;

namespace {

using utf8::AppendUtf8;
using utf8::kReplacement;
using utf8::NextCodePoint;
using utf8::ToUtf16;

// ---- Encodings -------------------------------------------------------------------

bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool IsUtf8Text(std::span<const std::uint8_t> body) {
    return utf8::IsValid(AsChars(body));
}

// The UTF-16 unit at byte k in the given byte order.
char32_t Utf16Unit(std::span<const std::uint8_t> b, std::size_t k, bool bigEndian) {
    return bigEndian ? static_cast<char32_t>((b[k] << 8) | b[k + 1])
                     : static_cast<char32_t>(b[k] | (b[k + 1] << 8));
}

// Lone surrogates and an odd last byte become U+FFFD and clear `exact`.
std::string DecodeUtf16(std::span<const std::uint8_t> b, bool bigEndian, bool& exact) {
    exact = true;
    std::string out;
    std::size_t i = 0;
    for (; i + 1 < b.size(); i += 2) {
        char32_t cp = Utf16Unit(b, i, bigEndian);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < b.size()) {
            const char32_t low = Utf16Unit(b, i + 2, bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
            exact = false;
        }
        AppendUtf8(out, cp);
    }
    if (i < b.size()) {
        AppendUtf8(out, kReplacement);
        exact = false;
    }
    return out;
}

void AppendUtf16(std::vector<std::uint8_t>& out, std::string_view text, bool bigEndian) {
    for (const char16_t u : ToUtf16(text)) {
        const auto lo = static_cast<std::uint8_t>(u & 0xFF);
        const auto hi = static_cast<std::uint8_t>(u >> 8);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
}

// Invalid bytes become U+FFFD.
std::string DecodeUtf8Lossy(std::string_view bytes) {
    std::string out;
    char32_t cp = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        NextCodePoint(bytes, i, cp);
        AppendUtf8(out, cp);
    }
    return out;
}

// Each byte as the character of the same number, and back.
std::string DecodeBytewise(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) AppendUtf8(text, b);
    return text;
}

std::optional<std::string> EncodeBytewise(std::string_view text) {
    std::string out;
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        NextCodePoint(text, i, cp);
        if (cp > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(cp));
    }
    return out;
}

struct Detected {
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t bomSize = 0;
};

// UTF-16 without BOM, recognised as text detection does: a NUL byte in every
// ASCII character, and so always at the same parity. Conservative on purpose:
// an 8-bit or UTF-8 file has no NUL bytes, so it never qualifies. Over the start
// of the file, at least a quarter of the units must be ASCII in one byte order
// and four times as many as in the other, none may be NUL (a sign of binary
// data, not text), and a line end must be a whole unit of that order (a file
// without one must be ASCII throughout).
std::optional<TextEncoding> Utf16WithoutBom(std::span<const std::uint8_t> b) {
    constexpr std::size_t kSample = 4096;
    if (b.size() < 2 || b.size() % 2 != 0) return std::nullopt;
    const std::span<const std::uint8_t> sample = b.first(std::min(b.size(), kSample));
    const std::size_t units = sample.size() / 2;
    for (const bool bigEndian : {false, true}) {
        std::size_t ascii = 0;
        std::size_t reversed = 0;
        bool lineEnd = false;
        bool nul = false;
        for (std::size_t k = 0; k < sample.size(); k += 2) {
            const char32_t u = Utf16Unit(sample, k, bigEndian);
            nul = nul || u == 0;
            if (u != 0 && u < 0x100) ++ascii;
            if (u != 0 && (u & 0xFF) == 0) ++reversed;
            lineEnd = lineEnd || u == '\r' || u == '\n';
        }
        if (nul) return std::nullopt;
        const bool pattern = ascii * 4 >= units && reversed * 4 <= ascii;
        const bool lines = lineEnd || (ascii == units && sample.size() == b.size() &&
                                       std::find_if(b.begin(), b.end(), [](std::uint8_t c) {
                                           return c == '\r' || c == '\n';
                                       }) == b.end());
        if (pattern && lines) return bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
    }
    return std::nullopt;
}

Detected DetectEncoding(std::span<const std::uint8_t> b) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) return {TextEncoding::Utf16Le, 2};
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) return {TextEncoding::Utf16Be, 2};
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return {TextEncoding::Utf8, 3};
    if (const auto utf16 = Utf16WithoutBom(b)) return {*utf16, 0};
    return {IsUtf8Text(b) ? TextEncoding::Utf8 : TextEncoding::Ansi, 0};
}

// A line as stored: its content bytes (without the line end) and its line end.
struct StoredLine {
    std::span<const std::uint8_t> content;
    std::string eol;
};

// A line ends at CR LF, LF or a lone CR, as Windows reads them; in UTF-16 these
// are whole units. In the code pages used here CR and LF never occur inside a
// double-byte character, so the split is safe before decoding.
std::vector<StoredLine> SplitLines(std::span<const std::uint8_t> body, TextEncoding encoding) {
    const std::size_t width = IsUtf16(encoding) ? 2 : 1;
    const bool bigEndian = encoding == TextEncoding::Utf16Be;
    auto unit = [&](std::size_t k) {
        return width == 1 ? static_cast<char32_t>(body[k]) : Utf16Unit(body, k, bigEndian);
    };
    std::vector<StoredLine> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i + width <= body.size(); i += width) {
        const char32_t u = unit(i);
        if (u != '\r' && u != '\n') continue;
        const bool crlf = u == '\r' && i + 2 * width <= body.size() && unit(i + width) == '\n';
        lines.push_back({body.subspan(start, i - start), crlf ? "\r\n" : u == '\r' ? "\r" : "\n"});
        if (crlf) i += width;
        start = i + width;
    }
    if (start < body.size()) lines.push_back({body.subspan(start), ""});
    return lines;
}

bool IsAscii(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t c) { return c < 0x80; });
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
    auto fold = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

enum class LineKind { Blank, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes still on
    bool hasValue = false;   // a key line without '=' reads as missing
};

// As the Windows functions see a line: a '[' line without ']' and a ';' line are
// keys like any other.
LineInfo Classify(std::string_view text) {
    text = Trim(text.substr(0, text.find('\0')));  // a stray NUL ends the line, as in C strings
    if (text.empty()) return {};
    if (text.front() == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string_view::npos)
            return {LineKind::Section, Trim(text.substr(1, close - 1)), {}, false};
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) return {LineKind::Key, text, {}, false};
    return {LineKind::Key, Trim(text.substr(0, eq)), Trim(text.substr(eq + 1)), true};
}

// A key line a person would read as a key, not as a comment: new keys go after
// the last of these, so that a comment introducing the next section stays there.
bool IsPlainKey(const LineInfo& info) {
    return info.kind == LineKind::Key && !info.name.empty() && info.name.front() != ';';
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
    doc = IniDocument::ParseFile(file, bytes);
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
    if (k.find('=') != std::string_view::npos || k.front() == '[') {
        return "key name contains '=' or starts with '['";
    }
    if (value) return CheckText("value", *value);
    return std::nullopt;
}

}  // namespace

// ---- IniDocument -------------------------------------------------------------------

unsigned AnsiCodePageForLanguage(std::string_view languageCode) {
    // The same exact, upper-case match the language choice uses.
    if (languageCode == "CHS") return codepage::kChineseSimplified;
    if (languageCode == "CHT") return codepage::kChineseTraditional;
    if (languageCode == "TUR") return codepage::kTurkish;
    return codepage::kWestern;
}

unsigned LegacyCodePageFor(const fs::path& file, std::span<const std::uint8_t> bytes) {
    // "Lan" is plain ASCII, which every one of these code pages keeps as it is,
    // so a byte-wise read finds it in a file of any of them.
    if (file.filename() == "str.ini") {
        return AnsiCodePageForLanguage(IniDocument::Parse(bytes).Get("Skins", "Lan").value_or(""));
    }
    const fs::path text = file.parent_path() / "str.ini";
    std::error_code ec;
    std::vector<std::uint8_t> textBytes;
    if (!fs::is_regular_file(text, ec) || !ReadWholeFile(text, textBytes)) {
        return codepage::kWestern;
    }
    return AnsiCodePageForLanguage(IniDocument::Parse(textBytes).Get("Skins", "Lan").value_or(""));
}

IniDocument IniDocument::ParseFile(const fs::path& file, std::span<const std::uint8_t> bytes) {
    // Only a file that is neither UTF-16 nor UTF-8 needs its code page looked up.
    const bool legacy = DetectEncoding(bytes).encoding == TextEncoding::Ansi;
    return Parse(bytes, legacy ? LegacyCodePageFor(file, bytes) : kBytewise);
}

IniDocument IniDocument::Parse(std::span<const std::uint8_t> bytes, unsigned legacyCodePage) {
    IniDocument doc;
    const Detected detected = DetectEncoding(bytes);
    doc.encoding_ = detected.encoding;
    doc.bom_ = detected.bomSize > 0;
    const std::vector<StoredLine> stored =
        SplitLines(bytes.subspan(detected.bomSize), doc.encoding_);
    doc.lines_.resize(stored.size());
    // Each line is decoded on its own: one that does not decode exactly keeps its
    // bytes, so that a bad sequence spoils only its own line and is written back
    // as it was, never re-encoded from a reading that lost something.
    std::vector<std::size_t> legacyLines;  // lines waiting for the code page
    // Only a UTF-8 file with BOM can hold invalid lines; the others were checked whole.
    const bool allUtf8 = doc.encoding_ == TextEncoding::Utf8 &&
                         (!doc.bom_ || IsUtf8Text(bytes.subspan(detected.bomSize)));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const std::span<const std::uint8_t> content = stored[i].content;
        Line& line = doc.lines_[i];
        line.eol = stored[i].eol;
        bool exact = true;
        if (IsUtf16(doc.encoding_)) {
            line.text = DecodeUtf16(content, doc.encoding_ == TextEncoding::Utf16Be, exact);
        } else if (doc.encoding_ == TextEncoding::Utf8) {
            exact = allUtf8 || IsUtf8Text(content);
            line.text = exact ? std::string(AsChars(content)) : DecodeUtf8Lossy(AsChars(content));
        } else if (legacyCodePage == kBytewise || IsAscii(content)) {
            // Every code page used here keeps ASCII as it is.
            line.text = legacyCodePage == kBytewise ? DecodeBytewise(content)
                                                    : std::string(AsChars(content));
        } else {
            legacyLines.push_back(i);
        }
        if (!exact) line.raw = std::string(AsChars(content));
    }
    if (doc.encoding_ == TextEncoding::Ansi) doc.codePage_ = legacyCodePage;
    if (!legacyLines.empty()) {
        std::vector<std::string_view> pieces;
        pieces.reserve(legacyLines.size());
        for (const std::size_t i : legacyLines) pieces.push_back(AsChars(stored[i].content));
        std::vector<codepage::Decoded> decoded = codepage::DecodeEach(pieces, legacyCodePage);
        if (decoded.size() != pieces.size()) {
            // The code page is not available here: every line byte-wise, which
            // keeps the bytes.
            doc.codePage_ = kBytewise;
            for (std::size_t i = 0; i < stored.size(); ++i)
                doc.lines_[i].text = DecodeBytewise(stored[i].content);
        } else {
            for (std::size_t k = 0; k < legacyLines.size(); ++k) {
                Line& line = doc.lines_[legacyLines[k]];
                line.text = std::move(decoded[k].text);
                if (!decoded[k].exact) line.raw = std::string(pieces[k]);
            }
        }
    }
    if (!doc.lines_.empty() && !doc.lines_.front().eol.empty())
        doc.newline_ = doc.lines_.front().eol;
    return doc;
}

std::optional<std::vector<std::uint8_t>> IniDocument::Serialize() const {
    std::vector<std::uint8_t> out;
    const auto append = [&out](std::string_view bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    if (IsUtf16(encoding_)) {
        const bool bigEndian = encoding_ == TextEncoding::Utf16Be;
        if (bom_)
            out = bigEndian ? std::vector<std::uint8_t>{0xFE, 0xFF}
                            : std::vector<std::uint8_t>{0xFF, 0xFE};
        for (const Line& line : lines_) {
            if (line.raw) {
                // Half a unit (a cut-off last byte) can only end the file: before
                // a line end it would shift every unit after it, so there it
                // becomes the U+FFFD it reads as.
                const bool cut = line.raw->size() % 2 != 0 && !line.eol.empty();
                append(std::string_view(*line.raw).substr(0, line.raw->size() - (cut ? 1 : 0)));
                if (cut) AppendUtf16(out, "\uFFFD", bigEndian);
            } else {
                AppendUtf16(out, line.text, bigEndian);
            }
            AppendUtf16(out, line.eol, bigEndian);
        }
        return out;
    }
    if (encoding_ == TextEncoding::Utf8) {
        if (bom_) append("\xEF\xBB\xBF");
        for (const Line& line : lines_) {
            append(line.raw ? *line.raw : line.text);
            append(line.eol);
        }
        return out;
    }
    // The lines between two kept ones are encoded in one piece each (the whole
    // file in one when none is kept).
    bool kept = false;
    std::string run;
    const auto flush = [&]() {
        const std::optional<std::string> bytes =
            codePage_ == kBytewise ? EncodeBytewise(run) : codepage::Encode(run, codePage_);
        if (bytes) append(*bytes);
        run.clear();
        return bytes.has_value();
    };
    for (const Line& line : lines_) {
        if (line.raw) {
            kept = true;
            if (!flush()) return std::nullopt;
            append(*line.raw);
            run += line.eol;
        } else {
            run += line.text;
            run += line.eol;
        }
    }
    if (flush()) return out;
    // A character the file's code page has no place for. Rather than lose it, the
    // whole file becomes UTF-16 with BOM, which Windows reads as well; but not
    // when a line could not be read, which that would re-encode from what was lost.
    if (kept) return std::nullopt;
    out = {0xFF, 0xFE};
    for (const Line& line : lines_) {
        AppendUtf16(out, line.text, false);
        AppendUtf16(out, line.eol, false);
    }
    return out;
}

WriteResult WriteDocument(const fs::path& file, const IniDocument& doc) {
    const std::optional<std::vector<std::uint8_t>> bytes = doc.Serialize();
    if (!bytes) {
        return Failure(EILSEQ, "not written to " + file.string() +
                                   ": the new text needs characters that code page " +
                                   std::to_string(doc.codePage()) +
                                   " has no place for, and the file holds lines that are not "
                                   "valid in that code page and would be lost in a conversion");
    }
    return WriteFileAtomically(file, *bytes);
}

namespace {

char FoldChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

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
    // The lines before the first header are a nameless section of their own,
    // found first under the empty name.
    index.blocks.push_back({kNoHeader, 0, lines_.size(), {}});
    index.byName[std::string()].push_back(0);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = Classify(lines_[i].text);
        if (info.kind != LineKind::Section) continue;
        index.blocks.back().end = i;
        index.blocks.push_back({i, i + 1, lines_.size(), std::string(info.name)});
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
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), newline_, std::nullopt});
    if (!index_) return;
    if (!append) {
        index_.reset();
        return;
    }
    // An appended line extends the last block, or starts a new one.
    const LineInfo info = Classify(lines_.back().text);
    index_->blocks.back().end = lines_.size() - (info.kind == LineKind::Section ? 1 : 0);
    if (info.kind == LineKind::Section) {
        index_->blocks.push_back(
            {lines_.size() - 1, lines_.size(), lines_.size(), std::string(info.name)});
        index_->byName[index_->blocks.back().name].push_back(index_->blocks.size() - 1);
    }
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    section = Trim(section);
    key = Trim(key);
    if (key.empty()) return std::nullopt;
    const std::vector<std::size_t>* blocks = BlocksOf(section);
    if (blocks == nullptr) return std::nullopt;
    // Only the first block of a repeated section counts, as on Windows.
    const Block& b = index_->blocks[blocks->front()];
    for (std::size_t i = b.begin; i < b.end; ++i) {
        const LineInfo info = Classify(lines_[i].text);
        if (info.kind == LineKind::Key && EqualsNoCase(info.name, key)) {
            if (!info.hasValue) return std::nullopt;
            return std::string(Unquote(info.value));
        }
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const {
    const Index& index = Indexed();
    std::vector<std::string> names;
    for (const Block& b : index.blocks) {
        // "[]" would read as the end of a Windows name list.
        if (b.header != kNoHeader && !b.name.empty()) names.emplace_back(b.name);
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
    section = Trim(section);
    std::vector<std::string> keys;
    if (const auto* blocks = BlocksOf(section)) {
        const Block& b = index_->blocks[blocks->front()];
        for (std::size_t i = b.begin; i < b.end; ++i) {
            const LineInfo info = Classify(lines_[i].text);
            if (info.kind == LineKind::Key) keys.emplace_back(info.name);
        }
    }
    return keys;
}

std::optional<std::string> IniDocument::KeyTable::Get(std::string_view key) const {
    key = Trim(key);
    if (key.empty()) return std::nullopt;
    const auto it = values_.find(key);
    return it == values_.end() ? std::nullopt : it->second;
}

IniDocument::KeyTable IniDocument::Keys(std::string_view section) const {
    KeyTable table;
    const auto* blocks = BlocksOf(Trim(section));
    if (blocks == nullptr) return table;
    const Block& b = index_->blocks[blocks->front()];
    for (std::size_t i = b.begin; i < b.end; ++i) {
        const LineInfo info = Classify(lines_[i].text);
        if (info.kind != LineKind::Key) continue;
        if (table.values_.contains(info.name)) continue;  // the first line counts, as in Get
        table.values_.emplace(
            std::string(info.name),
            info.hasValue ? std::optional<std::string>(Unquote(info.value)) : std::nullopt);
    }
    return table;
}

bool IniDocument::Update(std::span<const SectionUpdate> updates) {
    // Anything outside the common case keeps the exact rules of the single calls.
    bool oneByOne = false;
    std::unordered_set<std::string, NameHash, NameEqual> sections;
    for (const SectionUpdate& u : updates) {
        const std::string_view section = Trim(u.section);
        if (section.empty() || !sections.emplace(section).second) oneByOne = true;
        for (const ProfileEntry& e : u.set) {
            const std::string_view key = Trim(e.key);
            if (key.empty() || key.front() == ';' || key.front() == '[') oneByOne = true;
        }
    }
    if (oneByOne) {
        bool changed = false;
        for (const SectionUpdate& u : updates) {
            for (const std::string& key : u.remove) changed = RemoveKey(u.section, key) || changed;
            for (const ProfileEntry& e : u.set) changed = Set(u.section, e.key, e.value) || changed;
        }
        return changed;
    }

    const Index& index = Indexed();
    std::vector<bool> removed(lines_.size(), false);
    // New lines by the line they go before: at most one run per section, and
    // sections are distinct, so no two runs share a place.
    std::vector<std::pair<std::size_t, std::vector<std::string>>> inserted;
    std::vector<std::string> appended;  // sections that do not exist yet
    bool changed = false;
    for (const SectionUpdate& u : updates) {
        const std::string_view section = Trim(u.section);
        const std::vector<std::size_t>* blocks = BlocksOf(section);
        if (blocks != nullptr && !u.remove.empty()) {
            std::unordered_set<std::string, NameHash, NameEqual> doomed;
            for (const std::string& key : u.remove) doomed.emplace(Trim(key));
            for (const std::size_t b : *blocks) {
                const Block& block = index.blocks[b];
                if (block.header == kNoHeader) continue;
                for (std::size_t i = block.begin; i < block.end; ++i) {
                    const LineInfo info = Classify(lines_[i].text);
                    if (info.kind == LineKind::Key && doomed.contains(info.name)) {
                        removed[i] = true;
                        changed = true;
                    }
                }
            }
        }
        if (u.set.empty()) continue;
        const Block* first = nullptr;
        if (blocks != nullptr) {
            for (const std::size_t b : *blocks) {
                if (index.blocks[b].header == kNoHeader) continue;
                first = &index.blocks[b];
                break;
            }
        }
        // Where each key's line is: in the file, or among the new ones.
        struct Place {
            bool isNew;
            std::size_t at;
        };
        std::unordered_map<std::string, Place, NameHash, NameEqual> where;
        std::vector<std::string> added;
        std::size_t after = 0;
        if (first != nullptr) {
            after = first->header;
            for (std::size_t i = first->begin; i < first->end; ++i) {
                if (removed[i]) continue;
                const LineInfo info = Classify(lines_[i].text);
                if (info.kind != LineKind::Key) continue;
                where.try_emplace(std::string(info.name), Place{false, i});
                if (IsPlainKey(info)) after = i;
            }
        }
        for (const ProfileEntry& e : u.set) {
            const std::string_view key = Trim(e.key);
            if (const auto it = where.find(key); it != where.end()) {
                std::string& text =
                    it->second.isNew ? added[it->second.at] : lines_[it->second.at].text;
                const LineInfo info = Classify(text);
                if (info.hasValue &&
                    (info.value == e.value || Unquote(info.value) == Unquote(Trim(e.value))))
                    continue;
                text = std::string(info.name) + "=" + std::string(e.value);
                // A changed line is written from its text, no longer from the bytes it was read
                // from.
                if (!it->second.isNew) lines_[it->second.at].raw.reset();
                changed = true;
                continue;
            }
            where.emplace(std::string(key), Place{true, added.size()});
            added.push_back(std::string(key) + "=" + std::string(e.value));
            changed = true;
        }
        if (added.empty()) continue;
        if (first != nullptr) {
            inserted.emplace_back(after + 1, std::move(added));
        } else {
            appended.push_back("[" + std::string(section) + "]");
            std::move(added.begin(), added.end(), std::back_inserter(appended));
        }
    }
    if (!changed) return false;

    std::sort(inserted.begin(), inserted.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Line> out;
    out.reserve(lines_.size() + appended.size());
    const auto add = [&](std::string text) {
        if (!out.empty() && out.back().eol.empty()) out.back().eol = newline_;
        out.push_back({std::move(text), newline_, std::nullopt});
    };
    auto next = inserted.begin();
    for (std::size_t i = 0; i <= lines_.size(); ++i) {
        for (; next != inserted.end() && next->first == i; ++next) {
            for (std::string& text : next->second) add(std::move(text));
        }
        if (i < lines_.size() && !removed[i]) out.push_back(std::move(lines_[i]));
    }
    for (std::string& text : appended) add(std::move(text));
    lines_ = std::move(out);
    index_.reset();
    return true;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    std::optional<Block> first;  // a copy: an insertion below may rebuild the index
    if (const auto* found = BlocksOf(section)) {
        for (const std::size_t b : *found) {
            if (index_->blocks[b].header == kNoHeader) continue;
            first = index_->blocks[b];
            break;
        }
    }
    std::string line = std::string(key) + "=" + std::string(value);
    if (!first) {
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), std::move(line));
        return true;
    }
    std::size_t after = first->header;
    for (std::size_t i = first->begin; i < first->end; ++i) {
        const LineInfo info = Classify(lines_[i].text);
        if (info.kind != LineKind::Key) continue;
        if (EqualsNoCase(info.name, key)) {
            // A value that already reads the same keeps its line byte for byte.
            if (info.hasValue &&
                (info.value == value || Unquote(info.value) == Unquote(Trim(value))))
                return false;
            lines_[i].text = std::string(info.name) + "=" + std::string(value);
            lines_[i].raw.reset();
            // A key such as "[x]" makes the line read as a header now.
            if (Classify(lines_[i].text).kind == LineKind::Section) index_.reset();
            return true;
        }
        if (IsPlainKey(info)) after = i;
    }
    // After the section's last key, so trailing blank lines and comments that
    // introduce the next section stay where they are.
    InsertLine(after + 1, std::move(line));
    return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    std::vector<std::size_t> doomed;
    if (const auto* blocks = BlocksOf(section)) {
        for (const std::size_t b : *blocks) {
            const Block& block = index_->blocks[b];
            if (block.header == kNoHeader) continue;
            for (std::size_t i = block.begin; i < block.end; ++i) {
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
        for (const std::size_t b : *blocks) {
            if (index_->blocks[b].header == kNoHeader) continue;  // the lines before any header
            doomed.emplace_back(index_->blocks[b].header, index_->blocks[b].end);
        }
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
        // The lines before the first header and "[]" are no section of the list.
        if (b.header == kNoHeader || b.name.empty()) continue;
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
    IniDocument doc;
    WriteResult ignored;
    if (LoadDocument(file, doc, ignored) != LoadStatus::Loaded) doc = IniDocument{};
    return GetProfileString(doc, section, key, defaultValue, bufferChars);
}

std::optional<IniDocument> LoadProfile(const fs::path& file, std::string* error) {
    IniDocument doc;
    WriteResult failure;
    switch (LoadDocument(file, doc, failure)) {
        case LoadStatus::Loaded:
            return doc;
        case LoadStatus::Missing:
            return IniDocument{};
        case LoadStatus::Failed:
            break;
    }
    if (error != nullptr) *error = failure.error;
    return std::nullopt;
}

std::string GetProfileString(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    if (const std::optional<std::string> value = doc.Get(section, key))
        return CutToUnits(*value, bufferChars - 1);
    // Windows drops the default's trailing blanks, then treats it as a value.
    const std::size_t last = defaultValue.find_last_not_of(' ');
    const std::string_view def =
        last == std::string_view::npos ? std::string_view() : defaultValue.substr(0, last + 1);
    return CutToUnits(Unquote(def), bufferChars - 1);
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
            if (take > 0 && take < u.size() && u[take - 1] >= 0xD800 && u[take - 1] <= 0xDBFF)
                --take;
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
    return WriteDocument(file, doc);
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
    return WriteDocument(file, doc);
}

}  // namespace ornyx::profile
