#include "session/Session.h"

#include <cstdio>
#include <filesystem>

#include "common/Utf8.h"
#include "i18n/Language.h"
#include "session/Defaults.h"

namespace ornyx::session {

namespace fs = std::filesystem;

Session::Session(const SessionOptions& options, device::Backend& platform, MessageSink& messages)
    : options_(options), platform_(platform), messages_(messages) {
    if (options_.verbose) {
        log_ = std::make_unique<StreamDebugLog>(stderr);
    } else {
        log_ = std::make_unique<NullDebugLog>();
    }
}

void Session::OpenTrace() {
    if (!options_.trace || trace_) return;
    std::string error;
    trace_ = device::FileTrace::Create(utf8::ToPath(*options_.trace), error);
    if (!trace_) throw SessionError(error);
}

void Session::ResolveHome(bool create) {
    std::string warning;
    std::optional<std::filesystem::path> home;
    if (options_.home) home = utf8::ToPath(*options_.home);
    paths_ = settings::ResolveProgramPaths(home, &warning, create);
    if (!warning.empty()) log_->Write(warning);
    log_->Write("program home: " + paths_.home.string());
}

bool Session::LockHome(settings::HomeLock& lock, settings::HomeLock::Mode mode,
                       std::string& error) {
    return lock.Acquire(paths_.home, mode, settings::kHomeLockTimeout, error, log_.get());
}

settings::ConfigStatus Session::LoadSettings() {
    return LoadSettings(messages_);
}

settings::ConfigStatus Session::LoadSettings(MessageSink& messages) {
    const settings::ConfigStatus status =
        settings::LoadConfiguration(paths_, settings_, messages, *log_);
    settingsReady_ = status == settings::ConfigStatus::Loaded;
    settings_.TakeBackup();
    text_ = i18n::LoadTextSettings(paths_.text, i18n::MessagesLocale());
    return status;
}

void Session::UseDefaultSettings() {
    settings_.image = DefaultSettingsImage();
    settings_.firstRunFlag = 0;
    settings_.TakeBackup();
    settingsReady_ = true;
}

bool Session::CreateDefaultSettings(std::string& error) {
    UseDefaultSettings();
    std::error_code ec;
    fs::create_directories(paths_.home, ec);
    // Only where nothing is: a dangling or looping link there is the user's
    // to mend, and must not decide where a file is written.
    if (fs::exists(fs::symlink_status(paths_.config, ec))) {
        error = paths_.config.string() + " is there but cannot be read";
        return false;
    }
    const WriteResult written = WriteDefaultConfiguration(paths_.config);
    if (!written.ok) {
        error = written.error;
        return false;
    }
    log_->Write("wrote the default settings to " + paths_.config.string());
    return true;
}

device::DeviceLink& Session::CreateLink() {
    if (link_) return *link_;
    std::unique_ptr<device::HidAccess> access;
    if (options_.simulate) {
        std::string error;
        const auto simOptions = device::sim::SimOptions::Parse(*options_.simulate, error);
        if (!simOptions) throw SessionError("--simulate: " + error);
        sim_ = std::make_shared<device::sim::SimMouse>(*simOptions);
        access = std::make_unique<device::sim::SimHidAccess>(sim_);
    } else {
        access = platform_.CreateAccess();
    }
    link_ = std::make_unique<device::DeviceLink>(std::move(access), trace_.get(), *log_);
    return *link_;
}

std::unique_ptr<device::DeviceMonitor> Session::CreateMonitor() {
    if (sim_) return std::make_unique<device::sim::SimDeviceMonitor>(sim_);
    return platform_.CreateMonitor(*log_);
}

device::TransferResult Session::Handshake() {
    return SensorHandshake(link_->transport(), link_->state());
}

ApplyReport Session::Apply(const ApplyOptions& options) {
    ApplyReport report;
    if (!settingsReady_) {
        log_->Write("apply refused: no settings were loaded from " + paths_.config.string());
        report.refused = true;
        return report;
    }
    if (!link_ || !link_->present()) return report;
    report.mousePresent = true;
    MessageSink& fileMessages = options.fileMessages ? *options.fileMessages : messages_;
    const ApplyTarget target{link_->transport(), link_->state(), settings_, paths_, text_,
                             fileMessages,       *log_};
    const device::TransferResult handshake =
        options.handshakeFirst ? Handshake() : device::TransferResult{};
    if (handshake.ok()) {
        report.result = ApplySettings(target);
    } else {
        // The settings are the user's choice whatever the mouse did: saved even
        // when the mouse failed before the first of them went out.
        report.result = ApplyFailure(handshake);
        report.result.saved = SaveAppliedSettings(target);
    }
    settings_.TakeBackup();
    if (!report.result.ok()) report.vanished = link_->Vanished();
    report.traceError = TraceError();
    return report;
}

}  // namespace ornyx::session
