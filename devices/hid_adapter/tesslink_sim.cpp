// libtesslink_sim.so: the HID adapter with its simulated board, emulated under
// umockdev inside the calling process (include/tesslink_sim.h). Started by
// tesslink_sim_start(), or before main() when TESSLINK_SIM=demo is set.
#include "tesslink_sim.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

#include "simulated_board.hpp"
#include "umockdev_hid_system.hpp"

namespace {

// The board and its hidraw interface. The system is destroyed first, so that
// its device thread stops before the board it serves goes.
class Emulation {
public:
    Emulation() {
        system_.addServedInterface(hid_adapter::HidrawInterface{},
                                   hid_adapter::respondWith(board_.firmware));
    }

private:
    hid_adapter::SimulatedBoard board_;
    hid_adapter::UmockdevHidSystem system_;
};

std::mutex emulation_mutex;
// Never destroyed by the C++ run time: tesslink_sim_stop() ends it, also at
// exit (below), before the libraries it uses are torn down.
Emulation *running = nullptr;

constexpr const char *kBenchVariable = "TESSLINK_SIM";

}  // namespace

extern "C" int tesslink_sim_start(void) {
    const std::lock_guard lock(emulation_mutex);
    if (running != nullptr) {
        return 1;
    }
    try {
        running = new Emulation();
        return 1;
    } catch (const std::exception &error) {
        (void)std::fprintf(stderr,
                           "tesslink_sim: cannot emulate the HID adapter: %s (run the program "
                           "under umockdev-wrapper, or with 'tess sim-run')\n",
                           error.what());
    } catch (...) {
        (void)std::fprintf(stderr, "tesslink_sim: cannot emulate the HID adapter\n");
    }
    return 0;
}

extern "C" void tesslink_sim_stop(void) {
    const std::lock_guard lock(emulation_mutex);
    delete running;
    running = nullptr;
}

namespace {

// Preloaded with TESSLINK_SIM=demo: the adapter is there before main() runs.
__attribute__((constructor)) void start_from_environment() {
    const char *bench = std::getenv(kBenchVariable);
    if (bench == nullptr || *bench == '\0') {
        return;
    }
    if (std::strcmp(bench, "demo") != 0) {
        (void)std::fprintf(stderr, "tesslink_sim: %s=%s: no such bench (benches: demo)\n",
                           kBenchVariable, bench);
        return;
    }
    (void)tesslink_sim_start();
}

__attribute__((destructor)) void stop_at_exit() { tesslink_sim_stop(); }

}  // namespace
