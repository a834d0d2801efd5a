#include "app/DesktopNotifier.h"

namespace ornyx::app {

// Windows has no notification service on a bus: the caller shows the note as
// the notification-area icon's balloon, which Windows turns into a toast.
bool DesktopNotifier::Send(const QString&, const QString&, std::function<void()>) {
    return false;
}

}  // namespace ornyx::app
