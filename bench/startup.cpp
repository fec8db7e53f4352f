// Start-up of libtessbridge on the simulated toolkit with 0, 1 and 10 adapters
// present at load: the time from dlopen() until it returns (the first command
// can go then), the time until every attach has been handled, and the serial
// number reads the attaches made. Prints one line per adapter count:
//   startup adapters=N load_ms=... settled_ms=... serial_reads=...
// load_ms and settled_ms are medians of the runs. Then, with the library
// loaded with one adapter, nine more are plugged in one at a time:
//   attach serial_reads_total=1,3,6,...
// the serial number reads made so far after each attach has been handled.
//
// Run with LD_LIBRARY_PATH naming the simulated toolkit's folder.
#include <wdapi801_sim.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim_adapter.hpp"
#include "tessbridge_library.hpp"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double load_ms = 0;
    double settled_ms = 0;
    uint32_t serial_reads = 0;
};

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

uint32_t control_transfers_logged() {
    uint32_t count = 0;
    for (uint32_t i = 0; i < wdsim_log_count(); ++i) {
        wdsim_transfer entry{};
        wdsim_log_entry(i, &entry);
        count += entry.kind == WDSIM_CONTROL ? 1U : 0U;
    }
    return count;
}

Run one_run(int adapters) {
    wdsim_reset();
    std::vector<std::string> serials;
    for (int i = 0; i < adapters; ++i) {
        serials.push_back(std::to_string(1000 + i));
        bench::plug_zero_latency(serials.back().c_str());
    }
    wdsim_log_clear();
    Run run;
    const Clock::time_point start = Clock::now();
    {
        const tbtest::TessbridgeLibrary library(TESSBRIDGE_LIBRARY);
        const Clock::time_point loaded = Clock::now();
        wdsim_settle(10000);
        const Clock::time_point settled = Clock::now();
        run.load_ms = ms_between(start, loaded);
        run.settled_ms = ms_between(start, settled);
        run.serial_reads = control_transfers_logged();
    }
    wdsim_reset();
    return run;
}

// Cumulative serial number reads after each of `adapters` attaches, the first
// during the load.
std::vector<uint32_t> reads_as_added(int adapters) {
    wdsim_reset();
    bench::plug_zero_latency("1000");
    std::vector<uint32_t> totals;
    std::vector<std::string> serials;
    {
        const tbtest::TessbridgeLibrary library(TESSBRIDGE_LIBRARY);
        wdsim_settle(10000);
        totals.push_back(control_transfers_logged());
        for (int i = 1; i < adapters; ++i) {
            serials.push_back(std::to_string(1000 + i));
            bench::plug_zero_latency(serials.back().c_str());
            wdsim_settle(10000);
            totals.push_back(control_transfers_logged());
        }
    }
    wdsim_reset();
    return totals;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
    const int repeats = argc > 1 ? std::max(1, std::stoi(argv[1])) : 9;
    wdsim_log_enable(1);
    for (const int adapters : {0, 1, 10}) {
        // Without an adapter every load waits out the 2-second limit: run it once.
        const int runs = adapters == 0 ? 1 : repeats;
        std::vector<double> load, settled;
        uint32_t reads = 0;
        for (int r = 0; r < runs; ++r) {
            const Run run = one_run(adapters);
            load.push_back(run.load_ms);
            settled.push_back(run.settled_ms);
            reads = std::max(reads, run.serial_reads);
        }
        std::printf("startup adapters=%d load_ms=%.3f settled_ms=%.3f serial_reads=%u\n", adapters,
                    median(load), median(settled), reads);
    }
    std::printf("attach serial_reads_total=");
    const char *separator = "";
    for (const uint32_t total : reads_as_added(10)) {
        std::printf("%s%u", separator, total);
        separator = ",";
    }
    std::printf("\n");
    return 0;
}
