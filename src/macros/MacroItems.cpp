#include "macros/MacroItems.h"

#include <limits>

namespace ornyx::macros {

namespace {

// Removes every occurrence of `what` in one left-to-right pass.
std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, from)) {
        out.append(text.substr(from, at - from));
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace

std::int64_t ParseDecimal(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    std::size_t i = text.find_first_not_of(kBlanks);
    if (i == std::string_view::npos) return 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::int64_t ItemDelay(std::string_view text) {
    return ParseDecimal(RemoveAll(text, kDelaySuffix));
}

MacroItem ParseItem(std::string_view text) {
    if (text.find(kPressSuffix) != std::string_view::npos) {
        return {ItemKind::Press, RemoveAll(text, kPressSuffix), 0};
    }
    if (text.find(kReleaseSuffix) != std::string_view::npos) {
        return {ItemKind::Release, RemoveAll(text, kReleaseSuffix), 0};
    }
    return {ItemKind::Delay, {}, ItemDelay(text)};
}

bool IsEventItem(std::string_view text) {
    return text.find(kPressSuffix) != std::string_view::npos ||
           text.find(kReleaseSuffix) != std::string_view::npos;
}

std::string PressItem(std::string_view keyName) {
    return std::string(keyName).append(kPressSuffix);
}

std::string ReleaseItem(std::string_view keyName) {
    return std::string(keyName).append(kReleaseSuffix);
}

std::string DelayItem(std::int64_t ms) {
    return std::to_string(ms).append(kDelaySuffix);
}

std::string FormatItem(const MacroItem& item) {
    switch (item.kind) {
        case ItemKind::Press:
            return PressItem(item.keyName);
        case ItemKind::Release:
            return ReleaseItem(item.keyName);
        case ItemKind::Delay:
            break;
    }
    return DelayItem(item.delayMs);
}

}  // namespace ornyx::macros
