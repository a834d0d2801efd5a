#pragma once

// What the keyboard recorder makes of each key event: which events become macro
// items, which are dropped (auto-repeat), and when a recording ends (the 65th
// event, Ctrl+Break). The GUI feeds it the key events of its own windows and
// applies the resulting steps to the macro panel's item list.
//
// Timing is not measured: every recorded event is separated from the previous
// one by a fixed "50 ms" item.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ornyx::macros {

// At most this many events are recorded per recording; the next one stops it.
inline constexpr std::uint32_t kMaxRecordedEvents = 64;
// Key names are kept to what a 32-character buffer with its terminator holds.
inline constexpr std::size_t kMaxKeyNameBytes = 31;

// The key names that end a recording. A PC keyboard sends Break for Ctrl+Pause;
// Linux reports it as Pause with Ctrl held.
inline constexpr std::string_view kBreakKeyName = "Break";
inline constexpr std::string_view kPauseKeyName = "Pause";

struct RecorderKey {
    std::string name;         // the key's name, as the key capture gives it
    bool press = true;        // false for a release
    bool autoRepeat = false;  // a repeat generated while the key is held
    bool ctrlHeld = false;    // Ctrl was down, as far as the platform tells
};

// What to do with the item list after one key event.
struct RecorderStep {
    enum class Kind {
        Ignored,  // nothing changes (auto-repeat, not recording, no macro selected)
        Append,   // append `lines`
        Stop,     // the recording ends (Ctrl+Break or the event after the 64th)
    };
    Kind kind = Kind::Ignored;
    std::vector<std::string> lines;
    // Stop only: lines to take off the end of the list first. A Ctrl press that
    // only led up to Ctrl+Break is not part of the macro; left in, the mouse
    // would press Ctrl and never let it go.
    std::size_t removeTrailing = 0;
};

class MacroRecorder {
public:
    // Starts a recording, or restarts a running one: the event count and the
    // first-press state start over. The last press survives, so that the repeats
    // of a key held across a restart are still recognised.
    void Start();
    // Ends the recording. False when none was running.
    bool Stop();
    bool Recording() const { return recording_; }
    std::uint32_t EventCount() const { return count_; }

    // One key press or release. `recordInto` says whether a macro is selected:
    // without one the event still counts towards the limit but adds nothing.
    RecorderStep OnKey(const RecorderKey& key, bool recordInto);

private:
    bool IsStopKey(const RecorderKey& key) const;

    bool recording_ = false;
    bool firstPressDone_ = false;
    std::uint32_t count_ = 0;
    std::string lastPress_;
    bool leftCtrlDown_ = false;  // Ctrl keys seen going down and not yet up
    bool rightCtrlDown_ = false;
    // Lines the last recorded event added when it was a Ctrl press; 0 otherwise.
    std::size_t trailingCtrlLines_ = 0;
};

// A key name cut to kMaxKeyNameBytes, never inside a UTF-8 sequence.
std::string TruncatedKeyName(std::string_view name);

}  // namespace ornyx::macros
