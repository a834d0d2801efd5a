#include "device/Commands.h"

#include <algorithm>

#include "common/DebugLog.h"

namespace ornyx::device {

namespace {
constexpr int kRunPauseMs = 2;

TransferResult BadReply(std::uint8_t code, std::uint8_t target) {
    return {TransferFailure::BadReply, code, target, 0};
}
}  // namespace

std::string CommandStepName(std::uint8_t code, std::uint8_t target) {
    const std::string n = std::to_string(target);
    switch (code) {
        case kWriteReportRate:
            return "report rate";
        case kWriteSensorSettings:
        case kReadSensorSettings:
            return "sensor settings";
        case kWriteSettingBank:
        case kReadSettingBank:
            return "setting bank " + n;
        case kWriteEffectSettings:
        case kReadEffectSettings:
            return "effect settings";
        case kWriteDataBank:
        case kReadDataBank:
            return "data bank " + n;
        case kWriteDpiTable:
            return "DPI table";
        case kWriteKeyMatrix:
            return "key matrix " + n;
        case kWriteMacroSlot:
            return "macro slot " + n;
        case kReadMacroSlot:
            return "macro slot " + n + " read-back";
        default:
            return Format("command 0x%02x", code);
    }
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

TransferResult WriteReportRate(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kWriteReportRate, {s.reportRateCode});
    return t.SendCommand(f);
}

TransferResult ReadSensorSettings(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kReadSensorSettings);
    const TransferResult r = t.SendCommand(f);
    if (!r.ok()) return r;
    s.sensor = {f[1], f[2], f[3], f[4]};
    t.log().Write(Format("Sensor Type:%02x\n,,Rate:%02x\n,Option1:%02x\n,Option2:%02x\n", f[1],
                         f[2], f[3], f[4]));
    return r;
}

TransferResult WriteSensorSettings(Transport& t, const DeviceState& s) {
    Frame f = MakeFrame(kWriteSensorSettings,
                        {s.sensor.sensorType, s.sensor.rate, s.sensor.option1, s.sensor.option2});
    return t.SendCommand(f);
}

TransferResult ReadEffectSettings(Transport& t, DeviceState& s) {
    Frame f = MakeFrame(kReadEffectSettings);
    const TransferResult r = t.SendCommand(f);
    if (!r.ok()) return r;
    s.effect = {f[1], f[2], f[3]};
    t.log().Write(Format("Effect:%02x\n,Option1:%02x\n,Option2:%02x\n", f[1], f[2], f[3]));
    return r;
}

TransferResult WriteEffectSettings(Transport& t, const DeviceState& s) {
    Frame f =
        MakeFrame(kWriteEffectSettings, {s.effect.effect, s.effect.option1, s.effect.option2});
    return t.SendCommand(f);
}

TransferResult ReadSettingBanks(Transport& t, DeviceState& s) {
    // The frame is cleared once: the bank-1 request carries the bank-0
    // reply's bytes 2..6, which the mouse expects as they are.
    Frame f{};
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        f[0] = kReadSettingBank;
        f[1] = bank;
        const TransferResult r = t.SendCommand(f);
        if (!r.ok()) return r;
        if (f[1] >= 2) return BadReply(kReadSettingBank, bank);
        std::copy_n(f.begin() + 2, 3, s.settingBanks[f[1]].begin());
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult WriteSettingBanks(Transport& t, const DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        const auto& b = s.settingBanks[bank];
        Frame f = MakeFrame(kWriteSettingBank, {bank, b[0], b[1], b[2]});
        const TransferResult r = t.SendCommand(f);
        if (!r.ok()) return r;
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult ReadDataBanks(Transport& t, DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        Frame f = MakeFrame(kReadDataBank, {bank});
        std::array<std::uint8_t, kBlockBufferSize> block{};
        const TransferResult r = t.SendCommandWithBlock(f, block);
        if (!r.ok()) return r;
        if (f[1] >= 2) return BadReply(kReadDataBank, bank);
        const std::size_t n = std::min<std::size_t>(f[2], DeviceState::kDataBankSize);
        std::copy_n(block.begin(), n, s.dataBanks[f[1]].begin());
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult WriteDataBanks(Transport& t, const DeviceState& s) {
    for (std::uint8_t bank = 0; bank < 2; ++bank) {
        Frame f = MakeFrame(kWriteDataBank, {bank, DeviceState::kDataBankSize});
        std::array<std::uint8_t, kBlockBufferSize> block{};
        std::copy(s.dataBanks[bank].begin(), s.dataBanks[bank].end(), block.begin());
        const TransferResult r = t.SendCommandWithBlock(f, block);
        if (!r.ok()) return r;
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult WriteDpiTable(Transport& t, const DeviceState& s) {
    std::array<std::uint8_t, kBlockBufferSize> block{};
    std::copy(s.dpiTable.begin(), s.dpiTable.end(), block.begin());
    Frame f = MakeFrame(kWriteDpiTable, {s.dpiLevelCount, 8});
    return t.SendCommandWithBlock(f, block);
}

TransferResult WriteKeyMatrices(Transport& t, const DeviceState& s) {
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
        const TransferResult r = t.SendCommandWithBlock(f, block);
        if (!r.ok()) return r;
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult WriteMacroSlots(Transport& t, const DeviceState& s) {
    for (std::uint8_t slot = 1; slot <= 12; ++slot) {
        std::array<std::uint8_t, kMacroBlockBufferSize> block{};
        std::copy(s.transferBuffer[slot - 1].begin(), s.transferBuffer[slot - 1].end(),
                  block.begin());
        Frame f = MakeFrame(kWriteMacroSlot, {slot, DeviceState::kMacroSlotSize});
        const TransferResult r = t.SendCommandWithBlock(f, block);
        if (!r.ok()) return r;
        t.Pause(kRunPauseMs);
    }
    return {};
}

TransferResult ReadMacroSlots(Transport& t, DeviceState& s) {
    for (std::uint8_t slot = 1; slot <= 12; ++slot) {
        std::array<std::uint8_t, kMacroBlockBufferSize> block{};
        Frame f = MakeFrame(kReadMacroSlot, {slot});
        const TransferResult r = t.SendCommandWithBlock(f, block);
        if (!r.ok()) return r;
        // The reply names the slot; one outside 1..12 cannot be right.
        if (f[1] < 1 || f[1] > 12) return BadReply(kReadMacroSlot, slot);
        const std::size_t n = std::min<std::size_t>(f[2], DeviceState::kMacroSlotSize);
        std::copy_n(block.begin(), n, s.transferBuffer[f[1] - 1].begin());
        t.Pause(kRunPauseMs);
    }
    return {};
}

}  // namespace ornyx::device
