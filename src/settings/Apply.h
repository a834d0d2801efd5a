#pragma once

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/DeviceState.h"
#include "device/Transport.h"
#include "i18n/TextSettings.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::settings {

// Reads the sensor settings, takes the sensor type in use from them, and
// writes them back with bit 6 of Option2 set.
void SensorHandshake(device::Transport& transport, device::DeviceState& device);

// What one apply works on. The caller checks that the mouse is present and,
// after the call, copies the image into the backup (OK and Apply do both).
struct ApplyTarget {
    device::Transport& transport;
    device::DeviceState& device;
    const SettingsState& settings;
    const ProgramPaths& paths;
    const i18n::TextSettings& text;  // language and button labels to write
    MessageSink& messages;
    DebugLog& log;
};

// Sends the whole settings image to the mouse in the mouse's order (report
// rate, lighting read-modify-write, DPI table, macro slots, key matrices),
// then saves config.bin and writes the button labels to str.ini.
void ApplySettings(const ApplyTarget& target);

}  // namespace ornyx::settings
