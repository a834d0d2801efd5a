#include "cli/CliContext.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

#include "device/hidraw/HidrawAccess.h"
#include "device/hidraw/HidrawMonitor.h"
#include "settings/Configuration.h"

namespace ornyx::cli {

void StderrMessageSink::ShowMessage(const std::string& text, const std::string& caption) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    if (!caption.empty() && caption != kProgramName) line = caption + ": " + line;
    // Each line of a message on its own prefixed line, as every error here.
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = line.find('\n', start);
        std::fprintf(stderr, "ornyxctl: %s\n", line.substr(start, end - start).c_str());
        if (end == std::string::npos) break;
        start = end + 1;
    }
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
    paths_ = settings::ResolveProgramPaths(home, &warning, !readOnly_);
    if (!warning.empty()) log_->Write(warning);
    log_->Write("program home: " + paths_.home.string());
}

void CliContext::LoadSettings(settings::HomeLock::Mode mode) {
    ResolveHome();
    LockHome(mode);
    configStatus_ = settings::LoadConfiguration(paths_, settings_, messages_, *log_);
    settings_.TakeBackup();
    text_ = i18n::LoadTextSettings(paths_.text, i18n::MessagesLocale());
}

void CliContext::LockHome(settings::HomeLock::Mode mode) {
    std::string error;
    if (!lock_.Acquire(paths_.home, mode, settings::kHomeLockTimeout, error, log_.get())) {
        throw std::runtime_error(error);
    }
}

std::string CliContext::UnusableConfigText() const {
    return paths_.config.string() + " cannot be read as a settings file (a readable file of " +
           std::to_string(settings::kConfigFileSize) +
           " bytes); it was left as it is. Move it away and run 'ornyxctl init' to start afresh";
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
        PrintNoMouse(!options_.simulate);
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

void PrintNoMouse(bool realMouse) {
    std::fprintf(stderr, "ornyxctl: %s\n", kNoMouseText);
    if (!realMouse) return;
    std::fprintf(stderr,
                 "ornyxctl: hint: is it plugged in, and may you open it? The udev rule "
                 "70-ornyx-mouse.rules\n"
                 "ornyxctl: hint: (installed in udev's rules.d) gives the logged-in user access; "
                 "replug the mouse after installing it.\n"
                 "ornyxctl: hint: without the mouse, try --simulate, or ornyx-virtual-mouse for a "
                 "virtual one.\n");
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
