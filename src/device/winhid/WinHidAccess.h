#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/HidAccess.h"
#include "device/winhid/WinHidSupport.h"

namespace ornyx::device::winhid {

// An open HID collection. Buffers keep the layout the layers above use, which
// is Windows' own: the report ID byte first. The system checks lengths against
// the collection's capabilities, so shorter reports travel in a buffer of the
// collection's length, zero-filled.
class WinHidHandle final : public HidHandle {
public:
    // Takes over `file`, opened with FILE_FLAG_OVERLAPPED. With `read` set
    // and an input report to read, a read is kept pending from here on, so
    // that PollFd() tells when a report waits.
    WinHidHandle(HANDLE file, const CollectionCaps& caps, bool read);
    ~WinHidHandle() override;
    WinHidHandle(const WinHidHandle&) = delete;
    WinHidHandle& operator=(const WinHidHandle&) = delete;

    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> report) override;
    bool Write(std::span<const std::uint8_t> report) override;
    // Waits at most timeoutMs (a negative value counts as 0). A time-out
    // leaves the read pending, so a report that comes later is the next one
    // returned, not lost. Bytes of `report` beyond those stored are cleared.
    // -1 once the device is gone.
    int Read(std::span<std::uint8_t> report, int timeoutMs) override;
    // The read's event: set while a report (or the news that the device is
    // gone) waits.
    int PollFd() const override;

private:
    void StartRead();

    HANDLE file_;
    CollectionCaps caps_;
    HANDLE readEvent_ = nullptr;
    HANDLE writeEvent_ = nullptr;
    // Apart from the handle, so that a read the driver never gives back can
    // be left its memory when the handle goes.
    struct ReadState {
        OVERLAPPED overlapped{};
        std::vector<std::uint8_t> buffer;
    };
    std::unique_ptr<ReadState> read_;
    bool reading_ = false;  // a ReadFile is pending or finished but not taken
    bool dead_ = false;
};

// The HID collections of this system: one entry per top-level collection,
// described by its capabilities, sorted by path. Entries are looked at
// through query-only handles (no read or write access), so no collection is
// opened for transfers here.
class WinHidAccess final : public HidAccess {
public:
    std::vector<HidInterfaceInfo> Enumerate() override;
    // Error texts come from OpenErrorText; a file that is no HID collection is refused.
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode,
                                    std::string& error) override;
};

}  // namespace ornyx::device::winhid
