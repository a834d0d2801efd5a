#include "device/hidraw/HidrawSupport.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>

namespace ornyx::device::hidraw {

namespace {

// 1 to maxDigits hex digits and nothing else (from_chars alone would accept a
// sign-less prefix and stop quietly at the first bad character).
std::optional<std::uint32_t> ParseHexField(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint32_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// Splits "a:b:c" into exactly three fields.
bool SplitThree(std::string_view text, std::string_view (&fields)[3]) {
    for (int i = 0; i < 2; ++i) {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) return false;
        fields[i] = text.substr(0, colon);
        text.remove_prefix(colon + 1);
    }
    if (text.find(':') != std::string_view::npos) return false;
    fields[2] = text;
    return true;
}

std::optional<HidId> HidIdFromFields(std::string_view bus, std::string_view vendor,
                                     std::string_view product, std::size_t minDigits = 1) {
    if (bus.size() < minDigits || vendor.size() < minDigits || product.size() < minDigits) {
        return std::nullopt;
    }
    const auto b = ParseHexField(bus, 8);
    const auto v = ParseHexField(vendor, 8);
    const auto p = ParseHexField(product, 8);
    if (!b || !v || !p) return std::nullopt;
    return HidId{static_cast<std::uint16_t>(*b & 0xFFFF), static_cast<std::uint16_t>(*v & 0xFFFF),
                 static_cast<std::uint16_t>(*p & 0xFFFF)};
}

}  // namespace

std::optional<HidId> ParseHidId(std::string_view text) {
    std::string_view fields[3];
    if (!SplitThree(text, fields)) return std::nullopt;
    return HidIdFromFields(fields[0], fields[1], fields[2]);
}

std::optional<HidId> ParseHidDeviceName(std::string_view name) {
    // The kernel prints each field with at least four digits; the minimum
    // keeps look-alikes such as a PCI address ("0000:00:14.0") out.
    constexpr std::size_t kMinDigits = 4;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::string_view instance = name.substr(dot + 1);
    if (instance.size() < kMinDigits || !ParseHexField(instance, 8)) return std::nullopt;
    std::string_view fields[3];
    if (!SplitThree(name.substr(0, dot), fields)) return std::nullopt;
    return HidIdFromFields(fields[0], fields[1], fields[2], kMinDigits);
}

std::optional<HidId> HidIdFromDevpath(std::string_view devpath) {
    // ".../<HID device>/hidraw/hidrawN": the HID device sits two levels up.
    const auto dropLast = [](std::string_view& path) -> std::string_view {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string_view::npos) return {};
        const std::string_view last = path.substr(slash + 1);
        path = path.substr(0, slash);
        return last;
    };
    const std::string_view node = dropLast(devpath);
    if (node.substr(0, 6) != "hidraw" || dropLast(devpath) != "hidraw") return std::nullopt;
    const std::size_t slash = devpath.rfind('/');
    return ParseHidDeviceName(slash == std::string_view::npos ? devpath
                                                              : devpath.substr(slash + 1));
}

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
    const auto value = ParseHexField(text, 4);
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::optional<unsigned> HidrawNumber(std::string_view devnode) {
    constexpr std::string_view kPrefix = "/dev/hidraw";
    if (devnode.size() <= kPrefix.size() || devnode.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    const std::string_view digits = devnode.substr(kPrefix.size());
    unsigned value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
    return value;
}

bool NodeOrderLess(const std::string& a, const std::string& b) {
    const auto na = HidrawNumber(a);
    const auto nb = HidrawNumber(b);
    if (na.has_value() != nb.has_value()) return na.has_value();
    if (na && *na != *nb) return *na < *nb;
    return a < b;
}

std::size_t NormalizeInputReport(std::span<const std::uint8_t> received, bool nodeUsesReportIds,
                                 std::span<std::uint8_t> out) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (received.empty() || out.empty()) return 0;
    const std::size_t offset = nodeUsesReportIds ? 0 : 1;  // out[0] stays 0: the report ID
    const std::size_t copied = std::min(received.size(), out.size() - offset);
    std::copy_n(received.begin(), copied, out.begin() + static_cast<std::ptrdiff_t>(offset));
    return offset + copied;
}

std::string OpenErrorText(int error, const std::string& path) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "no permission to open " + path + "; install the udev rule";
        case ENOENT:
            return "cannot open " + path + ": no such device node";
        case ENODEV:
        case ENXIO:
            return "cannot open " + path + ": the device is gone";
        default:
            return "cannot open " + path + ": " + std::generic_category().message(error);
    }
}

}  // namespace ornyx::device::hidraw
