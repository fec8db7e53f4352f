#include "usb_bench.hpp"

#include <cstdio>

namespace emulated {

UsbBench &UsbBench::get() {
    static auto *bench = new UsbBench;  // never destroyed: toolkit threads outlive main
    return *bench;
}

// Also sets UMOCKDEV_DIR, which child processes under umockdev-wrapper inherit.
UsbBench::UsbBench() : testbed_(umockdev_testbed_new()) {}

EmulatedAdapter &UsbBench::add(AdapterDescription description) {
    EmulatedAdapter &adapter = adapters_.emplace_back(std::move(description));
    adapter.syspath_ = "/sys/devices/pci0000:00/usb1/1-" + std::to_string(adapters_.size());
    return adapter;
}

void UsbBench::plug(EmulatedAdapter &adapter) {
    const int address = next_address_++;
    char devnode[32];
    std::snprintf(devnode, sizeof devnode, "/dev/bus/usb/001/%03d", address);
    // The handler first: libusb may open the node as soon as it appears.
    auto &connection =
        connections_.emplace_back(std::make_unique<UsbdevfsConnection>(testbed_, devnode, adapter));
    {
        std::lock_guard lock(adapter.mutex());
        adapter.connection_ = connection.get();
    }
    GError *error = nullptr;
    const std::string description = adapter.sysfs_description(adapter.syspath_, 1, address);
    if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
        g_error("adding %s: %s", adapter.syspath_.c_str(), error->message);
    }
}

void UsbBench::unplug(EmulatedAdapter &adapter) {
    {
        std::lock_guard lock(adapter.mutex());
        if (adapter.connection_ == nullptr) {
            return;
        }
        adapter.connection_->disconnect_locked();
        adapter.connection_ = nullptr;
    }
    // remove_device alone announces nothing.
    umockdev_testbed_uevent(testbed_, adapter.syspath_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, adapter.syspath_.c_str());
}

namespace {

// Runs before the constructors of the libraries listed before this one in the
// executable's needed list (the loader initialises them in reverse order).
[[gnu::constructor]] void set_up_bench() {
    UsbBench &bench = UsbBench::get();
    if (plug_adapters_at_load != nullptr) {
        plug_adapters_at_load(bench);
    }
}

}  // namespace

}  // namespace emulated
