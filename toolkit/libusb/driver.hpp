// One registration made by WDU_Init: the libusb context with its event thread,
// the device watcher, the notification thread and the devices it attached.
//
// Threads
//   - the libusb event thread (usb_context.hpp): completions, hotplug callbacks;
//   - the notification thread (here): takes watcher events from the queue,
//     opens and claims matching devices, and calls the attach and detach
//     handlers, one notification at a time, in the order the events came;
//   - on platforms without hotplug, the polling thread of the watcher.
// Handlers may make transfers (on any device) and call every toolkit function
// except WDU_Init and WDU_Uninit.
#pragma once

#include "device.hpp"
#include "device_events.hpp"
#include "device_watcher.hpp"
#include "usb_context.hpp"

#include <wdapi801.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <unordered_map>
#include <vector>

namespace wdusb {

class Driver {
public:
    // Copies the entries and the table, creates the context, starts the threads
    // and queues the devices already present. Then waits until the notification
    // thread has handled those (opened them, and their attach handlers
    // returned), for at most wdcommon::kInitialDeliveryLimit; after that the
    // notifications go on without the caller.
    // Errors: WD_STATUS_NO_RESOURCES, or the mapped libusb status.
    static wd_status start(std::span<const wd_match_entry> matches, const wd_event_table &events,
                           std::unique_ptr<Driver> &out);

    // Stops notifications (events still queued are dropped), ends the transfers
    // of attached devices with WD_STATUS_INVALID_HANDLE, waits for a handler that
    // is running, withdraws and closes every device without detach notifications,
    // and releases the context. Must not run on the notification thread.
    ~Driver();

    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    // True on the notification thread of any registration.
    static bool on_notification_thread();

private:
    struct Attached {
        wd_handle handle;
        std::shared_ptr<Device> device;
    };

    Driver(std::span<const wd_match_entry> matches, const wd_event_table &events)
        : matches_(matches.begin(), matches.end()), events_(events) {}

    void run_notifications();
    void wait_for_initial_deliveries();
    void on_arrival(const UsbDeviceRef &device);
    void on_departure(const UsbDeviceRef &device);
    void on_removal_notice(libusb_device *device);  // event or polling thread

    const std::vector<wd_match_entry> matches_;
    const wd_event_table events_;
    std::unique_ptr<UsbContext> context_;
    DeviceEventQueue queue_;
    std::unique_ptr<DeviceWatcher> watcher_;
    std::thread notifier_;

    std::mutex attached_mutex_;  // guards attached_
    std::unordered_map<libusb_device *, Attached> attached_;

    std::mutex initial_mutex_;  // guards initial_delivered_
    std::condition_variable initial_delivered_changed_;
    bool initial_delivered_ = false;  // the devices present at start() were handled
};

}  // namespace wdusb
