#include "device.hpp"

#include "status_map.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace wdusb {
namespace {

// Owns a libusb_transfer for the length of one call.
struct TransferHolder {
    libusb_transfer *transfer = libusb_alloc_transfer(0);
    ~TransferHolder() { libusb_free_transfer(transfer); }
    TransferHolder() = default;
    TransferHolder(const TransferHolder &) = delete;
    TransferHolder &operator=(const TransferHolder &) = delete;
};

}  // namespace

wd_status Device::open(libusb_device *device, std::shared_ptr<Device> &out) {
    libusb_device_descriptor descriptor{};
    if (const int error = libusb_get_device_descriptor(device, &descriptor)) {
        return status_from_libusb_error(error);
    }
    libusb_config_descriptor *config = nullptr;
    if (const int error = libusb_get_active_config_descriptor(device, &config)) {
        return status_from_libusb_error(error);
    }
    int interface_number = -1;
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        interface_number = config->interface[0].altsetting[0].bInterfaceNumber;
    }
    libusb_free_config_descriptor(config);
    if (interface_number < 0) {
        return WD_STATUS_NOT_SUPPORTED;  // nothing to claim
    }

    libusb_device_handle *handle = nullptr;
    if (const int error = libusb_open(device, &handle)) {
        return status_from_libusb_error(error);
    }
    // Where the platform cannot detach kernel drivers this fails harmlessly and
    // the claim below reports a busy interface.
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (const int error = libusb_claim_interface(handle, interface_number)) {
        libusb_close(handle);
        return status_from_libusb_error(error);
    }

    wd_device_info info{};
    info.vendor_id = descriptor.idVendor;
    info.product_id = descriptor.idProduct;
    info.interface_number = static_cast<uint8_t>(interface_number);
    try {
        out.reset(new Device(device, handle, interface_number, info));
    } catch (const std::bad_alloc &) {
        libusb_release_interface(handle, interface_number);
        libusb_close(handle);
        return WD_STATUS_NO_RESOURCES;
    }
    return WD_STATUS_SUCCESS;
}

Device::~Device() { shut_down(WD_STATUS_INVALID_HANDLE); }

wd_status Device::bulk(uint8_t endpoint, void *buffer, uint32_t length, uint32_t &moved,
                       uint32_t timeout_ms) {
    moved = 0;
    if (length > static_cast<uint32_t>(INT_MAX)) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    TransferHolder holder;
    if (holder.transfer == nullptr) {
        return WD_STATUS_NO_RESOURCES;
    }
    libusb_fill_bulk_transfer(holder.transfer, handle_, endpoint,
                              static_cast<unsigned char *>(buffer), static_cast<int>(length),
                              nullptr, nullptr, timeout_ms);
    const wd_status status = gate_.run(holder.transfer);
    moved = static_cast<uint32_t>(std::max(holder.transfer->actual_length, 0));
    return status;
}

wd_status Device::control(const uint8_t setup[8], void *buffer, uint32_t &moved,
                          uint32_t timeout_ms) {
    moved = 0;
    const size_t data_length = static_cast<size_t>(setup[6]) | (static_cast<size_t>(setup[7]) << 8);
    const bool is_read = (setup[0] & LIBUSB_ENDPOINT_IN) != 0;
    // libusb wants the setup packet and the data stage in one buffer.
    std::vector<unsigned char> staging(LIBUSB_CONTROL_SETUP_SIZE + data_length);
    std::memcpy(staging.data(), setup, LIBUSB_CONTROL_SETUP_SIZE);
    if (!is_read && data_length > 0) {
        std::memcpy(staging.data() + LIBUSB_CONTROL_SETUP_SIZE, buffer, data_length);
    }
    TransferHolder holder;
    if (holder.transfer == nullptr) {
        return WD_STATUS_NO_RESOURCES;
    }
    libusb_fill_control_transfer(holder.transfer, handle_, staging.data(), nullptr, nullptr,
                                 timeout_ms);
    const wd_status status = gate_.run(holder.transfer);
    const size_t received =
        std::min(static_cast<size_t>(std::max(holder.transfer->actual_length, 0)), data_length);
    if (is_read && received > 0) {
        std::memcpy(buffer, staging.data() + LIBUSB_CONTROL_SETUP_SIZE, received);
    }
    moved = static_cast<uint32_t>(received);
    return status;
}

void Device::fail_transfers(wd_status reason) { gate_.close(reason); }

void Device::shut_down(wd_status reason) {
    gate_.close(reason);
    gate_.wait_idle();
    std::call_once(closed_, [this] {
        libusb_release_interface(handle_, interface_);  // fails harmlessly once unplugged
        libusb_close(handle_);
        device_ = UsbDeviceRef();
    });
}

wdcommon::HandleTable<Device> &device_table() {
    // Never destroyed: toolkit threads may still look handles up during exit.
    static auto *table = new wdcommon::HandleTable<Device>;
    return *table;
}

}  // namespace wdusb
