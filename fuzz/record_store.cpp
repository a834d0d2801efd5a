// The record.ini store on any file: listing, reading and packing never fail
// or overrun, and every macro a profile can carry, written back with the
// replace-all that import uses, reads back exactly (export, import, export).
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "Check.h"
#include "common/AtomicFile.h"
#include "common/MessageSink.h"
#include "common/Utf8.h"
#include "macros/MacroStore.h"
#include "settings/SettingsImage.h"

namespace fs = std::filesystem;
using namespace ornyx;

namespace {

fs::path RecordFile() {
    static const fs::path file = [] {
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path dir = base / ("ornyx-fuzz-record-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return dir / "record.ini";
    }();
    return file;
}

bool SameMacros(const std::vector<macros::NamedMacro>& a,
                const std::vector<macros::NamedMacro>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].macro.loopTimes != b[i].macro.loopTimes ||
            a[i].macro.items != b[i].macro.items) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Files in a legacy code page are read byte-wise, and whether a rewrite is
    // still recognised as one depends on the bytes that remain; the round trip
    // below is promised for UTF-8 and UTF-16 files. A UTF-8 file with NUL bytes
    // is left out too: once a rewrite changes its length, they may make it read
    // as UTF-16 without BOM, which is the detection's guess, not the store's.
    const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!utf16 && (!utf8::IsValid(text) || text.find('\0') != std::string_view::npos)) return 0;
    const fs::path file = RecordFile();
    FUZZ_CHECK(WriteFileAtomically(file, std::span(data, size)).ok);

    const std::vector<std::string> names = macros::ListMacroNames(file);
    const auto all = macros::ReadAllMacros(file);
    FUZZ_CHECK(all.has_value());
    // The list names every block, as a Windows installation numbers its macros;
    // the macros are its distinct names in the same order.
    std::vector<std::string> distinct;
    std::set<std::string> seen;
    for (const std::string& name : names) {
        std::string folded(name);
        for (char& c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (seen.insert(folded).second) distinct.push_back(name);
    }
    // The export's single read gives the same macros, and the notes as far as asked.
    const auto exported = macros::ReadForExport(file, 3);
    FUZZ_CHECK(exported.has_value());
    FUZZ_CHECK(SameMacros(exported->macros, *all));
    const std::vector<std::string> notes = macros::UncarriedContent(file);
    FUZZ_CHECK(exported->uncarried.size() + exported->moreUncarried == notes.size());
    FUZZ_CHECK(std::equal(exported->uncarried.begin(), exported->uncarried.end(), notes.begin()));
    FUZZ_CHECK(distinct.size() <= all->size());
    for (std::size_t i = 0; i < distinct.size(); ++i) FUZZ_CHECK(distinct[i] == (*all)[i].name);
    for (const auto& m : *all) FUZZ_CHECK(m.macro.items.size() <= macros::kMaxItems);

    settings::SettingsImage image;
    RecordingMessageSink messages;
    FUZZ_CHECK(macros::PackMacros(file, image, messages) <= macros::kMaxMacros);

    std::vector<macros::NamedMacro> carried;
    for (const auto& m : *all) {
        if (macros::CheckReadBack(m).empty()) carried.push_back(m);
    }
    FUZZ_CHECK(macros::ReplaceAllMacros(file, carried).ok);
    const auto back = macros::ReadAllMacros(file);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(SameMacros(*back, carried));

    // The same names with items added and removed: changed in place, read back exactly.
    for (auto& m : carried) {
        if (m.macro.items.empty() || m.macro.items.size() % 2 != 0) {
            m.macro.items.push_back("A   Dn");
        } else {
            m.macro.items.pop_back();
        }
    }
    FUZZ_CHECK(macros::ReplaceAllMacros(file, carried).ok);
    const auto changed = macros::ReadAllMacros(file);
    FUZZ_CHECK(changed.has_value());
    FUZZ_CHECK(SameMacros(*changed, carried));
    return 0;
}
