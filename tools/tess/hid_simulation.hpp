// --sim for the HID adapter: emulated hidraw interfaces under umockdev, served
// by the HID adapter's firmware model with a PMBus power supply on its bus.
//
// umockdev works only in a process started by umockdev-wrapper; the tool
// starts itself again under it when a command needs the HID adapter. The
// testbed must exist before anything in the process looks at /sys or /dev.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tess {

class HidSimulation {
public:
    // True when this build can emulate the HID adapter at all.
    static bool available();
    // True when the process runs under umockdev-wrapper.
    static bool under_umockdev();
    // Starts this program again under umockdev-wrapper with the same arguments.
    // Returns only when that fails (the caller reports it).
    static void restart_under_umockdev(char **argv);

    // Creates the testbed and the served adapter. Throws ToolError (Environment).
    HidSimulation();
    HidSimulation(const HidSimulation &) = delete;
    HidSimulation &operator=(const HidSimulation &) = delete;
    ~HidSimulation();

    static std::vector<std::string> describe();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace tess
