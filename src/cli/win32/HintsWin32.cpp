#include "cli/CliContext.h"

namespace ornyx::cli {

// Windows lets every user open the mouse's own collections; what keeps them
// from us is another program that opened them without sharing.
const char* NoMouseAccessHint() {
    return "ornyxctl: hint: is it plugged in, and does no other program hold it? Close "
           "programs that may\n"
           "ornyxctl: hint: have opened the mouse, then replug it or try another USB port.\n";
}

}  // namespace ornyx::cli
