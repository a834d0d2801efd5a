#pragma once

#include <libudev.h>

#include <memory>

namespace ornyx::device::hidraw {

// Owning pointers for libudev objects, released with their unref functions.
template <auto Unref>
struct UdevUnref {
    template <typename T>
    void operator()(T* p) const {
        Unref(p);
    }
};

using UdevPtr = std::unique_ptr<udev, UdevUnref<udev_unref>>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevUnref<udev_enumerate_unref>>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevUnref<udev_device_unref>>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevUnref<udev_monitor_unref>>;

}  // namespace ornyx::device::hidraw
