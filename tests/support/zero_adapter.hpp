// A bulk adapter model for the simulated toolkit that takes every packet whole
// and answers every read in full with zeros (status 0, data 0). It keeps no
// state, so any thread may call it, and it adds no latency of its own.
#pragma once

#include <wdapi801_sim.h>

namespace tbtest {

const wdsim_model &zero_adapter_model();

}  // namespace tbtest
