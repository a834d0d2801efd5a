#pragma once

#include <cstdio>
#include <string>

namespace ornyx {

// Diagnostic texts for developers and support. They never reach the user's
// screen; `ornyxctl -v` (and the GUI's -v) send them to stderr.
class DebugLog {
public:
    virtual ~DebugLog() = default;
    virtual void Write(const std::string& line) = 0;
};

// Drops everything: the default when no log was asked for.
class NullDebugLog final : public DebugLog {
public:
    void Write(const std::string&) override {}
};

// Writes each line to a stdio stream (stderr for -v).
class StreamDebugLog final : public DebugLog {
public:
    explicit StreamDebugLog(std::FILE* out) : out_(out) {}
    void Write(const std::string& line) override;

private:
    std::FILE* out_;
};

// printf-style formatting into a std::string (the diagnostic texts are C formats).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ornyx
