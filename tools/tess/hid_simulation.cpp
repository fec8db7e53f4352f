#include "hid_simulation.hpp"

#include "process.hpp"
#include "shared_library.hpp"
#include "tesslink_sim.h"
#include "tool_error.hpp"

namespace tess {

namespace {
// Set for the restarted process, so that a wrapper that does not take effect
// cannot make the tool restart itself forever.
constexpr const char *kRestartedVariable = "TESS_UNDER_UMOCKDEV";
}  // namespace

struct HidSimulation::Library {
    decltype(&::tesslink_sim_start) start = nullptr;
    decltype(&::tesslink_sim_stop) stop = nullptr;
};

#ifdef TESS_HID_SIMULATION
bool HidSimulation::available() { return true; }
std::string HidSimulation::library_path() { return TESS_HID_SIM_LIBRARY; }
#else
bool HidSimulation::available() { return false; }
std::string HidSimulation::library_path() { return {}; }
#endif

#ifdef _WIN32
// The emulation stands in for a Linux hidraw node: Windows' HID stack has no
// such seam.
const char *HidSimulation::unavailable_reason() {
    return "the HID adapter is not simulated on Windows: --sim simulates the bulk adapter only";
}
const char *HidSimulation::unavailable_hint() {
    return "the HID adapter's simulation needs Linux (umockdev); on Windows use a real adapter";
}
#else
const char *HidSimulation::unavailable_reason() {
    return "this tess cannot simulate the HID adapter: it was built without umockdev";
}
const char *HidSimulation::unavailable_hint() {
    return "install umockdev and libumockdev-dev, then build again";
}
#endif

bool HidSimulation::under_umockdev() {
    const auto preload = process::environment("LD_PRELOAD");
    return preload && preload->find("umockdev") != std::string::npos;
}

bool HidSimulation::restarted() { return process::environment(kRestartedVariable).has_value(); }

void HidSimulation::end_restart() { process::unset_environment(kRestartedVariable); }

void HidSimulation::restart_under_umockdev(const std::vector<std::string> &arguments) {
#ifdef TESS_UMOCKDEV_WRAPPER
    if (restarted()) {
        return;
    }
    process::set_environment(kRestartedVariable, "1");
    std::vector<std::string> wrapped{TESS_UMOCKDEV_WRAPPER, process::own_executable()};
    wrapped.insert(wrapped.end(), arguments.begin(), arguments.end());
    try {
        process::replace_with(TESS_UMOCKDEV_WRAPPER, wrapped);
    } catch (const ToolError &error) {
        throw ToolError(ExitCode::Environment, error.what(),
                        "install umockdev (Debian: umockdev), or run the tool under "
                        "umockdev-wrapper yourself");
    }
#else
    (void)arguments;
#endif
}

HidSimulation::HidSimulation() : library_(std::make_unique<Library>()) {
#ifdef TESS_HID_SIMULATION
    void *handle = open_library(TESS_HID_SIM_LIBRARY, Symbols::Local,
                                "--sim works from the build tree: build the project "
                                "(scripts/build) and run the tess it made");
    resolve(handle, "the HID adapter emulation", "tesslink_sim_start", library_->start);
    resolve(handle, "the HID adapter emulation", "tesslink_sim_stop", library_->stop);
    if (library_->start() == 0) {
        library_->stop = nullptr;
        throw ToolError(ExitCode::Environment, "the HID adapter emulation did not start",
                        "check that umockdev is installed (Debian: umockdev)");
    }
#else
    throw ToolError(ExitCode::Environment, unavailable_reason(), unavailable_hint());
#endif
}

HidSimulation::~HidSimulation() {
    if (library_->stop != nullptr) {
        library_->stop();
    }
}

std::vector<std::string> HidSimulation::describe() {
    return {"PMBus power supply at 0x58 (bus form 0xb0), MFR_ID TESSPSU: page 0 12.0 V 5.25 A "
            "41.5 C, page 1 3.3 V 1.5 A 38 C",
            "256-byte register memory at 0x50 (bus form 0xa0)",
            "BME280 sensor at 0x76 (bus form 0xec): 25.0 C, 1023.55 hPa, 44.83 %RH"};
}

}  // namespace tess
