#pragma once

// The text lines of a macro, as the editor's item list shows them and record.ini
// stores them: "A   Dn", "Right Ctrl   Up", "50 ms".

#include <cstdint>
#include <string>
#include <string_view>

namespace ornyx::macros {

inline constexpr std::string_view kPressSuffix = "   Dn";
inline constexpr std::string_view kReleaseSuffix = "   Up";
inline constexpr std::string_view kDelaySuffix = " ms";
// The delay the recorder and the mouse-event inserter put between events.
inline constexpr int kDefaultDelayMs = 50;

// Every line that is not an event counts as a delay line, however it reads:
// that is how the packer treats it.
enum class ItemKind { Press, Release, Delay };

struct MacroItem {
    ItemKind kind = ItemKind::Delay;
    std::string keyName;       // events only
    std::int64_t delayMs = 0;  // delay lines only: the value the packer reads

    bool operator==(const MacroItem&) const = default;
};

// A line is a press when it contains "   Dn" anywhere, else a release when it
// contains "   Up"; the key name is the text with every such suffix removed.
// Existing record.ini files are read by this rule, so it stays as loose as it is.
MacroItem ParseItem(std::string_view text);
bool IsEventItem(std::string_view text);

std::string FormatItem(const MacroItem& item);
std::string PressItem(std::string_view keyName);
std::string ReleaseItem(std::string_view keyName);
std::string DelayItem(std::int64_t ms);

// The delay a line stands for: its decimal value once every " ms" is removed,
// 0 when it does not start with a number.
std::int64_t ItemDelay(std::string_view text);

// Decimal conversion with the C library's rules (leading blanks skipped, an
// optional sign, digits up to the first other character, 0 when there are
// none), saturating instead of overflowing.
std::int64_t ParseDecimal(std::string_view text);

}  // namespace ornyx::macros
