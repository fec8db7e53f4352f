#include "emulated_adapter.hpp"

#include <cstdio>
#include <utility>
#include <vector>

namespace emulated {
namespace {

constexpr uint8_t kBulkOut = 0x02;
constexpr uint8_t kBulkIn = 0x82;

std::vector<uint8_t> string_descriptor(const std::string &text) {
    std::vector<uint8_t> descriptor{static_cast<uint8_t>(2 + 2 * text.size()), 0x03};
    for (const char c : text) {
        descriptor.push_back(static_cast<uint8_t>(c));
        descriptor.push_back(0);
    }
    return descriptor;
}

UsbFunction::ControlAnswer answered(std::vector<uint8_t> data) {
    return {.stall = false, .data = std::move(data), .unanswered = false};
}
UsbFunction::ControlAnswer stalled() { return {.stall = true, .data = {}, .unanswered = false}; }
UsbFunction::ControlAnswer left_unanswered() {
    return {.stall = false, .data = {}, .unanswered = true};
}

std::string hex16le(uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%02x%02x", value & 0xFFu, value >> 8u);
    return text;
}

}  // namespace

void EmulatedAdapter::set_replies_dropped(bool dropped) {
    std::lock_guard lock(mutex());
    replies_dropped_ = dropped;
}

void EmulatedAdapter::set_serial_reads_unanswered(bool unanswered) {
    std::lock_guard lock(mutex());
    serial_reads_unanswered_ = unanswered;
}

std::vector<std::vector<uint8_t>> EmulatedAdapter::packets_out() {
    std::lock_guard lock(mutex());
    return packets_out_;
}

std::vector<std::vector<uint8_t>> EmulatedAdapter::replies_in() {
    std::lock_guard lock(mutex());
    return replies_in_;
}

unsigned EmulatedAdapter::serial_reads() {
    std::lock_guard lock(mutex());
    return serial_reads_;
}

size_t EmulatedAdapter::waiting_reads() {
    std::lock_guard lock(mutex());
    return connection_ != nullptr ? connection_->pending_in_locked() : 0;
}

size_t EmulatedAdapter::waiting_serial_reads() {
    std::lock_guard lock(mutex());
    return connection_ != nullptr ? connection_->pending_control_locked() : 0;
}

UsbFunction::ControlAnswer EmulatedAdapter::control(const uint8_t (&setup)[8],
                                                    std::span<const uint8_t>) {
    const bool get_string = setup[0] == 0x80 && setup[1] == 0x06 && setup[3] == 0x03;
    if (!get_string) {
        return stalled();  // the adapter knows no other request
    }
    switch (setup[2]) {
    case 0:
        return answered({0x04, 0x03, 0x09, 0x04});  // English (US)
    case 1:
        return answered(string_descriptor("Emulated"));
    case 2:
        return answered(string_descriptor("Bulk I2C/SPI adapter"));
    case 3:
        ++serial_reads_;
        if (serial_reads_unanswered_) {
            return left_unanswered();
        }
        return answered(string_descriptor(description_.serial));
    default:
        return stalled();
    }
}

void EmulatedAdapter::bulk_out(uint8_t endpoint, std::span<const uint8_t> bytes) {
    if (endpoint != kBulkOut) {
        return;
    }
    packets_out_.emplace_back(bytes.begin(), bytes.end());
    firmware_.receive(bytes);
    if (replies_dropped_) {
        while (firmware_.take_reply(SIZE_MAX)) {
        }
    }
}

std::optional<std::vector<uint8_t>> EmulatedAdapter::bulk_in(uint8_t endpoint, size_t max_length) {
    if (endpoint != kBulkIn) {
        return std::nullopt;
    }
    auto reply = firmware_.take_reply(max_length);
    if (reply) {
        replies_in_.push_back(*reply);
    }
    return reply;
}

std::string EmulatedAdapter::sysfs_description(const std::string &syspath, int bus,
                                               int address) const {
    char numbers[160];
    std::snprintf(numbers, sizeof numbers,
                  "N: bus/usb/%03d/%03d\nE: BUSNUM=%03d\nE: DEVNUM=%03d\n"
                  "E: DEVNAME=/dev/bus/usb/%03d/%03d\nA: busnum=%d\\n\nA: devnum=%d\\n\n",
                  bus, address, bus, address, bus, address, bus, address);
    char product[96];
    std::snprintf(product, sizeof product,
                  "E: PRODUCT=%x/%x/100\nA: idVendor=%04x\\n\nA: idProduct=%04x\\n\n",
                  description_.vendor_id, description_.product_id, description_.vendor_id, description_.product_id);
    // Device descriptor: USB 2.0, vendor class at interface level, 64-byte EP0,
    // strings 1, 2, 3, one configuration. Configuration: one vendor-class
    // interface with bulk OUT 0x02 and bulk IN 0x82, 64-byte packets.
    const std::string descriptors = "12010002000000" "40" + hex16le(description_.vendor_id) +
                                    hex16le(description_.product_id) + "0001" "010203" "01" +
                                    "09022000010100803209040000" "02ff000000" +
                                    "07050202400000" "07058202400000";
    return "P: " + syspath.substr(std::string("/sys").size()) + "\n" + numbers +
           "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n" + product +
           "A: bConfigurationValue=1\\n\nA: speed=12\\n\n" + "H: descriptors=" + descriptors +
           "\n";
}

}  // namespace emulated
