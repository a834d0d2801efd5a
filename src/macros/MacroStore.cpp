#include "macros/MacroStore.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "common/Utf8.h"
#include "i18n/Texts.h"
#include "macros/MacroItems.h"
#include "macros/MacroPacking.h"
#include "profile/PrivateProfile.h"

namespace ornyx::macros {

namespace fs = std::filesystem;

namespace {

// ---- Text helpers ----------------------------------------------------------------
// Names and values are UTF-8 here, but the limits of the file format count UTF-16
// units, as the Windows buffers do.

using utf8::NextCodePoint;
using utf8::Utf16Length;

// The first `maxUnits` UTF-16 units of s, never splitting a surrogate pair.
std::string CutToUnits(std::string_view s, std::size_t maxUnits) {
    std::size_t units = 0;
    char32_t cp = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t next = i;
        NextCodePoint(s, next, cp);
        units += cp >= 0x10000 ? 2 : 1;
        if (units > maxUnits) break;
        i = next;
    }
    return std::string(s.substr(0, i));
}

// The blanks the profile functions trim around names.
constexpr std::string_view kBlanks = " \t\r\n\v\f\x1a";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Section names match as the profile functions match them.
bool SameSection(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    auto fold = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

// A section name as SameSection compares it, for sets that keep many macros linear.
std::string FoldedName(std::string_view name) {
    std::string folded(Trim(name));
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

bool BreaksLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// ---- record.ini ---------------------------------------------------------------------

enum class LoadStatus { Loaded, Missing, Failed };

// Only a regular file is read: a FIFO or a folder in its place must neither block
// nor be overwritten. `why` says what kept a file from being read.
LoadStatus LoadRecord(const fs::path& file, profile::IniDocument& doc, std::string* why = nullptr) {
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return LoadStatus::Missing;
    ReadStatus read = ReadStatus::NotRegular;
    std::vector<std::uint8_t> bytes;
    if (!ec && fs::is_regular_file(st)) read = ReadFileBounded(file, bytes);
    if (read != ReadStatus::Ok) {
        if (why != nullptr) *why = ReadStatusText(file, read);
        return LoadStatus::Failed;
    }
    doc = profile::IniDocument::ParseFile(file, bytes);
    return LoadStatus::Loaded;
}

std::string ReadValue(const profile::IniDocument::KeyTable& keys, std::string_view key) {
    const std::optional<std::string> value = keys.Get(key);
    return value ? CutToUnits(*value, kValueBufferChars - 1) : std::string();
}

std::string ItemKey(std::size_t index) {
    return std::string(kItemKeyPrefix) + std::to_string(index);
}

// How many items an ItemCount value stands for.
std::size_t KeptItems(std::string_view count) {
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(ParseDecimal(count), 0, static_cast<std::int64_t>(kMaxItems)));
}

// The n of a key that reads as ItemKey(n), as the profile functions match keys.
std::optional<std::size_t> ItemNumber(std::string_view key) {
    if (key.size() <= kItemKeyPrefix.size() || key.size() > kItemKeyPrefix.size() + 4 ||
        !SameSection(key.substr(0, kItemKeyPrefix.size()), kItemKeyPrefix)) {
        return std::nullopt;
    }
    const std::string_view digits = key.substr(kItemKeyPrefix.size());
    if (digits.find_first_not_of("0123456789") != std::string_view::npos ||
        (digits.size() > 1 && digits.front() == '0')) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(std::stoul(std::string(digits)));
}

// One pass over the section, however many lines it holds besides its items.
StoredMacro ReadStored(const profile::IniDocument& doc, std::string_view name) {
    const profile::IniDocument::KeyTable keys = doc.Keys(name);
    StoredMacro m;
    m.loopTimes = ReadValue(keys, kLoopTimesKey);
    const std::size_t count = KeptItems(ReadValue(keys, kItemCountKey));
    m.items.reserve(count);
    for (std::size_t j = 0; j < count; ++j) m.items.push_back(ReadValue(keys, ItemKey(j)));
    return m;
}

WriteResult Refused(std::string why) {
    WriteResult r;
    r.errorCode = EINVAL;
    r.error = std::move(why);
    return r;
}

}  // namespace

// ---- record.ini -----------------------------------------------------------------------

std::vector<std::string> ListMacroNames(const fs::path& recordFile) {
    return ListedMacroNames(profile::GetPrivateProfileSectionNames(recordFile));
}

std::vector<std::string> ListedMacroNames(std::span<const std::string> sectionNames) {
    const std::u16string buffer =
        profile::SectionNamesBuffer(sectionNames, kSectionListBufferChars);
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < std::min(buffer.size(), kSectionListScanChars); ++i) {
        if (buffer[i] != u'\0') continue;
        if (i == start) break;  // the empty name that ends the list
        names.push_back(utf8::FromUtf16(std::u16string_view(buffer).substr(start, i - start)));
        start = i + 1;
    }
    return names;
}

std::optional<StoredMacro> ReadMacro(const fs::path& recordFile, std::string_view name) {
    profile::IniDocument doc;
    if (LoadRecord(recordFile, doc) != LoadStatus::Loaded) return std::nullopt;
    const std::vector<std::string> sections = doc.SectionNames();
    if (std::none_of(sections.begin(), sections.end(),
                     [&](const std::string& s) { return SameSection(s, name); })) {
        return std::nullopt;
    }
    return ReadStored(doc, name);
}

namespace {

std::string CheckStorable(std::string_view name, std::string_view loopTimes,
                          std::span<const std::string> items) {
    if (Trim(name).empty() || BreaksLine(name) || !utf8::IsValid(name)) {
        return "the macro name cannot be stored in record.ini";
    }
    auto storable = [](std::string_view v) { return !BreaksLine(v) && utf8::IsValid(v); };
    if (!storable(loopTimes) || !std::all_of(items.begin(), items.end(), storable)) {
        return "an item contains a line break or is not valid text";
    }
    return {};
}

// The keys of a macro's section, in the order they are written; the entries
// point into `texts` and `macro`.
struct SectionKeys {
    std::vector<std::string> texts;  // the count and the item key names
    std::vector<profile::ProfileEntry> entries;
};

SectionKeys KeysOf(std::string_view loopTimes, std::span<const std::string> items) {
    SectionKeys k;
    k.texts.reserve(items.size() + 1);
    k.texts.push_back(std::to_string(items.size()));
    for (std::size_t j = 0; j < items.size(); ++j) k.texts.push_back(ItemKey(j));
    k.entries.push_back({kLoopTimesKey, loopTimes});
    k.entries.push_back({kItemCountKey, k.texts[0]});
    for (std::size_t j = 0; j < items.size(); ++j) k.entries.push_back({k.texts[j + 1], items[j]});
    return k;
}

WriteResult Unreadable(std::string why) {
    WriteResult r;
    r.errorCode = EIO;
    r.error = std::move(why);
    return r;
}

}  // namespace

WriteResult WriteMacro(const fs::path& recordFile, std::string_view name,
                       std::string_view loopTimes, std::span<const std::string> items) {
    if (std::string why = CheckStorable(name, loopTimes, items); !why.empty()) return Refused(why);
    profile::IniDocument doc;
    std::string why;
    if (LoadRecord(recordFile, doc, &why) == LoadStatus::Failed) return Unreadable(why);
    // One rewrite for the whole section, so that a failure never leaves the macro
    // deleted but not yet written again.
    doc.RemoveSection(name);
    const SectionKeys keys = KeysOf(loopTimes, items);
    const profile::IniDocument::SectionUpdate update{name, {}, keys.entries};
    doc.Update(std::span(&update, 1));
    return profile::WriteDocument(recordFile, doc);
}

namespace {

std::vector<NamedMacro> AllMacros(const profile::IniDocument& doc) {
    std::vector<NamedMacro> all;
    std::unordered_set<std::string> seen;
    for (const std::string& name : doc.SectionNames()) {
        // A repeated section reads as its first block; it is one macro.
        if (!seen.insert(FoldedName(name)).second) continue;
        all.push_back({name, ReadStored(doc, name)});
    }
    return all;
}

std::vector<std::string> Uncarried(const profile::IniDocument& doc, std::size_t maxNotes,
                                   std::size_t& more);

}  // namespace

std::optional<std::vector<NamedMacro>> ReadAllMacros(const fs::path& recordFile, std::string* why) {
    profile::IniDocument doc;
    const LoadStatus status = LoadRecord(recordFile, doc, why);
    if (status == LoadStatus::Failed) return std::nullopt;
    return AllMacros(doc);  // a missing file is an empty document
}

std::optional<MacroExport> ReadForExport(const fs::path& recordFile, std::size_t maxNotes,
                                         std::string* why) {
    profile::IniDocument doc;
    if (LoadRecord(recordFile, doc, why) == LoadStatus::Failed) return std::nullopt;
    MacroExport out;
    out.macros = AllMacros(doc);
    out.uncarried = Uncarried(doc, maxNotes, out.moreUncarried);
    return out;
}

namespace {

// Whether the file's macros (a repeated section once) are `macros`' names in order.
bool SameNamesInOrder(const std::vector<std::string>& sections,
                      std::span<const NamedMacro> macros) {
    std::vector<std::string> stored;
    std::unordered_set<std::string> seen;
    for (const std::string& name : sections) {
        if (seen.insert(FoldedName(name)).second) stored.push_back(name);
    }
    if (stored.size() != macros.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != macros[i].name) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> UncarriedContent(const fs::path& recordFile) {
    std::size_t more = 0;
    return UncarriedContent(recordFile, static_cast<std::size_t>(-1), more);
}

std::vector<std::string> UncarriedContent(const fs::path& recordFile, std::size_t maxNotes,
                                          std::size_t& more) {
    more = 0;
    profile::IniDocument doc;
    if (LoadRecord(recordFile, doc) != LoadStatus::Loaded) return {};
    return Uncarried(doc, maxNotes, more);
}

namespace {

std::vector<std::string> Uncarried(const profile::IniDocument& doc, std::size_t maxNotes,
                                   std::size_t& more) {
    more = 0;
    std::vector<std::string> notes;
    // A hand-made file may hold millions of such lines: past the limit they are
    // only counted.
    const auto note = [&](auto&& make) {
        if (notes.size() < maxNotes) {
            notes.push_back(make());
        } else {
            ++more;
        }
    };
    if (!doc.KeyNames("").empty())
        note([] { return std::string("the lines before the first macro"); });
    std::unordered_set<std::string> seen;
    for (const std::string& name : doc.SectionNames()) {
        const std::string macro = "macro \"" + name + "\"";
        if (!seen.insert(FoldedName(name)).second) {
            note([&] { return "the second block of " + macro + " (the first one is the macro)"; });
            continue;
        }
        if (CheckMacroName(name) != NameProblem::None) {
            note([&] { return macro + ": its name, which import refuses"; });
        }
        const profile::IniDocument::KeyTable keys = doc.Keys(name);
        const std::string countText = keys.Get(kItemCountKey).value_or("");
        const std::size_t kept = KeptItems(countText);
        if (!countText.empty() && countText != std::to_string(kept)) {
            note([&] {
                return macro + ": ItemCount \"" + countText + "\", carried as " +
                       std::to_string(kept);
            });
        }
        for (const std::string& key : doc.KeyNames(name)) {
            const std::optional<std::size_t> item = ItemNumber(key);
            const bool carried = SameSection(key, kLoopTimesKey) ||
                                 SameSection(key, kItemCountKey) || (item && *item < kept);
            if (!carried) note([&] { return macro + ": the line \"" + key + "\""; });
        }
        for (const std::string_view key : {kLoopTimesKey, kItemCountKey}) {
            if (Utf16Length(keys.Get(key).value_or("")) >= kValueBufferChars)
                note([&] { return macro + ": " + std::string(key) + ", cut"; });
        }
        for (std::size_t j = 0; j < kept; ++j) {
            if (Utf16Length(keys.Get(ItemKey(j)).value_or("")) >= kValueBufferChars) {
                note([&] {
                    return macro + ": " + ItemKey(j) + ", cut to " +
                           std::to_string(kValueBufferChars - 1) + " characters";
                });
            }
        }
    }
    return notes;
}

}  // namespace

WriteResult ReplaceAllMacros(const fs::path& recordFile, std::span<const NamedMacro> macros) {
    std::unordered_set<std::string> seen;  // folded names: a set keeps many macros linear
    for (const NamedMacro& m : macros) {
        if (std::string why = CheckStorable(m.name, m.macro.loopTimes, m.macro.items);
            !why.empty()) {
            return Refused(m.name + ": " + why);
        }
        if (!seen.insert(FoldedName(m.name)).second)
            return Refused(m.name + ": the name is used twice");
    }
    profile::IniDocument doc;
    std::string why;
    const LoadStatus status = LoadRecord(recordFile, doc, &why);
    if (status == LoadStatus::Failed) return Unreadable(why);
    // Nothing to store and nothing stored: do not create the file.
    if (status == LoadStatus::Missing && macros.empty()) return WriteResult{true, 0, {}};
    // Every section is changed in one pass over the file, so that neither many
    // macros nor sections of many lines make this quadratic.
    std::vector<SectionKeys> keys;
    std::vector<std::vector<std::string>> gone(macros.size());
    keys.reserve(macros.size());
    if (SameNamesInOrder(doc.SectionNames(), macros)) {
        // The same macros in the same order: change only what differs, so that a
        // profile exported from this file gives back every byte of it.
        for (std::size_t i = 0; i < macros.size(); ++i) {
            const NamedMacro& m = macros[i];
            const profile::IniDocument::KeyTable stored = doc.Keys(m.name);
            // Items the old count covered but the new one does not are gone.
            const std::int64_t oldCount = ParseDecimal(stored.Get(kItemCountKey).value_or(""));
            for (std::size_t j = m.macro.items.size();
                 static_cast<std::int64_t>(j) < oldCount && j < kMaxItems; ++j) {
                gone[i].push_back(ItemKey(j));
            }
            // A key that already reads as its value stays as it is (a missing key reads as
            // empty), so that an unchanged macro keeps its lines byte for byte.
            SectionKeys changed;
            SectionKeys all = KeysOf(m.macro.loopTimes, m.macro.items);
            for (const profile::ProfileEntry& e : all.entries) {
                if (stored.Get(e.key).value_or("") != e.value) changed.entries.push_back(e);
            }
            changed.texts = std::move(all.texts);  // the entries point into these
            keys.push_back(std::move(changed));
        }
    } else {
        doc.RemoveAllSections();
        for (const NamedMacro& m : macros) keys.push_back(KeysOf(m.macro.loopTimes, m.macro.items));
    }
    std::vector<profile::IniDocument::SectionUpdate> updates;
    for (std::size_t i = 0; i < macros.size(); ++i)
        updates.push_back({macros[i].name, gone[i], keys[i].entries});
    doc.Update(updates);
    return profile::WriteDocument(recordFile, doc);
}

ReadBackProblem CheckReadBack(const NamedMacro& macro) {
    switch (CheckMacroName(macro.name)) {
        case NameProblem::None:
            break;
        case NameProblem::Blank:
            return {"name", "is blank"};
        case NameProblem::TooLong:
            return {"name", "is longer than " + std::to_string(kMaxNameChars) + " characters"};
        case NameProblem::Invalid:
            return {"name", "contains \"[\", \"]\" or a line break"};
    }
    if (TrimmedMacroName(macro.name) != macro.name) return {"name", "has blanks around it"};
    // A value is read back trimmed, without one pair of enclosing quotes, and cut
    // to what a value buffer holds.
    const auto valueProblem = [](std::string_view v) -> std::string {
        if (BreaksLine(v) || !utf8::IsValid(v)) return "contains a line break or is not valid text";
        if (Trim(v) != v) return "has blanks around it";
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            return "is enclosed in quotes, which record.ini drops";
        }
        if (Utf16Length(v) > kValueBufferChars - 1) {
            return "is longer than " + std::to_string(kValueBufferChars - 1) + " characters";
        }
        return {};
    };
    if (std::string why = valueProblem(macro.macro.loopTimes); !why.empty())
        return {"loop_times", why};
    if (macro.macro.items.size() > kMaxItems) {
        return {"items", "at most " + std::to_string(kMaxItems) + " items"};
    }
    for (std::size_t k = 0; k < macro.macro.items.size(); ++k) {
        if (std::string why = valueProblem(macro.macro.items[k]); !why.empty()) {
            return {"items[" + std::to_string(k) + "]", why};
        }
    }
    return {};
}

std::string MacroTooLongText(std::string_view name, std::size_t dropped, std::size_t events) {
    return "Macro \"" + std::string(name) + "\" does not fit in its macro slot: the last " +
           std::to_string(dropped) + " of its " + std::to_string(events) + " events were left out.";
}

std::size_t PackMacros(const fs::path& recordFile, settings::SettingsImage& image,
                       MessageSink& messages, std::string* unreadable) {
    profile::IniDocument doc;
    if (LoadRecord(recordFile, doc, unreadable) != LoadStatus::Loaded) return 0;
    // One read of the file for the listing and the macros.
    const std::vector<std::string> names = ListedMacroNames(doc.SectionNames());
    if (names.empty()) return 0;
    // Only twelve slots exist; further sections of a hand-edited file stay unpacked.
    const std::size_t count = std::min(names.size(), kMaxMacros);
    for (std::size_t h = 0; h < count; ++h) {
        const StoredMacro stored = ReadStored(doc, names[h]);
        const PackedMacro packed = PackMacro(ParseDecimal(stored.loopTimes), stored.items);
        std::ranges::copy(packed.bytes, image.macroSlot(h + 1).begin());
        if (packed.dropped > 0) {
            messages.ShowMessage(MacroTooLongText(names[h], packed.dropped, packed.events),
                                 std::string(kWarningCaption));
        }
    }
    return count;
}

// ---- Names ------------------------------------------------------------------------------

std::string TrimmedMacroName(std::string_view name) {
    return std::string(Trim(name));
}

NameProblem CheckMacroName(std::string_view name) {
    const std::string_view trimmed = Trim(name);
    if (trimmed.empty()) return NameProblem::Blank;
    if (BreaksLine(name) || name.find_first_of("[]") != std::string_view::npos ||
        !utf8::IsValid(name)) {
        return NameProblem::Invalid;
    }
    if (Utf16Length(trimmed) > kMaxNameChars) return NameProblem::TooLong;
    return NameProblem::None;
}

MacroTexts MacroTexts::For(i18n::Language language) {
    MacroTexts t;
    t.nameBlank = std::string(i18n::Text(language, i18n::TextId::MacroNameBlank));
    t.nameExists = std::string(i18n::Text(language, i18n::TextId::MacroNameExists));
    return t;
}

// ---- The macro panel ----------------------------------------------------------------------

MacroStore::MacroStore(fs::path recordFile, settings::SettingsImage& image, MessageSink& messages,
                       MacroTexts texts)
    : recordFile_(std::move(recordFile)),
      image_(image),
      messages_(messages),
      texts_(std::move(texts)) {}

void MacroStore::Refuse(const std::string& text, std::string_view caption) {
    messages_.ShowMessage(text, std::string(caption));
}

std::optional<std::size_t> MacroStore::SlotOf(std::string_view name) const {
    const std::vector<std::string> names = ListMacroNames(recordFile_);
    for (std::size_t h = 0; h < names.size() && h < kMaxMacros; ++h) {
        if (SameSection(names[h], name)) return h;
    }
    return std::nullopt;
}

void MacroStore::LoadPanel(MacroEditorState& state) {
    state = MacroEditorState{};
    state.macroNames = ListMacroNames(recordFile_);
    if (state.macroNames.empty()) {
        SetLoopTimes(state);  // the empty box becomes "1"
        return;
    }
    state.name = state.macroNames.front();
    const StoredMacro first = ReadMacro(recordFile_, state.name).value_or(StoredMacro{});
    state.loopTimes = first.loopTimes;
    SetLoopTimes(state);  // nothing selected yet: only checks the text
    state.items = first.items;
    state.selected = 0;
    state.loopTimes = std::to_string(SlotLoopTimes(image_.macroSlot(1)));
    SetLoopTimes(state);
}

bool MacroStore::CreateMacro(MacroEditorState& state) {
    switch (CheckMacroName(state.name)) {
        case NameProblem::Blank:
            Refuse(texts_.nameBlank);
            return false;
        case NameProblem::Invalid:
            Refuse(texts_.nameInvalid, kWarningCaption);
            return false;
        case NameProblem::TooLong:
            Refuse(texts_.nameTooLong, kWarningCaption);
            return false;
        case NameProblem::None:
            break;
    }
    if (state.macroNames.size() >= kMaxMacros) {
        Refuse(std::string(kTooManyMacrosText), kWarningCaption);
        return false;
    }
    std::string name = TrimmedMacroName(state.name);
    if (std::any_of(state.macroNames.begin(), state.macroNames.end(),
                    [&](const std::string& n) { return SameSection(n, name); })) {
        Refuse(texts_.nameExists);
        return false;
    }
    state.macroNames.push_back(std::move(name));
    state.items.clear();
    state.selected = static_cast<int>(state.macroNames.size() - 1);
    return true;
}

bool MacroStore::DeleteMacro(MacroEditorState& state) {
    if (!state.HasSelection()) return false;
    const std::string name = state.SelectedName();
    state.macroNames.erase(state.macroNames.begin() + state.selected);
    state.selected = -1;
    state.items.clear();
    state.name.clear();
    const WriteResult r =
        profile::WritePrivateProfileString(recordFile_, name, std::nullopt, std::nullopt);
    if (!r.ok) {
        Refuse("Macro \"" + name + "\" could not be removed from record.ini: " + r.error,
               kWarningCaption);
    }
    return true;
}

void MacroStore::SelectMacro(MacroEditorState& state) {
    if (!state.HasSelection()) return;
    const std::string name = state.SelectedName();
    state.name = name;
    const StoredMacro stored = ReadMacro(recordFile_, name).value_or(StoredMacro{});
    state.loopTimes = stored.loopTimes;
    SetLoopTimes(state);
    state.items = stored.items;
    if (state.items.empty()) return;
    // The box shows what the slot holds, which is what the mouse was last given.
    if (const auto slot = SlotOf(name)) {
        state.loopTimes = std::to_string(SlotLoopTimes(image_.macroSlot(*slot + 1)));
        SetLoopTimes(state);
    }
}

void MacroStore::SetLoopTimes(MacroEditorState& state) {
    std::optional<int> n = ParseLoopTimes(state.loopTimes);
    if (!n) {
        state.loopTimes = "1";
        n = 1;
    }
    if (!state.HasSelection()) return;
    const std::string& name = state.SelectedName();
    // Runs on every change of the box, so a failed write is not reported here; the
    // next confirm writes the value again and reports.
    profile::WritePrivateProfileString(recordFile_, name, kLoopTimesKey, std::to_string(*n));
    // The slot is found by the section's place in the file, which is what the packer
    // and the button assignments go by, also after a confirm has moved a section.
    if (const auto slot = SlotOf(name)) {
        SetSlotLoopTimes(image_.macroSlot(*slot + 1), static_cast<std::uint16_t>(*n));
    }
}

bool MacroStore::ConfirmMacro(MacroEditorState& state) {
    if (!state.HasSelection()) return false;
    const std::string name = state.SelectedName();
    if (state.items.empty()) {
        if (const auto slot = SlotOf(name)) {
            std::ranges::fill(image_.macroSlot(*slot + 1), std::uint8_t{0});
        }
        return true;
    }
    const WriteResult r =
        WriteMacro(recordFile_, name, std::to_string(LoopTimesOrOne(state.loopTimes)), state.items);
    if (!r.ok) Refuse("Macro \"" + name + "\" was not saved: " + r.error, kWarningCaption);
    std::error_code ec;
    if (fs::exists(recordFile_, ec)) PackMacros();
    return r.ok;
}

std::size_t MacroStore::PackMacros() {
    return macros::PackMacros(recordFile_, image_, messages_);
}

}  // namespace ornyx::macros
