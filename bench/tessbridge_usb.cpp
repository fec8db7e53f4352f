// Transfers and system calls per Tessbridge command on the real toolkit
// (libusb) and an emulated adapter. For each export it prints
//   usb case=NAME commands=C calls=K out=.. in=.. other=.. reaps=.. discards=..
//       ioctls=.. reads=.. writes=.. polls=.. opens=.. closes=.. threads=..
// with every count per call (a call sends C commands).
//
// Run as: umockdev-wrapper bench_tessbridge_usb, with LD_LIBRARY_PATH naming
// the libusb toolkit's folder.
#include <tessbridge.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "devices/bus/i2c_eeprom.hpp"
#include "syscall_counter.hpp"
#include "tessbridge_cases.hpp"
#include "tessbridge_library.hpp"
#include "usb_bench.hpp"

namespace {

void present_nothing(const char * /*text*/, void * /*context*/) {}

bool wait_for_adapter(const tbtest::TessbridgeApi &api) {
    for (int i = 0; i < 1000; ++i) {
        if (api.GetNumberOfDevices() == 1) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void print_counts(const bench::TessbridgeCase &c, int calls, const bench::syscalls::Counts &n) {
    const auto per = [calls](uint64_t value) { return static_cast<double>(value) / calls; };
    std::printf(
        "usb case=%s commands=%d calls=%d out=%.2f in=%.2f other=%.2f reaps=%.2f discards=%.2f "
        "ioctls=%.2f reads=%.2f writes=%.2f polls=%.2f opens=%.2f closes=%.2f threads=%.2f\n",
        c.name, c.commands, calls, per(n.urb_bulk_out), per(n.urb_bulk_in), per(n.urb_other),
        per(n.urb_reaps), per(n.urb_discards), per(n.ioctls), per(n.reads), per(n.writes),
        per(n.polls), per(n.opens), per(n.closes), per(n.threads));
    std::fflush(stdout);
}

}  // namespace

int main() {
    emulated::EmulatedAdapter &adapter = emulated::UsbBench::get().plug_new({});
    adapter.with_firmware([](devices::BulkAdapterFirmware &firmware) {
        firmware.i2c_bus().attach(devices::I2cAddress::bus_form(0xA0),
                                  std::make_shared<devices::Eeprom24C02>());
    });
    // Under umockdev the start-up inside dlopen() waits out its limit; the
    // attach follows right after (see the emulated tests).
    const tbtest::TessbridgeLibrary library(TESSBRIDGE_LIBRARY);
    const tbtest::TessbridgeApi &api = library.api();
    if (!wait_for_adapter(api)) {
        std::fprintf(stderr, "the emulated adapter was not attached\n");
        return 1;
    }
    api.SetMessagePresenter(present_nothing, nullptr);
    for (const auto &c : bench::tessbridge_cases()) {
        c.call(api);  // once untimed: lazy set-up stays out of the counts
        const int calls = c.commands > 1 ? 1 : 5;
        bench::syscalls::start();
        for (int i = 0; i < calls; ++i) {
            c.call(api);
        }
        print_counts(c, calls, bench::syscalls::stop());
    }
    std::fprintf(stderr, "the emulated adapter took %zu packets\n", adapter.packets_out().size());
    return 0;
}
