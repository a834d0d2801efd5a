#include "cli/CliContext.h"

#include <cstdio>
#include <stdexcept>

#include "common/Number.h"
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

CliContext::CliContext(const GlobalOptions& options) : session_(options, *platform_, messages_) {
    // At once, for every command: asked for a trace, the user must not get a
    // run without one.
    try {
        session_.OpenTrace();
    } catch (const session::SessionError& e) {
        throw UsageError{e.what()};
    }
}

void CliContext::ResolveHome() {
    session_.ResolveHome(!readOnly_);
}

void CliContext::LoadSettings(settings::HomeLock::Mode mode) {
    ResolveHome();
    LockHome(mode);
    RecordingMessageSink found;
    configStatus_ = session_.LoadSettings(found);
    for (const RecordingMessageSink::Message& m : found.messages) {
        // A terminal line names the file, as the window's box need not.
        const bool missing = m.text == settings::kNoConfigFileText;
        messages_.ShowMessage(missing ? paths().config.string() + ": " + m.text : m.text,
                              m.caption);
    }
}

void CliContext::LockHome(settings::HomeLock::Mode mode) {
    std::string error;
    if (!session_.LockHome(lock_, mode, error)) throw std::runtime_error(error);
    for (const std::string& notice : lock_.notices())
        std::fprintf(stderr, "ornyxctl: warning: %s\n", notice.c_str());
}

std::string CliContext::UnusableConfigText() const {
    const std::filesystem::path& config = session_.paths().config;
    std::string reason = settings::UnusableConfigurationReason(config);
    if (reason.empty()) reason = "it changed while it was read";
    return config.string() + " cannot be read as a settings file: " + reason +
           ". It was left as it is; mend it, or move it away and run 'ornyxctl init' to start "
           "afresh";
}

std::string CliContext::MissingConfigText() const {
    return "nothing was sent to the mouse: there is no settings file at " +
           session_.paths().config.string() + "; 'ornyxctl init' makes one";
}

void CliContext::CreateLink() {
    try {
        session_.CreateLink();
    } catch (const session::SessionError& e) {
        throw UsageError{e.what()};
    }
}

bool CliContext::OpenMouse() {
    CreateLink();
    if (!session_.link().Open(messages_)) {
        PrintNoMouse(!session_.simulated());
        return false;
    }
    return true;
}

std::unique_ptr<device::DeviceMonitor> CliContext::CreateMonitor() {
    return session_.CreateMonitor();
}

void PrintNoMouse(bool realMouse) {
    std::fprintf(stderr, "ornyxctl: %s\n", kNoMouseText);
    if (!realMouse) return;
    std::fputs(NoMouseAccessHint(), stderr);
    std::fprintf(stderr,
                 "ornyxctl: hint: without the mouse, try --simulate, or ornyx-virtual-mouse for a "
                 "virtual one.\n");
}

std::uint8_t ParseByte(const std::string& text, const std::string& what) {
    const auto value = ParseUnsigned(text);
    if (!value || *value > 255) {
        throw UsageError{what + " must be a byte (0..255 or 0x00..0xff), not \"" + text + "\""};
    }
    return static_cast<std::uint8_t>(*value);
}

}  // namespace ornyx::cli
