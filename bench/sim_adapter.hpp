// A zero-latency bulk adapter on the simulated toolkit (zero_adapter.hpp): it
// takes every command packet whole and answers every reply read with as many
// bytes as were asked (all zero, so every status byte reads as success).
// Nothing else happens on the "wire", so what a benchmark measures above it is
// host work only.
#pragma once

#include <wdapi801_sim.h>

namespace bench {

inline constexpr uint16_t kVendorId = 0x04CC;
inline constexpr uint16_t kProductId = 0xF297;

// Plugs one zero-latency adapter with the given USB serial string.
wd_handle plug_zero_latency(const char *serial);

}  // namespace bench
