#pragma once

// Private-profile (INI) files with the lookup, update, append and delete rules
// of the Windows profile functions, so that str.ini and record.ini written on
// Windows load here and files written here load there.
//
// Rules shared by every function:
// - Section and key names are matched without regard to ASCII letter case and
//   with surrounding blanks ignored.
// - Lines whose first non-blank character is ';' are comments; lines that are
//   neither "[section]" nor "key=value" are kept but never matched. Lines before
//   the first section header belong to no section.
// - A section name that appears more than once is one section: it is listed once,
//   at its first place; a key is looked up in its blocks in file order (first hit
//   wins); a deletion removes the key or the section from every block.
// - Text is UTF-8 in the API. Files are read as UTF-8 (with or without BOM),
//   UTF-16LE with BOM, or, when neither fits, byte-wise as Latin-1; a rewrite keeps
//   the encoding, the BOM and the line endings the file had.

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

enum class TextEncoding { Utf8, Utf16Le, Latin1 };

// One INI file in memory: its lines exactly as read (text and line ending each),
// so that everything a change does not touch is written back byte for byte.
class IniDocument {
public:
    // Never fails: undecodable bytes become U+FFFD (UTF-16) or are read as Latin-1.
    static IniDocument Parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> Serialize() const;

    // The value as the reader sees it: blanks trimmed, one pair of matching
    // single or double quotes removed. nullopt when the section or key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Distinct non-empty section names, in file order.
    std::vector<std::string> SectionNames() const;

    // Each returns whether the document changed. Names and values must already be
    // valid (see WritePrivateProfileString); Set updates the key in place or appends
    // it to its section, or appends the section to the end.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);
    // Removes every named section in one pass (what precedes the first header
    // stays); the way to replace a whole file's sections without quadratic cost.
    bool RemoveAllSections();

    TextEncoding encoding() const { return encoding_; }
    bool hasBom() const { return bom_; }

private:
    struct Line {
        std::string text;  // UTF-8, without the line ending
        std::string eol;   // "\r\n", "\n", or "" for a last line without one
    };
    struct Block {
        std::size_t header;  // index of the "[name]" line
        std::size_t end;     // index of the next header, or the line count
        std::string name;
    };
    // The blocks and, by folded name, where each section's blocks are: built once
    // and kept while lines are only appended, so that a file of many sections is
    // read and written in linear time.
    // Section names compare without ASCII case; looked up by string_view, so a
    // lookup allocates nothing.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Index {
        std::vector<Block> blocks;
        std::unordered_map<std::string, std::vector<std::size_t>, NameHash, NameEqual> byName;
    };

    const Index& Indexed() const;
    // Indices of the section's blocks in file order; null when it has none.
    const std::vector<std::size_t>* BlocksOf(std::string_view section) const;
    void InsertLine(std::size_t at, std::string text);

    mutable std::optional<Index> index_;
    std::vector<Line> lines_;
    std::string newline_ = "\r\n";  // for lines we add: the file's own, else Windows'
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool bom_ = false;
};

// Reads `key` of `section`; `defaultValue` when the file, section or key is missing
// or the file cannot be read. The result is cut to bufferChars - 1 UTF-16 code
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
std::string GetProfileString(const IniDocument& doc, std::string_view section,
                             std::string_view key, std::string_view defaultValue,
                             std::size_t bufferChars);

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
// not contain '=' or start with '[' or ';': such a write is refused (ok=false),
// because it would change the structure of the file. A file that exists but cannot
// be read is never overwritten. The file is replaced atomically.
WriteResult WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> value);

struct ProfileEntry {
    std::string_view key;
    std::string_view value;
};

// Sets several keys of one section in one atomic rewrite, each as
// WritePrivateProfileString would; nothing is written when any entry is invalid.
WriteResult WritePrivateProfileStrings(const std::filesystem::path& file, std::string_view section,
                                       std::span<const ProfileEntry> entries);

}  // namespace ornyx::profile
