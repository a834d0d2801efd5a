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

TopLevelCollection FinishCollection(CollectionBuilder& builder) {
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

// One short item as read: where it starts, its type, tag and data.
struct Item {
    std::size_t offset = 0;
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::size_t dataSize = 0;
    std::uint32_t value = 0;
};

// The parse state across items: the collections so far, the global state
// with its Push stack, and the local state that names the next collection.
class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> descriptor) : descriptor_(descriptor) {}

    ParseResult Run() {
        while (pos_ < descriptor_.size()) {
            Item item;
            const Step step = NextItem(item);
            if (step == Step::Stop) break;
            if (step == Step::Skip) continue;
            if (item.type == kMainItem) {
                Main(item);
            } else if (item.type == kGlobalItem) {
                Global(item);
            } else if (item.type == kLocalItem) {
                Local(item);
            }
        }
        return Finish();
    }

private:
    enum class Step { Use, Skip, Stop };

    void Fail(std::string reason, std::size_t offset) {
        if (result_.error.empty())
            result_.error = std::move(reason) + " at offset " + std::to_string(offset);
    }

    // Reads the item at pos_ and moves past it; a truncated item stops the parse.
    Step NextItem(Item& item) {
        const std::size_t size = descriptor_.size();
        item.offset = pos_;
        const std::uint8_t prefix = descriptor_[pos_];
        if (prefix == kLongItemPrefix) {
            // Long items carry nothing that this parser needs; step over them.
            if (size - pos_ < 3 || size - pos_ - 3 < descriptor_[pos_ + 1]) {
                Fail("truncated long item", item.offset);
                return Step::Stop;
            }
            pos_ += 3 + std::size_t{descriptor_[pos_ + 1]};
            return Step::Skip;
        }
        item.dataSize = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        if (size - pos_ - 1 < item.dataSize) {
            Fail("truncated item", item.offset);
            return Step::Stop;
        }
        for (std::size_t i = 0; i < item.dataSize; ++i) {
            item.value |= std::uint32_t{descriptor_[pos_ + 1 + i]} << (8 * i);
        }
        pos_ += 1 + item.dataSize;
        item.type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        item.tag = static_cast<std::uint8_t>(prefix >> 4);
        return Step::Use;
    }

    void Main(const Item& item) {
        if (item.tag == kCollection) {
            if (depth_ == 0) {
                CollectionBuilder builder;
                if (haveUsage_) {
                    builder.info.usagePage = static_cast<std::uint16_t>(firstUsage_ >> 16);
                    builder.info.usage = static_cast<std::uint16_t>(firstUsage_ & 0xFFFF);
                }
                builder.info.collectionType = static_cast<std::uint8_t>(item.value & 0xFF);
                builders_.push_back(std::move(builder));
            }
            ++depth_;
        } else if (item.tag == kEndCollection) {
            if (depth_ == 0) {
                Fail("End Collection without Collection", item.offset);
            } else {
                --depth_;
            }
        } else if (item.tag == kInput || item.tag == kOutput || item.tag == kFeature) {
            Data(item);
        }
        haveUsage_ = false;  // local items apply to one main item only
    }

    // Input, Output or Feature: its bits count towards the current report ID.
    void Data(const Item& item) {
        if (depth_ == 0) {
            // No collection to give this report to; Windows refuses such
            // descriptors, here the item is only skipped.
            Fail("data item outside any collection", item.offset);
            return;
        }
        const ReportKind kind = item.tag == kInput    ? kInputReport
                                : item.tag == kOutput ? kOutputReport
                                                      : kFeatureReport;
        const std::uint64_t bits = std::min<std::uint64_t>(
            std::uint64_t{global_.reportSize} * global_.reportCount, kMaxBits);
        std::uint64_t& total = builders_.back().bitsPerReportId[global_.reportId][kind];
        total = std::min(total + bits, kMaxBits);
    }

    void Global(const Item& item) {
        switch (item.tag) {
            case kUsagePage:
                global_.usagePage = static_cast<std::uint16_t>(item.value & 0xFFFF);
                break;
            case kReportSize:
                global_.reportSize = item.value;
                break;
            case kReportCount:
                global_.reportCount = item.value;
                break;
            case kReportId:
                // ID 0 is reserved for "no ID" on the wire, and IDs are one byte.
                if (item.value == 0 || item.value > 0xFF) {
                    Fail("invalid report ID " + std::to_string(item.value), item.offset);
                } else {
                    global_.reportId = static_cast<std::uint8_t>(item.value);
                }
                break;
            case kPush:
                if (pushed_.size() >= kMaxPushDepth) {
                    Fail("Push nested too deep", item.offset);
                } else {
                    pushed_.push_back(global_);
                }
                break;
            case kPop:
                if (pushed_.empty()) {
                    Fail("Pop without Push", item.offset);
                } else {
                    global_ = pushed_.back();
                    pushed_.pop_back();
                }
                break;
            default:
                break;  // logical/physical ranges and units do not affect lengths
        }
    }

    void Local(const Item& item) {
        if (item.tag != kUsageTag || haveUsage_) return;
        // A four-byte Usage is an extended usage carrying its own page.
        firstUsage_ = item.dataSize == 4
                          ? item.value
                          : (std::uint32_t{global_.usagePage} << 16) | (item.value & 0xFFFF);
        haveUsage_ = true;
    }

    ParseResult Finish() {
        if (depth_ != 0) Fail("Collection not closed", descriptor_.size());
        if (builders_.empty()) Fail("no top-level collection", descriptor_.size());
        result_.collections.reserve(builders_.size());
        for (auto& builder : builders_) result_.collections.push_back(FinishCollection(builder));
        result_.ok = result_.error.empty();
        return std::move(result_);
    }

    std::span<const std::uint8_t> descriptor_;
    std::size_t pos_ = 0;
    ParseResult result_;
    std::vector<CollectionBuilder> builders_;
    GlobalState global_;
    std::vector<GlobalState> pushed_;
    // Local state: only the first Usage matters, it names the collection that follows.
    // Kept as page << 16 | usage, the page resolved when the Usage item is read.
    // A plain flag and value rather than std::optional: GCC 12 warns falsely on
    // optional<uint32_t> here.
    bool haveUsage_ = false;
    std::uint32_t firstUsage_ = 0;
    std::size_t depth_ = 0;
};

}  // namespace

ParseResult ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    return Parser(descriptor).Run();
}

}  // namespace ornyx::device
