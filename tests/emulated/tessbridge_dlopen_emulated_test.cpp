// libtessbridge loaded with dlopen on the real libusb toolkit while two
// emulated adapters are present: what the emulation allows.
//
// umockdev's preload library resolves the C library's functions with dlsym,
// which needs the dynamic loader's lock, and dlopen holds that lock while the
// library's start-up runs. So the toolkit's notification thread cannot open an
// adapter until dlopen has returned: WDU_Init's wait for the adapters present
// (at most 2 seconds) ends without them, the start-up finds none and selects
// nothing, and the attaches go on once the load is over. What this shows is
// that the load returns (the start-up and the notification thread never wait
// for each other without limit) and that the adapters are then found as ever.
// Position 1 selected at load is shown where the emulation lets the attach
// complete: tessbridge_startup_emulated_test.cpp.
#include "usb_bench.hpp"
#include "wait_until.hpp"

#include "tessbridge_library.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using emulated::UsbBench;
using emulated::wait_until;

constexpr uint8_t kRevisionA = 0x2A;

}  // namespace

namespace emulated {
void plug_adapters_at_load(UsbBench &bench) {
    EmulatedAdapter &a = bench.add({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "1234"});
    a.with_firmware([](auto &firmware) { firmware.set_firmware_revision(kRevisionA); });
    bench.plug(a);
    bench.plug(bench.add({.vendor_id = 0x18E4, .product_id = 0x2000, .serial = "5678"}));
}
}  // namespace emulated

namespace {

TEST(EmulatedDlopen, TheLoadReturnsAndTheAdaptersPresentAreFoundAfterIt) {
    // Shut down at the end but not unloaded: that would unload the toolkit too,
    // whose process-wide tables are meant to live until the process ends.
    const tbtest::TessbridgeLibrary library(TESSBRIDGE_LIBRARY,
                                            tbtest::TessbridgeLibrary::Unload::never);
    const tbtest::TessbridgeApi &tb = library.api();
    // Both listed and read, in whichever order the toolkit reported them.
    ASSERT_TRUE(wait_until([&] {
        std::array<int32_t, 10> cached{};
        if (tb.GetSerialNumbers(cached.data()) != 2) {
            return false;
        }
        std::sort(cached.begin(), cached.begin() + 2);
        return cached[0] == 1234 && cached[1] == 5678;
    }));
    EXPECT_EQ(tb.SelectBySerialNumber(1234), 1);
    EXPECT_EQ(tb.GetFirmwareRevision(), kRevisionA);
}

}  // namespace
