#include "cli/CliContext.h"

namespace ornyx::cli {

const char* NoMouseAccessHint() {
    return "ornyxctl: hint: is it plugged in, and may you open it? The udev rule "
           "70-ornyx-mouse.rules\n"
           "ornyxctl: hint: (installed in udev's rules.d) gives the logged-in user access; "
           "replug the mouse after installing it.\n";
}

}  // namespace ornyx::cli
