#include "umockdev_hid_system.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "hidraw_kernel_rules.hpp"

namespace hid_adapter {
namespace {

void appendCount(std::vector<std::uint8_t> &rd, std::size_t count) {
    if (count <= 0xFF) {
        rd.insert(rd.end(), {0x95, static_cast<std::uint8_t>(count)});
    } else {
        rd.insert(rd.end(), {0x96, static_cast<std::uint8_t>(count & 0xFFU),
                             static_cast<std::uint8_t>((count >> 8) & 0xFFU)});
    }
}

std::string hex(std::uint32_t value, int digits) {
    std::array<char, 16> text{};
    (void)std::snprintf(text.data(), text.size(), "%0*X", digits, value);
    return text.data();
}

// Copies `value` into the caller's memory that the ioctl argument points to.
// False when the argument cannot be resolved (a null or unreadable pointer).
template <typename T>
bool copyToCaller(UMockdevIoctlData *arg, const T &value) {
    GError *error = nullptr;
    UMockdevIoctlData *d = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), &error);
    if (d == nullptr || error != nullptr) {
        if (error != nullptr) {
            g_error_free(error);
        }
        if (d != nullptr) {
            g_object_unref(d);
        }
        return false;
    }
    std::memcpy(d->data, &value, sizeof value);
    g_object_unref(d);
    return true;
}

// Answers the HIDIOC* ioctls of one served node from its description.
gboolean onIoctl(UMockdevIoctlBase * /*handler*/, UMockdevIoctlClient *client, gpointer data) {
    const auto *served = static_cast<const ServedInterface *>(data);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    const auto &rdesc = served->descriptor;
    bool copied = false;
    if (request == HIDIOCGRDESCSIZE) {
        copied = copyToCaller(arg, static_cast<int>(rdesc.size()));
    } else if (request == HIDIOCGRDESC) {
        hidraw_report_descriptor descriptor{};
        descriptor.size = static_cast<__u32>(rdesc.size());
        std::copy(rdesc.begin(), rdesc.end(), descriptor.value);
        copied = copyToCaller(arg, descriptor);
    } else if (request == HIDIOCGRAWINFO) {
        hidraw_devinfo info{};
        info.bustype = 3;
        info.vendor = static_cast<__s16>(served->description.vendor);
        info.product = static_cast<__s16>(served->description.product);
        copied = copyToCaller(arg, info);
    } else {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    if (copied) {
        umockdev_ioctl_client_complete(client, 0, 0);
    } else {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
    }
    return TRUE;
}

}  // namespace

std::vector<std::uint8_t> reportDescriptorFor(const ReportFormat &format) {
    std::vector<std::uint8_t> rd{0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
                                 0x09, 0x01,        // Usage 1
                                 0xA1, 0x01};       // Collection (application)
    if (format.reportId) {
        rd.insert(rd.end(), {0x85, *format.reportId});  // Report ID
    }
    rd.insert(rd.end(), {0x15, 0x00, 0x26, 0xFF, 0x00,  // Logical 0..255
                         0x75, 0x08,                    // Report Size 8
                         0x19, 0x01, 0x29, 0x40});      // Usages 1..64
    appendCount(rd, format.payload);
    rd.insert(rd.end(), {0x81, 0x02});  // Input (data, variable)
    rd.insert(rd.end(), {0x19, 0x01, 0x29, 0x40});
    appendCount(rd, format.payload);
    rd.insert(rd.end(), {0x91, 0x02, 0xC0});  // Output, End Collection
    return rd;
}

ServedInterface::ServedInterface(const HidrawInterface &desc, int masterFd,
                                 ReportResponder responder)
    : description(desc),
      descriptor(reportDescriptorFor(desc.format)),
      masterFd_(masterFd),
      responder_(std::move(responder)) {
    std::array<char, 128> name{};
    if (::ptsname_r(masterFd_, name.data(), name.size()) == 0) {
        slavePath_ = name.data();
    }
    termios mode{};
    ::tcgetattr(masterFd_, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(masterFd_, TCSANOW, &mode);
    thread_ = std::thread([this] { serve(); });
}

ServedInterface::~ServedInterface() {
    stop_ = true;
    thread_.join();
}

void ServedInterface::setTakingReports(bool taking) {
    hidraw_kernel::setTakingReports(description.index, taking);
}

std::vector<HidReport> ServedInterface::receivedReports() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

void ServedInterface::inspect(const std::function<void()> &look) const {
    const std::lock_guard lock(mutex_);
    look();
}

// hidraw keeps an input report only for the files open when it arrives; a PTY
// would keep it for whoever opens the device next. Count this process's open
// handles on the PTY's far end to tell the two apart.
bool ServedInterface::openByHost() const {
    DIR *fds = ::opendir("/proc/self/fd");
    if (fds == nullptr) {
        return true;
    }
    bool open = false;
    std::array<char, 256> target{};
    while (const dirent *entry = ::readdir(fds)) {  // NOLINT(concurrency-mt-unsafe): own DIR
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
        if (n > 0 && slavePath_ == std::string(target.data(), static_cast<std::size_t>(n))) {
            open = true;
            break;
        }
    }
    ::closedir(fds);
    return open;
}

void ServedInterface::deliver(HidReport reply) {
    const ReportFormat &format = description.format;
    reply.resize(format.payload + 1, 0);
    std::size_t from = 1;
    if (format.reportId) {
        reply[0] = *format.reportId;
        from = 0;
    }
    if (!openByHost()) {
        ++dropped_;
        return;
    }
    const std::size_t cut = replyCut_;
    const std::size_t length = cut == 0 ? reply.size() - from : std::min(cut, reply.size() - from);
    [[maybe_unused]] const ssize_t written = ::write(masterFd_, reply.data() + from, length);
}

void ServedInterface::serve() {
    // The host writes the report-ID byte and then the payload.
    const std::size_t reportLength = description.format.payload + 1;
    HidReport pending;
    std::vector<std::uint8_t> chunk(reportLength);
    while (!stop_) {
        pollfd waiting{masterFd_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0) {
            continue;
        }
        const ssize_t got = ::read(masterFd_, chunk.data(), reportLength - pending.size());
        if (got <= 0) {
            ::usleep(1000);
            continue;
        }
        pending.insert(pending.end(), chunk.begin(), chunk.begin() + got);
        if (pending.size() < reportLength) {
            continue;
        }
        std::optional<HidReport> reply;
        {
            const std::lock_guard lock(mutex_);
            received_.push_back(pending);
            reply = responder_(pending);
        }
        pending.clear();
        if (reply && answering_) {
            deliver(std::move(*reply));
        }
    }
}

UmockdevHidSystem::UmockdevHidSystem() : testbed_(umockdev_testbed_new()) {
    if (umockdev_in_mock_environment() == FALSE) {
        g_object_unref(testbed_);
        throw std::runtime_error("not running under umockdev-wrapper");
    }
}

UmockdevHidSystem::~UmockdevHidSystem() {
    // The handlers' "handle-ioctl" connections carry pointers to the served
    // interfaces: cut them before the interfaces are freed, so that an ioctl
    // arriving meanwhile cannot reach freed memory.
    for (UMockdevIoctlBase *handler : handlers_) {
        for (const auto &served : served_) {
            g_signal_handlers_disconnect_by_data(handler, served.get());
        }
    }
    served_.clear();
    for (UMockdevIoctlBase *handler : handlers_) {
        g_object_unref(handler);
    }
    g_object_unref(testbed_);
}

void UmockdevHidSystem::addToSysfs(const HidrawInterface &d, const std::vector<std::uint8_t> &rdesc,
                                   bool ptyNode) {
    const std::string n = std::to_string(d.index);
    const std::string vid = hex(d.vendor, 4);
    const std::string pid = hex(d.product, 4);
    const std::string usb =
        "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(d.index + 1);
    // Like the kernel, every HID device added gets a number of its own, also
    // one that comes back at the same hidraw index.
    static std::atomic<std::uint32_t> lastHidDeviceNumber{0};
    const std::string hidName = "0003:" + vid + ":" + pid + "." + hex(++lastHidDeviceNumber, 4);
    const std::string hidPath = usb + "/1-" + std::to_string(d.index + 1) + ":1.0/" + hidName;
    std::string rdescHex;
    for (const std::uint8_t byte : rdesc) {
        rdescHex += hex(byte, 2);
    }
    std::string text;
    text += "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    text += "A: idVendor=" + vid + "\\n\nA: idProduct=" + pid + "\\n\n\n";
    text += "P: " + usb + "/1-" + std::to_string(d.index + 1) +
            ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=usbhid\n\n";
    text += "P: " + hidPath + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n";
    text += "E: HID_ID=0003:0000" + vid + ":0000" + pid + "\n";
    text += "H: report_descriptor=" + rdescHex + "\n\n";
    text += "P: " + hidPath + "/hidraw/hidraw" + n + "\n";
    if (d.hasNode) {
        text += ptyNode ? "N: hidraw" + n + "\n" : "N: hidraw" + n + "=00\n";
    }
    text += "E: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw" + n + "\nE: MAJOR=241\nE: MINOR=" + n +
            "\nA: dev=241:" + n + "\\n\nL: device=../../../" + hidName + "\n";
    GError *error = nullptr;
    if (umockdev_testbed_add_from_string(testbed_, text.c_str(), &error) == FALSE) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        if (error != nullptr) {
            g_error_free(error);
        }
        throw std::runtime_error("umockdev: " + message);
    }
}

void UmockdevHidSystem::addInterface(const HidrawInterface &description) {
    addToSysfs(description, reportDescriptorFor(description.format), false);
}

ServedInterface &UmockdevHidSystem::addServedInterface(const HidrawInterface &description,
                                                       ReportResponder responder) {
    const std::string node = "/dev/hidraw" + std::to_string(description.index);
    // The ioctl handler must be in place before the node appears.
    UMockdevIoctlBase *handler = umockdev_ioctl_base_new();
    handlers_.push_back(handler);
    GError *error = nullptr;
    if (umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error) == FALSE) {
        if (error != nullptr) {
            g_error_free(error);
        }
        throw std::runtime_error("umockdev: cannot attach the ioctl handler of " + node);
    }
    addToSysfs(description, reportDescriptorFor(description.format), true);
    const int masterFd = umockdev_testbed_get_dev_fd(testbed_, node.c_str());
    if (masterFd < 0) {
        throw std::runtime_error("umockdev: " + node + " has no PTY");
    }
    auto &served = served_.emplace_back(
        std::make_unique<ServedInterface>(description, masterFd, std::move(responder)));
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), served.get());
    return *served;
}

ReportResponder respondWith(HidAdapterFirmware &firmware) {
    return [&firmware](std::span<const std::uint8_t> report) { return firmware.handle(report); };
}

}  // namespace hid_adapter
