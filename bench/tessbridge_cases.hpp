// One representative call of every Tessbridge export, largest counts where a
// count is taken: a 256-byte register read, 500-byte writes, a 65535-byte
// chunked read. Shared by the overhead and the transfer-count benchmarks.
#pragma once

#include <span>

#include "tessbridge_api.hpp"

namespace bench {

struct TessbridgeCase {
    const char *name;
    int commands;  // commands the call must send (packets out)
    void (*call)(const tbtest::TessbridgeApi &api);
};

// Every case, in header order.
std::span<const TessbridgeCase> tessbridge_cases();

}  // namespace bench
