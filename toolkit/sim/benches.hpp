// Simulated adapters with device models behind them, plugged in by bench name.
#pragma once

#include <wdapi801_sim.h>

namespace wdsim {

// Plugs an adapter (04CC:F297) whose firmware model has the named bench's
// devices on its buses; returns its handle, or 0 for an unknown name.
wd_handle plug_bench(const char *name, const char *serial);

// Plugs the benches WDSIM_BENCH names, once per process; called when the
// first driver registers, before the adapters present are offered to it.
void plug_benches_from_environment();

// Drops every bench's model (wdsim_reset: no driver is registered then).
void forget_benches();

}  // namespace wdsim
