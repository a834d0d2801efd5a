// Macro item parsing and packing on any item texts and loop counts: the slot
// is never overrun, the counts agree with the items, and the loop count is the
// one the packer promises.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Check.h"
#include "macros/MacroItems.h"
#include "macros/MacroPacking.h"

using namespace ornyx::macros;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::int64_t loops = in.ConsumeIntegral<std::int64_t>();
    const std::string loopText = in.ConsumeRandomLengthString(12);
    std::vector<std::string> items;
    while (in.remaining_bytes() > 0 && items.size() < 300)
        items.push_back(in.ConsumeRandomLengthString(24));

    std::size_t events = 0;
    for (const std::string& item : items) {
        const MacroItem parsed = ParseItem(item);
        FUZZ_CHECK(IsEventItem(item) == (parsed.kind != ItemKind::Delay));
        if (parsed.kind != ItemKind::Delay) ++events;
        // A delay line reads as the number it shows once written again.
        if (parsed.kind == ItemKind::Delay)
            FUZZ_CHECK(ItemDelay(DelayItem(parsed.delayMs)) == parsed.delayMs);
    }

    const PackedMacro packed = PackMacro(loops, items);
    FUZZ_CHECK(packed.events == events);
    FUZZ_CHECK(packed.dropped <= packed.events);
    if (events == 0 && items.empty()) {
        FUZZ_CHECK(
            std::all_of(packed.bytes.begin(), packed.bytes.end(), [](auto b) { return b == 0; }));
    } else if (!items.empty()) {
        const std::int64_t expected = loops >= kMinLoopTimes && loops <= kMaxLoopTimes ? loops : 1;
        FUZZ_CHECK(SlotLoopTimes(packed.bytes) == expected);
    }
    const std::optional<int> parsedLoops = ParseLoopTimes(loopText);
    FUZZ_CHECK(LoopTimesOrOne(loopText) == parsedLoops.value_or(1));
    return 0;
}
