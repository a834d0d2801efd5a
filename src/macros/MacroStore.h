#pragma once

// The macro store: record.ini, one section per macro, and the packing of its
// macros into the twelve macro slots of the settings image.
//
//   [name]
//   MacroLoopTimes=2
//   ItemCount=3
//   Item0=A   Dn
//   Item1=50 ms
//   Item2=A   Up
//
// A macro's number (its slot, and what a button assignment refers to) is the
// position of its section in the file. Rewriting a macro moves its section to
// the end of the file, as the profile functions append a new section there.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/AtomicFile.h"
#include "common/MessageSink.h"
#include "i18n/Language.h"
#include "settings/SettingsImage.h"

namespace ornyx::macros {

inline constexpr std::size_t kMaxMacros = 12;
// Names are kept to what a 32-character buffer with its terminator holds.
inline constexpr std::size_t kMaxNameChars = 31;
// The section list is read into a buffer of 1024 characters, but only the names
// that end within its first 255 are seen. Files written elsewhere are listed the
// same way, so the rule stays.
inline constexpr std::size_t kSectionListBufferChars = 1024;
inline constexpr std::size_t kSectionListScanChars = 255;
// Values are read as into a buffer of 1024 characters.
inline constexpr std::size_t kValueBufferChars = 1024;
// A hand-edited ItemCount is believed up to this many items; a slot holds 63
// events, so no useful macro comes near it.
inline constexpr std::size_t kMaxItems = 1024;

inline constexpr std::string_view kLoopTimesKey = "MacroLoopTimes";
inline constexpr std::string_view kItemCountKey = "ItemCount";
inline constexpr std::string_view kItemKeyPrefix = "Item";

inline constexpr std::string_view kTooManyMacrosText = "Macro numbers up to 12.";
inline constexpr std::string_view kWarningCaption = "Warning";

// ---- record.ini -------------------------------------------------------------------

// Section names in file order, as far as the listing rule above sees them; empty
// when the file does not exist.
std::vector<std::string> ListMacroNames(const std::filesystem::path& recordFile);
// The same rule applied to section names already read (all of them, in file order).
std::vector<std::string> ListedMacroNames(std::span<const std::string> sectionNames);

// One section as stored.
struct StoredMacro {
    std::string loopTimes;           // MacroLoopTimes as written; empty when missing
    std::vector<std::string> items;  // ItemCount lines (at most kMaxItems); a missing
                                     // item key gives an empty line
};

// nullopt when the file or the section does not exist.
std::optional<StoredMacro> ReadMacro(const std::filesystem::path& recordFile,
                                     std::string_view name);

// Replaces the macro's section by MacroLoopTimes, ItemCount and the items, in one
// atomic rewrite; the section ends up last in the file. Refused (nothing written)
// when the name or an item would break the file's lines or is not valid UTF-8, and
// when the file exists but cannot be read.
WriteResult WriteMacro(const std::filesystem::path& recordFile, std::string_view name,
                       std::string_view loopTimes, std::span<const std::string> items);

struct NamedMacro {
    std::string name;
    StoredMacro macro;
};

// Every section in file order, without the listing limit (an export must not
// lose what the panel cannot show); a repeated section once, as its first block.
// Empty when the file does not exist, nullopt when it exists but cannot be read
// (with the reason in `why`).
std::optional<std::vector<NamedMacro>> ReadAllMacros(const std::filesystem::path& recordFile,
                                                     std::string* why = nullptr);

// What record.ini holds that ReadAllMacros does not carry (lines outside the
// macros' keys, repeated sections, cut values, ...), one readable note each.
std::vector<std::string> UncarriedContent(const std::filesystem::path& recordFile);
// The first `maxNotes` of them; `more` counts the rest.
std::vector<std::string> UncarriedContent(const std::filesystem::path& recordFile,
                                          std::size_t maxNotes, std::size_t& more);

// Both from one read of the file, as an export needs them.
struct MacroExport {
    std::vector<NamedMacro> macros;
    std::vector<std::string> uncarried;  // the first maxNotes of UncarriedContent
    std::size_t moreUncarried = 0;       // and how many more there are
};
std::optional<MacroExport> ReadForExport(const std::filesystem::path& recordFile,
                                         std::size_t maxNotes, std::string* why = nullptr);

// Replaces all sections by `macros`, in their order, in one atomic rewrite; the
// file's encoding and line endings stay. When the file holds the same names in
// the same order, only the keys that read differently change. Refused (nothing written) as
// WriteMacro refuses, and when two names are the same section. A missing file stays missing when
// there is nothing to store.
WriteResult ReplaceAllMacros(const std::filesystem::path& recordFile,
                             std::span<const NamedMacro> macros);

// What of a macro would not read back as given once stored: a field ("items",
// "items[3]", "loop_times" or "name") and the reason ("at most 1024 items").
// Empty when all of it reads back exactly, so that export then import, or
// import then export, never loses or changes anything.
struct ReadBackProblem {
    std::string field;
    std::string reason;
    bool empty() const { return field.empty(); }
};
ReadBackProblem CheckReadBack(const NamedMacro& macro);

// Rebuilds slots 1..n of the image from the first n = min(sections, 12) sections,
// in file order; the other slots keep their content. A macro whose events do not
// all fit is packed as far as it fits and reported through `messages`. Returns n;
// 0 when the file is missing, or exists but cannot be read (the reason then in
// `unreadable`, and the image untouched).
std::size_t PackMacros(const std::filesystem::path& recordFile, settings::SettingsImage& image,
                       MessageSink& messages, std::string* unreadable = nullptr);

// The message for a macro whose surplus events were left out.
std::string MacroTooLongText(std::string_view name, std::size_t dropped, std::size_t events);

// ---- Names ------------------------------------------------------------------------

enum class NameProblem { None, Blank, Invalid, TooLong };

// A name is stored without surrounding blanks (the profile functions would drop
// them anyway); "[", "]", line breaks and NUL would change the file's structure.
// Length is counted in UTF-16 units, as the 32-character buffer counts.
NameProblem CheckMacroName(std::string_view name);
std::string TrimmedMacroName(std::string_view name);

// ---- The macro panel --------------------------------------------------------------

// What the macro panel shows, as plain data: the GUI binds its widgets to it and
// the command line drives it directly.
struct MacroEditorState {
    std::vector<std::string> macroNames;  // the macro list, in screen order
    int selected = -1;                    // position in macroNames; -1 for none
    std::vector<std::string> items;       // the item list
    std::string name;                     // the name box
    std::string loopTimes;                // the loop-times box

    bool HasSelection() const {
        return selected >= 0 && static_cast<std::size_t>(selected) < macroNames.size();
    }
    const std::string& SelectedName() const {
        return macroNames[static_cast<std::size_t>(selected)];
    }
};

// The user-facing texts of the store. The defaults are English; For() takes the
// localized ones where the text tables have them.
struct MacroTexts {
    std::string nameBlank = "Macro name is blank";
    std::string nameExists = "Macro name already exists";
    std::string nameTooLong = "Macro name is too long: at most 31 characters.";
    std::string nameInvalid = "Macro name must not contain \"[\", \"]\" or a line break.";

    static MacroTexts For(i18n::Language language);
};

// The store's operations on the panel. Every operation that changes the
// macro slots changes the settings image at once; the mouse gets them at the
// next apply.
class MacroStore {
public:
    MacroStore(std::filesystem::path recordFile, settings::SettingsImage& image,
               MessageSink& messages, MacroTexts texts = {});

    // Fills the panel when it is first built: every section in file order, the
    // first one selected and loaded, then its loop count taken from slot 1 (what
    // the mouse was last given), which is written back to the file.
    void LoadPanel(MacroEditorState& state);

    // Appends the name box's name to the list and selects it, with an empty item
    // list; writes nothing. False, with a message, when the name is blank, too
    // long or invalid, when the list holds 12 names, or when the name is already
    // listed (compared without letter case).
    bool CreateMacro(MacroEditorState& state);

    // Removes the selected macro from the list and its section from the file;
    // empties the item list and the name box. The slots stay as they are until
    // the next pack. False when nothing was selected.
    bool DeleteMacro(MacroEditorState& state);

    // Loads the selected macro: its name, loop count and items.
    void SelectMacro(MacroEditorState& state);

    // Validates the loop-times box ("1" when it is not in 1..65535) and stores the
    // value in the selected macro's section and slot.
    void SetLoopTimes(MacroEditorState& state);

    // Writes the selected macro's items and loop count back and repacks every slot.
    // An empty item list only clears the macro's slot. False when nothing was
    // selected or the file could not be written (with a message).
    bool ConfirmMacro(MacroEditorState& state);

    std::size_t PackMacros();

    // The slot (0-based) of a macro: the position of its section among the listed
    // sections, when that is one of the twelve.
    std::optional<std::size_t> SlotOf(std::string_view name) const;

    const std::filesystem::path& recordFile() const { return recordFile_; }

private:
    void Refuse(const std::string& text, std::string_view caption = {});

    std::filesystem::path recordFile_;
    settings::SettingsImage& image_;
    MessageSink& messages_;
    MacroTexts texts_;
};

}  // namespace ornyx::macros
