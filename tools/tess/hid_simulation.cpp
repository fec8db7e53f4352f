#include "hid_simulation.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "tool_error.hpp"

#ifdef TESS_HID_SIMULATION
#include "simulated_board.hpp"
#include "umockdev_hid_system.hpp"
#endif

namespace tess {

namespace {
// Set in the restarted process, so that a wrapper that does not take effect
// cannot make the tool restart itself forever.
constexpr const char *kRestartedVariable = "TESS_UNDER_UMOCKDEV";
}  // namespace

#ifdef TESS_HID_SIMULATION
struct HidSimulation::Parts {
    hid_adapter::SimulatedBoard board;
    hid_adapter::UmockdevHidSystem system;
};

bool HidSimulation::available() { return true; }
#else
struct HidSimulation::Parts {};

bool HidSimulation::available() { return false; }
#endif

bool HidSimulation::under_umockdev() {
    const char *preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "umockdev") != nullptr;
}

void HidSimulation::restart_under_umockdev(char **argv) {
#ifdef TESS_UMOCKDEV_WRAPPER
    if (std::getenv(kRestartedVariable) != nullptr) {
        return;
    }
    (void)::setenv(kRestartedVariable, "1", 1);
    std::vector<char *> arguments;
    arguments.push_back(const_cast<char *>(TESS_UMOCKDEV_WRAPPER));
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return;
    }
    self[length] = '\0';
    arguments.push_back(self);
    for (char **argument = argv + 1; *argument != nullptr; ++argument) {
        arguments.push_back(*argument);
    }
    arguments.push_back(nullptr);
    (void)std::fflush(nullptr);
    ::execv(TESS_UMOCKDEV_WRAPPER, arguments.data());
#else
    (void)argv;
    (void)kRestartedVariable;
#endif
}

HidSimulation::HidSimulation() {
#ifdef TESS_HID_SIMULATION
    try {
        parts_ = std::make_unique<Parts>();
        parts_->system.addServedInterface(hid_adapter::HidrawInterface{},
                                          hid_adapter::respondWith(parts_->board.firmware));
    } catch (const std::exception &error) {
        throw ToolError(ExitCode::Environment,
                        std::string("cannot emulate the HID adapter: ") + error.what(),
                        "check that umockdev is installed (Debian: umockdev)");
    }
#else
    throw ToolError(ExitCode::Environment,
                    "this tess was built without the HID adapter simulation",
                    "install umockdev and libumockdev-dev, then build again");
#endif
}

HidSimulation::~HidSimulation() = default;

std::vector<std::string> HidSimulation::describe() {
    return {"PMBus power supply at 0x58 (bus form 0xb0), MFR_ID TESSPSU: page 0 12.0 V 5.25 A "
            "41.5 C, page 1 3.3 V 1.5 A 38 C",
            "256-byte register memory at 0x50 (bus form 0xa0)"};
}

}  // namespace tess
