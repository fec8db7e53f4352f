#include "driver.hpp"

#include "match.hpp"

#include <initial_delivery.hpp>

#include <system_error>

namespace wdusb {
namespace {

thread_local bool t_notification_thread = false;

}  // namespace

bool Driver::on_notification_thread() { return t_notification_thread; }

wd_status Driver::start(std::span<const wd_match_entry> matches, const wd_event_table &events,
                        std::unique_ptr<Driver> &out) {
    std::unique_ptr<Driver> driver(new Driver(matches, events));
    if (const wd_status status = UsbContext::create(driver->context_)) {
        return status;
    }
    auto notice = [raw = driver.get()](libusb_device *device) { raw->on_removal_notice(device); };
    libusb_context *context = driver->context_->get();
    driver->watcher_ = make_system_watcher(context, driver->queue_, notice);
    try {
        driver->notifier_ = std::thread([raw = driver.get()] { raw->run_notifications(); });
    } catch (const std::system_error &) {
        return WD_STATUS_NO_RESOURCES;
    }
    if (const wd_status status = driver->watcher_->start()) {
        return status;  // the destructor takes down what was started
    }
    // Every arrival of a device present now was queued by start(); the marker
    // comes after them.
    driver->queue_.push({DeviceEvent::Kind::initial_scan_done, {}});
    driver->wait_for_initial_deliveries();
    out = std::move(driver);
    return WD_STATUS_SUCCESS;
}

void Driver::wait_for_initial_deliveries() {
    std::unique_lock lock(initial_mutex_);
    initial_delivered_changed_.wait_for(lock, wdcommon::kInitialDeliveryLimit,
                                        [this] { return initial_delivered_; });
}

Driver::~Driver() {
    if (watcher_) {
        watcher_->stop();
    }
    queue_.close();
    {
        // A handler blocked in a transfer gets it ended now rather than at its limit.
        std::lock_guard lock(attached_mutex_);
        for (auto &[usb_device, attached] : attached_) {
            attached.device->fail_transfers(WD_STATUS_INVALID_HANDLE);
        }
    }
    if (notifier_.joinable()) {
        notifier_.join();
    }
    // A hotplug callback may still look devices up until the event thread
    // stops, so the table is taken out under its lock.
    std::unordered_map<libusb_device *, Attached> released;
    {
        std::lock_guard lock(attached_mutex_);
        released.swap(attached_);
    }
    for (auto &[usb_device, attached] : released) {
        device_table().remove(attached.handle);
        attached.device->shut_down(WD_STATUS_INVALID_HANDLE);
    }
    if (context_) {
        // A hotplug callback may still be running after deregistration; once
        // the event thread is gone, none is, and the watcher can go.
        context_->stop_events();
    }
    watcher_.reset();  // drops the device references it holds
    context_.reset();
}

void Driver::run_notifications() {
    t_notification_thread = true;
    DeviceEvent event;
    while (queue_.pop(event)) {
        try {
            switch (event.kind) {
                case DeviceEvent::Kind::arrived:
                    on_arrival(event.device);
                    break;
                case DeviceEvent::Kind::left:
                    on_departure(event.device);
                    break;
                case DeviceEvent::Kind::initial_scan_done: {
                    std::lock_guard lock(initial_mutex_);
                    initial_delivered_ = true;
                    initial_delivered_changed_.notify_all();
                    break;
                }
            }
        } catch (...) {
            // Out of memory while handling one device; go on with the next event.
        }
        event = {};
    }
}

void Driver::on_arrival(const UsbDeviceRef &device) {
    {
        std::lock_guard lock(attached_mutex_);
        if (attached_.contains(device.get())) {
            return;  // reported twice (enumeration racing a hotplug event)
        }
    }
    const auto identity = identity_of(device.get());
    if (!identity || !matches_any(matches_, *identity)) {
        return;
    }
    std::shared_ptr<Device> opened;
    if (Device::open(device.get(), opened) != WD_STATUS_SUCCESS) {
        // Not accessible (permissions, held by another program, already gone):
        // the device is not reported.
        return;
    }
    const wd_handle handle = device_table().insert(opened);
    {
        // Known before the handler runs, so that an unplug during the handler
        // ends the handler's transfers at once.
        std::lock_guard lock(attached_mutex_);
        attached_.emplace(device.get(), Attached{handle, opened});
    }
    const wd_device_info info = opened->info();  // the handler's copy
    if (events_.on_attach(handle, &info, events_.user_data) != 0) {
        return;
    }
    {
        std::lock_guard lock(attached_mutex_);
        attached_.erase(device.get());
    }
    device_table().remove(handle);
    opened->shut_down(WD_STATUS_INVALID_HANDLE);
}

void Driver::on_departure(const UsbDeviceRef &device) {
    Attached attached;
    {
        std::lock_guard lock(attached_mutex_);
        const auto it = attached_.find(device.get());
        if (it == attached_.end()) {
            return;  // never matched, or declined by its attach handler
        }
        attached = std::move(it->second);
        attached_.erase(it);
    }
    attached.device->fail_transfers(WD_STATUS_DEVICE_GONE);
    if (events_.on_detach != nullptr) {
        events_.on_detach(attached.handle, events_.user_data);
    }
    device_table().remove(attached.handle);
    attached.device->shut_down(WD_STATUS_DEVICE_GONE);
}

void Driver::on_removal_notice(libusb_device *device) {
    std::lock_guard lock(attached_mutex_);
    if (const auto it = attached_.find(device); it != attached_.end()) {
        it->second.device->fail_transfers(WD_STATUS_DEVICE_GONE);
    }
}

}  // namespace wdusb
