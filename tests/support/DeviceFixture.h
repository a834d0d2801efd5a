#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/DebugLog.h"
#include "common/MessageSink.h"
#include "device/Connection.h"
#include "device/Discovery.h"
#include "device/Pacer.h"
#include "device/Trace.h"
#include "device/Transport.h"
#include "device/sim/SimMouse.h"

namespace ornyx::test {

// Keeps the trace lines in memory.
class MemoryTrace final : public device::Trace {
public:
    std::vector<std::string> lines;

    // Lines that start with `kind` (e.g. "set-feature").
    std::vector<std::string> Of(const std::string& kind) const {
        std::vector<std::string> out;
        for (const auto& l : lines) {
            if (l.rfind(kind, 0) == 0) out.push_back(l);
        }
        return out;
    }
    // The command codes of the set-feature lines, in order.
    std::vector<int> CommandCodes() const {
        std::vector<int> out;
        for (const auto& l : Of("set-feature "))
            out.push_back(std::stoi(l.substr(15, 2), nullptr, 16));
        return out;
    }

protected:
    void WriteLine(const std::string& line) override { lines.push_back(line); }
};

// Records pauses in the trace without sleeping, so tests run fast.
class InstantPacer final : public device::Pacer {
public:
    explicit InstantPacer(device::Trace& trace) : trace_(trace) {}
    void Pause(int ms) override { trace_.Sleep(ms); }

private:
    device::Trace& trace_;
};

// The simulated mouse opened through the real search, with every transfer traced.
struct SimLink {
    explicit SimLink(const device::sim::SimOptions& options = {})
        : mouse(std::make_shared<device::sim::SimMouse>(options)),
          access(mouse),
          traced(access, trace),
          pacer(trace),
          transport(connection, pacer, log) {
        opened = device::OpenDevice(traced, connection, messages, log);
        trace.lines.clear();
    }

    std::shared_ptr<device::sim::SimMouse> mouse;
    device::sim::SimHidAccess access;
    MemoryTrace trace;
    device::TracingHidAccess traced;
    NullDebugLog log;
    RecordingMessageSink messages;
    device::Connection connection;
    InstantPacer pacer;
    device::Transport transport;
    bool opened = false;
};

}  // namespace ornyx::test
