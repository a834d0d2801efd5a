#pragma once

// The desktop program's session-bus interface as ornyxctl calls it. One
// implementation per system: gio's GDBus on Linux; on Windows there is no
// such bus, and the program never counts as running.

#include <chrono>
#include <memory>
#include <string>

#include "profiles/DesktopProgram.h"

namespace ornyx::cli {

struct BusAnswer {
    profiles::ProgramAnswer answer = profiles::ProgramAnswer::Failed;
    std::string message;  // the program's own words, or the bus's
    std::string value;    // what a look found (ServedHome: the home)
};

class DesktopBus {
public:
    virtual ~DesktopBus() = default;
    // The program home the running program serves, as CanonicalHome spells it
    // (answer Done); NotRunning when no program owns the name or it does not
    // say (an older one); NoAnswer when it does not answer in time. Nothing
    // is started to find out.
    virtual BusAnswer ServedHome() = 0;
    // UseProfile or SaveProfile with `name`, never starting the program.
    virtual BusAnswer CallProfileMethod(const std::string& method, const std::string& name) = 0;
    // The program's ActiveProfile; empty when it cannot be read.
    virtual std::string ActiveProfile() = 0;
};

// How long a look (owner, property) and a switch or save may take before
// ornyxctl gives up on the program.
inline constexpr std::chrono::milliseconds kBusLookTimeout{3000};
inline constexpr std::chrono::milliseconds kBusCallTimeout{10000};

// The session bus, or null when there is none to reach (no address, nothing
// listening, no answer in kBusLookTimeout); `why` then says which, for -v.
std::unique_ptr<DesktopBus> ConnectDesktopBus(std::string& why);

}  // namespace ornyx::cli
