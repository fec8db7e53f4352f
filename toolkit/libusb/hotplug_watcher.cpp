// Device watching through libusb's hotplug callbacks.
//
// The callback runs on the libusb event thread. libusb forbids synchronous
// transfers there, so it only queues the event (and gives the removal notice);
// the notification thread does the opening, claiming and the handlers' I/O.
#include "device_watcher.hpp"

#include "status_map.hpp"

#include <atomic>

namespace wdusb {
namespace {

class HotplugWatcher final : public DeviceWatcher {
public:
    HotplugWatcher(libusb_context *context, DeviceEventQueue &queue, RemovalNotice on_removal)
        : context_(context), queue_(queue), on_removal_(std::move(on_removal)) {}

    ~HotplugWatcher() override { stop(); }

    wd_status start() override {
        // ENUMERATE: the devices already present are reported from inside this
        // call, on this thread; the callback only queues, so that is fine.
        const int error = libusb_hotplug_register_callback(
            context_,
            LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
            LIBUSB_HOTPLUG_ENUMERATE, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
            LIBUSB_HOTPLUG_MATCH_ANY, &HotplugWatcher::on_hotplug, this, &handle_);
        if (error != LIBUSB_SUCCESS) {
            return status_from_libusb_error(error);
        }
        registered_ = true;
        return WD_STATUS_SUCCESS;
    }

    void stop() override {
        if (registered_) {
            active_.store(false);
            libusb_hotplug_deregister_callback(context_, handle_);
            registered_ = false;
        }
    }

private:
    static int LIBUSB_CALL on_hotplug(libusb_context * /*context*/, libusb_device *device,
                                      libusb_hotplug_event event, void *self_ptr) {
        auto *self = static_cast<HotplugWatcher *>(self_ptr);
        if (!self->active_.load()) {
            return 0;
        }
        try {
            if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT) {
                self->on_removal_(device);
                self->queue_.push({DeviceEvent::Kind::left, UsbDeviceRef(device)});
            } else {
                self->queue_.push({DeviceEvent::Kind::arrived, UsbDeviceRef(device)});
            }
        } catch (...) {
            // Out of memory: the event is lost; nothing may escape into libusb.
        }
        return 0;  // stay registered
    }

    libusb_context *context_;
    DeviceEventQueue &queue_;
    RemovalNotice on_removal_;
    libusb_hotplug_callback_handle handle_ = 0;
    bool registered_ = false;
    std::atomic<bool> active_{true};
};

}  // namespace

std::unique_ptr<DeviceWatcher> make_hotplug_watcher(libusb_context *context,
                                                    DeviceEventQueue &queue,
                                                    RemovalNotice on_removal) {
    return std::make_unique<HotplugWatcher>(context, queue, std::move(on_removal));
}

}  // namespace wdusb
