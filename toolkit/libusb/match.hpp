// Which devices a registration drives.
//
// A device matches an entry when every non-zero field of the entry equals the
// device's value: vendor and product ID and device class and subclass from the
// device descriptor; interface class, subclass and protocol from the first
// interface (alternate setting 0) of the active configuration. A zero field
// matches anything. A device matches a registration when it matches any entry.
#pragma once

#include <wdapi801.h>

#include <libusb.h>

#include <cstdint>
#include <optional>
#include <span>

namespace wdusb {

struct DeviceIdentity {
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint8_t device_class = 0;
    uint8_t device_subclass = 0;
    // Absent when the device has no readable active configuration; then only
    // entries whose interface fields are all zero can match.
    std::optional<uint8_t> interface_class, interface_subclass, interface_protocol;
};

bool matches(const wd_match_entry &entry, const DeviceIdentity &device);
bool matches_any(std::span<const wd_match_entry> entries, const DeviceIdentity &device);

// Reads the identity from the descriptors libusb holds for the device. Does not
// block on the device on Linux (descriptors come from the kernel's cache).
// Empty when the device descriptor cannot be read.
std::optional<DeviceIdentity> identity_of(libusb_device *device);

}  // namespace wdusb
