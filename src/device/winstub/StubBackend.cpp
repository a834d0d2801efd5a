#include "device/winstub/StubBackend.h"

namespace ornyx::device::winstub {

namespace {

class NoHidAccess final : public HidAccess {
public:
    std::vector<HidInterfaceInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidHandle> Open(const std::string& path, OpenMode,
                                    std::string& error) override {
        error = path + ": HID devices cannot be opened in this build";
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<HidAccess> StubBackend::CreateAccess() {
    return std::make_unique<NoHidAccess>();
}

std::unique_ptr<DeviceMonitor> StubBackend::CreateMonitor(DebugLog& log) {
    log.Write("no plug and unplug announcements: this build has no HID backend");
    return nullptr;
}

}  // namespace ornyx::device::winstub

namespace ornyx::device {

std::unique_ptr<Backend> CreatePlatformBackend() {
    return std::make_unique<winstub::StubBackend>();
}

}  // namespace ornyx::device
