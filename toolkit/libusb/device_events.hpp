// The queue between whatever notices devices coming and going (a libusb hotplug
// callback, or periodic enumeration) and the toolkit's notification thread.
//
// Pushing never blocks and never does I/O, so it is safe inside a libusb
// hotplug callback, where no synchronous transfer may run.
#pragma once

#include "usb_device_ref.hpp"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace wdusb {

struct DeviceEvent {
    // initial_scan_done follows the arrivals of the devices present when the
    // watcher started; it carries no device.
    enum class Kind { arrived, left, initial_scan_done };
    Kind kind;
    UsbDeviceRef device;
};

class DeviceEventQueue {
public:
    // Queues an event; dropped once the queue is closed.
    void push(DeviceEvent event);

    // Blocks until an event is queued (true) or the queue is closed (false).
    // Events still queued when it closes are dropped.
    bool pop(DeviceEvent &event);

    // Wakes every pop and makes later pushes no-ops.
    void close();

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<DeviceEvent> events_;
    bool closed_ = false;
};

}  // namespace wdusb
