#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "macros/MacroRecorder.h"

namespace ornyx::macros {
namespace {

using Lines = std::vector<std::string>;
using Kind = RecorderStep::Kind;

RecorderKey Press(const std::string& name, bool repeat = false) {
    return {name, true, repeat, false};
}
RecorderKey Release(const std::string& name, bool repeat = false) {
    return {name, false, repeat, false};
}

// Feeds the keys and collects what the item list would hold.
struct Recording {
    MacroRecorder recorder;
    Lines list;
    std::vector<Kind> kinds;

    Recording() { recorder.Start(); }
    void Feed(const RecorderKey& key, bool target = true) {
        const RecorderStep step = recorder.OnKey(key, target);
        kinds.push_back(step.kind);
        list.resize(list.size() - std::min(step.removeTrailing, list.size()));
        list.insert(list.end(), step.lines.begin(), step.lines.end());
    }
};

TEST(MacroRecorderTest, EventsAlternateWithFixedDelaysInKeyOrder) {
    Recording r;
    for (const auto& k : {Press("A"), Release("A"), Press("B"), Release("B")}) r.Feed(k);
    EXPECT_EQ(r.list, (Lines{"A   Dn", "50 ms", "A   Up", "50 ms", "B   Dn", "50 ms", "B   Up"}));

    Recording shift;
    for (const auto& k : {Press("Shift"), Press("A"), Release("A"), Release("Shift")})
        shift.Feed(k);
    EXPECT_EQ(shift.list,
              (Lines{"Shift   Dn", "50 ms", "A   Dn", "50 ms", "A   Up", "50 ms", "Shift   Up"}));

    // A key held since before the start shows only its release, after a delay.
    Recording held;
    held.Feed(Release("Ctrl"));
    EXPECT_EQ(held.list, (Lines{"50 ms", "Ctrl   Up"}));
}

TEST(MacroRecorderTest, AutoRepeatIsDroppedAndNotCounted) {
    Recording r;
    r.Feed(Press("A"));
    for (int i = 0; i < 20; ++i) {
        r.Feed(Release("A", true));  // some systems release before each repeat
        r.Feed(Press("A", true));
    }
    r.Feed(Release("A"));
    EXPECT_EQ(r.list, (Lines{"A   Dn", "50 ms", "A   Up"}));
    EXPECT_EQ(r.recorder.EventCount(), 2u);

    // The first key of a recording held from before the start: its first repeat
    // stands for the press, later repeats are dropped.
    Recording before;
    before.Feed(Press("Space", true));
    before.Feed(Press("Space", true));
    before.Feed(Release("Space"));
    EXPECT_EQ(before.list, (Lines{"Space   Dn", "50 ms", "Space   Up"}));

    // The last press survives a restart, so that a key held across it stays one press.
    r.recorder.Start();
    r.list.clear();
    r.Feed(Press("A", true));
    EXPECT_TRUE(r.list.empty());
}

// How the window system delivers one X11 auto-repeat pair (a release and a
// press of the held key with the same time): both flagged, neither flagged
// (the press was not queued yet when the release was looked at), or only the
// release flagged.
enum class PairFlags { Both, Neither, ReleaseOnly };

RecorderKey At(RecorderKey key, std::uint64_t ms) {
    key.timestamp = ms;
    return key;
}

// A key held for `holdMs`, repeating after `delayMs` at `rateHz`, with the
// pairs flagged in turn as `flags` says.
void Hold(Recording& r, const std::string& name, std::uint64_t start, std::uint64_t holdMs,
          std::uint64_t delayMs, std::uint64_t rateHz, const std::vector<PairFlags>& flags) {
    r.Feed(At(Press(name), start));
    std::size_t pair = 0;
    for (std::uint64_t t = start + delayMs; t < start + holdMs; t += 1000 / rateHz, ++pair) {
        const PairFlags f = flags[pair % flags.size()];
        r.Feed(At(Release(name, f != PairFlags::Neither), t));
        r.Feed(At(Press(name, f == PairFlags::Both), t));
    }
    r.Feed(At(Release(name), start + holdMs));
}

TEST(MacroRecorderTest, HeldKeyIsOnePressAndOneReleaseHowEverItsRepeatsAreFlagged) {
    using F = PairFlags;
    const std::vector<std::vector<F>> patterns = {{F::Both},
                                                  {F::Neither},
                                                  {F::ReleaseOnly},
                                                  {F::Neither, F::Both, F::Both},
                                                  {F::Both, F::ReleaseOnly, F::Neither, F::Both}};
    for (const auto& [delay, rate] : {std::pair<std::uint64_t, std::uint64_t>{250, 40},
                                      {500, 25},
                                      {660, 25},
                                      {300, 60},
                                      {200, 100}}) {
        for (const auto& flags : patterns) {
            SCOPED_TRACE(testing::Message() << "delay " << delay << " rate " << rate);
            for (const std::uint64_t hold : {800u, 1500u}) {
                Recording r;
                Hold(r, "A", 1000, hold, delay, rate, flags);
                EXPECT_EQ(r.list, (Lines{"A   Dn", "50 ms", "A   Up"}));
                EXPECT_EQ(r.recorder.EventCount(), 2u);
            }
            // Between other keys, and as a Ctrl leading to Break.
            Recording mixed;
            mixed.Feed(At(Press("B"), 10));
            mixed.Feed(At(Release("B"), 20));
            Hold(mixed, "Shift", 100, 900, delay, rate, flags);
            mixed.Feed(At(Press("C"), 1100));
            EXPECT_EQ(mixed.list, (Lines{"B   Dn", "50 ms", "B   Up", "50 ms", "Shift   Dn",
                                         "50 ms", "Shift   Up", "50 ms", "C   Dn"}));
            EXPECT_EQ(mixed.recorder.EventCount(), 5u);

            Recording brk;
            brk.Feed(At(Press("A"), 10));
            brk.Feed(At(Release("A"), 20));
            brk.Feed(At(Press("Ctrl"), 100));
            for (std::uint64_t t = 100 + delay, i = 0; i < 6; t += 1000 / rate, ++i) {
                const F f = flags[i % flags.size()];
                brk.Feed(At(Release("Ctrl", f != F::Neither), t));
                brk.Feed(At(Press("Ctrl", f == F::Both), t));
            }
            brk.Feed(At(Press("Pause"), 2000));
            EXPECT_EQ(brk.kinds.back(), Kind::Stop);
            EXPECT_EQ(brk.list, (Lines{"A   Dn", "50 ms", "A   Up"}));
        }
    }

    // A real release and press of the same key, even a quick one, stays two
    // taps; so do events that carry no time at all.
    Recording taps;
    taps.Feed(At(Press("A"), 10));
    taps.Feed(At(Release("A"), 60));
    taps.Feed(At(Press("A"), 61));
    taps.Feed(At(Release("A"), 90));
    taps.Feed(Press("A"));
    taps.Feed(Release("A"));
    taps.Feed(Press("A"));
    EXPECT_EQ(taps.list.size(), 13u);
    EXPECT_EQ(taps.recorder.EventCount(), 7u);
}

TEST(MacroRecorderTest, TheSixtyFifthEventStopsInsteadOfBeingRecorded) {
    Recording r;
    for (int i = 0; i < 32; ++i) {
        const std::string key(1, static_cast<char>('A' + i % 26));
        r.Feed(Press(key));
        r.Feed(Release(key));
    }
    EXPECT_EQ(r.list.size(), 64u + 63u);
    EXPECT_TRUE(r.recorder.recording());
    r.Feed(Press("Z"));
    EXPECT_EQ(r.kinds.back(), Kind::Stop);
    EXPECT_EQ(r.list.size(), 64u + 63u);
    EXPECT_FALSE(r.recorder.recording());
    r.Feed(Press("Y"));  // nothing after the stop
    EXPECT_EQ(r.kinds.back(), Kind::Ignored);

    // Without a selected macro the events count but add nothing.
    Recording blind;
    for (int i = 0; i < 64; ++i) blind.Feed(i % 2 == 0 ? Press("Q") : Release("Q"), false);
    EXPECT_TRUE(blind.list.empty());
    blind.Feed(Press("Q"), false);
    EXPECT_EQ(blind.kinds.back(), Kind::Stop);

    // A restart counts from zero again.
    Recording again;
    for (int i = 0; i < 60; ++i) again.Feed(i % 2 == 0 ? Press("W") : Release("W"));
    again.recorder.Start();
    again.list.clear();
    for (int i = 0; i < 64; ++i) again.Feed(i % 2 == 0 ? Press("W") : Release("W"));
    EXPECT_EQ(again.list.front(), "W   Dn");  // a first press again: no delay before it
    EXPECT_TRUE(again.recorder.recording());
}

TEST(MacroRecorderTest, CtrlBreakStopsAndTakesBackTheCtrlThatLedToIt) {
    Recording r;
    r.Feed(Press("A"));
    r.Feed(Release("A"));
    r.Feed(Press("Ctrl"));
    EXPECT_EQ(r.list.back(), "Ctrl   Dn");
    r.Feed(Press("Pause"));
    EXPECT_EQ(r.kinds.back(), Kind::Stop);
    EXPECT_EQ(r.list, (Lines{"A   Dn", "50 ms", "A   Up"}));
    EXPECT_FALSE(r.recorder.recording());

    // Ctrl as the very first key: only its own line goes.
    Recording first;
    first.Feed(Press("Right Ctrl"));
    first.Feed(Press("Pause"));
    EXPECT_TRUE(first.list.empty());

    // Pause alone is an ordinary key; Ctrl held since before the start (known
    // only to the platform) still makes it Break, and so does a Break key name.
    Recording plain;
    plain.Feed(Press("Pause"));
    plain.Feed(Release("Pause"));
    EXPECT_EQ(plain.list, (Lines{"Pause   Dn", "50 ms", "Pause   Up"}));
    plain.Feed({"Pause", true, false, true});
    EXPECT_EQ(plain.kinds.back(), Kind::Stop);
    EXPECT_EQ(plain.list.size(), 3u);  // the last event was not a Ctrl press
    Recording brk;
    brk.Feed(Press("Break"));
    EXPECT_EQ(brk.kinds.back(), Kind::Stop);

    // Ctrl released again before Pause: Pause is recorded.
    Recording released;
    released.Feed(Press("Ctrl"));
    released.Feed(Release("Ctrl"));
    released.Feed(Press("Pause"));
    EXPECT_EQ(released.list.back(), "Pause   Dn");
}

TEST(MacroRecorderTest, NotRecordingIgnoresKeysAndLongNamesAreCut) {
    MacroRecorder idle;
    EXPECT_EQ(idle.OnKey(Press("A"), true).kind, Kind::Ignored);
    EXPECT_FALSE(idle.Stop());

    EXPECT_EQ(TruncatedKeyName(std::string(40, 'x')), std::string(31, 'x'));
    // 30 ASCII bytes and a two-byte letter: the letter would be cut, so it goes.
    const std::string name = std::string(30, 'x') + "\xC3\xA9" + "y";
    EXPECT_EQ(TruncatedKeyName(name), std::string(30, 'x'));
    EXPECT_EQ(TruncatedKeyName("Num 1"), "Num 1");
}

}  // namespace
}  // namespace ornyx::macros
