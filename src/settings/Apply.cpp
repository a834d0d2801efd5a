#include "settings/Apply.h"

#include <algorithm>

#include "device/Commands.h"
#include "keys/KeyFunction.h"
#include "performance/Dpi.h"
#include "performance/Lighting.h"
#include "settings/Configuration.h"

namespace ornyx::settings {

using namespace device;

void SensorHandshake(Transport& transport, DeviceState& device) {
    ReadSensorSettings(transport, device);
    device.sensorTypeInUse = device.sensor.sensorType;
    device.sensor.option2 = static_cast<std::uint8_t>(device.sensor.option2 | 0x40);
    WriteSensorSettings(transport, device);
}

void ApplySettings(const ApplyTarget& target) {
    Transport& t = target.transport;
    DeviceState& d = target.device;
    const SettingsImage& image = target.settings.image;

    DebugLog& log = target.log;
    log.Write(Format("apply: report rate code %d", image.reportRate()));
    d.reportRateCode = image.reportRate();
    WriteReportRate(t, d);

    log.Write(Format("apply: lighting mode %d (read, translate, write back)", image.lightingMode()));
    // Lighting: read what the image does not hold, change the rest, write back.
    ReadEffectSettings(t, d);
    ReadSettingBanks(t, d);
    ReadDataBanks(t, d);
    performance::TranslateLighting(image, d.effect, d.settingBanks[0]);
    // Data bank 1 carries the four DPI colours and nothing else.
    d.dataBanks[1].fill(0);
    std::copy_n(image.bytes.begin() + SettingsImage::kDpiColour, 12, d.dataBanks[1].begin());
    WriteDataBanks(t, d);
    WriteSettingBanks(t, d);
    WriteEffectSettings(t, d);

    performance::BuildDpiTable(image, d);
    log.Write(Format("apply: DPI table %02x %02x %02x %02x (sensor type %d)", d.dpiTable[0],
                     d.dpiTable[1], d.dpiTable[2], d.dpiTable[3], d.sensorTypeInUse));
    WriteDpiTable(t, d);

    log.Write("apply: twelve macro slots, written and read back");
    for (std::size_t i = 1; i <= SettingsImage::kMacroSlots; ++i) {
        const auto slot = image.macroSlot(i);
        std::copy(slot.begin(), slot.end(), d.transferBuffer[i - 1].begin());
    }
    WriteMacroSlots(t, d);
    ReadMacroSlots(t, d);

    log.Write("apply: key matrices 1 to 4");
    keys::BuildKeyMatrices(image, d);
    WriteKeyMatrices(t, d);

    log.Write("apply: saving " + target.paths.config.string() + " and the labels in " +
              target.paths.text.string());
    SaveConfiguration(target.paths, target.settings, target.messages, target.log);
    // A failed label write is not reported to the user, as before; it is logged.
    const WriteResult labels = i18n::SaveButtonLabels(target.paths.text, target.text);
    if (!labels.ok) target.log.Write("cannot write button labels: " + labels.error);
}

}  // namespace ornyx::settings
