// An emulated bulk I2C/SPI adapter on the umockdev testbed: its USB descriptors
// and strings (serial number in string descriptor 3), and the adapter firmware
// model answering the command packets of bulk OUT 0x02 on bulk IN 0x82.
//
// Every accessor may be called from the test's thread while the toolkit talks to
// the adapter: state is guarded by the adapter's mutex (UsbFunction::mutex()).
#pragma once

#include "usbdevfs_connection.hpp"

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emulated {

struct AdapterDescription {
    uint16_t vendor_id = 0x04CC;
    uint16_t product_id = 0xF297;
    std::string serial = "1234";  // string descriptor 3
};

class EmulatedAdapter final : public UsbFunction {
public:
    explicit EmulatedAdapter(AdapterDescription description) : description_(std::move(description)) {}

    const AdapterDescription &description() const { return description_; }

    // Runs `f(firmware)` under the adapter's lock: set up the bus devices, read state.
    template <typename F>
    decltype(auto) with_firmware(F &&f) {
        std::lock_guard lock(mutex());
        return f(firmware_);
    }

    // When set, the adapter takes commands but its replies never reach bulk IN.
    void set_replies_dropped(bool dropped);
    // When set, reads of the serial number (string descriptor 3) get no answer:
    // each waits until it is discarded or the adapter is pulled out.
    void set_serial_reads_unanswered(bool unanswered);

    // Every bulk OUT 0x02 packet so far, in order.
    std::vector<std::vector<uint8_t>> packets_out();
    // Every bulk IN 0x82 reply handed out so far, in order.
    std::vector<std::vector<uint8_t>> replies_in();
    // Reads of string descriptor 3 so far.
    unsigned serial_reads();
    // Bulk IN URBs now waiting for a reply (0 when not plugged in).
    size_t waiting_reads();
    // Serial-number reads now waiting for an answer (0 when not plugged in).
    size_t waiting_serial_reads();

    // UsbFunction (called by the connection with the mutex held).
    ControlAnswer control(const uint8_t (&setup)[8], std::span<const uint8_t> out_data) override;
    void bulk_out(uint8_t endpoint, std::span<const uint8_t> bytes) override;
    std::optional<std::vector<uint8_t>> bulk_in(uint8_t endpoint, size_t max_length) override;

private:
    friend class UsbBench;

    std::string sysfs_description(const std::string &syspath, int bus, int address) const;

    const AdapterDescription description_;
    devices::BulkAdapterFirmware firmware_;  // kept across replugs
    bool replies_dropped_ = false;
    bool serial_reads_unanswered_ = false;
    std::vector<std::vector<uint8_t>> packets_out_;
    std::vector<std::vector<uint8_t>> replies_in_;
    unsigned serial_reads_ = 0;

    // Owned by UsbBench: the connection of the current plug, the port path.
    UsbdevfsConnection *connection_ = nullptr;
    std::string syspath_;
};

}  // namespace emulated
