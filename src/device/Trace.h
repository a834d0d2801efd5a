#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "device/HidAccess.h"

namespace ornyx::device {

// The record of every transfer and pause: one line each, "set-feature",
// "get-feature", "write" or "read" followed by the bytes in lower-case hex
// (report ID byte first, exactly as sent or received), or "sleep N".
class Trace {
public:
    virtual ~Trace() = default;
    void Transfer(std::string_view kind, std::span<const std::uint8_t> bytes);
    void Sleep(int ms);
    // True once a line could not be recorded.
    virtual bool Failed() const { return false; }

protected:
    virtual void WriteLine(const std::string& line) = 0;

private:
    std::mutex mutex_;  // the event reader thread traces too

    void Locked(const std::string& line);
};

// A trace written to a file, flushed after each line so that it survives a crash.
// A line that cannot be written (a full disk, /dev/full) is remembered: a trace
// with holes is no ground truth, so the programs report it.
class FileTrace final : public Trace {
public:
    // nullptr with `error` set when the file cannot be created.
    static std::unique_ptr<FileTrace> Create(const std::filesystem::path& path, std::string& error);
    ~FileTrace() override;

    // Empty while every line was written; else why the first failed one was not.
    std::string WriteError() const;
    bool Failed() const override { return !WriteError().empty(); }

protected:
    void WriteLine(const std::string& line) override;

private:
    FileTrace(std::FILE* file, std::filesystem::path path) : file_(file), path_(std::move(path)) {}
    std::FILE* file_;
    std::filesystem::path path_;
    mutable std::mutex errorMutex_;
    std::string writeError_;
};

// Wraps any HidAccess so that every transfer on its handles is traced.
class TracingHidAccess final : public HidAccess {
public:
    TracingHidAccess(HidAccess& inner, Trace& trace) : inner_(inner), trace_(trace) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return inner_.Enumerate(); }
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode mode,
                                    std::string& error) override;

private:
    HidAccess& inner_;
    Trace& trace_;
};

}  // namespace ornyx::device
