// Finding and opening the adapter among the hidraw nodes.
//
// The nodes are taken in index order (/sys/class/hidraw/hidrawN, hidraw2 before
// hidraw10). Each node's HID device is named in sysfs before anything is
// opened: /sys/class/hidraw/hidrawN/device links to the HID device, which the
// kernel names BBBB:VVVV:PPPP.NNNN (bus, vendor, product, and a number it
// gives each HID device it adds, never twice while it runs). The first node
// with the adapter's vendor and product that opens read-write, and whose
// report descriptor declares usable lengths, is the adapter.
//
// A HID device's report descriptor is fixed while the device is there, so the
// lengths are read from it (two ioctls) only the first time a device is met,
// and kept under its name. The search itself runs for every transfer, so the
// first adapter in index order is always the one used, also one plugged in
// since the last call.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "report_descriptor.hpp"

namespace tesslink {

// An open hidraw descriptor; destroying it closes it with closeDevice, which
// never waits for a write of this process.
class DeviceHandle {
  public:
    DeviceHandle() = default;
    explicit DeviceHandle(int fd) : fd_(fd) {}
    DeviceHandle(DeviceHandle &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    DeviceHandle &operator=(DeviceHandle &&other) noexcept;
    DeviceHandle(const DeviceHandle &) = delete;
    DeviceHandle &operator=(const DeviceHandle &) = delete;
    ~DeviceHandle() { reset(); }

    [[nodiscard]] int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset();

  private:
    int fd_ = -1;
};

struct OpenAdapter {
    DeviceHandle handle;
    ReportLengths lengths;
};

// Searches the hidraw nodes and opens the adapter with O_RDWR | O_CLOEXEC |
// `extraFlags`. Nullopt when no node is the adapter.
std::optional<OpenAdapter> openAdapter(int extraFlags);

struct HidDeviceId {
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
};

// Vendor and product of a HID device name "BBBB:VVVV:PPPP.NNNN" (hexadecimal
// fields, as the kernel writes them); nullopt for any other text.
std::optional<HidDeviceId> parseHidDeviceName(std::string_view name);

}  // namespace tesslink
