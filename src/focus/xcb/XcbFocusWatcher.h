#pragma once

#include <memory>
#include <string>

#include "focus/FocusWatcher.h"

namespace ornyx::focus {

// Watches the X display named by DISPLAY (nullptr: the environment's).
// nullptr, with the reason, when it cannot be opened. A window manager that
// starts later is seen as soon as it sets the property.
std::unique_ptr<FocusWatcher> OpenXcbFocusWatcher(const char* display, std::string& error);

}  // namespace ornyx::focus
