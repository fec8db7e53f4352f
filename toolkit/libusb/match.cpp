#include "match.hpp"

#include <algorithm>

namespace wdusb {
namespace {

bool field_matches(unsigned wanted, unsigned actual) { return wanted == 0 || wanted == actual; }

bool optional_field_matches(uint8_t wanted, const std::optional<uint8_t> &actual) {
    return wanted == 0 || (actual.has_value() && *actual == wanted);
}

}  // namespace

bool matches(const wd_match_entry &entry, const DeviceIdentity &device) {
    return field_matches(entry.vendor_id, device.vendor_id) &&
           field_matches(entry.product_id, device.product_id) &&
           field_matches(entry.device_class, device.device_class) &&
           field_matches(entry.device_subclass, device.device_subclass) &&
           optional_field_matches(entry.interface_class, device.interface_class) &&
           optional_field_matches(entry.interface_subclass, device.interface_subclass) &&
           optional_field_matches(entry.interface_protocol, device.interface_protocol);
}

bool matches_any(std::span<const wd_match_entry> entries, const DeviceIdentity &device) {
    return std::any_of(entries.begin(), entries.end(),
                       [&](const wd_match_entry &entry) { return matches(entry, device); });
}

std::optional<DeviceIdentity> identity_of(libusb_device *device) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
        return std::nullopt;
    }
    DeviceIdentity identity;
    identity.vendor_id = descriptor.idVendor;
    identity.product_id = descriptor.idProduct;
    identity.device_class = descriptor.bDeviceClass;
    identity.device_subclass = descriptor.bDeviceSubClass;

    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) == LIBUSB_SUCCESS) {
        if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
            const libusb_interface_descriptor &first = config->interface[0].altsetting[0];
            identity.interface_class = first.bInterfaceClass;
            identity.interface_subclass = first.bInterfaceSubClass;
            identity.interface_protocol = first.bInterfaceProtocol;
        }
        libusb_free_config_descriptor(config);
    }
    return identity;
}

}  // namespace wdusb
