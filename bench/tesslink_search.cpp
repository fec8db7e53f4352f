// Tesslink's adapter search beside hidapi's, on the same emulated interfaces:
// 1, 8 and 32 HID interfaces with the adapter last. Ours: find the adapter,
// open it and read its report lengths, close it (what every transfer starts
// with). hidapi's: hid_enumerate for the adapter's IDs, hid_open_path on the
// path found, hid_close.
//
// Run under umockdev-wrapper. Benchmarks: search/ours/N and search/hidapi/N.
#include <benchmark/benchmark.h>
#include <hidapi/hidapi.h>

#include <cstdio>

#include "hid_system.hpp"
#include "hid_transport.hpp"

namespace {

bench::HidBenchSystem *interfaces = nullptr;

void ours(benchmark::State &state) {
    interfaces->grow_to(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        auto channel = tesslink::systemTransport().openReplyChannel();
        if (!channel) {
            state.SkipWithError("adapter not found");
            break;
        }
    }
}

void hidapi(benchmark::State &state) {
    interfaces->grow_to(static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        hid_device_info *found = hid_enumerate(0x04D8, 0xFF5C);
        hid_device *device = found != nullptr ? hid_open_path(found->path) : nullptr;
        hid_free_enumeration(found);
        if (device == nullptr) {
            state.SkipWithError("adapter not found");
            break;
        }
        hid_close(device);
    }
}

}  // namespace

// Sizes in growing order: interfaces are only ever added.
BENCHMARK(ours)->Name("search/ours")->Arg(1);
BENCHMARK(hidapi)->Name("search/hidapi")->Arg(1);
BENCHMARK(ours)->Name("search/ours")->Arg(8);
BENCHMARK(hidapi)->Name("search/hidapi")->Arg(8);
BENCHMARK(ours)->Name("search/ours")->Arg(32);
BENCHMARK(hidapi)->Name("search/hidapi")->Arg(32);

int main(int argc, char **argv) {
    bench::HidBenchSystem system;
    interfaces = &system;
    if (hid_init() != 0) {
        std::fprintf(stderr, "hid_init failed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    hid_exit();
    return 0;
}
