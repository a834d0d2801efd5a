// The journal reader: whatever the bytes, an accepted journal names only bare
// names, each one of the home's three files once with its own temporary file,
// and is exactly what the writer would have written for those entries.
#include <set>
#include <string>

#include "Check.h"
#include "common/AtomicFile.h"
#include "settings/HomeLock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto entries = ornyx::settings::ParseJournal(bytes);
    if (!entries) return 0;
    FUZZ_CHECK(entries->size() <= 3);
    std::set<std::string> targets;
    std::string rebuilt = "ornyx-mouse journal 2\n";
    for (const ornyx::settings::JournalEntry& e : *entries) {
        FUZZ_CHECK(ornyx::settings::IsJournalTarget(e.target));
        FUZZ_CHECK(targets.insert(e.target).second);
        FUZZ_CHECK(ornyx::IsTemporaryFor(e.staged, e.target, false));
        FUZZ_CHECK(e.staged.find('/') == std::string::npos);
        FUZZ_CHECK(e.staged.find('\0') == std::string::npos);
        FUZZ_CHECK(e.staged != "." && e.staged != "..");
        rebuilt += e.staged + '\0' + e.target + '\0';
    }
    rebuilt += "end\n";
    FUZZ_CHECK(rebuilt == std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
