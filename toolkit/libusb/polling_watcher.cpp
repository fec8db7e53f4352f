// Device watching by periodic enumeration, for platforms whose libusb offers no
// hotplug. Each round lists the devices and compares them with the previous
// round: libusb keeps one libusb_device per connected device, so a device still
// present is the same object, and a replugged one is a new object.
#include "device_watcher.hpp"

#include "status_map.hpp"

#include <algorithm>
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
        std::vector<UsbDeviceRef> present;
        try {
            present.reserve(static_cast<size_t>(count));
            for (ssize_t i = 0; i < count; ++i) {
                present.emplace_back(list[i]);
            }
        } catch (...) {
            libusb_free_device_list(list, 1);
            return WD_STATUS_NO_RESOURCES;
        }
        libusb_free_device_list(list, 1);

        const auto contains = [](const std::vector<UsbDeviceRef> &set, const UsbDeviceRef &d) {
            return std::any_of(set.begin(), set.end(),
                               [&](const UsbDeviceRef &e) { return e.get() == d.get(); });
        };
        try {
            for (const auto &device : known_) {
                if (!contains(present, device)) {
                    on_removal_(device.get());
                    queue_.push({DeviceEvent::Kind::left, device});
                }
            }
            for (const auto &device : present) {
                if (!contains(known_, device)) {
                    queue_.push({DeviceEvent::Kind::arrived, device});
                }
            }
        } catch (...) {
            return WD_STATUS_NO_RESOURCES;
        }
        known_ = std::move(present);
        return WD_STATUS_SUCCESS;
    }

    libusb_context *context_;
    DeviceEventQueue &queue_;
    RemovalNotice on_removal_;
    const std::chrono::milliseconds period_;
    std::vector<UsbDeviceRef> known_;  // touched by start() and then only by the thread
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
