// Watching for devices coming and going.
//
// Two ways, one contract:
//   - hotplug: libusb reports arrival and removal (Linux; hotplug_watcher.cpp);
//   - polling: the device list is enumerated periodically and compared with the
//     previous one (platforms whose libusb has no hotplug, such as Windows;
//     polling_watcher.cpp).
// Either way every device is reported once as arrived, and once as left after
// it went; nothing is filtered here (matching is the driver's business).
#pragma once

#include "device_events.hpp"

#include <wdapi801.h>

#include <libusb.h>

#include <chrono>
#include <functional>
#include <memory>

namespace wdusb {

// Told about a removal the moment it is noticed, before the event is queued, on
// the watcher's own thread (the libusb event thread for hotplug). It must not
// block and must make no synchronous transfer; it is there to fail the running
// transfers of the device at once.
using RemovalNotice = std::function<void(libusb_device *)>;

class DeviceWatcher {
public:
    virtual ~DeviceWatcher() = default;

    // Starts watching. The devices already present are queued as arrived before
    // start() returns. Errors: the mapped libusb status, WD_STATUS_NO_RESOURCES.
    virtual wd_status start() = 0;

    // Stops watching; returns when no further event can be queued by it and no
    // removal notice is running. Harmless when not started.
    virtual void stop() = 0;
};

// The watcher of this system (platform_<system>.cpp): hotplug where libusb has
// it, polling every kPollingPeriod where it has not (always on Windows).
std::unique_ptr<DeviceWatcher> make_system_watcher(libusb_context *context,
                                                   DeviceEventQueue &queue,
                                                   RemovalNotice on_removal);

// How often the polling watcher enumerates: a plug or unplug is noticed within
// this time (plus the enumeration's own).
inline constexpr std::chrono::milliseconds kPollingPeriod{500};

std::unique_ptr<DeviceWatcher> make_hotplug_watcher(libusb_context *context,
                                                    DeviceEventQueue &queue,
                                                    RemovalNotice on_removal);

std::unique_ptr<DeviceWatcher> make_polling_watcher(libusb_context *context,
                                                    DeviceEventQueue &queue,
                                                    RemovalNotice on_removal,
                                                    std::chrono::milliseconds period);

}  // namespace wdusb
