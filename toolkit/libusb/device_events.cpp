#include "device_events.hpp"

namespace wdusb {

void DeviceEventQueue::push(DeviceEvent event) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        events_.push_back(std::move(event));
    }
    ready_.notify_one();
}

bool DeviceEventQueue::pop(DeviceEvent &event) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !events_.empty(); });
    if (closed_) {
        return false;
    }
    event = std::move(events_.front());
    events_.pop_front();
    return true;
}

void DeviceEventQueue::close() {
    std::deque<DeviceEvent> dropped;  // released outside the lock
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(events_);
    }
    ready_.notify_all();
}

}  // namespace wdusb
