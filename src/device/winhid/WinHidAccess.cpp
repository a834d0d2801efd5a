#include "device/winhid/WinHidAccess.h"

// The HID headers need windows.h's types first, hidsdi.h before hidpi.h, and
// some SDKs declare hid.dll's functions without C linkage.
extern "C" {
#include <hidsdi.h>

#include <hidpi.h>
}
#include <setupapi.h>

#include <algorithm>
#include <utility>

namespace ornyx::device::winhid {

namespace {

// A pending output report gets this long before it counts as failed; the
// mouse answers within a few milliseconds.
constexpr DWORD kWriteTimeoutMs = 1000;
// How long closing a handle waits for its cancelled read.
constexpr DWORD kCancelWaitMs = 1000;

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }

private:
    HANDLE h_;
};

struct PreparsedData {
    PHIDP_PREPARSED_DATA data = nullptr;
    ~PreparsedData() {
        if (data != nullptr) ::HidD_FreePreparsedData(data);
    }
};

void AddButtonIds(PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE type, USHORT count,
                  std::vector<std::uint8_t>& ids) {
    if (count == 0) return;
    std::vector<HIDP_BUTTON_CAPS> caps(count);
    USHORT n = count;
    if (::HidP_GetButtonCaps(type, caps.data(), &n, data) != HIDP_STATUS_SUCCESS) return;
    for (USHORT i = 0; i < n && i < count; ++i) ids.push_back(caps[i].ReportID);
}

void AddValueIds(PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE type, USHORT count,
                 std::vector<std::uint8_t>& ids) {
    if (count == 0) return;
    std::vector<HIDP_VALUE_CAPS> caps(count);
    USHORT n = count;
    if (::HidP_GetValueCaps(type, caps.data(), &n, data) != HIDP_STATUS_SUCCESS) return;
    for (USHORT i = 0; i < n && i < count; ++i) ids.push_back(caps[i].ReportID);
}

// The capabilities of an open collection, and the report IDs its items use.
bool QueryCaps(HANDLE file, CollectionCaps& out, std::vector<std::uint8_t>* reportIds) {
    PreparsedData preparsed;
    if (!::HidD_GetPreparsedData(file, &preparsed.data)) return false;
    HIDP_CAPS caps{};
    if (::HidP_GetCaps(preparsed.data, &caps) != HIDP_STATUS_SUCCESS) return false;
    out.usagePage = caps.UsagePage;
    out.usage = caps.Usage;
    out.inputReportLength = caps.InputReportByteLength;
    out.outputReportLength = caps.OutputReportByteLength;
    out.featureReportLength = caps.FeatureReportByteLength;
    if (reportIds != nullptr) {
        AddButtonIds(preparsed.data, HidP_Input, caps.NumberInputButtonCaps, *reportIds);
        AddButtonIds(preparsed.data, HidP_Output, caps.NumberOutputButtonCaps, *reportIds);
        AddButtonIds(preparsed.data, HidP_Feature, caps.NumberFeatureButtonCaps, *reportIds);
        AddValueIds(preparsed.data, HidP_Input, caps.NumberInputValueCaps, *reportIds);
        AddValueIds(preparsed.data, HidP_Output, caps.NumberOutputValueCaps, *reportIds);
        AddValueIds(preparsed.data, HidP_Feature, caps.NumberFeatureValueCaps, *reportIds);
    }
    return true;
}

HANDLE OpenFile(const std::wstring& path, DWORD access, DWORD flags) {
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, flags, nullptr);
}

// A copy of `report` in a buffer of at least `length` bytes, zero-filled.
std::vector<std::uint8_t> Padded(std::span<const std::uint8_t> report, std::size_t length) {
    std::vector<std::uint8_t> buffer(std::max(report.size(), length), 0);
    std::copy(report.begin(), report.end(), buffer.begin());
    return buffer;
}

}  // namespace

// --- WinHidHandle ---

WinHidHandle::WinHidHandle(HANDLE file, const CollectionCaps& caps, bool read)
    : file_(file), caps_(caps), read_(std::make_unique<ReadState>()) {
    // Manual reset: a wait looks at the event without taking it (WaitForAny).
    readEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writeEvent_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readEvent_ == nullptr || writeEvent_ == nullptr) dead_ = true;
    read_->buffer.resize(caps_.inputReportLength);
    if (read && caps_.inputReportLength != 0) StartRead();
}

WinHidHandle::~WinHidHandle() {
    bool readOver = true;
    if (reading_) {
        // The pending read writes into read_: it must be over before that
        // goes. A driver that does not give the read back soon must not hang
        // the program's exit.
        ::CancelIoEx(file_, &read_->overlapped);
        DWORD n = 0;
        readOver = ::WaitForSingleObject(readEvent_, kCancelWaitMs) == WAIT_OBJECT_0 &&
                   (::GetOverlappedResult(file_, &read_->overlapped, &n, FALSE) ||
                    ::GetLastError() != ERROR_IO_INCOMPLETE);
    }
    ::CloseHandle(file_);
    if (!readOver) {
        // Left to the late completion: a few bytes and an event, once per lost device.
        static_cast<void>(read_.release());
        readEvent_ = nullptr;
    }
    if (readEvent_ != nullptr) ::CloseHandle(readEvent_);
    if (writeEvent_ != nullptr) ::CloseHandle(writeEvent_);
}

void WinHidHandle::StartRead() {
    if (reading_ || dead_ || read_->buffer.empty()) return;
    read_->overlapped = {};
    read_->overlapped.hEvent = readEvent_;
    ::ResetEvent(readEvent_);
    if (::ReadFile(file_, read_->buffer.data(), static_cast<DWORD>(read_->buffer.size()), nullptr,
                   &read_->overlapped) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        // Done at once or later: either way the event is set when it is.
        reading_ = true;
        return;
    }
    // Wake whoever waits on PollFd(), so that its Read() learns of the failure.
    dead_ = true;
    ::SetEvent(readEvent_);
}

int WinHidHandle::PollFd() const {
    if (readEvent_ == nullptr || read_->buffer.empty()) return -1;
    // Handles are 32-bit values (see WakeSignal.h).
    return static_cast<int>(reinterpret_cast<std::intptr_t>(readEvent_));
}

int WinHidHandle::Read(std::span<std::uint8_t> report, int timeoutMs) {
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    if (report.empty() || read_->buffer.empty()) return -1;
    StartRead();
    if (dead_) return -1;
    const DWORD wait =
        ::WaitForSingleObject(readEvent_, static_cast<DWORD>(std::max(timeoutMs, 0)));
    if (wait == WAIT_TIMEOUT) return 0;
    if (wait != WAIT_OBJECT_0) return -1;
    DWORD n = 0;
    const bool ok = ::GetOverlappedResult(file_, &read_->overlapped, &n, FALSE);
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    if (!ok && error == ERROR_IO_INCOMPLETE) return 0;  // set for another reason; still pending
    reading_ = false;
    if (!ok) {
        if (error == ERROR_OPERATION_ABORTED) {
            StartRead();
            return 0;
        }
        dead_ = true;
        ::SetEvent(readEvent_);  // stays set: every later wait sees it at once
        return -1;
    }
    const std::size_t stored = std::min<std::size_t>(n, report.size());
    std::copy_n(read_->buffer.begin(), stored, report.begin());
    StartRead();
    return static_cast<int>(stored);
}

bool WinHidHandle::SetFeature(std::span<const std::uint8_t> report) {
    if (report.empty() || dead_) return false;
    std::vector<std::uint8_t> buffer = Padded(report, caps_.featureReportLength);
    return ::HidD_SetFeature(file_, buffer.data(), static_cast<ULONG>(buffer.size()));
}

bool WinHidHandle::GetFeature(std::span<std::uint8_t> report) {
    if (report.empty() || dead_) return false;
    std::vector<std::uint8_t> buffer = Padded(report.first(1), caps_.featureReportLength);
    buffer.resize(std::max(buffer.size(), report.size()));
    if (!::HidD_GetFeature(file_, buffer.data(), static_cast<ULONG>(buffer.size()))) return false;
    std::copy_n(buffer.begin(), report.size(), report.begin());
    return true;
}

bool WinHidHandle::Write(std::span<const std::uint8_t> report) {
    if (report.empty() || dead_) return false;
    std::vector<std::uint8_t> buffer = Padded(report, caps_.outputReportLength);
    OVERLAPPED ov{};
    ov.hEvent = writeEvent_;
    ::ResetEvent(writeEvent_);
    DWORD n = 0;
    if (!::WriteFile(file_, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &ov)) {
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        if (::WaitForSingleObject(writeEvent_, kWriteTimeoutMs) != WAIT_OBJECT_0) {
            ::CancelIoEx(file_, &ov);
            ::GetOverlappedResult(file_, &ov, &n, TRUE);  // the buffer must outlive the write
            return false;
        }
    }
    if (!::GetOverlappedResult(file_, &ov, &n, TRUE)) return false;
    return n == buffer.size();
}

// --- WinHidAccess ---

std::vector<HidInterfaceInfo> WinHidAccess::Enumerate() {
    std::vector<HidInterfaceInfo> nodes;
    GUID hidGuid;
    ::HidD_GetHidGuid(&hidGuid);
    HDEVINFO set =
        ::SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return nodes;

    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof(item);
    for (DWORD index = 0; ::SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &item);
         ++index) {
        DWORD size = 0;
        ::SetupDiGetDeviceInterfaceDetailW(set, &item, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        // DWORD-aligned storage for the variable-length structure.
        std::vector<DWORD> storage(size / sizeof(DWORD) + 1);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!::SetupDiGetDeviceInterfaceDetailW(set, &item, detail, size, nullptr, nullptr))
            continue;  // gone since the listing
        const std::wstring path(detail->DevicePath);

        // No read or write access: the system lets this through even for the
        // collections it keeps to itself (mouse, keyboard), and opens nothing
        // for transfers.
        FileHandle file(OpenFile(path, 0, 0));
        if (file.get() == INVALID_HANDLE_VALUE) continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof(attributes);
        if (!::HidD_GetAttributes(file.get(), &attributes)) continue;

        HidInterfaceInfo info;
        info.path = Narrow(path);
        info.vendorId = attributes.VendorID;
        info.productId = attributes.ProductID;
        info.version = attributes.VersionNumber;
        CollectionCaps caps;
        std::vector<std::uint8_t> ids;
        // Without capabilities the entry stays without a collection, which
        // Discovery reports for the mouse.
        if (QueryCaps(file.get(), caps, &ids)) info.collection = CollectionFromCaps(caps, ids);
        nodes.push_back(std::move(info));
    }
    ::SetupDiDestroyDeviceInfoList(set);

    // The system lists in no promised order; the path gives the same order on every run.
    std::sort(nodes.begin(), nodes.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    return nodes;
}

std::unique_ptr<HidHandle> WinHidAccess::Open(const std::string& path, OpenMode mode,
                                              std::string& error) {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    if (mode == OpenMode::Read) access = GENERIC_READ;
    if (mode == OpenMode::Write) access = GENERIC_WRITE;
    FileHandle file(OpenFile(Widen(path), access, FILE_FLAG_OVERLAPPED));
    if (file.get() == INVALID_HANDLE_VALUE) {
        error = OpenErrorText(::GetLastError(), path);
        return nullptr;
    }
    // Asked at every open, not taken from the last listing: the path may
    // lead to another collection by now.
    CollectionCaps caps;
    if (!QueryCaps(file.get(), caps, nullptr)) {
        error = path + " is not a HID device node";
        return nullptr;
    }
    return std::make_unique<WinHidHandle>(file.release(), caps, mode != OpenMode::Write);
}

}  // namespace ornyx::device::winhid
