#include "app/Platform.h"

namespace ornyx::app {

// A Windows session always has its desktop: Qt's windows platform starts there.
bool DisplayReachable() {
    return true;
}

}  // namespace ornyx::app
