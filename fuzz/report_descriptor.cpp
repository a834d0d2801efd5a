// The report-descriptor parser on any bytes a device (or a hostile one) may
// present: it must stay inside the buffer and describe what it found sanely.
#include <algorithm>

#include "Check.h"
#include "device/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto result = ornyx::device::ParseReportDescriptor(std::span(data, size));
    FUZZ_CHECK(result.ok == result.error.empty());
    for (const auto& c : result.collections) {
        FUZZ_CHECK(std::is_sorted(c.reportIds.begin(), c.reportIds.end()));
        FUZZ_CHECK(std::adjacent_find(c.reportIds.begin(), c.reportIds.end()) == c.reportIds.end());
        FUZZ_CHECK(c.usesReportIds == !c.reportIds.empty());
    }
    // The same bytes give the same answer.
    const auto again = ornyx::device::ParseReportDescriptor(std::span(data, size));
    FUZZ_CHECK(again.collections.size() == result.collections.size());
    FUZZ_CHECK(again.error == result.error);
    return 0;
}
