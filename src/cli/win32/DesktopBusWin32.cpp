// Windows has no session bus: ornyxctl works on the files and the mouse
// directly, and the home's lock orders it with a running desktop program.
#include "cli/DesktopBus.h"

namespace ornyx::cli {

std::unique_ptr<DesktopBus> ConnectDesktopBus(std::string& why) {
    why = "this system has no session bus";
    return nullptr;
}

}  // namespace ornyx::cli
