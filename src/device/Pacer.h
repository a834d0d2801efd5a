#pragma once

namespace ornyx::device {

class Trace;

// The pauses the mouse needs between transfers (2 ms in a run of commands,
// 3 ms after each output report).
class Pacer {
public:
    virtual ~Pacer() = default;
    virtual void Pause(int ms) = 0;
};

// Sleeps on the steady clock, precise to well under a millisecond, and
// records each pause in the trace when there is one.
class SteadyPacer final : public Pacer {
public:
    explicit SteadyPacer(Trace* trace = nullptr) : trace_(trace) {}
    void Pause(int ms) override;

private:
    Trace* trace_;
};

}  // namespace ornyx::device
