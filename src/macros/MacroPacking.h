#pragma once

// The packed form of a macro, as the mouse plays it: a 128-byte macro slot.
//
//   bytes 0..1   loop count, big-endian, 1..65535
//   bytes 2..127 event pairs in item order, zero after the last one
//
// A pair is (release flag 0x80 | delay field, key code), the delay being the one
// of the line after the event. Delays up to 1270 ms fit one pair (field = d / 10);
// longer ones take two: (d % 100 | flag, code), then (d / 100, 3).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ornyx::macros {

inline constexpr std::size_t kSlotSize = 128;
inline constexpr std::size_t kFirstPairByte = 2;
inline constexpr std::size_t kMaxPairs = (kSlotSize - kFirstPairByte) / 2;  // 63

inline constexpr std::int64_t kMaxShortDelayMs = 1270;
// The longest delay the two-pair form can carry: d / 100 must stay below bit 7.
// The editor keeps to 10000 ms; only a hand-edited file goes beyond.
inline constexpr std::int64_t kMaxDelayMs = 127 * 100 + 99;
inline constexpr std::uint8_t kLongDelayMarker = 3;
inline constexpr std::uint8_t kReleaseFlag = 0x80;

inline constexpr int kMinLoopTimes = 1;
inline constexpr int kMaxLoopTimes = 65535;

using MacroSlot = std::array<std::uint8_t, kSlotSize>;

struct PackedMacro {
    MacroSlot bytes{};
    std::size_t events = 0;   // event lines among the items
    std::size_t dropped = 0;  // of them, left out because the slot was full
};

// Packs one macro. No items gives an all-zero slot, loop count included; a loop
// count outside 1..65535 packs as 1. Events that do not fit are dropped from the
// first one that does not fit on, so that what is packed stays a prefix of the
// macro and a long delay is never split from its event.
PackedMacro PackMacro(std::int64_t loopTimes, std::span<const std::string> items);

// The loop count a text stands for, or nullopt when it is not in 1..65535.
std::optional<int> ParseLoopTimes(std::string_view text);
// As the packer reads MacroLoopTimes: anything out of range is 1.
int LoopTimesOrOne(std::string_view text);

std::uint16_t SlotLoopTimes(std::span<const std::uint8_t, kSlotSize> slot);
void SetSlotLoopTimes(std::span<std::uint8_t, kSlotSize> slot, std::uint16_t loopTimes);

}  // namespace ornyx::macros
