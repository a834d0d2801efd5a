#include "session/Apply.h"

#include <algorithm>

#include "device/Commands.h"
#include "keys/KeyFunction.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"
#include "settings/Configuration.h"

namespace ornyx::session {

using namespace device;
using settings::SettingsImage;

TransferResult SensorHandshake(Transport& transport, DeviceState& device) {
    const TransferResult read = ReadSensorSettings(transport, device);
    if (!read.ok()) return read;
    device.sensorTypeInUse = device.sensor.sensorType;
    device.sensor.option2 = static_cast<std::uint8_t>(device.sensor.option2 | 0x40);
    return WriteSensorSettings(transport, device);
}

ApplyResult ApplyFailure(const TransferResult& transfer) {
    ApplyResult result;
    result.transfer = transfer;
    result.step = CommandStepName(transfer.code, transfer.target);
    return result;
}

std::string ApplyFailureText(const ApplyResult& result, bool vanished) {
    if (result.ok()) return {};
    if (!result.refusal.empty()) return result.refusal;
    if (vanished) return "the mouse stopped answering at " + result.step;
    const std::string what = DescribeTransfer(result.transfer);
    switch (result.transfer.failure) {
        case TransferFailure::BadReply:
            return "the mouse gave an impossible reply at " + result.step + " (" + what + ")";
        case TransferFailure::NoChannel:
            return "no mouse was open to send " + result.step + " to";
        default:
            return "the mouse did not answer at " + result.step + " (" + what + " failed)";
    }
}

namespace {

// The wire part of an apply, in the mouse's order; stops at the first failure.
TransferResult SendSettings(const ApplyTarget& target) {
    Transport& t = target.transport;
    DeviceState& d = target.device;
    const SettingsImage& image = target.settings.image;
    DebugLog& log = target.log;
    TransferResult r;

    log.Write(Format("apply: report rate code %d", image.reportRate()));
    d.reportRateCode = image.reportRate();
    if (r = WriteReportRate(t, d); !r.ok()) return r;

    log.Write(
        Format("apply: lighting mode %d (read, translate, write back)", image.lightingMode()));
    // Lighting: read what the image does not hold, change the rest, write back.
    if (r = ReadEffectSettings(t, d); !r.ok()) return r;
    if (r = ReadSettingBanks(t, d); !r.ok()) return r;
    if (r = ReadDataBanks(t, d); !r.ok()) return r;
    const performance::LightingBytes lighting = performance::TranslateLighting(
        image, {d.effect.effect, d.effect.option1, d.effect.option2, d.settingBanks[0]});
    d.effect = {lighting.effect, lighting.option1, lighting.option2};
    d.settingBanks[0] = lighting.settingBank0;
    // Data bank 1 carries the four DPI colours and nothing else.
    d.dataBanks[1].fill(0);
    std::copy_n(image.bytes.begin() + SettingsImage::kDpiColour, 12, d.dataBanks[1].begin());
    if (r = WriteDataBanks(t, d); !r.ok()) return r;
    if (r = WriteSettingBanks(t, d); !r.ok()) return r;
    if (r = WriteEffectSettings(t, d); !r.ok()) return r;

    const performance::DpiTable dpi = performance::BuildDpiTable(image, d.sensorTypeInUse);
    d.dpiTable = dpi.codes;
    d.dpiLevelCount = dpi.levelCount;
    log.Write(Format("apply: DPI table %02x %02x %02x %02x (sensor type %d)", d.dpiTable[0],
                     d.dpiTable[1], d.dpiTable[2], d.dpiTable[3], d.sensorTypeInUse));
    if (r = WriteDpiTable(t, d); !r.ok()) return r;

    log.Write("apply: twelve macro slots, written and read back");
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) {
        const auto slot = image.macroSlot(i);
        std::copy(slot.begin(), slot.end(), d.transferBuffer[i - 1].begin());
    }
    if (r = WriteMacroSlots(t, d); !r.ok()) return r;
    if (r = ReadMacroSlots(t, d); !r.ok()) return r;

    log.Write("apply: key matrices 1 to 4");
    d.keyMatrices = keys::BuildKeyMatrices(image);
    return WriteKeyMatrices(t, d);
}

}  // namespace

bool SaveAppliedSettings(const ApplyTarget& target) {
    target.log.Write("apply: saving " + target.paths.config.string() + " and the labels in " +
                     target.paths.text.string());
    const bool saved =
        settings::SaveConfiguration(target.paths, target.settings, target.messages, target.log);
    // A failed label write is not reported to the user, as before; it is logged.
    const WriteResult labels = i18n::SaveButtonLabels(target.paths.text, target.text);
    if (!labels.ok) target.log.Write("cannot write button labels: " + labels.error);
    return saved;
}

ApplyResult ApplySettings(const ApplyTarget& target) {
    ApplyResult result;
    const std::uint8_t sensor = target.device.sensorTypeInUse;
    if (!performance::KnownSensorType(sensor)) {
        result.refusal = Format(
            "the mouse reports sensor type %d, whose DPI codes are not known, so nothing was sent",
            sensor);
        target.log.Write("apply: " + result.refusal);
    } else if (const TransferResult sent = SendSettings(target); !sent.ok()) {
        result = ApplyFailure(sent);
        target.log.Write("apply: stopped, " + ApplyFailureText(result, false));
    }
    result.saved = SaveAppliedSettings(target);
    return result;
}

}  // namespace ornyx::session
