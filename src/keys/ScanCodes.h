#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ornyx::keys {

// X11 and Wayland report a key's native scan code as its Linux input event
// code plus 8.
inline constexpr std::uint32_t kNativeScanCodeOffset = 8;

// The English Windows key name of a native scan code as X11/Wayland report it
// (evdev code + 8). `layoutText` is the unshifted text the keyboard layout gives
// for the key (letters and digits follow the layout, as on Windows); may be empty.
// Keys outside the table get a sensible name (never empty).
std::string KeyNameFromScanCode(std::uint32_t nativeScanCode, std::string_view layoutText);

// True for the keys whose name is the layout's character (the letters, the
// digit row and the punctuation keys of the typing block).
bool ScanCodeFollowsLayout(std::uint32_t nativeScanCode);

// The native scan code of a Windows key message (as Qt reports it: bits 16-23
// of lParam, plus 0x100 for an extended key) and its virtual-key code, as the
// evdev code + 8 that the functions above read, so that a key is named alike
// on both systems. 0 when the key has no such code (an injected key without a
// scan code): the caller then goes by Qt's key.
std::uint32_t NativeScanCodeFromWindows(std::uint32_t scanCode, std::uint32_t virtualKey);

}  // namespace ornyx::keys
