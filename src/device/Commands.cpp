#include "device/Commands.h"

#include <algorithm>

#include "common/DebugLog.h"

namespace ornyx::device {

namespace {
constexpr int kRunPauseMs = 2;
}

bool IsBlockCommand(std::uint8_t code) {
    switch (code) {
        case kWriteDataBank:
        case kReadDataBank:
        case kWriteDpiTable:
        case kWriteKeyMatrix:
        case kWriteMacroSlot:
        case kReadMacroSlot:
            return true;
        default:
            return false;
    }
}

void WriteReportRate(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kWriteReportRate, {s.reportRateCode});
    t.SendCommand(f);
}

void ReadSensorSettings(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kReadSensorSettings);
    t.SendCommand(f);
    s.sensor = {f[1], f[2], f[3], f[4]};
    t.log().Write(Format("Sensor Type:%02x\n,,Rate:%02x\n,Option1:%02x\n,Option2:%02x\n", f[1],
                         f[2], f[3], f[4]));
}

void WriteSensorSettings(Transport& t, const DeviceState& s) {
    Frame f = MakeFrame(kWriteSensorSettings,
                        {s.sensor.sensorType, s.sensor.rate, s.sensor.option1, s.sensor.option2});
    t.SendCommand(f);
}

void ReadEffectSettings(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kReadEffectSettings);
    t.SendCommand(f);
    s.effect = {f[1], f[2], f[3]};
    t.log().Write(Format("Effect:%02x\n,Option1:%02x\n,Option2:%02x\n", f[1], f[2], f[3]));
}

void WriteEffectSettings(Transport& t, const DeviceState& s) {
    Frame f = MakeFrame(kWriteEffectSettings, {s.effect.effect, s.effect.option1, s.effect.option2});
    t.SendCommand(f);
}

void ReadSettingBanks(Transport& t, DeviceState& s) {
    // The frame is cleared once: the bank-1 request carries the bank-0
    // reply's bytes 2..6, which the mouse expects as they are.
    Frame f{};
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        f[0] = kReadSettingBank;
        f[1] = bank;
        t.SendCommand(f);
        if (f[1] < 2) std::copy_n(f.begin() + 2, 3, s.settingBanks[f[1]].begin());
        t.Pause(kRunPauseMs);
    }
}

void WriteSettingBanks(Transport& t, const DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        const auto& b = s.settingBanks[bank];
        Frame f = MakeFrame(kWriteSettingBank, {bank, b[0], b[1], b[2]});
        t.SendCommand(f);
        t.Pause(kRunPauseMs);
    }
}

void ReadDataBanks(Transport& t, DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        Frame f = MakeFrame(kReadDataBank, {bank});
        std::array<std::uint8_t, kBlockBufferSize> block{};
        t.SendCommandWithBlock(f, block);
        if (f[1] < 2) {
            const std::size_t n = std::min<std::size_t>(f[2], DeviceState::kDataBankSize);
            std::copy_n(block.begin(), n, s.dataBanks[f[1]].begin());
        }
        t.Pause(kRunPauseMs);
    }
}

void WriteDataBanks(Transport& t, const DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        Frame f = MakeFrame(kWriteDataBank, {bank, DeviceState::kDataBankSize});
        std::array<std::uint8_t, kBlockBufferSize> block{};
        std::copy(s.dataBanks[bank].begin(), s.dataBanks[bank].end(), block.begin());
        t.SendCommandWithBlock(f, block);
        t.Pause(kRunPauseMs);
    }
}

void WriteDpiTable(Transport& t, const DeviceState& s) {
    std::array<std::uint8_t, kBlockBufferSize> block{};
    std::copy(s.dpiTable.begin(), s.dpiTable.end(), block.begin());
    Frame f = MakeFrame(kWriteDpiTable, {s.dpiLevelCount, 8});
    t.SendCommandWithBlock(f, block);
}

void WriteKeyMatrices(Transport& t, const DeviceState& s) {
    for (std::uint8_t m = 1; m <= 4; ++m) {
        const auto& matrix = s.keyMatrices[m - 1];
        std::string dump = Format("Write KeyMatrix[%d]:\n", m);
        for (std::size_t e = 0; e < 16; ++e) {
            const unsigned v = matrix[4 * e] | (matrix[4 * e + 1] << 8) |
                               (matrix[4 * e + 2] << 16) | (unsigned(matrix[4 * e + 3]) << 24);
            dump += Format(e == 0 ? "%08x\n" : " %08x\n", v);
        }
        t.log().Write(dump);
        Frame f = MakeFrame(kWriteKeyMatrix, {m, DeviceState::kMatrixSize});
        std::array<std::uint8_t, kBlockBufferSize> block{};
        std::copy(matrix.begin(), matrix.end(), block.begin());
        t.SendCommandWithBlock(f, block);
        t.Pause(kRunPauseMs);
    }
}

void WriteMacroSlots(Transport& t, const DeviceState& s) {
    for (std::uint8_t slot = 1; slot <= 12; ++slot) {
        std::array<std::uint8_t, kMacroBlockBufferSize> block{};
        std::copy(s.transferBuffer[slot - 1].begin(), s.transferBuffer[slot - 1].end(),
                  block.begin());
        Frame f = MakeFrame(kWriteMacroSlot, {slot, DeviceState::kMacroSlotSize});
        t.SendCommandWithBlock(f, block);
        t.Pause(kRunPauseMs);
    }
}

void ReadMacroSlots(Transport& t, DeviceState& s) {
    for (std::uint8_t slot = 1; slot <= 12; ++slot) {
        std::array<std::uint8_t, kMacroBlockBufferSize> block{};
        Frame f = MakeFrame(kReadMacroSlot, {slot});
        t.SendCommandWithBlock(f, block);
        // The reply names the slot; one outside 1..12 is dropped.
        if (f[1] >= 1 && f[1] <= 12) {
            const std::size_t n = std::min<std::size_t>(f[2], DeviceState::kMacroSlotSize);
            std::copy_n(block.begin(), n, s.transferBuffer[f[1] - 1].begin());
        }
        t.Pause(kRunPauseMs);
    }
}

}  // namespace ornyx::device
