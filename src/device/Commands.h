#pragma once

#include <cstdint>
#include <string>

#include "device/DeviceState.h"
#include "device/Transport.h"

namespace ornyx::device {

// The mouse's command codes. A read command is its write command | 0x80.
enum CommandCode : std::uint8_t {
    kWriteReportRate = 0x01,
    kWriteSensorSettings = 0x03,
    kReadSensorSettings = 0x83,
    kWriteSettingBank = 0x07,
    kReadSettingBank = 0x87,
    kWriteEffectSettings = 0x0D,
    kReadEffectSettings = 0x8D,
    kWriteDataBank = 0x10,
    kReadDataBank = 0x90,
    kWriteDpiTable = 0x11,
    kWriteKeyMatrix = 0x12,
    kWriteMacroSlot = 0x13,
    kReadMacroSlot = 0x93,
};

// What a command works on, for messages: "key matrix 2", "data bank 0",
// "report rate"; `target` is the request's byte 1.
std::string CommandStepName(std::uint8_t code, std::uint8_t target);

// True for the codes whose frame is followed by a block.
bool IsBlockCommand(std::uint8_t code);

// Block buffers the callers hand to the transport.
inline constexpr std::size_t kBlockBufferSize = 128;
inline constexpr std::size_t kMacroBlockBufferSize = 140;

// Each operation is one call on the command channel's thread; the runs pause
// 2 ms after each frame. Replies are routed by the mouse's own reply bytes,
// bounded to the state's arrays. Each stops at its first failed transfer and
// returns it; what a failed read would have brought is not stored, and a reply
// naming a bank or slot that does not exist is a BadReply (a long block is cut
// to its destination, as before).
TransferResult WriteReportRate(Transport& t, DeviceState& s);
TransferResult ReadSensorSettings(Transport& t, DeviceState& s);
TransferResult WriteSensorSettings(Transport& t, const DeviceState& s);
TransferResult ReadEffectSettings(Transport& t, DeviceState& s);
TransferResult WriteEffectSettings(Transport& t, const DeviceState& s);
TransferResult ReadSettingBanks(Transport& t, DeviceState& s);
TransferResult WriteSettingBanks(Transport& t, const DeviceState& s);
TransferResult ReadDataBanks(Transport& t, DeviceState& s);
TransferResult WriteDataBanks(Transport& t, const DeviceState& s);
TransferResult WriteDpiTable(Transport& t, const DeviceState& s);
TransferResult WriteKeyMatrices(Transport& t, const DeviceState& s);
TransferResult WriteMacroSlots(Transport& t, const DeviceState& s);
TransferResult ReadMacroSlots(Transport& t, DeviceState& s);

}  // namespace ornyx::device
