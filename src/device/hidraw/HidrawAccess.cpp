#include "device/hidraw/HidrawAccess.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <system_error>
#include <utility>

#include "device/ReportDescriptor.h"
#include "device/hidraw/HidrawSupport.h"
#include "device/hidraw/UdevPtr.h"

namespace ornyx::device::hidraw {

namespace {

// The ioctl length field holds 14 bits; larger requests would spill into
// the command bits.
constexpr std::size_t kMaxIoctlReport = _IOC_SIZEMASK;
// sysfs gives at most the kernel's own limit; the cap guards against a file
// that is not what it claims to be.
constexpr std::size_t kMaxDescriptorFile = 64 * 1024;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

int OpenRetrying(const char* path, int flags) {
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int IoctlRetrying(int fd, unsigned long request, void* argument) {
    int r;
    do {
        r = ::ioctl(fd, request, argument);
    } while (r < 0 && errno == EINTR);
    return r;
}

// The descriptor as the HID device publishes it in sysfs. libudev's attribute
// reader returns text and would cut the binary data at its first zero byte,
// so the file itself is read.
std::vector<std::uint8_t> ReadDescriptorFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::vector<std::uint8_t> data(kMaxDescriptorFile);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return data;
}

std::vector<std::uint8_t> DescriptorOfNode(udev_device* hid, const char* devnode) {
    if (hid != nullptr) {
        if (const char* syspath = udev_device_get_syspath(hid)) {
            auto data = ReadDescriptorFile(std::string(syspath) + "/report_descriptor");
            if (!data.empty()) return data;
        }
    }
    // sysfs unreadable: the kernel's copy through the node itself.
    Fd fd(OpenRetrying(devnode, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return {};
    return ReadDescriptorFromNode(fd.get()).value_or(std::vector<std::uint8_t>{});
}

std::uint16_t VersionOf(udev_device* node) {
    // Only USB states a device release number; other buses report 0.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    if (usb == nullptr) return 0;
    const char* bcd = udev_device_get_sysattr_value(usb, "bcdDevice");
    if (bcd == nullptr) return 0;
    return ParseHex16(bcd).value_or(0);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadDescriptorFromNode(int fd) {
    int size = 0;
    if (IoctlRetrying(fd, HIDIOCGRDESCSIZE, &size) < 0) return std::nullopt;
    if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
        errno = EPROTO;
        return std::nullopt;
    }
    auto descriptor = std::make_unique<hidraw_report_descriptor>();
    descriptor->size = static_cast<std::uint32_t>(size);
    if (IoctlRetrying(fd, HIDIOCGRDESC, descriptor.get()) < 0) return std::nullopt;
    return std::vector<std::uint8_t>(descriptor->value, descriptor->value + size);
}

bool DescriptorUsesReportIds(std::span<const std::uint8_t> descriptor) {
    const ParseResult parsed = ParseReportDescriptor(descriptor);
    return std::any_of(parsed.collections.begin(), parsed.collections.end(),
                       [](const TopLevelCollection& c) { return c.usesReportIds; });
}

// --- HidrawHandle ---

HidrawHandle::HidrawHandle(int fd, bool nodeUsesReportIds)
    : fd_(fd), usesReportIds_(nodeUsesReportIds) {}

HidrawHandle::~HidrawHandle() {
    if (fd_ >= 0) ::close(fd_);
}

bool HidrawHandle::SetFeature(std::span<const std::uint8_t> report) {
    if (fd_ < 0 || report.empty() || report.size() > kMaxIoctlReport) return false;
    // The kernel only reads the buffer; the ioctl merely lacks a const form.
    auto* data = const_cast<std::uint8_t*>(report.data());
    return IoctlRetrying(fd_, HIDIOCSFEATURE(report.size()), data) >= 0;
}

bool HidrawHandle::GetFeature(std::span<std::uint8_t> report) {
    if (fd_ < 0 || report.empty() || report.size() > kMaxIoctlReport) return false;
    return IoctlRetrying(fd_, HIDIOCGFEATURE(report.size()), report.data()) >= 0;
}

bool HidrawHandle::Write(std::span<const std::uint8_t> report) {
    if (fd_ < 0 || report.empty()) return false;
    ssize_t n;
    do {
        n = ::write(fd_, report.data(), report.size());
    } while (n < 0 && errno == EINTR);
    // hidraw takes a report whole or not at all.
    return n == static_cast<ssize_t>(report.size());
}

int HidrawHandle::Read(std::span<std::uint8_t> report, int timeoutMs) {
    std::fill(report.begin(), report.end(), std::uint8_t{0});
    if (fd_ < 0 || report.empty()) return -1;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    // One report per read(); a longer one is cut to the buffer by the kernel.
    scratch_.resize(report.size());

    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (ready == 0) return 0;
        if (p.revents & POLLNVAL) return -1;
        if (p.revents & POLLIN) {
            // Reports queued before an unplug are still handed out first.
            const ssize_t n = ::read(fd_, scratch_.data(), scratch_.size());
            if (n > 0) {
                const std::size_t stored = NormalizeInputReport(
                    std::span<const std::uint8_t>(scratch_.data(), static_cast<std::size_t>(n)),
                    usesReportIds_, report);
                return static_cast<int>(stored);
            }
            if (n == 0) return -1;  // end of file: nothing will ever come
            if (errno != EINTR && errno != EAGAIN) return -1;  // ENODEV, EIO: gone
            if ((p.revents & (POLLHUP | POLLERR)) != 0) return -1;
            if (Clock::now() >= deadline) return 0;
            continue;
        }
        // Hang-up or error without data waiting: the device is gone.
        return -1;
    }
}

// --- HidrawAccess ---

std::vector<HidInterfaceInfo> HidrawAccess::Enumerate() {
    std::vector<HidInterfaceInfo> nodes;
    UdevPtr udev(udev_new());
    if (!udev) return nodes;
    UdevEnumeratePtr enumerate(udev_enumerate_new(udev.get()));
    if (!enumerate) return nodes;
    if (udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return nodes;
    }

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        const char* syspath = udev_list_entry_get_name(entry);
        if (syspath == nullptr) continue;
        UdevDevicePtr node(udev_device_new_from_syspath(udev.get(), syspath));
        if (!node) continue;  // gone since the scan
        const char* devnode = udev_device_get_devnode(node.get());
        if (devnode == nullptr) continue;
        // Owned by `node`.
        udev_device* hid =
            udev_device_get_parent_with_subsystem_devtype(node.get(), "hid", nullptr);
        if (hid == nullptr) continue;
        const char* hidId = udev_device_get_property_value(hid, "HID_ID");
        const auto id = hidId != nullptr ? ParseHidId(hidId) : std::nullopt;
        if (!id) continue;

        HidInterfaceInfo info;
        info.path = devnode;
        info.vendorId = id->vendorId;
        info.productId = id->productId;
        info.version = VersionOf(node.get());
        info.reportDescriptor = DescriptorOfNode(hid, devnode);
        nodes.push_back(std::move(info));
    }

    // udev lists in sysfs order; node numbers give the same order on every run.
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const auto& a, const auto& b) { return NodeOrderLess(a.path, b.path); });
    return nodes;
}

std::unique_ptr<HidHandle> HidrawAccess::Open(const std::string& path, OpenMode mode,
                                              std::string& error) {
    int access = O_RDWR;
    if (mode == OpenMode::Read) access = O_RDONLY;
    if (mode == OpenMode::Write) access = O_WRONLY;
    // Non-blocking: every read waits in poll() with a timeout instead.
    Fd fd(OpenRetrying(path.c_str(), access | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        error = OpenErrorText(errno, path);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        error = path + " is not a HID device node";
        return nullptr;
    }
    // Asked at every open, not taken from the last listing: the node may
    // belong to another device by now.
    const auto descriptor = ReadDescriptorFromNode(fd.get());
    if (!descriptor) {
        // Any other character device refuses the ioctl.
        error = errno == ENOTTY || errno == EINVAL
                    ? path + " is not a HID device node"
                    : "cannot read the report descriptor of " + path + ": " +
                          std::generic_category().message(errno);
        return nullptr;
    }
    return std::make_unique<HidrawHandle>(fd.release(), DescriptorUsesReportIds(*descriptor));
}

}  // namespace ornyx::device::hidraw
