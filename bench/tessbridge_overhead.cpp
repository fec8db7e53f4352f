// Host overhead of every Tessbridge export against a zero-latency simulated
// adapter, beside its floor: the same bulk transfers made with the toolkit
// directly (see transfer_replay.hpp). Both run in the same process, one after
// the other per export.
//
//   bench_tessbridge_overhead [google benchmark flags]   time per call
//   valgrind --tool=callgrind bench_tessbridge_overhead --instructions
//       one statistics dump per case and side (named like the benchmarks), from
//       which scripts/bench takes instructions per call.
//
// Run with LD_LIBRARY_PATH naming the simulated toolkit's folder.
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>
#include <wdapi801_sim.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim_adapter.hpp"
#include "tessbridge_cases.hpp"
#include "tessbridge_library.hpp"
#include "transfer_replay.hpp"

namespace {

struct Pair {
    const bench::TessbridgeCase *export_case;
    bench::TransferReplay floor;
};

void present_nothing(const char * /*text*/, void * /*context*/) {}

// Calls per statistics dump under callgrind: enough to make start-up noise vanish.
int calls_for(const bench::TransferReplay &floor) {
    return floor.steps().size() > 8 ? 20 : 500;
}

void count_instructions(const tbtest::TessbridgeApi &api, std::vector<Pair> &pairs) {
    for (Pair &pair : pairs) {
        const int calls = calls_for(pair.floor);
        const std::string name = std::string("tessbridge/") + pair.export_case->name;
        for (int i = 0; i < 3; ++i) {  // warm caches and lazy bindings first
            pair.export_case->call(api);
            benchmark::DoNotOptimize(pair.floor.run());
        }
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < calls; ++i) {
            pair.export_case->call(api);
        }
        const std::string ours = name + "/ours/calls=" + std::to_string(calls);
        CALLGRIND_DUMP_STATS_AT(ours.c_str());
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < calls; ++i) {
            benchmark::DoNotOptimize(pair.floor.run());
        }
        const std::string floor = name + "/floor/calls=" + std::to_string(calls);
        CALLGRIND_DUMP_STATS_AT(floor.c_str());
    }
}

void register_timings(const tbtest::TessbridgeApi &api, std::vector<Pair> &pairs) {
    for (Pair &pair : pairs) {
        const std::string name = std::string("tessbridge/") + pair.export_case->name;
        benchmark::RegisterBenchmark((name + "/ours").c_str(),
                                     [&api, &pair](benchmark::State &state) {
                                         for (auto _ : state) {
                                             pair.export_case->call(api);
                                         }
                                     });
        benchmark::RegisterBenchmark((name + "/floor").c_str(), [&pair](benchmark::State &state) {
            for (auto _ : state) {
                benchmark::DoNotOptimize(pair.floor.run());
            }
        });
    }
}

}  // namespace

int main(int argc, char **argv) {
    wdsim_reset();
    const wd_handle device = bench::plug_zero_latency("1234");
    const tbtest::TessbridgeLibrary library(TESSBRIDGE_LIBRARY);
    const tbtest::TessbridgeApi &api = library.api();
    if (wdsim_settle(5000) != 1 || api.GetNumberOfDevices() != 1) {
        std::fprintf(stderr, "the simulated adapter was not attached\n");
        return 1;
    }
    api.SetMessagePresenter(present_nothing, nullptr);

    std::vector<Pair> pairs;
    for (const auto &export_case : bench::tessbridge_cases()) {
        pairs.push_back(
            {&export_case, bench::TransferReplay::record(device, [&] { export_case.call(api); })});
    }
    wdsim_log_enable(0);

    const bool instructions = argc > 1 && std::strcmp(argv[1], "--instructions") == 0;
    if (instructions) {
        count_instructions(api, pairs);
        return 0;
    }
    register_timings(api, pairs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
