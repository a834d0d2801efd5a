#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/DeviceLink.h"
#include "device/DeviceMonitor.h"
#include "device/EventReader.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "settings/SettingsImage.h"

namespace ornyx::session {

// The notification an event report (or the program's own code 15) shows:
// nothing for codes and parameters outside the known ones. A DPI switch
// names the level's DPI label for the sensor type in use.
std::optional<i18n::Notification> NotificationForEvent(int code, int parameter,
                                                       i18n::Language language,
                                                       const settings::SettingsImage& image,
                                                       std::uint8_t sensorTypeInUse);

// What a plug or unplug meant for the connection.
enum class ChangeOutcome {
    Ignored,       // not the mouse's
    StillPresent,  // one of its nodes went, another is still there
    Arrived,       // (re)connected; the sensor handshake has run
    Lost,          // no mouse any more: show the code-15 warning and hide the window
    Absent,        // a removal while the mouse was already gone: nothing new to say
    Settling,      // one of its nodes arrived, the others may still be on their way:
                   // call Settle() after kArrivalSettle unless Arrived comes first
};

// A mouse announces its nodes one by one; the first may come before the
// search can find both channels. Waiting this long before warning keeps a
// plug from reading as "not detected".
inline constexpr std::chrono::milliseconds kArrivalSettle{1500};

// The connection layer: opens the mouse, keeps the event reader on the
// current event channel, and follows plug and unplug. Everything but the
// event callback runs on the thread that owns the command channel.
class MouseConnection {
public:
    MouseConnection(device::DeviceLink& link, MessageSink& messages,
                    device::EventReader::Callback onEvent);
    ~MouseConnection();  // stops and joins the reader

    // Runs the search; the reader follows the new event channel (or waits).
    bool Open();
    // The handler for a plug or unplug announcement.
    ChangeOutcome HandleDeviceChange(const device::DeviceChange& change);
    // After Settling: Arrived (with the handshake) or Lost, or StillPresent
    // when the mouse was found in the meantime.
    ChangeOutcome Settle();
    void StopReader() { reader_.Stop(); }
    device::EventReader& reader() { return reader_; }

    bool present() const { return link_.present(); }
    device::DeviceLink& link() { return link_; }

private:
    void FollowChannel();

    device::DeviceLink& link_;
    MessageSink& messages_;
    device::EventReader reader_;
};

}  // namespace ornyx::session
