// One opened adapter: its libusb handle, its claimed interface, its information
// record and its transfers.
//
// Life: open() on the notification thread; transfers from any thread;
// fail_transfers() as soon as the device is known to be gone; shut_down() once,
// on the notification thread or in WDU_Uninit, after the handle was withdrawn
// from the device table. Callers that looked the device up before may still
// hold it; after shut_down() their transfers fail at once and the closed libusb
// handle is never touched again.
#pragma once

#include "transfer_gate.hpp"
#include "usb_device_ref.hpp"

#include <handle_table.hpp>
#include <wdapi801.h>

#include <libusb.h>

#include <cstdint>
#include <memory>
#include <mutex>

namespace wdusb {

class Device {
public:
    // Opens the device, has libusb detach a bound kernel driver, and claims the
    // first interface of the active configuration. Blocks on device I/O; never
    // call it from a libusb callback. Errors: the mapped libusb status (typically
    // WD_STATUS_ACCESS_DENIED, WD_STATUS_BUSY, WD_STATUS_DEVICE_GONE).
    static wd_status open(libusb_device *device, std::shared_ptr<Device> &out);

    ~Device();
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;

    [[nodiscard]] const wd_device_info &info() const { return info_; }

    // One bulk transfer on `endpoint` (direction in bit 7) of at most `length`
    // bytes within `timeout_ms` (0: no limit). `moved` is written on every path.
    // Blocks until the transfer ends. Errors: see status_map.hpp; the reason of
    // fail_transfers()/shut_down() once those ran.
    wd_status bulk(uint8_t endpoint, void *buffer, uint32_t length, uint32_t &moved,
                   uint32_t timeout_ms);

    // One control transfer on the default pipe. `setup` is sent as given; its
    // wLength is the data stage and must not exceed the room in `buffer`.
    // `moved` counts data-stage bytes only. Blocks like bulk().
    wd_status control(const uint8_t setup[8], void *buffer, uint32_t &moved, uint32_t timeout_ms);

    // Ends running transfers and refuses new ones with `reason`. Non-blocking;
    // safe inside a libusb callback.
    void fail_transfers(wd_status reason);

    // fail_transfers(reason), waits until no transfer runs, releases the
    // interface and closes the libusb handle. Later calls do nothing. Must run
    // while the libusb context still exists.
    void shut_down(wd_status reason);

private:
    Device(libusb_device *device, libusb_device_handle *handle, int interface_number,
           const wd_device_info &info)
        : device_(device), handle_(handle), interface_(interface_number), info_(info) {}

    UsbDeviceRef device_;
    libusb_device_handle *handle_;
    const int interface_;
    const wd_device_info info_;
    TransferGate gate_;
    std::once_flag closed_;
};

// Every device handle the toolkit has issued and not yet withdrawn. A handle is
// in the table from just before its attach notification until its detach
// handler returned (or WDU_Uninit released the device).
wdcommon::HandleTable<Device> &device_table();

}  // namespace wdusb
