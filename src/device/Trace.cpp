#include "device/Trace.h"

#include <cerrno>
#include <cstring>

#include "common/AtomicFile.h"
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

void Trace::Sleep(int ms) {
    Locked("sleep " + std::to_string(ms));
}

void Trace::Locked(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteLine(line);
}

std::unique_ptr<FileTrace> FileTrace::Create(const std::filesystem::path& path,
                                             std::string& error) {
    std::FILE* f = OpenForWriting(path);
    if (f == nullptr) {
        error = "cannot create trace file " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<FileTrace>(new FileTrace(f, path));
}

FileTrace::~FileTrace() {
    std::fclose(file_);
}

std::string FileTrace::WriteError() const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    return writeError_;
}

void FileTrace::WriteLine(const std::string& line) {
    const bool ok = std::fputs(line.c_str(), file_) >= 0 && std::fputc('\n', file_) != EOF &&
                    std::fflush(file_) == 0;
    if (ok) return;
    const int err = errno;
    std::clearerr(file_);
    std::lock_guard<std::mutex> lock(errorMutex_);
    if (writeError_.empty()) {
        writeError_ = "cannot write trace file " + path_.string() + ": " + std::strerror(err);
    }
}

namespace {

class TracingHandle final : public HidHandle {
public:
    TracingHandle(std::unique_ptr<HidHandle> inner, Trace& trace)
        : inner_(std::move(inner)), trace_(trace) {}

    // What cannot be recorded is not sent: the trace is the record of every byte.
    bool SetFeature(std::span<const std::uint8_t> report) override {
        trace_.Transfer("set-feature", report);
        return !trace_.Failed() && inner_->SetFeature(report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
        const bool ok = inner_->GetFeature(report);
        trace_.Transfer("get-feature", report);
        return ok;
    }
    bool Write(std::span<const std::uint8_t> report) override {
        trace_.Transfer("write", report);
        return !trace_.Failed() && inner_->Write(report);
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
