#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The mouse's firmware as a model: its report descriptors, its memory and the
// way it answers each command. The simulated mouse and the uhid virtual mouse
// both serve from it, so what one of them shows holds for the other.
namespace ornyx::device::firmware {

// The firmware's memory: everything the commands read and write.
struct FirmwareMemory {
    std::uint8_t reportRate = 0;
    std::array<std::uint8_t, 4> sensor{};  // type, rate, option1, option2
    std::array<std::uint8_t, 3> effect{};  // effect, option1, option2
    std::array<std::array<std::uint8_t, 3>, 2> settingBanks{};
    std::array<std::array<std::uint8_t, 24>, 2> dataBanks{};
    std::uint8_t dpiLevelCount = 0;
    std::array<std::uint8_t, 8> dpiTable{};
    std::array<std::array<std::uint8_t, 64>, 4> keyMatrices{};
    std::array<std::array<std::uint8_t, 128>, 12> macroSlots{};

    bool operator==(const FirmwareMemory&) const = default;
};

// The memory as text, one field a line ("keyMatrix1 10 11 ..."), so that two
// mice can be compared with diff.
std::string DumpMemory(const FirmwareMemory& memory);

// The report descriptors of the mouse's three USB interfaces.
const std::vector<std::uint8_t>& PlainMouseDescriptor();
// Usage page and usage 0xFF01, report ID 6, seven data bytes.
const std::vector<std::uint8_t>& EventDescriptor();
// Usage page and usage 0xFF00, no report IDs: 32-byte input and output
// reports, 8-byte feature report.
const std::vector<std::uint8_t>& CommandDescriptor();

inline constexpr std::size_t kFeatureReportSize = 9;  // report ID 0 + frame
inline constexpr std::size_t kBlockReportSize = 33;   // report ID 0 + 32 bytes
using InputReport = std::array<std::uint8_t, kBlockReportSize>;

// The command collection's side of the firmware. Reports are laid out with
// the report ID byte (always 0) first, as the host sends them.
class FirmwareModel {
public:
    // Starts from distinctive non-zero values, so that a read-modify-write
    // that loses a byte shows.
    explicit FirmwareModel(std::uint8_t sensorType = 0);

    // A feature report (set report): one 8-byte command frame. Frames with a
    // bad checksum are ignored, as firmware does. `bogus` makes read commands
    // answer with impossible banks and slots and oversized blocks.
    void SetFeature(std::span<const std::uint8_t> report, bool bogus = false);
    // The reply to the last command (get report), report ID first; the rest
    // of `report` is cleared.
    void GetFeature(std::span<std::uint8_t> report) const;
    // One output report: the next 32 bytes of the block a write command announced.
    void Write(std::span<const std::uint8_t> report);
    // The next input report of a block a read command asked for.
    std::optional<InputReport> TakeInput();
    bool HasInput() const { return !input_.empty(); }
    // A mouse pulled out forgets the transfer in progress, not its memory.
    void AbortTransfer();

    FirmwareMemory& memory() { return memory_; }
    const FirmwareMemory& memory() const { return memory_; }
    int rejectedFrames() const { return rejectedFrames_; }

private:
    void HandleFrame(const std::array<std::uint8_t, 8>& frame, bool bogus);
    void FinishBlock();
    void QueueBlock(std::span<const std::uint8_t> data);
    void SetReply(std::array<std::uint8_t, 8> reply);

    FirmwareMemory memory_;
    std::array<std::uint8_t, 8> reply_{};
    int rejectedFrames_ = 0;

    // A write command waiting for its block.
    std::uint8_t pendingCode_ = 0;
    std::uint8_t pendingTarget_ = 0;
    std::size_t pendingLength_ = 0;
    std::vector<std::uint8_t> pendingBlock_;

    std::deque<InputReport> input_;
};

}  // namespace ornyx::device::firmware
