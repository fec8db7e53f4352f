// The toolkit's C entry points over libusb. Each one checks its arguments, calls
// the core and maps the outcome to a status; nothing thrown crosses this file.
// The Os* functions and Stat2Str come from toolkit/common.
//
// How this implementation keeps the contract of wdapi801.h
//
//   WDU_Init      Blocks for the enumeration of the devices present, then until
//                 the notification thread has opened the matching ones and their
//                 attach handlers returned, for at most 2 seconds (wdapi801.h).
//                 Threads: a libusb event thread, a notification thread and, on
//                 platforms without hotplug (Windows), a polling thread that
//                 enumerates every kPollingPeriod, 500 ms (driver.hpp).
//                 `options` is accepted and ignored. Errors:
//                   INVALID_PARAMETER    null driver/matches/events/on_attach, count 0
//                   ALREADY_INITIALIZED  a registration is active (also when
//                                        called from inside a handler)
//                   NO_RESOURCES         memory or threads
//                   mapped libusb status libusb_init or the watcher failed
//                 A matching device that cannot be opened or claimed (no access,
//                 held by another program) is not reported at all.
//   WDU_Uninit    Ends the transfers still running (INVALID_HANDLE), then blocks
//                 until a running handler returned and every device is closed. No
//                 detach notifications are sent. Ignored for a stale handle and
//                 when called on the notification thread (it would wait for
//                 itself).
//   WDU_GetDeviceInfo / WDU_PutDeviceInfo
//                 No I/O, never block. The record is a copy, readable until put
//                 back even after the device went; putting back anything else
//                 is ignored. INVALID_PARAMETER for a null address,
//                 INVALID_HANDLE once the detach handler has returned.
//   WDU_TransferBulk / WDU_TransferDefaultPipe
//                 Block the calling thread until the transfer ends (never on the
//                 libusb event thread). The moved count is written on every
//                 path, 0 when nothing was tried. Errors:
//                   INVALID_PARAMETER    checked before the device is looked up:
//                                        bulk: pipe not an endpoint address 0x01-
//                                        0x0F/0x81-0x8F, direction bit disagreeing
//                                        with the read flag, null buffer with a
//                                        length, length over INT_MAX; control:
//                                        null setup, data stage (wLength) longer
//                                        than `length`, or null buffer or a
//                                        direction disagreeing with the read flag
//                                        when there is a data stage
//                   INVALID_HANDLE       unknown handle, or detach handler returned
//                   DEVICE_GONE          pulled out (also for a transfer that was
//                                        running then, and inside the detach handler)
//                   TRANSFER_TIMEOUT     the limit passed (the count tells what moved)
//                   STALL, OVERFLOW, IO_ERROR, NO_RESOURCES  (status_map.hpp)
#include "device.hpp"
#include "driver.hpp"
#include "info_records.hpp"

#include <handle_table.hpp>
#include <wdapi801.h>

#include <climits>
#include <memory>
#include <mutex>
#include <new>

namespace {

// The one active registration. Never destroyed at exit: a host that did not call
// WDU_Uninit leaves the toolkit threads running until the process ends.
struct Registration {
    std::mutex mutex;  // held across WDU_Init and WDU_Uninit
    wdusb::Driver *driver = nullptr;
    wd_handle handle = 0;
};

Registration &registration() {
    static auto *instance = new Registration;
    return *instance;
}

bool valid_bulk_pipe(uint32_t pipe, uint32_t is_read) {
    // An endpoint address: number 1 to 15 in bits 0-3, bits 4-6 zero, and the
    // direction bit agreeing with the read flag.
    return pipe <= 0xFFU && (pipe & 0x70U) == 0 && (pipe & 0x0FU) != 0 &&
           ((pipe & 0x80U) != 0) == (is_read != 0);
}

}  // namespace

extern "C" {

wd_status WDU_Init(wd_handle *driver, const wd_match_entry *matches, uint32_t match_count,
                   const wd_event_table *events, uint32_t /*options: none defined*/) {
    if (driver == nullptr || matches == nullptr || match_count == 0 || events == nullptr ||
        events->on_attach == nullptr) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    if (wdusb::Driver::on_notification_thread()) {
        return WD_STATUS_ALREADY_INITIALIZED;  // a handler runs: a registration is active
    }
    try {
        Registration &active = registration();
        std::lock_guard lock(active.mutex);
        if (active.driver != nullptr) {
            return WD_STATUS_ALREADY_INITIALIZED;
        }
        std::unique_ptr<wdusb::Driver> started;
        if (const wd_status status =
                wdusb::Driver::start({matches, match_count}, *events, started)) {
            return status;
        }
        active.driver = started.release();
        active.handle = wdcommon::next_handle_value();
        *driver = active.handle;
        return WD_STATUS_SUCCESS;
    } catch (const std::bad_alloc &) {
        return WD_STATUS_NO_RESOURCES;
    } catch (...) {
        return WD_STATUS_IO_ERROR;
    }
}

void WDU_Uninit(wd_handle driver) {
    if (driver == 0 || wdusb::Driver::on_notification_thread()) {
        return;  // from inside a handler it would wait for itself
    }
    Registration &active = registration();
    std::lock_guard lock(active.mutex);
    if (active.driver == nullptr || active.handle != driver) {
        return;
    }
    delete active.driver;  // stops and joins everything (driver.hpp)
    active.driver = nullptr;
    active.handle = 0;
}

wd_status WDU_GetDeviceInfo(wd_handle device, wd_device_info **info) {
    if (info == nullptr) {
        return WD_STATUS_INVALID_PARAMETER;
    }
    const auto found = wdusb::device_table().find(device);
    if (!found) {
        return WD_STATUS_INVALID_HANDLE;
    }
    try {
        *info = wdusb::issue_info_record(found->info());
        return WD_STATUS_SUCCESS;
    } catch (...) {
        return WD_STATUS_NO_RESOURCES;
    }
}

void WDU_PutDeviceInfo(wd_device_info *info) { wdusb::release_info_record(info); }

wd_status WDU_TransferBulk(wd_handle device, uint32_t pipe, uint32_t is_read,
                           uint32_t /*options: none defined*/, void *buffer, uint32_t length,
                           uint32_t *transferred, uint32_t timeout_ms) {
    uint32_t moved = 0;
    wd_status status = WD_STATUS_SUCCESS;
    if (!valid_bulk_pipe(pipe, is_read) || (buffer == nullptr && length > 0) ||
        length > static_cast<uint32_t>(INT_MAX)) {
        status = WD_STATUS_INVALID_PARAMETER;
    } else if (const auto found = wdusb::device_table().find(device); !found) {
        status = WD_STATUS_INVALID_HANDLE;
    } else {
        try {
            status = found->bulk(static_cast<uint8_t>(pipe), buffer, length, moved, timeout_ms);
        } catch (...) {
            status = WD_STATUS_NO_RESOURCES;
        }
    }
    if (transferred != nullptr) {
        *transferred = moved;
    }
    return status;
}

wd_status WDU_TransferDefaultPipe(wd_handle device, uint32_t is_read,
                                  uint32_t /*options: none defined*/, void *buffer,
                                  uint32_t length, uint32_t *transferred,
                                  const uint8_t setup_packet[8], uint32_t timeout_ms) {
    uint32_t moved = 0;
    wd_status status = WD_STATUS_SUCCESS;
    const uint32_t data_length =
        setup_packet == nullptr ? 0 : (setup_packet[6] | (uint32_t{setup_packet[7]} << 8));
    if (setup_packet == nullptr || data_length > length ||
        (data_length > 0 && buffer == nullptr) ||
        (data_length > 0 && ((setup_packet[0] & 0x80U) != 0) != (is_read != 0))) {
        // The data stage must fit the caller's buffer and go the way the flag says.
        status = WD_STATUS_INVALID_PARAMETER;
    } else if (const auto found = wdusb::device_table().find(device); !found) {
        status = WD_STATUS_INVALID_HANDLE;
    } else {
        try {
            status = found->control(setup_packet, buffer, moved, timeout_ms);
        } catch (...) {
            status = WD_STATUS_NO_RESOURCES;
        }
    }
    if (transferred != nullptr) {
        *transferred = moved;
    }
    return status;
}

}  // extern "C"
