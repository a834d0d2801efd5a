#pragma once

#include <cstdint>

class QKeyEvent;

namespace ornyx::keys::ui {

// The key's native scan code in the form keys/ScanCodes reads (evdev + 8),
// taken from the window system's own event; 0 when it carries none.
std::uint32_t NativeScanCode(const QKeyEvent& event);

}  // namespace ornyx::keys::ui
