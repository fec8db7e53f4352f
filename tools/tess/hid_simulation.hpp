// --sim for the HID adapter: the emulation of libtesslink_sim.so (the adapter's
// hidraw interface under umockdev, served by its firmware model with a PMBus
// power supply on its bus), loaded by its path in the build tree.
//
// umockdev works only in a process started by umockdev-wrapper; the tool
// starts itself again under it when a command needs the HID adapter. The
// emulation must start before anything in the process looks at /sys or /dev.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tess {

class HidSimulation {
public:
    // True when this build can emulate the HID adapter at all.
    static bool available();
    // Why it cannot, when it cannot, and what would let it.
    static const char *unavailable_reason();
    static const char *unavailable_hint();
    // The emulation library in the build tree (empty when not available).
    static std::string library_path();
    // True when the process runs under umockdev-wrapper.
    static bool under_umockdev();
    // True in a process that restart_under_umockdev() started; end_restart()
    // clears the mark, so that programs this process runs do not inherit it.
    static bool restarted();
    static void end_restart();
    // Starts this program again under umockdev-wrapper with `arguments` (those
    // after the program's name). Returns when the process was restarted
    // already (the wrapper did not take effect: the caller reports it). Throws
    // ToolError (Environment) when the wrapper cannot be run.
    static void restart_under_umockdev(const std::vector<std::string> &arguments);

    // Loads the library and starts the emulation. Throws ToolError (Environment).
    HidSimulation();
    HidSimulation(const HidSimulation &) = delete;
    HidSimulation &operator=(const HidSimulation &) = delete;
    ~HidSimulation();

    static std::vector<std::string> describe();

private:
    struct Library;
    std::unique_ptr<Library> library_;
};

}  // namespace tess
