#pragma once

// Private-profile (INI) files with the lookup, update, append and delete rules
// of the Windows profile functions, so that str.ini and record.ini written on
// Windows load here and files written here load there.
//
// Rules shared by every function, as the Windows functions apply them:
// - Section and key names are matched without regard to ASCII letter case and
//   with surrounding blanks ignored.
// - A line is a section header ("[name]"), a key ("key=value", or a bare "key"
//   whose value reads as missing) or blank. Lines starting with ';' are keys like
//   any other: lookups of ";name" find them, the stores never ask for them.
//   Lines before the first header form a nameless section.
// - Lookups and new keys use the first block of a section that appears more than
//   once; the name list shows every block. A deletion removes the key or
//   the section from every block, so that a stale copy never shows up instead.
// - A line ends at CR LF, LF or a lone CR.
// - Text is UTF-8 in the API. Files are read as UTF-16 (little- or big-endian,
//   with BOM or recognised without one), UTF-8 (with or without BOM) or, when
//   neither fits, in the Windows ANSI code page of the installation's language
//   (see LegacyCodePageFor). Each line is decoded on its own: a line that does
//   not decode exactly reads with U+FFFD where it failed and keeps its bytes.
//   A rewrite keeps the encoding, the BOM, the line ends and every untouched
//   line byte for byte.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/AtomicFile.h"

namespace ornyx::profile {

enum class TextEncoding { Utf8, Utf16Le, Utf16Be, Ansi };

// Code page 0 stands for a file in an unknown 8-bit code page: each byte is read
// as the character of the same number, so that it is written back unchanged.
inline constexpr unsigned kBytewise = 0;

// The ANSI code page of a language code as str.ini's "Lan" holds it.
unsigned AnsiCodePageForLanguage(std::string_view languageCode);

// The code page a file without BOM that is not UTF-8 was written in: str.ini
// names its own language; other files follow the str.ini beside them (English
// when there is none).
unsigned LegacyCodePageFor(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

struct ProfileEntry {
    std::string_view key;
    std::string_view value;
};

// One INI file in memory: its lines exactly as read (text and line ending each),
// so that everything a change does not touch is written back byte for byte.
class IniDocument {
    // Section and key names compare without ASCII case; looked up by string_view,
    // so a lookup allocates nothing.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

public:
    // Never fails: a line that does not decode (in `legacyCodePage` for an 8-bit
    // file), or would not encode back to the same bytes, reads with U+FFFD and
    // is written back as it was until it is changed.
    static IniDocument Parse(std::span<const std::uint8_t> bytes,
                             unsigned legacyCodePage = kBytewise);
    // Parse with the code page LegacyCodePageFor gives.
    static IniDocument ParseFile(const std::filesystem::path& file,
                                 std::span<const std::uint8_t> bytes);
    // The file's bytes. A line the file's code page cannot hold turns the file
    // into UTF-16 with BOM; nullopt when it also holds a line that could not be
    // read, whose bytes that conversion would lose.
    std::optional<std::vector<std::uint8_t>> Serialize() const;

    // The value as the reader sees it: blanks trimmed, one pair of matching
    // single or double quotes removed. nullopt when the section or key is missing
    // or the key has no '='.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Non-empty section names in file order, one per block.
    std::vector<std::string> SectionNames() const;
    // The names of every key line of the section's first block, as written, bare
    // and ';' lines included; "" gives the lines before the first section.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // A section's first block read in one pass: each key as Get reads it, so that
    // looking up many keys of a section with many lines stays linear.
    class KeyTable {
    public:
        std::optional<std::string> Get(std::string_view key) const;

    private:
        friend class IniDocument;
        // The first line of each name; nullopt for a line without '='.
        std::unordered_map<std::string, std::optional<std::string>, NameHash, NameEqual> values_;
    };
    KeyTable Keys(std::string_view section) const;

    // Each returns whether the document changed. Names and values must already be
    // valid (see WritePrivateProfileString); Set updates the key in place (a value
    // that already reads the same leaves the line alone) or adds it after the
    // section's last key, or appends the section to the end.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);
    // Removes every named section in one pass (what precedes the first header
    // stays); the way to replace a whole file's sections without quadratic cost.
    bool RemoveAllSections();

    // RemoveKey of each of `remove`, then Set of each of `set`, in order.
    struct SectionUpdate {
        std::string_view section;
        std::span<const std::string> remove;
        std::span<const ProfileEntry> set;
    };
    // The updates as those calls would make them, one after the other, but in
    // one pass over the file, so that rewriting many keys of many sections stays
    // linear. (Updates naming the same section twice, or keys that are blank or
    // start with ';' or '[', are made call by call.)
    bool Update(std::span<const SectionUpdate> updates);

    TextEncoding encoding() const { return encoding_; }
    bool hasBom() const { return bom_; }
    unsigned codePage() const { return codePage_; }

private:
    struct Line {
        std::string text;  // UTF-8, without the line ending
        std::string eol;   // "\r\n", "\n", "\r", or "" for a last line without one
        // The bytes of a line that did not decode exactly, in the file's encoding
        // and without the line end; written instead of `text` until it changes.
        std::optional<std::string> raw;
    };
    struct Block {
        std::size_t header;  // index of the "[name]" line; npos for the lines before any
        std::size_t begin;   // first line after the header
        std::size_t end;     // index of the next header, or the line count
        std::string name;
    };
    // The blocks and, by folded name, where each section's blocks are: built once
    // and kept while lines are only appended, so that a file of many sections is
    // read and written in linear time.
    struct Index {
        std::vector<Block> blocks;
        std::unordered_map<std::string, std::vector<std::size_t>, NameHash, NameEqual> byName;
    };
    static constexpr std::size_t kNoHeader = static_cast<std::size_t>(-1);

    const Index& Indexed() const;
    // Indices of the section's blocks in file order; null when it has none.
    const std::vector<std::size_t>* BlocksOf(std::string_view section) const;
    void InsertLine(std::size_t at, std::string text);

    mutable std::optional<Index> index_;
    std::vector<Line> lines_;
    std::string newline_ = "\r\n";  // for lines we add: the file's own, else Windows'
    TextEncoding encoding_ = TextEncoding::Utf8;
    unsigned codePage_ = kBytewise;  // for Ansi
    bool bom_ = false;
};

// Writes the document to `file` atomically; refused (nothing written) when it
// cannot be serialized without loss (see IniDocument::Serialize).
WriteResult WriteDocument(const std::filesystem::path& file, const IniDocument& doc);

// Reads `key` of `section`; `defaultValue` when the file, section or key is missing
// or the file cannot be read. The default loses its trailing blanks and one pair of
// matching quotes, as a value does. The result is cut to bufferChars - 1 UTF-16 code
// units (a surrogate pair is never split), as a Windows buffer of that size holds.
std::string GetPrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, std::string_view defaultValue,
                                    std::size_t bufferChars);

// The file read once, for callers that look up many keys: an empty document when
// the file is missing, nullopt (with `error` set) when it exists but cannot be
// read, for example because it is larger than kMaxReadBytes.
std::optional<IniDocument> LoadProfile(const std::filesystem::path& file,
                                       std::string* error = nullptr);
// GetPrivateProfileString on a document already read.
std::string GetProfileString(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferChars);

// Section names in file order; empty when the file is missing or unreadable.
std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file);

// The Windows buffer form: each name followed by NUL, then one more NUL. When the
// names do not fit in bufferChars, the last one that does not is cut so that the
// result still ends in two NULs within bufferChars. An empty list is a single NUL.
std::u16string GetPrivateProfileSectionNamesBuffer(const std::filesystem::path& file,
                                                   std::size_t bufferChars);
// The same buffer built from names already read.
std::u16string SectionNamesBuffer(std::span<const std::string> names, std::size_t bufferChars);

// key == nullopt deletes the whole section; value == nullopt deletes the key.
// Otherwise sets key=value, creating the file (UTF-8, CRLF) or section as needed.
// Names and values must be valid UTF-8 without line breaks or NULs, and a key must
// not contain '=' or start with '[': such a write is refused (ok=false),
// because it would change the structure of the file. A file that exists but cannot
// be read is never overwritten. The file is replaced atomically.
WriteResult WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> value);

// Sets several keys of one section in one atomic rewrite, each as
// WritePrivateProfileString would; nothing is written when any entry is invalid.
WriteResult WritePrivateProfileStrings(const std::filesystem::path& file, std::string_view section,
                                       std::span<const ProfileEntry> entries);

}  // namespace ornyx::profile
