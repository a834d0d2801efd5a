#include <QKeyEvent>

#include "keys/ui/NativeKey.h"

namespace ornyx::keys::ui {

// X11 and Wayland already report evdev + 8.
std::uint32_t NativeScanCode(const QKeyEvent& event) {
    return event.nativeScanCode();
}

}  // namespace ornyx::keys::ui
