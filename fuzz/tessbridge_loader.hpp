// Loads libtessbridge.so once for a whole fuzzing run, after the caller has
// plugged its virtual adapters in, so that the library's start-up finds them.
// Messages are counted, not shown.
#pragma once

#include "tessbridge_api.hpp"

namespace tbfuzz {

// Loads the library (only the first call does) and returns its exports.
const tbtest::TessbridgeApi &loadTessbridge();

// Messages presented since the library was loaded.
unsigned long messageCount();

}  // namespace tbfuzz
