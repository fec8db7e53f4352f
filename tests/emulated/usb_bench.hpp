// The emulated USB bench of a test process: one umockdev testbed with the
// adapters plugged into it.
//
// The bench is created by the constructor of this fixture library, before
// libusb is initialised anywhere: umockdev must exist before anything asks
// whether it runs in a mock environment, or device "add" events are lost. A
// test executable that defines plug_adapters_at_load() gets those adapters
// plugged in right then, so they are present when a library loaded after this
// one starts up (see tessbridge_emulated_test.cpp for how the order is made).
//
// Processes must run under umockdev-wrapper.
#pragma once

#include "emulated_adapter.hpp"

#include <umockdev.h>

#include <deque>
#include <memory>

namespace emulated {

class UsbBench {
public:
    static UsbBench &get();

    // A new adapter, not plugged in yet. Adapters live as long as the process.
    EmulatedAdapter &add(AdapterDescription description);
    // Plugs the adapter in (a new device address each time, on its own port).
    void plug(EmulatedAdapter &adapter);
    // Pulls it out: its running URBs fail as on a real disconnect, then the
    // removal is announced and the device leaves /sys and /dev.
    void unplug(EmulatedAdapter &adapter);

    EmulatedAdapter &plug_new(AdapterDescription description) {
        EmulatedAdapter &adapter = add(std::move(description));
        plug(adapter);
        return adapter;
    }

private:
    UsbBench();

    UMockdevTestbed *testbed_;
    std::deque<EmulatedAdapter> adapters_;
    std::deque<std::unique_ptr<UsbdevfsConnection>> connections_;  // old ones answer ENODEV
    int next_address_ = 2;
};

// Defined by a test executable that wants adapters present at load time.
[[gnu::weak, gnu::visibility("default")]] void plug_adapters_at_load(UsbBench &bench);

}  // namespace emulated
