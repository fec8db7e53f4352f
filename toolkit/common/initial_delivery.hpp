// How long WDU_Init waits for the attach notifications of the devices present
// when it is called (wdapi801.h): long enough for adapters that answer, short
// enough that a handler which cannot progress while WDU_Init's caller holds
// something (a loader lock) never deadlocks the two.
#pragma once

#include <chrono>

namespace wdcommon {

inline constexpr std::chrono::seconds kInitialDeliveryLimit{2};

}  // namespace wdcommon
