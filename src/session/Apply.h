#pragma once

#include <string>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/DeviceState.h"
#include "device/Transport.h"
#include "i18n/TextSettings.h"
#include "settings/ProgramHome.h"
#include "settings/SettingsImage.h"

namespace ornyx::session {

// Reads the sensor settings, takes the sensor type in use from them, and
// writes them back with bit 6 of Option2 set. Stops at a failed read (the
// sensor type in use then stays as it was).
device::TransferResult SensorHandshake(device::Transport& transport, device::DeviceState& device);

// How far an apply got: the first failed transfer, and the step it belongs to
// ("key matrix 2"); ok when everything reached the mouse.
struct ApplyResult {
    device::TransferResult transfer;
    std::string step;
    // Why nothing was sent although the mouse answered; empty when it was.
    std::string refusal;
    bool saved = false;  // config.bin was written

    bool ok() const { return transfer.ok() && refusal.empty(); }
};

// The step of a failed transfer, for ApplyResult.
ApplyResult ApplyFailure(const device::TransferResult& transfer);

// One line for the user: "the mouse stopped answering at key matrix 2" when the
// mouse is gone (`vanished`), else what went wrong at which step.
std::string ApplyFailureText(const ApplyResult& result, bool vanished);

// What one apply works on. The caller checks that the mouse is present and,
// after the call, copies the image into the backup (OK and Apply do both).
struct ApplyTarget {
    device::Transport& transport;
    device::DeviceState& device;
    const settings::SettingsState& settings;
    const settings::ProgramPaths& paths;
    const i18n::TextSettings& text;  // language and button labels to write
    MessageSink& messages;
    DebugLog& log;
};

// Sends the whole settings image to the mouse in the mouse's order (report
// rate, lighting read-modify-write, DPI table, macro slots, key matrices),
// then saves config.bin and writes the button labels to str.ini. The sending
// stops at the first failed transfer, so that nothing a failed read left is
// written back to the mouse; the files are saved either way, as the user's
// settings are what they chose whatever the mouse did. A sensor type without
// a DPI list sends nothing (`refusal` says why): its DPI codes are unknown,
// and a made-up table would change the mouse's DPI.
ApplyResult ApplySettings(const ApplyTarget& target);

// The files part of an apply alone: config.bin, then the button labels.
// False when config.bin was not written (the message has been shown).
bool SaveAppliedSettings(const ApplyTarget& target);

}  // namespace ornyx::session
