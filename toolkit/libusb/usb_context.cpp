#include "usb_context.hpp"

#include "status_map.hpp"

#include <system_error>

namespace wdusb {

wd_status UsbContext::create(std::unique_ptr<UsbContext> &out) {
    libusb_context *context = nullptr;
    if (const int error = libusb_init(&context); error != LIBUSB_SUCCESS) {
        return status_from_libusb_error(error);
    }
    std::unique_ptr<UsbContext> created(new UsbContext(context));
    try {
        created->events_ = std::thread([raw = created.get()] { raw->run_events(); });
    } catch (const std::system_error &) {
        return WD_STATUS_NO_RESOURCES;  // the destructor releases the context
    }
    out = std::move(created);
    return WD_STATUS_SUCCESS;
}

UsbContext::~UsbContext() {
    stop_events();
    libusb_exit(context_);
}

void UsbContext::stop_events() {
    if (events_.joinable()) {
        stopping_.store(true);
        // Wakes a libusb_handle_events call that is waiting; the request is
        // kept until handled, so a thread about to wait returns at once too.
        libusb_interrupt_event_handler(context_);
        events_.join();
    }
}

bool UsbContext::has_hotplug() { return libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0; }

void UsbContext::run_events() {
    while (!stopping_.load()) {
        // Returns after each batch of events, or when interrupted.
        libusb_handle_events_completed(context_, nullptr);
    }
}

}  // namespace wdusb
