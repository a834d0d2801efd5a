#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ornyx::device {

// One top-level collection of a HID report descriptor, described the way Windows
// HidP_GetCaps describes it, so the device code can pick channels and size its
// transfers exactly as on that system.
//
// Every collection at nesting depth 0 counts as top-level, whatever its type:
// Windows only sees Application collections there in practice, and a device
// that puts a Physical or Logical collection at the top still has its reports
// in it. `collectionType` tells them apart for callers that care.
//
// Report lengths: bytes of the longest report of that kind among the report IDs
// used in the collection, plus one byte for the report ID. The extra byte is
// counted even when the descriptor uses no report IDs (the ID 0 goes first on
// the wire then). 0 when the collection has no report of that kind. Clamped to
// 65535.
struct TopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint8_t collectionType = 0;  // 0 physical, 1 application, 2 logical, ...
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
    std::vector<std::uint8_t> reportIds;  // ascending; empty when the collection uses none
    bool usesReportIds = false;
};

struct ParseResult {
    std::vector<TopLevelCollection> collections;
    bool ok = false;
    std::string error;  // first problem found, with its byte offset; empty when ok
};

// Parses a report descriptor as read from the device. Never reads outside
// `descriptor`. On malformed input `ok` is false and `collections` still holds
// what was parsed up to the point where the problem was found (truncation) or
// over the whole descriptor (problems that do not stop the parse, such as an
// unmatched Pop or End Collection), so a caller may still look at it.
ParseResult ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace ornyx::device
