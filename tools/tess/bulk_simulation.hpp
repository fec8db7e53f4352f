// --sim for the bulk adapter: the simulated driver toolkit, loaded by its path
// in the build tree, with a simulated adapter plugged in before libtessbridge
// loads (so the library's start-up finds it at once). Behind the adapter sits
// the demo bench of device models.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "devices/bulk_adapter/demo_bench.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"
#include "wdapi801_sim.h"

namespace tess {

struct BulkSimulationOptions {
    // The 24C02 holds SDA low until it has seen this many SCL clocks (0: never
    // holds it), as a device interrupted in the middle of a read does.
    unsigned hold_sda_clocks = 0;
};

class BulkSimulation {
public:
    static constexpr const char *kSerial = "1234";

    // Loads the toolkit (RTLD_GLOBAL) and plugs the adapter in. Throws
    // ToolError (Environment) when the toolkit cannot be loaded.
    explicit BulkSimulation(const BulkSimulationOptions &options);
    BulkSimulation(const BulkSimulation &) = delete;
    BulkSimulation &operator=(const BulkSimulation &) = delete;
    // Pulls the adapter out; call after the library has shut down.
    ~BulkSimulation();

    // Waits until the toolkit has delivered its notifications.
    void settle() const;
    // Makes bulk OUT transfer number `n` from now on (1 the next) fail with a
    // time-out, as with an adapter pulled out in the middle of a command.
    void fail_bulk_out(unsigned n) const;
    // The bulk transfers since the last call, one line each ("out 01 8c").
    std::vector<std::string> take_log() const;
    // What the simulated adapter holds, for `tess list`.
    static std::vector<std::string> describe();

private:
    struct Toolkit {
        decltype(&::wdsim_plug) plug = nullptr;
        decltype(&::wdsim_reset) reset = nullptr;
        decltype(&::wdsim_settle) settle = nullptr;
        decltype(&::wdsim_log_count) log_count = nullptr;
        decltype(&::wdsim_log_entry) log_entry = nullptr;
        decltype(&::wdsim_log_clear) log_clear = nullptr;
        decltype(&::wdsim_inject_fault) inject_fault = nullptr;
    };

    Toolkit toolkit_;
    std::unique_ptr<devices::SimAdapter> adapter_ = std::make_unique<devices::SimAdapter>();
    devices::DemoBench bench_;
    wdsim_model model_{};
};

}  // namespace tess
