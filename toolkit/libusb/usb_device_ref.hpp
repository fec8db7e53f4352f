// An owned reference to a libusb_device: the device object stays valid (though
// not necessarily connected) while a UsbDeviceRef holds it.
#pragma once

#include <libusb.h>

#include <utility>

namespace wdusb {

class UsbDeviceRef {
public:
    UsbDeviceRef() = default;
    // Takes a new reference on `device` (null allowed).
    explicit UsbDeviceRef(libusb_device *device) : device_(device) {
        if (device_ != nullptr) {
            libusb_ref_device(device_);
        }
    }
    UsbDeviceRef(const UsbDeviceRef &other) : UsbDeviceRef(other.device_) {}
    UsbDeviceRef(UsbDeviceRef &&other) noexcept : device_(std::exchange(other.device_, nullptr)) {}
    UsbDeviceRef &operator=(UsbDeviceRef other) noexcept {
        std::swap(device_, other.device_);
        return *this;
    }
    ~UsbDeviceRef() {
        if (device_ != nullptr) {
            libusb_unref_device(device_);
        }
    }

    [[nodiscard]] libusb_device *get() const { return device_; }
    explicit operator bool() const { return device_ != nullptr; }

private:
    libusb_device *device_ = nullptr;
};

}  // namespace wdusb
