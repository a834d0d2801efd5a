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
    // The window system's time of the event in ms; 0 when unknown. X11's
    // auto-repeat sends a release and a press of the held key with the same time.
    std::uint64_t timestamp = 0;
};

// What to do with the item list after one key event.
struct RecorderStep {
    enum class Kind {
        Ignored,  // nothing changes (auto-repeat, not recording, no macro selected)
        Append,   // take `removeTrailing` lines off the end, then append `lines`
        Stop,     // the recording ends (Ctrl+Break or the event after the 64th)
    };
    Kind kind = Kind::Ignored;
    std::vector<std::string> lines;
    // Lines to take off the end of the list first. On Stop: a Ctrl press that
    // only led up to Ctrl+Break is not part of the macro; left in, the mouse
    // would press Ctrl and never let it go. On Append: a release that turned
    // out to be the first half of an auto-repeat pair.
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
    bool recording() const { return recording_; }
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

    // The last release seen, to recognise the press that pairs with it as a
    // repeat. The platform does not always flag both halves of the pair (the
    // press may not be queued yet when the release is looked at), so a press
    // of the same key at the same time is a repeat whatever its flag says.
    struct LastRelease {
        std::string name;
        std::uint64_t timestamp = 0;
        bool counted = false;               // it counted towards the event limit
        bool recorded = false;              // it is the last thing on the list
        std::size_t lines = 0;              // lines it added
        std::size_t trailingCtrlLines = 0;  // as before it was recorded
    };
    LastRelease lastRelease_;
};

// A key name cut to kMaxKeyNameBytes, never inside a UTF-8 sequence.
std::string TruncatedKeyName(std::string_view name);

}  // namespace ornyx::macros
