#include "session/MouseConnection.h"

#include "performance/Dpi.h"
#include "session/Apply.h"

namespace ornyx::session {

std::optional<i18n::Notification> NotificationForEvent(int code, int parameter,
                                                       i18n::Language language,
                                                       const settings::SettingsImage& image,
                                                       std::uint8_t sensorTypeInUse) {
    std::string label;
    if (code == 7 && parameter >= 1 && parameter <= 4) {
        label = performance::DpiLabel(sensorTypeInUse,
                                      image.dpiStep(static_cast<std::size_t>(parameter)));
    }
    return i18n::DeviceEventNotification(language, code, parameter, label);
}

MouseConnection::MouseConnection(device::DeviceLink& link, MessageSink& messages,
                                 device::EventReader::Callback onEvent)
    : link_(link), messages_(messages), reader_(std::move(onEvent), link.log()) {
    reader_.Start();
}

MouseConnection::~MouseConnection() {
    reader_.Stop();
}

void MouseConnection::FollowChannel() {
    const device::Connection& c = link_.connection();
    if (c.devicePresent && c.eventRead) {
        reader_.SetChannel(c.eventRead, c.eventReportLength);
    } else {
        reader_.SetChannel(nullptr, 0);
    }
}

bool MouseConnection::Open() {
    const bool ok = link_.Open(messages_);
    FollowChannel();
    return ok;
}

ChangeOutcome MouseConnection::HandleDeviceChange(const device::DeviceChange& change) {
    // The mouse is known by its ids; a node that is already gone may no
    // longer tell them, and could have been the mouse's.
    const bool unknown = change.vendorId == 0 && change.productId == 0;
    const bool ours =
        change.vendorId == device::kMouseVendorId && change.productId == device::kMouseProductId;
    if (!ours && !unknown) return ChangeOutcome::Ignored;
    if (unknown && change.action == device::DeviceChange::Action::Added)
        return ChangeOutcome::Ignored;

    const bool wasPresent = link_.present();
    const bool opened = Open();
    if (!opened) {
        link_.log().Write("device change: no mouse");
        // Each of the mouse's nodes announces its removal; warn once, when
        // the mouse goes. An arrival that cannot be opened yet is given time
        // for the rest of its nodes before it counts as a mouse not detected.
        if (wasPresent) return ChangeOutcome::Lost;
        return change.action == device::DeviceChange::Action::Added ? ChangeOutcome::Settling
                                                                    : ChangeOutcome::Absent;
    }
    if (change.action == device::DeviceChange::Action::Removed) {
        return ChangeOutcome::StillPresent;
    }
    SensorHandshake(link_.transport(), link_.state());
    return wasPresent ? ChangeOutcome::StillPresent : ChangeOutcome::Arrived;
}

ChangeOutcome MouseConnection::Settle() {
    if (link_.present()) return ChangeOutcome::StillPresent;
    if (!Open()) {
        link_.log().Write("device change: an arrived mouse could not be opened");
        return ChangeOutcome::Lost;
    }
    SensorHandshake(link_.transport(), link_.state());
    return ChangeOutcome::Arrived;
}

}  // namespace ornyx::session
