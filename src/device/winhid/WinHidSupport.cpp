#include "device/winhid/WinHidSupport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace ornyx::device::winhid {

namespace {
// Not in every SDK's headers.
constexpr DWORD kErrorNoSuchDevice = 433;
}  // namespace

TopLevelCollection CollectionFromCaps(const CollectionCaps& caps,
                                      std::span<const std::uint8_t> reportIds) {
    TopLevelCollection c;
    c.usagePage = caps.usagePage;
    c.usage = caps.usage;
    c.collectionType = 1;  // application
    c.inputReportLength = caps.inputReportLength;
    c.outputReportLength = caps.outputReportLength;
    c.featureReportLength = caps.featureReportLength;
    std::vector<std::uint8_t> ids(reportIds.begin(), reportIds.end());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // ID 0 is what the parser reports for items of a collection without IDs.
    ids.erase(std::remove(ids.begin(), ids.end(), std::uint8_t{0}), ids.end());
    c.usesReportIds = !ids.empty();
    c.reportIds = std::move(ids);
    return c;
}

bool IsDeviceGoneError(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case kErrorNoSuchDevice:
        case ERROR_DEVICE_REMOVED:
            return true;
        default:
            return false;
    }
}

std::string OpenErrorText(DWORD error, const std::string& path) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return "no permission to open " + path + "; the system keeps this collection to itself";
        case ERROR_SHARING_VIOLATION:
            return "cannot open " + path +
                   ": another program holds the mouse exclusively; close it and try again";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return "cannot open " + path + ": no such device node";
        default:
            if (IsDeviceGoneError(error)) return "cannot open " + path + ": the device is gone";
            return "cannot open " + path + ": " + SystemErrorText(error);
    }
}

std::string SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) {
        text = Narrow(std::wstring_view(buffer, length));
        ::LocalFree(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }
    const std::string code = "error " + std::to_string(error);
    return text.empty() ? code : text + " (" + code + ")";
}

namespace {

// Four hex digits after `key` (matched without regard to case) in `path`.
std::optional<std::uint16_t> HexAfter(std::string_view path, std::string_view key) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    const std::size_t at = lower.find(key);
    if (at == std::string::npos || lower.size() < at + key.size() + 4) return std::nullopt;
    const char* first = lower.data() + at + key.size();
    // Exactly four digits: "vid_04d9x" would be a different name.
    if (lower.size() > at + key.size() + 4 && std::isxdigit(static_cast<unsigned char>(first[4])))
        return std::nullopt;
    std::uint16_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, first + 4, value, 16);
    if (ec != std::errc() || ptr != first + 4) return std::nullopt;
    return value;
}

}  // namespace

std::optional<UsbIds> IdsFromInterfacePath(std::string_view path) {
    const auto vid = HexAfter(path, "vid_");
    const auto pid = HexAfter(path, "pid_");
    if (!vid || !pid) return std::nullopt;
    return UsbIds{*vid, *pid};
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), n);
    return out;
}

}  // namespace ornyx::device::winhid
