// Host overhead of every Tesslink export on an emulated adapter, beside its
// floor (the bare hidraw calls of the same reports, see hidraw_floor.hpp), in
// the same process.
//
//   bench_tesslink_overhead [google benchmark flags]  time per call
//   bench_tesslink_overhead --syscalls                system calls per call
//       (the last line again with 8 interfaces present, the adapter last):
//       tesslink case=NAME side=ours|floor opens=.. hidraw_opens=.. links=.. closes=..
//           reads=.. writes=.. ioctls=.. descriptor_ioctls=.. polls=.. threads=..
//   valgrind --tool=callgrind bench_tesslink_overhead --instructions
//       one statistics dump per case and side
//
// Run under umockdev-wrapper.
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "hid_system.hpp"
#include "hidraw_floor.hpp"
#include "syscall_counter.hpp"
#include "tesslink_cases.hpp"

namespace {

// An answered command (a read), and the reset command, which gets no answer.
constexpr std::array<std::uint8_t, bench::kHidReportBytes> kReport{0, 0x43, 60, 0xA0, 0};
constexpr std::array<std::uint8_t, bench::kHidReportBytes> kLoneReport{0, 0xFF};

// Not inlined: scripts/bench finds its instructions under this name.
[[gnu::noinline]] void run_floor(const bench::TesslinkCase &c) {
    static const std::string node = bench::HidBenchSystem::adapter_node();
    std::array<std::uint8_t, bench::kHidReportBytes> reply{};
    for (int i = 0; i < c.exchanges; ++i) {
        benchmark::DoNotOptimize(bench::hidraw_exchange(node, kReport, reply));
    }
    for (int i = 0; i < c.lone_reports; ++i) {
        benchmark::DoNotOptimize(bench::hidraw_send(node, kLoneReport));
    }
}

void print_counts(const char *name, const char *side, int calls, const bench::syscalls::Counts &n) {
    const auto per = [calls](uint64_t value) { return static_cast<double>(value) / calls; };
    std::printf(
        "tesslink case=%s side=%s opens=%.2f hidraw_opens=%.2f links=%.2f closes=%.2f reads=%.2f "
        "writes=%.2f ioctls=%.2f descriptor_ioctls=%.2f polls=%.2f threads=%.2f\n",
        name, side, per(n.opens), per(n.hidraw_opens), per(n.links), per(n.closes), per(n.reads),
        per(n.writes), per(n.ioctls), per(n.hid_descriptor_ioctls), per(n.polls), per(n.threads));
    std::fflush(stdout);
}

void count_syscalls(bench::HidBenchSystem &system) {
    constexpr int kCalls = 5;
    for (const auto &c : bench::tesslink_cases()) {
        c.call();
        bench::syscalls::start();
        for (int i = 0; i < kCalls; ++i) {
            c.call();
        }
        print_counts(c.name, "ours", kCalls, bench::syscalls::stop());
        bench::syscalls::start();
        for (int i = 0; i < kCalls; ++i) {
            run_floor(c);
        }
        print_counts(c.name, "floor", kCalls, bench::syscalls::stop());
    }
    // With other vendors' interfaces before the adapter the search reads more
    // of sysfs, but must open no other device.
    system.grow_to(8);
    const bench::TesslinkCase &first = bench::tesslink_cases().front();
    bench::syscalls::start();
    for (int i = 0; i < kCalls; ++i) {
        first.call();
    }
    print_counts((std::string(first.name) + "@8interfaces").c_str(), "ours", kCalls,
                 bench::syscalls::stop());
}

void count_instructions() {
    constexpr int kCalls = 20;
    for (const auto &c : bench::tesslink_cases()) {
        const std::string name = std::string("tesslink/") + c.name;
        c.call();
        run_floor(c);
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < kCalls; ++i) {
            c.call();
        }
        const std::string ours = name + "/ours/calls=" + std::to_string(kCalls);
        CALLGRIND_DUMP_STATS_AT(ours.c_str());
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < kCalls; ++i) {
            run_floor(c);
        }
        const std::string floor = name + "/floor/calls=" + std::to_string(kCalls);
        CALLGRIND_DUMP_STATS_AT(floor.c_str());
    }
}

void register_timings() {
    for (const auto &c : bench::tesslink_cases()) {
        const std::string name = std::string("tesslink/") + c.name;
        benchmark::RegisterBenchmark((name + "/ours").c_str(), [&c](benchmark::State &state) {
            for (auto _ : state) {
                c.call();
            }
        });
        benchmark::RegisterBenchmark((name + "/floor").c_str(), [&c](benchmark::State &state) {
            for (auto _ : state) {
                run_floor(c);
            }
        });
    }
}

}  // namespace

int main(int argc, char **argv) {
    bench::HidBenchSystem system;
    const char *mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "--syscalls") == 0) {
        count_syscalls(system);
        return 0;
    }
    if (std::strcmp(mode, "--instructions") == 0) {
        count_instructions();
        return 0;
    }
    register_timings();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
