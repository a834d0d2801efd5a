#include <QKeyEvent>

#include "keys/ScanCodes.h"
#include "keys/ui/NativeKey.h"

namespace ornyx::keys::ui {

std::uint32_t NativeScanCode(const QKeyEvent& event) {
    return keys::NativeScanCodeFromWindows(event.nativeScanCode(), event.nativeVirtualKey());
}

}  // namespace ornyx::keys::ui
