#pragma once

// Pointer settings of Windows, through the system's own calls: the mouse
// parameters (enhanced precision), the pointer speed and the wheel scroll
// lines with SystemParametersInfoW, the double-click time with
// GetDoubleClickTime and SPI_SETDOUBLECLICKTIME. The values are the classic
// ones that performance/PointerSettings.h describes, so nothing is translated.
//
// Speed, lines and precision take effect at once and are announced to other
// windows (SPIF_SENDCHANGE) without being stored in the user's profile; only
// the double-click time is stored (SPIF_UPDATEINIFILE), as the program has
// always done it.

#include <memory>

#include "performance/PointerSettings.h"

namespace ornyx::performance::windows {

std::unique_ptr<PointerSettings> CreateDesktopPointerSettings();

}  // namespace ornyx::performance::windows
