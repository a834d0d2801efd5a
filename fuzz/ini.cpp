// The INI reader and writer: a file read and written back unchanged is the same
// bytes (a line that does not decode keeps its bytes, in any encoding), reading
// what was written is idempotent, and after any series of edits every value
// written reads back, both from the edited document and from its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>
#include <utility>

#include "Check.h"
#include "common/Utf8.h"
#include "profile/PrivateProfile.h"

using ornyx::profile::IniDocument;

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f\x1a";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::string Fold(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// What the reader gives for a value as written: trimmed, one pair of quotes off.
std::string AsRead(std::string_view v) {
    v = Trim(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

// The rules the file functions apply before they write.
bool Storable(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           ornyx::utf8::IsValid(s);
}
bool ValidSection(std::string_view s) {
    return !Trim(s).empty() && Storable(s);
}
bool ValidKey(std::string_view k) {
    k = Trim(k);
    return !k.empty() && Storable(k) && k.find('=') == std::string_view::npos && k.front() != '[' &&
           k.front() != ';';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string file = in.ConsumeRandomLengthString(4096);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file.data()),
                                              file.size());

    // Every file comes back byte for byte, whatever its encoding or damage.
    IniDocument doc = IniDocument::Parse(bytes);
    const std::optional<std::vector<std::uint8_t>> written = doc.Serialize();
    FUZZ_CHECK(written && std::vector<std::uint8_t>(bytes.begin(), bytes.end()) == *written);

    // Edits, with the values they leave behind as the model.
    std::map<std::pair<std::string, std::string>, std::string> model;
    while (in.remaining_bytes() > 0) {
        const int op = in.ConsumeIntegralInRange(0, 4);
        const std::string section = in.ConsumeRandomLengthString(12);
        const std::string key = in.ConsumeRandomLengthString(8);
        const std::string value = in.ConsumeRandomLengthString(16);
        if (!ValidSection(section)) continue;
        if (op == 4) {
            doc.RemoveSection(section);
            std::erase_if(model, [&](const auto& e) { return e.first.first == Fold(section); });
            continue;
        }
        if (!ValidKey(key)) continue;
        if (op == 3) {
            doc.RemoveKey(section, key);
            model.erase({Fold(section), Fold(key)});
            continue;
        }
        if (!Storable(value)) continue;
        doc.Set(section, key, value);
        model[{Fold(section), Fold(key)}] = AsRead(value);
    }

    for (const auto& [where, value] : model)
        FUZZ_CHECK(doc.Get(where.first, where.second) == value);
    // Read back from its bytes. A Latin-1 file whose edits removed every byte
    // that made it invalid UTF-8 reads back as UTF-8: that guess is the
    // encoding detection's, not the document's, so it is left out here.
    // Without a code page nothing is refused: every byte has a character.
    const std::optional<std::vector<std::uint8_t>> edited = doc.Serialize();
    FUZZ_CHECK(edited.has_value());
    const IniDocument reread = IniDocument::Parse(*edited);
    if (reread.encoding() != doc.encoding()) return 0;
    FUZZ_CHECK(reread.SectionNames() == doc.SectionNames());
    for (const auto& [where, value] : model)
        FUZZ_CHECK(reread.Get(where.first, where.second) == value);
    return 0;
}
