#include "device/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <utility>

namespace ornyx::device {

namespace {

// Item types and tags from the HID class definition, section 6.2.2.
enum ItemType : std::uint8_t { kMainItem = 0, kGlobalItem = 1, kLocalItem = 2 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

constexpr std::uint8_t kUsageTag = 0x0;  // local
constexpr std::uint8_t kLongItemPrefix = 0xFE;

// Any report of more bits than this clamps to the largest length anyway;
// saturating here keeps the running sums from overflowing.
constexpr std::uint64_t kMaxBits = 65535ULL * 8;
// Real descriptors push a level or two; the cap keeps a hostile one from
// growing the stack with every byte.
constexpr std::size_t kMaxPushDepth = 64;

enum ReportKind : std::size_t { kInputReport = 0, kOutputReport = 1, kFeatureReport = 2 };

struct GlobalState {
    std::uint16_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;  // 0 = no Report ID item seen (yet)
};

struct CollectionBuilder {
    TopLevelCollection info;
    std::map<std::uint8_t, std::array<std::uint64_t, 3>> bitsPerReportId;
};

std::uint16_t LengthOf(const CollectionBuilder& builder, ReportKind kind) {
    std::uint64_t longestBits = 0;
    for (const auto& [id, bits] : builder.bitsPerReportId) {
        longestBits = std::max(longestBits, bits[kind]);
    }
    if (longestBits == 0) {
        return 0;
    }
    const std::uint64_t bytes = (longestBits + 7) / 8 + 1;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 65535));
}

TopLevelCollection Finish(CollectionBuilder& builder) {
    TopLevelCollection info = std::move(builder.info);
    info.inputReportLength = LengthOf(builder, kInputReport);
    info.outputReportLength = LengthOf(builder, kOutputReport);
    info.featureReportLength = LengthOf(builder, kFeatureReport);
    for (const auto& entry : builder.bitsPerReportId) {
        if (entry.first != 0) {
            info.reportIds.push_back(entry.first);
        }
    }
    info.usesReportIds = !info.reportIds.empty();
    return info;
}

}  // namespace

ParseResult ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    ParseResult result;
    auto fail = [&result](std::string reason, std::size_t offset) {
        if (result.error.empty()) {
            result.error = std::move(reason) + " at offset " + std::to_string(offset);
        }
    };

    std::vector<CollectionBuilder> builders;
    GlobalState global;
    std::vector<GlobalState> pushed;
    // Local state: only the first Usage matters, it names the collection that follows.
    // Kept as page << 16 | usage, the page resolved when the Usage item is read.
    // A plain flag and value rather than std::optional: GCC 12 warns falsely on
    // optional<uint32_t> here.
    bool haveUsage = false;
    std::uint32_t firstUsage = 0;
    std::size_t depth = 0;

    const std::size_t size = descriptor.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t itemOffset = pos;
        const std::uint8_t prefix = descriptor[pos];

        if (prefix == kLongItemPrefix) {
            // Long items carry nothing that this parser needs; step over them.
            if (size - pos < 3 || size - pos - 3 < descriptor[pos + 1]) {
                fail("truncated long item", itemOffset);
                break;
            }
            pos += 3 + std::size_t{descriptor[pos + 1]};
            continue;
        }

        const std::size_t dataSize = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        if (size - pos - 1 < dataSize) {
            fail("truncated item", itemOffset);
            break;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i) {
            value |= std::uint32_t{descriptor[pos + 1 + i]} << (8 * i);
        }
        pos += 1 + dataSize;

        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);

        if (type == kMainItem) {
            if (tag == kCollection) {
                if (depth == 0) {
                    CollectionBuilder builder;
                    if (haveUsage) {
                        builder.info.usagePage = static_cast<std::uint16_t>(firstUsage >> 16);
                        builder.info.usage = static_cast<std::uint16_t>(firstUsage & 0xFFFF);
                    }
                    builder.info.collectionType = static_cast<std::uint8_t>(value & 0xFF);
                    builders.push_back(std::move(builder));
                }
                ++depth;
            } else if (tag == kEndCollection) {
                if (depth == 0) {
                    fail("End Collection without Collection", itemOffset);
                } else {
                    --depth;
                }
            } else if (tag == kInput || tag == kOutput || tag == kFeature) {
                if (depth == 0) {
                    // No collection to give this report to; Windows refuses such
                    // descriptors, here the item is only skipped.
                    fail("data item outside any collection", itemOffset);
                } else {
                    const ReportKind kind = tag == kInput    ? kInputReport
                                            : tag == kOutput ? kOutputReport
                                                             : kFeatureReport;
                    const std::uint64_t bits = std::min<std::uint64_t>(
                        std::uint64_t{global.reportSize} * global.reportCount, kMaxBits);
                    std::uint64_t& total = builders.back().bitsPerReportId[global.reportId][kind];
                    total = std::min(total + bits, kMaxBits);
                }
            }
            haveUsage = false;  // local items apply to one main item only
        } else if (type == kGlobalItem) {
            switch (tag) {
                case kUsagePage:
                    global.usagePage = static_cast<std::uint16_t>(value & 0xFFFF);
                    break;
                case kReportSize:
                    global.reportSize = value;
                    break;
                case kReportCount:
                    global.reportCount = value;
                    break;
                case kReportId:
                    // ID 0 is reserved for "no ID" on the wire, and IDs are one byte.
                    if (value == 0 || value > 0xFF) {
                        fail("invalid report ID " + std::to_string(value), itemOffset);
                    } else {
                        global.reportId = static_cast<std::uint8_t>(value);
                    }
                    break;
                case kPush:
                    if (pushed.size() >= kMaxPushDepth) {
                        fail("Push nested too deep", itemOffset);
                    } else {
                        pushed.push_back(global);
                    }
                    break;
                case kPop:
                    if (pushed.empty()) {
                        fail("Pop without Push", itemOffset);
                    } else {
                        global = pushed.back();
                        pushed.pop_back();
                    }
                    break;
                default:
                    break;  // logical/physical ranges and units do not affect lengths
            }
        } else if (type == kLocalItem && tag == kUsageTag && !haveUsage) {
            // A four-byte Usage is an extended usage carrying its own page.
            firstUsage =
                dataSize == 4 ? value : (std::uint32_t{global.usagePage} << 16) | (value & 0xFFFF);
            haveUsage = true;
        }
    }

    if (depth != 0) {
        fail("Collection not closed", size);
    }
    if (builders.empty()) {
        fail("no top-level collection", size);
    }

    result.collections.reserve(builders.size());
    for (auto& builder : builders) {
        result.collections.push_back(Finish(builder));
    }
    result.ok = result.error.empty();
    return result;
}

}  // namespace ornyx::device
