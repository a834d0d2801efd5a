#include "app/AppContext.h"

#include <stdexcept>

#include "app/Platform.h"
#include "performance/gnome/GnomePointerSettings.h"
#include "settings/Configuration.h"

namespace ornyx::app {

AppContext::AppContext(const AppOptions& options, MessageSink& messages)
    : options_(options), messages_(messages) {
    if (options.verbose) {
        log_ = std::make_unique<StreamDebugLog>(stderr);
    } else {
        log_ = std::make_unique<NullDebugLog>();
    }
    std::string warning;
    std::optional<std::filesystem::path> home;
    if (options.home) home = std::filesystem::path(*options.home);
    paths = settings::ResolveProgramPaths(home, &warning);
    if (!warning.empty()) log_->Write(warning);
    log_->Write("program home: " + paths.home.string());

    {
        const settings::HomeLock lock = LockHome();
        settings::LoadConfiguration(paths, settings, messages_, *log_);
        settings.TakeBackup();
        text = i18n::LoadTextSettings(paths.text, i18n::MessagesLocale());
    }

    if (options.trace) {
        std::string error;
        trace_ = device::FileTrace::Create(*options.trace, error);
        if (!trace_) throw std::invalid_argument(error);
    }
    std::unique_ptr<device::HidAccess> access;
    if (options.simulate) {
        std::string error;
        const auto simOptions = device::sim::SimOptions::Parse(*options.simulate, error);
        if (!simOptions) throw std::invalid_argument("--simulate: " + error);
        sim_ = std::make_shared<device::sim::SimMouse>(*simOptions);
        access = std::make_unique<device::sim::SimHidAccess>(sim_);
        monitor_ = std::make_unique<device::sim::SimDeviceMonitor>(sim_);
    } else {
        access = CreatePlatformHidAccess();
        monitor_ = CreatePlatformMonitor(*log_);
    }
    link_ = std::make_unique<device::DeviceLink>(std::move(access), trace_.get(), *log_);
}

settings::HomeLock AppContext::LockHome() {
    settings::HomeLock lock;
    std::string error;
    if (!lock.Acquire(paths.home, settings::HomeLock::Mode::Exclusive, settings::kHomeLockTimeout, error,
                      log_.get())) {
        log_->Write(error);
    }
    return lock;
}

QString AppContext::skinFolder() const {
    // The skin name comes from a hand-editable file: keep it inside Skins.
    QString name = QString::fromStdString(text.skinName);
    if (name.contains('/') || name == ".." || name == ".") name.clear();
    // The user's own skin of that name wins over the shipped one.
    std::error_code ec;
    if (!paths.userSkins.empty() && !name.isEmpty() &&
        std::filesystem::is_directory(paths.userSkins / name.toStdString(), ec)) {
        return QString::fromStdString(paths.userSkins.string()) + "/" + name;
    }
    return QString::fromStdString(paths.skins.string()) + "/" + name;
}

QString AppContext::skinFile(const char* name) const { return skinFolder() + QString::fromUtf8(name); }

performance::PointerSettings& AppContext::pointerSettings() {
    if (!pointer_) pointer_ = performance::gnome::CreateDesktopPointerSettings();
    return *pointer_;
}

}  // namespace ornyx::app
