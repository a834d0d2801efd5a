#include "device/hidraw/HidrawMonitor.h"

#include <cstring>

#include "device/hidraw/HidrawSupport.h"
#include "device/hidraw/UdevPtr.h"

namespace ornyx::device::hidraw {

namespace {

std::optional<HidId> IdentityOf(udev_device* node) {
    // The HID device above the node; after a removal it may be gone already.
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr)) {
        if (const char* text = udev_device_get_property_value(hid, "HID_ID")) {
            if (auto id = ParseHidId(text)) return id;
        }
    }
    if (const char* text = udev_device_get_property_value(node, "HID_ID")) {
        if (auto id = ParseHidId(text)) return id;
    }
    // The node's device path names its HID device, and the announcement carries it.
    if (const char* devpath = udev_device_get_devpath(node)) return HidIdFromDevpath(devpath);
    return std::nullopt;
}

}  // namespace

std::unique_ptr<HidrawMonitor> HidrawMonitor::Create(std::string& error) {
    UdevPtr context(udev_new());
    if (!context) {
        error = "udev is not available";
        return nullptr;
    }
    UdevMonitorPtr monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor) {
        error = "cannot create a udev monitor";
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        error = "cannot listen to udev for hidraw devices";
        return nullptr;
    }
    return std::unique_ptr<HidrawMonitor>(new HidrawMonitor(context.release(), monitor.release()));
}

HidrawMonitor::HidrawMonitor(udev* context, udev_monitor* monitor)
    : udev_(context), monitor_(monitor) {}

HidrawMonitor::~HidrawMonitor() {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

int HidrawMonitor::Fd() const {
    return udev_monitor_get_fd(monitor_);
}

std::optional<DeviceChange> HidrawMonitor::Receive() {
    // The monitor's socket is non-blocking: each call takes one waiting
    // message or returns null at once.
    while (UdevDevicePtr node{udev_monitor_receive_device(monitor_)}) {
        const char* action = udev_device_get_action(node.get());
        if (action == nullptr) continue;
        DeviceChange change;
        if (std::strcmp(action, "add") == 0) {
            change.action = DeviceChange::Action::Added;
        } else if (std::strcmp(action, "remove") == 0) {
            change.action = DeviceChange::Action::Removed;
        } else {
            continue;  // change, bind, ...: the node stays what it was
        }
        if (const char* devnode = udev_device_get_devnode(node.get())) change.devnode = devnode;
        if (const auto id = IdentityOf(node.get())) {
            change.vendorId = id->vendorId;
            change.productId = id->productId;
        }
        return change;
    }
    return std::nullopt;
}

}  // namespace ornyx::device::hidraw
