// Named benches of simulated devices behind a simulated adapter: the bulk
// adapter's firmware model with device models on its buses, plugged in by name
// (wdsim_plug_bench) or, for a host program that cannot call the control
// interface, from the WDSIM_BENCH environment variable when the first driver
// registers.
#include "benches.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string>
#include <string_view>

#include "devices/bulk_adapter/demo_bench.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"

namespace wdsim {
namespace {

constexpr uint16_t kBenchVendor = 0x04CC;
constexpr uint16_t kBenchProduct = 0xF297;
constexpr const char *kDefaultSerial = "1234";

// One plugged bench. The toolkit calls its model until the adapter is gone, so
// benches are kept until wdsim_reset, which runs with no driver registered.
struct PluggedBench {
    devices::SimAdapter adapter;
    wdsim_model model{};
};

std::mutex benches_mutex;

std::list<PluggedBench> &plugged_benches() {
    static auto *benches = new std::list<PluggedBench>;  // outlives every toolkit thread
    return *benches;
}

bool install(std::string_view name, devices::SimAdapter &adapter) {
    if (name == "demo") {
        (void)devices::install_demo_bench(adapter);
        return true;
    }
    return name == "bare";  // the firmware alone, nothing on its buses
}

// "demo", "demo:5678", "demo:1234,bare:5678": plugs each; tells on standard
// error what it could not plug.
void plug_listed_benches(std::string_view list) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string_view item = list.substr(start, end - start);
        const std::size_t colon = item.find(':');
        const std::string name(item.substr(0, colon));
        const std::string serial =
            colon == std::string_view::npos ? kDefaultSerial : std::string(item.substr(colon + 1));
        if (plug_bench(name.c_str(), serial.c_str()) == 0) {
            std::fprintf(stderr,
                         "WDSIM_BENCH: cannot plug \"%.*s\" (benches: demo, bare; "
                         "form: name[:serial][,name[:serial]]...)\n",
                         static_cast<int>(item.size()), item.data());
        }
        start = end + 1;
    }
}

}  // namespace

wd_handle plug_bench(const char *name, const char *serial) {
    if (name == nullptr) {
        return 0;
    }
    std::lock_guard lock(benches_mutex);
    auto &benches = plugged_benches();
    PluggedBench &bench = benches.emplace_back();
    if (!install(name, bench.adapter)) {
        benches.pop_back();
        return 0;
    }
    bench.model = bench.adapter.model();
    const wdsim_adapter description{kBenchVendor, kBenchProduct, 0,
                                    serial != nullptr ? serial : kDefaultSerial, &bench.model};
    const wd_handle handle = wdsim_plug(&description);
    if (handle == 0) {
        benches.pop_back();
    }
    return handle;
}

void forget_benches() {
    std::lock_guard lock(benches_mutex);
    plugged_benches().clear();
}

void plug_benches_from_environment() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char *list = std::getenv("WDSIM_BENCH");
        if (list == nullptr || *list == '\0') {
            return;
        }
        try {
            plug_listed_benches(list);
        } catch (...) {  // out of memory: the benches plugged so far stay
        }
    });
}

}  // namespace wdsim

extern "C" wd_handle wdsim_plug_bench(const char *bench, const char *serial) {
    try {
        return wdsim::plug_bench(bench, serial);
    } catch (...) {
        return 0;
    }
}
