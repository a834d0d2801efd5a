#include "device/firmware/FirmwareModel.h"

#include <algorithm>

#include "common/Hex.h"
#include "device/Commands.h"
#include "device/Transport.h"

namespace ornyx::device::firmware {

const std::vector<std::uint8_t>& PlainMouseDescriptor() {
    static const std::vector<std::uint8_t> d = {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
        0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02,
        0x95, 0x01, 0x75, 0x03, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x16,
        0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06, 0x09, 0x38,
        0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0};
    return d;
}

const std::vector<std::uint8_t>& EventDescriptor() {
    static const std::vector<std::uint8_t> d = {0x06, 0x01, 0xFF, 0x0A, 0x01, 0xFF, 0xA1, 0x01,
                                                0x85, 0x06, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75,
                                                0x08, 0x95, 0x07, 0x09, 0x01, 0x81, 0x02, 0xC0};
    return d;
}

const std::vector<std::uint8_t>& CommandDescriptor() {
    static const std::vector<std::uint8_t> d = {
        0x06, 0x00, 0xFF, 0x0A, 0x00, 0xFF, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
        0x00, 0x75, 0x08, 0x95, 0x20, 0x09, 0x01, 0x81, 0x02, 0x95, 0x20, 0x09,
        0x02, 0x91, 0x02, 0x95, 0x08, 0x09, 0x03, 0xB1, 0x02, 0xC0};
    return d;
}

std::string DumpMemory(const FirmwareMemory& m) {
    std::string out;
    const auto line = [&out](const std::string& name, std::span<const std::uint8_t> bytes) {
        out += name + " " + HexSpaced(bytes) + "\n";
    };
    line("reportRate", std::span(&m.reportRate, 1));
    line("sensor", m.sensor);
    line("effect", m.effect);
    for (std::size_t i = 0; i < m.settingBanks.size(); ++i) {
        line("settingBank" + std::to_string(i), m.settingBanks[i]);
    }
    for (std::size_t i = 0; i < m.dataBanks.size(); ++i) {
        line("dataBank" + std::to_string(i), m.dataBanks[i]);
    }
    line("dpiLevelCount", std::span(&m.dpiLevelCount, 1));
    line("dpiTable", m.dpiTable);
    for (std::size_t i = 0; i < m.keyMatrices.size(); ++i) {
        line("keyMatrix" + std::to_string(i + 1), m.keyMatrices[i]);
    }
    for (std::size_t i = 0; i < m.macroSlots.size(); ++i) {
        line("macroSlot" + std::to_string(i + 1), m.macroSlots[i]);
    }
    return out;
}

FirmwareModel::FirmwareModel(std::uint8_t sensorType) {
    FirmwareMemory& m = memory_;
    m.reportRate = 0x02;
    // Option2 starts without bit 6 so that the handshake's change shows.
    m.sensor = {sensorType, 0x5A, 0x21, 0x05};
    m.effect = {0x02, 0x04, 0x03};
    m.settingBanks = {{{0x31, 0x32, 0x33}, {0x41, 0x42, 0x43}}};
    for (std::size_t i = 0; i < 24; ++i) {
        m.dataBanks[0][i] = static_cast<std::uint8_t>(0xA0 + i);
        m.dataBanks[1][i] = static_cast<std::uint8_t>(0xC0 + i);
    }
    m.dpiLevelCount = 4;
    m.dpiTable = {0x02, 0x04, 0x06, 0x08, 0x80, 0x80, 0x80, 0x80};
    for (std::size_t k = 0; k < 4; ++k) {
        for (std::size_t i = 0; i < 64; ++i) {
            m.keyMatrices[k][i] = static_cast<std::uint8_t>(0x10 * (k + 1) + (i % 16));
        }
    }
    for (std::size_t s = 0; s < 12; ++s) {
        for (std::size_t i = 0; i < 128; ++i) {
            m.macroSlots[s][i] = static_cast<std::uint8_t>((s + 1) * 16 + (i & 0x0F));
        }
    }
}

void FirmwareModel::AbortTransfer() {
    input_.clear();
    pendingCode_ = 0;
    pendingBlock_.clear();
}

void FirmwareModel::SetReply(std::array<std::uint8_t, 8> reply) {
    Frame f{};
    std::copy(reply.begin(), reply.end(), f.begin());
    f[7] = FrameChecksum(f);
    std::copy(f.begin(), f.end(), reply_.begin());
}

void FirmwareModel::QueueBlock(std::span<const std::uint8_t> data) {
    input_.clear();
    for (std::size_t off = 0; off < data.size(); off += 32) {
        InputReport report{};
        std::copy_n(data.begin() + static_cast<long>(off),
                    std::min<std::size_t>(32, data.size() - off), report.begin() + 1);
        input_.push_back(report);
    }
}

std::optional<InputReport> FirmwareModel::TakeInput() {
    if (input_.empty()) return std::nullopt;
    const InputReport next = input_.front();
    input_.pop_front();
    return next;
}

void FirmwareModel::SetFeature(std::span<const std::uint8_t> report, bool bogus) {
    if (report.size() < kFeatureReportSize || report[0] != 0) return;
    std::array<std::uint8_t, 8> frame{};
    std::copy_n(report.begin() + 1, 8, frame.begin());
    unsigned sum = 0;
    for (std::uint8_t b : frame) sum += b;
    if ((sum & 0xFF) != 0xFF) {
        ++rejectedFrames_;
        return;
    }
    HandleFrame(frame, bogus);
}

void FirmwareModel::HandleFrame(const std::array<std::uint8_t, 8>& f, bool bogus) {
    FirmwareMemory& m = memory_;
    pendingCode_ = 0;
    if (bogus && (f[0] & 0x80) != 0) {
        // Impossible banks and slots, blocks longer than any buffer.
        SetReply({f[0], 0xEE, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE, 0});
        std::vector<std::uint8_t> junk(8 * 32, 0xEE);
        QueueBlock(junk);
        return;
    }
    switch (f[0]) {
        case kWriteReportRate:
            m.reportRate = f[1];
            break;
        case kWriteSensorSettings:
            m.sensor = {f[1], f[2], f[3], f[4]};
            break;
        case kReadSensorSettings:
            SetReply({f[0], m.sensor[0], m.sensor[1], m.sensor[2], m.sensor[3], 0, 0, 0});
            break;
        case kWriteSettingBank:
            if (f[1] < 2) m.settingBanks[f[1]] = {f[2], f[3], f[4]};
            break;
        case kReadSettingBank:
            if (f[1] < 2) {
                const auto& b = m.settingBanks[f[1]];
                SetReply({f[0], f[1], b[0], b[1], b[2], 0, 0, 0});
            }
            break;
        case kWriteEffectSettings:
            m.effect = {f[1], f[2], f[3]};
            break;
        case kReadEffectSettings:
            SetReply({f[0], m.effect[0], m.effect[1], m.effect[2], 0, 0, 0, 0});
            break;
        case kReadDataBank:
            if (f[1] < 2) {
                SetReply({f[0], f[1], 24, 0, 0, 0, 0, 0});
                QueueBlock(m.dataBanks[f[1]]);
            }
            break;
        case kReadMacroSlot:
            if (f[1] >= 1 && f[1] <= 12) {
                SetReply({f[0], f[1], 128, 0, 0, 0, 0, 0});
                QueueBlock(m.macroSlots[f[1] - 1]);
            }
            break;
        case kWriteDataBank:
        case kWriteDpiTable:
        case kWriteKeyMatrix:
        case kWriteMacroSlot:
            pendingCode_ = f[0];
            pendingTarget_ = f[1];
            pendingLength_ = f[2];
            pendingBlock_.clear();
            if (pendingLength_ == 0) FinishBlock();
            break;
        default:
            break;  // unknown commands are ignored, as firmware does
    }
}

void FirmwareModel::GetFeature(std::span<std::uint8_t> report) const {
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    if (report.size() < kFeatureReportSize) return;
    std::copy(reply_.begin(), reply_.end(), report.begin() + 1);
}

void FirmwareModel::Write(std::span<const std::uint8_t> report) {
    if (pendingCode_ == 0 || report.size() < 2) return;
    pendingBlock_.insert(
        pendingBlock_.end(), report.begin() + 1,
        report.begin() + static_cast<long>(std::min(kBlockReportSize, report.size())));
    if (pendingBlock_.size() >= pendingLength_) FinishBlock();
}

void FirmwareModel::FinishBlock() {
    FirmwareMemory& m = memory_;
    pendingBlock_.resize(std::max<std::size_t>(pendingBlock_.size(), 128), 0);
    const auto* data = pendingBlock_.data();
    const std::uint8_t target = pendingTarget_;
    switch (pendingCode_) {
        case kWriteDataBank:
            if (target < 2)
                std::copy_n(data, std::min<std::size_t>(pendingLength_, 24),
                            m.dataBanks[target].begin());
            break;
        case kWriteDpiTable:
            m.dpiLevelCount = target;
            std::copy_n(data, std::min<std::size_t>(pendingLength_, 8), m.dpiTable.begin());
            break;
        case kWriteKeyMatrix:
            if (target >= 1 && target <= 4) {
                std::copy_n(data, std::min<std::size_t>(pendingLength_, 64),
                            m.keyMatrices[target - 1].begin());
            }
            break;
        case kWriteMacroSlot:
            if (target >= 1 && target <= 12) {
                std::copy_n(data, std::min<std::size_t>(pendingLength_, 128),
                            m.macroSlots[target - 1].begin());
            }
            break;
        default:
            break;
    }
    pendingCode_ = 0;
    pendingBlock_.clear();
}

}  // namespace ornyx::device::firmware
