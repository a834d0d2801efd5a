#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "common/DebugLog.h"
#include "device/Connection.h"
#include "device/Pacer.h"

namespace ornyx::device {

// A command frame: code (bit 7 = read), six parameters, checksum.
using Frame = std::array<std::uint8_t, 8>;

inline constexpr std::uint8_t kReadBit = 0x80;
inline constexpr std::size_t kChunkSize = 32;

// The checksum that makes the eight bytes add up to 0xFF modulo 256.
std::uint8_t FrameChecksum(const Frame& frame);
// Chunks of 32 bytes that a block of `length` bytes takes.
std::size_t ChunkCount(std::size_t length);
// Builds a frame with the given code and parameters 1..6 and its checksum.
Frame MakeFrame(std::uint8_t code, std::initializer_list<std::uint8_t> params = {});

// Which transfer of a command failed. The mouse gives no status of its own, so
// a failure is what the system reports for a transfer (or a reply that cannot
// be right); it is never retried.
enum class TransferFailure : std::uint8_t {
    None,
    NoChannel,   // no command channel is open
    SetFeature,  // the frame could not be sent
    GetFeature,  // the reply frame could not be fetched
    Write,       // an output report of the block could not be sent
    Read,        // an input report of the block did not come (time-out or error)
    BadReply,    // the reply names a bank, slot or length that cannot be right
};

// The result of one command: which transfer failed, for which command (its
// code and the request's byte 1: bank, matrix or slot) and, for block
// transfers, which 32-byte chunk.
struct TransferResult {
    TransferFailure failure = TransferFailure::None;
    std::uint8_t code = 0;
    std::uint8_t target = 0;
    std::size_t chunk = 0;

    bool ok() const { return failure == TransferFailure::None; }
};

// "set-feature 0x12", "read 0x93 (chunk 2)", "reply to 0x87": for messages.
std::string DescribeTransfer(const TransferResult& result);

// Frames and sends commands on the mouse's command channel. Each call stops at
// its first failed transfer and says which one it was; a failed read leaves
// zeros. Reads of input reports are bounded by a time-out so that a silent
// mouse never hangs the program.
class Transport {
public:
    static constexpr int kReadTimeoutMs = 500;

    Transport(Connection& connection, Pacer& pacer, DebugLog& log)
        : connection_(connection), pacer_(pacer), log_(log) {}

    // Sends the frame; for a read command, replaces it with the reply frame.
    TransferResult SendCommand(Frame& frame);
    // As SendCommand, then moves the block: for a write command the frame's
    // byte 2 bytes of `block` out as output reports; for a read command the
    // length the reply announces (cut to the buffer) in from input reports.
    TransferResult SendCommandWithBlock(Frame& frame, std::span<std::uint8_t> block);
    void Pause(int ms) { pacer_.Pause(ms); }

    DebugLog& log() { return log_; }

private:
    // Sends the frame as a feature report and, for a read, fetches the reply.
    TransferResult Exchange(Frame& frame);

    Connection& connection_;
    Pacer& pacer_;
    DebugLog& log_;
};

}  // namespace ornyx::device
