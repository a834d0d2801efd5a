#include "cli/CliContext.h"

#include <charconv>
#include <cstdio>

#include "device/hidraw/HidrawAccess.h"
#include "device/hidraw/HidrawMonitor.h"
#include "settings/Configuration.h"

namespace ornyx::cli {

void StderrMessageSink::ShowMessage(const std::string& text, const std::string& caption) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    if (!caption.empty() && caption != kProgramName) line = caption + ": " + line;
    std::fprintf(stderr, "%s\n", line.c_str());
}

CliContext::CliContext(const GlobalOptions& options) : options_(options) {
    if (options.verbose) {
        log_ = std::make_unique<StreamDebugLog>(stderr);
    } else {
        log_ = std::make_unique<NullDebugLog>();
    }
    // At once, for every command: asked for a trace, the user must not get a
    // run without one.
    if (options_.trace) {
        std::string error;
        trace_ = device::FileTrace::Create(*options_.trace, error);
        if (!trace_) throw UsageError{error};
    }
}

std::string CliContext::TraceError() const { return trace_ ? trace_->WriteError() : std::string(); }

void CliContext::ResolveHome() {
    std::string warning;
    std::optional<std::filesystem::path> home;
    if (options_.home) home = std::filesystem::path(*options_.home);
    paths_ = settings::ResolveProgramPaths(home, &warning);
    if (!warning.empty()) log_->Write(warning);
    log_->Write("program home: " + paths_.home.string());
}

void CliContext::LoadSettings() {
    ResolveHome();
    settings::LoadConfiguration(paths_, settings_, messages_, *log_);
    settings_.TakeBackup();
    text_ = i18n::LoadTextSettings(paths_.text);
}

void CliContext::CreateLink() {
    if (link_) return;
    std::unique_ptr<device::HidAccess> access;
    if (options_.simulate) {
        std::string error;
        const auto simOptions = device::sim::SimOptions::Parse(*options_.simulate, error);
        if (!simOptions) throw UsageError{"--simulate: " + error};
        sim_ = std::make_shared<device::sim::SimMouse>(*simOptions);
        access = std::make_unique<device::sim::SimHidAccess>(sim_);
    } else {
        access = std::make_unique<device::hidraw::HidrawAccess>();
    }
    link_ = std::make_unique<device::DeviceLink>(std::move(access), trace_.get(), *log_);
}

bool CliContext::OpenMouse() {
    CreateLink();
    if (!link_->Open(messages_)) {
        std::fprintf(stderr, "%s\n", kNoMouseText);
        return false;
    }
    return true;
}

std::unique_ptr<device::DeviceMonitor> CliContext::CreateMonitor() {
    if (sim_) return std::make_unique<device::sim::SimDeviceMonitor>(sim_);
    std::string error;
    auto monitor = device::hidraw::HidrawMonitor::Create(error);
    if (!monitor) log_->Write("no plug and unplug announcements: " + error);
    return monitor;
}

std::uint8_t ParseByte(const std::string& text, const std::string& what) {
    unsigned value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        begin += 2;
        base = 16;
    }
    auto [ptr, ec] = std::from_chars(begin, end, value, base);
    if (begin == end || ec != std::errc() || ptr != end || value > 255) {
        throw UsageError{what + " must be a byte (0..255 or 0x00..0xff), not \"" + text + "\""};
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace ornyx::cli
