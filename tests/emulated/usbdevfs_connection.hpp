// The kernel side of one plugged-in emulated USB device: answers the usbdevfs
// ioctls that libusb makes on /dev/bus/usb/BBB/DDD, through umockdev.
//
// URBs are completed at once where the function can answer (control, bulk OUT,
// bulk IN with data ready); a bulk IN URB without data waits until the function
// has some, or until libusb discards it (its time limit), or until the device
// is disconnected. A control URB that the function leaves unanswered waits
// until it is discarded or the device is disconnected. umockdev emulates no
// poll() on these nodes, so libusb keeps asking to reap; "nothing yet" is
// answered after a 2 ms pause to keep that loop cheap.
//
// Threads: ioctls are served on umockdev's worker thread. Every call into the
// UsbFunction happens with the function's mutex held.
#pragma once

#include <umockdev.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace emulated {

// What the device answers; implemented by the emulated adapter.
class UsbFunction {
public:
    struct ControlAnswer {
        bool stall = false;
        std::vector<uint8_t> data;  // IN data stage (cut to wLength by the caller)
        bool unanswered = false;    // no answer: the URB waits until discarded or unplugged
    };

    virtual ~UsbFunction() = default;
    virtual ControlAnswer control(const uint8_t (&setup)[8], std::span<const uint8_t> out_data) = 0;
    virtual void bulk_out(uint8_t endpoint, std::span<const uint8_t> bytes) = 0;
    // Data for a bulk IN URB of `max_length` bytes, or nothing yet.
    virtual std::optional<std::vector<uint8_t>> bulk_in(uint8_t endpoint, size_t max_length) = 0;

    std::mutex &mutex() { return mutex_; }

private:
    std::mutex mutex_;
};

class UsbdevfsConnection {
public:
    // Serves `devnode` of `testbed` for `function` from now on (call it before
    // the device node exists: libusb may open it as soon as it appears).
    UsbdevfsConnection(UMockdevTestbed *testbed, std::string devnode, UsbFunction &function);
    ~UsbdevfsConnection();
    UsbdevfsConnection(const UsbdevfsConnection &) = delete;
    UsbdevfsConnection &operator=(const UsbdevfsConnection &) = delete;

    // As the kernel does on unplug: running URBs complete with -ESHUTDOWN and
    // every later ioctl fails with ENODEV. Call with the function's mutex held.
    void disconnect_locked();

    // Retries waiting bulk IN URBs (the function has new data). Mutex held.
    void serve_pending_in_locked();

    // Bulk IN URBs waiting for data. Mutex held.
    size_t pending_in_locked() const { return pending_in_.size(); }
    // Control URBs left unanswered. Mutex held.
    size_t pending_control_locked() const { return pending_control_.size(); }

    const std::string &devnode() const { return devnode_; }

private:
    static gboolean on_ioctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer self);
    gboolean handle(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void reap(UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void discard(UMockdevIoctlClient *client, UMockdevIoctlData *arg);

    UMockdevTestbed *testbed_;
    const std::string devnode_;
    UsbFunction &function_;
    UMockdevIoctlBase *handler_;
    bool connected_ = true;
    std::vector<UMockdevIoctlData *> done_;        // completed URBs, in order, to reap
    std::vector<UMockdevIoctlData *> pending_in_;  // bulk IN URBs waiting for data
    std::vector<UMockdevIoctlData *> pending_control_;  // control URBs left unanswered
};

}  // namespace emulated
