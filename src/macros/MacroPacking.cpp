#include "macros/MacroPacking.h"

#include <algorithm>

#include "keys/KeyTables.h"
#include "macros/MacroItems.h"

namespace ornyx::macros {

std::optional<int> ParseLoopTimes(std::string_view text) {
    const std::int64_t n = ParseDecimal(text);
    if (n < kMinLoopTimes || n > kMaxLoopTimes) return std::nullopt;
    return static_cast<int>(n);
}

int LoopTimesOrOne(std::string_view text) {
    return ParseLoopTimes(text).value_or(kMinLoopTimes);
}

std::uint16_t SlotLoopTimes(std::span<const std::uint8_t, kSlotSize> slot) {
    return static_cast<std::uint16_t>(slot[0] << 8 | slot[1]);
}

void SetSlotLoopTimes(std::span<std::uint8_t, kSlotSize> slot, std::uint16_t loopTimes) {
    slot[0] = static_cast<std::uint8_t>(loopTimes >> 8);
    slot[1] = static_cast<std::uint8_t>(loopTimes & 0xFF);
}

PackedMacro PackMacro(std::int64_t loopTimes, std::span<const std::string> items) {
    PackedMacro out;
    if (items.empty()) return out;
    if (loopTimes < kMinLoopTimes || loopTimes > kMaxLoopTimes) loopTimes = kMinLoopTimes;
    SetSlotLoopTimes(out.bytes, static_cast<std::uint16_t>(loopTimes));

    std::size_t p = kFirstPairByte;
    for (std::size_t j = 0; j < items.size(); ++j) {
        const MacroItem item = ParseItem(items[j]);
        if (item.kind == ItemKind::Delay) continue;
        ++out.events;
        // The delay is the line after the event, whatever that line is; a hand-edited
        // value outside what a slot can carry is brought into range.
        const std::int64_t d = std::clamp<std::int64_t>(
            j + 1 < items.size() ? ItemDelay(items[j + 1]) : 0, 0, kMaxDelayMs);
        const bool longDelay = d > kMaxShortDelayMs;
        const std::size_t need = longDelay ? 4 : 2;
        if (out.dropped > 0 || p + need > kSlotSize) {
            ++out.dropped;
            continue;
        }
        const std::uint8_t code = keys::KeyNameToUsage(item.keyName);
        const std::uint8_t flag = item.kind == ItemKind::Release ? kReleaseFlag : 0;
        out.bytes[p] = static_cast<std::uint8_t>((longDelay ? d % 100 : d / 10) | flag);
        out.bytes[p + 1] = code;
        if (longDelay) {
            out.bytes[p + 2] = static_cast<std::uint8_t>(d / 100);
            out.bytes[p + 3] = kLongDelayMarker;
        }
        p += need;
    }
    return out;
}

}  // namespace ornyx::macros
