#pragma once

#include <cstdint>

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

// True for the codes whose frame is followed by a block.
bool IsBlockCommand(std::uint8_t code);

// Block buffers the callers hand to the transport.
inline constexpr std::size_t kBlockBufferSize = 128;
inline constexpr std::size_t kMacroBlockBufferSize = 140;

// Each operation is one call on the command channel's thread; the runs pause
// 2 ms after each frame. Replies are routed by the mouse's own reply bytes,
// bounded to the state's arrays.
void WriteReportRate(Transport& t, DeviceState& s);
void ReadSensorSettings(Transport& t, DeviceState& s);
void WriteSensorSettings(Transport& t, const DeviceState& s);
void ReadEffectSettings(Transport& t, DeviceState& s);
void WriteEffectSettings(Transport& t, const DeviceState& s);
void ReadSettingBanks(Transport& t, DeviceState& s);
void WriteSettingBanks(Transport& t, const DeviceState& s);
void ReadDataBanks(Transport& t, DeviceState& s);
void WriteDataBanks(Transport& t, const DeviceState& s);
void WriteDpiTable(Transport& t, const DeviceState& s);
void WriteKeyMatrices(Transport& t, const DeviceState& s);
void WriteMacroSlots(Transport& t, const DeviceState& s);
void ReadMacroSlots(Transport& t, DeviceState& s);

}  // namespace ornyx::device
