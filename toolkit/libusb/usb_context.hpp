// One libusb context and the thread that handles its events.
//
// The event thread runs for the whole life of the context. It is the only
// thread that ever calls libusb_handle_events*, so every libusb callback of the
// toolkit (transfer completions, and hotplug notifications where the platform
// has them) runs on it. Callers of transfers never handle events themselves:
// they submit and wait for the completion callback.
#pragma once

#include <wdapi801.h>

#include <libusb.h>

#include <atomic>
#include <memory>
#include <thread>

namespace wdusb {

class UsbContext {
public:
    // Creates the context and starts its event thread.
    // Errors: the libusb_init status mapped (status_map.hpp), or
    // WD_STATUS_NO_RESOURCES when the thread cannot be started.
    static wd_status create(std::unique_ptr<UsbContext> &out);

    // Stops the event thread (if still running) and releases the context. Every
    // device handle and device reference of the context must be gone first.
    ~UsbContext();

    // Stops the event thread: no libusb callback runs after it returns. Nothing
    // that needs one (a transfer, a cancellation) may be started after it.
    // Later calls do nothing.
    void stop_events();

    UsbContext(const UsbContext &) = delete;
    UsbContext &operator=(const UsbContext &) = delete;

    [[nodiscard]] libusb_context *get() const { return context_; }

    // True when the platform reports device arrival and removal by itself; where
    // it does not, devices are found by periodic enumeration.
    static bool has_hotplug();

private:
    explicit UsbContext(libusb_context *context) : context_(context) {}
    void run_events();

    libusb_context *context_;
    std::atomic<bool> stopping_{false};
    std::thread events_;
};

}  // namespace wdusb
