// Device watching by periodic enumeration, for platforms whose libusb offers no
// hotplug (Windows). Each round lists the devices and hands the list to the
// presence tracker, which tells what left and what arrived since the last round.
#include "device_watcher.hpp"

#include "presence_tracker.hpp"
#include "status_map.hpp"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace wdusb {
namespace {

class PollingWatcher final : public DeviceWatcher {
public:
    PollingWatcher(libusb_context *context, DeviceEventQueue &queue, RemovalNotice on_removal,
                   std::chrono::milliseconds period)
        : context_(context), queue_(queue), on_removal_(std::move(on_removal)), period_(period) {}

    ~PollingWatcher() override { stop(); }

    wd_status start() override {
        if (const wd_status status = poll_once(); status != WD_STATUS_SUCCESS) {
            return status;
        }
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error &) {
            return WD_STATUS_NO_RESOURCES;
        }
        return WD_STATUS_SUCCESS;
    }

    void stop() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, period_, [this] { return stopping_; })) {
            lock.unlock();
            poll_once();  // a failed round is retried at the next period
            lock.lock();
        }
    }

    wd_status poll_once() {
        libusb_device **list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        if (count < 0) {
            return status_from_libusb_error(static_cast<int>(count));
        }
        try {
            std::vector<UsbDeviceRef> present;
            present.reserve(static_cast<size_t>(count));
            for (ssize_t i = 0; i < count; ++i) {
                present.emplace_back(list[i]);
            }
            libusb_free_device_list(list, 1);
            list = nullptr;
            // A round cut short by a lack of memory is repeated whole at the
            // next one; the driver ignores an event it already had.
            const auto changes = tracker_.compare(present);
            for (const auto &device : changes.left) {
                on_removal_(device.get());
                queue_.push({DeviceEvent::Kind::left, device});
            }
            for (const auto &device : changes.arrived) {
                queue_.push({DeviceEvent::Kind::arrived, device});
            }
            tracker_.accept(std::move(present));
        } catch (...) {
            if (list != nullptr) {
                libusb_free_device_list(list, 1);
            }
            return WD_STATUS_NO_RESOURCES;
        }
        return WD_STATUS_SUCCESS;
    }

    libusb_context *context_;
    DeviceEventQueue &queue_;
    RemovalNotice on_removal_;
    const std::chrono::milliseconds period_;
    PresenceTracker<UsbDeviceRef> tracker_;  // used by start() and then only by the thread
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<DeviceWatcher> make_polling_watcher(libusb_context *context,
                                                    DeviceEventQueue &queue,
                                                    RemovalNotice on_removal,
                                                    std::chrono::milliseconds period) {
    return std::make_unique<PollingWatcher>(context, queue, std::move(on_removal), period);
}

}  // namespace wdusb
