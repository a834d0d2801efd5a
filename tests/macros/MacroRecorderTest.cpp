#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "macros/MacroRecorder.h"

namespace ornyx::macros {
namespace {

using Lines = std::vector<std::string>;
using Kind = RecorderStep::Kind;

RecorderKey Press(const std::string& name, bool repeat = false) { return {name, true, repeat, false}; }
RecorderKey Release(const std::string& name, bool repeat = false) { return {name, false, repeat, false}; }

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
    for (const auto& k : {Press("Shift"), Press("A"), Release("A"), Release("Shift")}) shift.Feed(k);
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

TEST(MacroRecorderTest, TheSixtyFifthEventStopsInsteadOfBeingRecorded) {
    Recording r;
    for (int i = 0; i < 32; ++i) {
        const std::string key(1, static_cast<char>('A' + i % 26));
        r.Feed(Press(key));
        r.Feed(Release(key));
    }
    EXPECT_EQ(r.list.size(), 64u + 63u);
    EXPECT_TRUE(r.recorder.Recording());
    r.Feed(Press("Z"));
    EXPECT_EQ(r.kinds.back(), Kind::Stop);
    EXPECT_EQ(r.list.size(), 64u + 63u);
    EXPECT_FALSE(r.recorder.Recording());
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
    EXPECT_TRUE(again.recorder.Recording());
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
    EXPECT_FALSE(r.recorder.Recording());

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
