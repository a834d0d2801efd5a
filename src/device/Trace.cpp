#include "device/Trace.h"

#include <cerrno>
#include <cstring>

#include "common/Hex.h"

namespace ornyx::device {

void Trace::Transfer(std::string_view kind, std::span<const std::uint8_t> bytes) {
    std::string line(kind);
    if (!bytes.empty()) {
        line += ' ';
        line += HexSpaced(bytes);
    }
    Locked(line);
}

void Trace::Sleep(int ms) { Locked("sleep " + std::to_string(ms)); }

void Trace::Locked(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteLine(line);
}

std::unique_ptr<FileTrace> FileTrace::Create(const std::filesystem::path& path,
                                             std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) {
        error = "cannot create trace file " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileTrace>(new FileTrace(f));
}

FileTrace::~FileTrace() { std::fclose(file_); }

void FileTrace::WriteLine(const std::string& line) {
    std::fputs(line.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

namespace {

class TracingHandle final : public HidHandle {
public:
    TracingHandle(std::unique_ptr<HidHandle> inner, Trace& trace)
        : inner_(std::move(inner)), trace_(trace) {}

    bool SetFeature(std::span<const std::uint8_t> report) override {
        trace_.Transfer("set-feature", report);
        return inner_->SetFeature(report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
        const bool ok = inner_->GetFeature(report);
        trace_.Transfer("get-feature", report);
        return ok;
    }
    bool Write(std::span<const std::uint8_t> report) override {
        trace_.Transfer("write", report);
        return inner_->Write(report);
    }
    int Read(std::span<std::uint8_t> report, int timeoutMs) override {
        const int n = inner_->Read(report, timeoutMs);
        if (n > 0) trace_.Transfer("read", report.first(static_cast<std::size_t>(n)));
        return n;
    }
    int PollFd() const override { return inner_->PollFd(); }

private:
    std::unique_ptr<HidHandle> inner_;
    Trace& trace_;
};

}  // namespace

std::unique_ptr<HidHandle> TracingHidAccess::Open(const std::string& path, OpenMode mode,
                                                  std::string& error) {
    auto handle = inner_.Open(path, mode, error);
    if (!handle) return nullptr;
    return std::make_unique<TracingHandle>(std::move(handle), trace_);
}

}  // namespace ornyx::device
