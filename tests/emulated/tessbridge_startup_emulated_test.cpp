// Tessbridge's start-up and shutdown on the real libusb toolkit with two
// emulated adapters present at load.
//
// Run like tessbridge_emulated_test.cpp (one case per process, under
// umockdev-wrapper, LD_LIBRARY_PATH naming the libusb toolkit), and loaded the
// same way: this executable links libtessbridge and, after it, the bench, so
// the bench's constructor plugs the adapters in before libtessbridge's
// constructor runs the start-up, and note_start_up() below runs after it.
// (With dlopen the start-up cannot see them: see tessbridge_dlopen_emulated_test.cpp.)
#include "tessbridge_host.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

namespace {

using emulated::add_adapter;
using emulated::cached_serials;
using emulated::EmulatedAdapter;
using emulated::loaded_toolkit_path;
using emulated::Messages;
using emulated::settled_with;
using emulated::wait_until;

constexpr uint8_t kRevisionA = 0x2A;
constexpr uint8_t kRevisionB = 0x2B;

EmulatedAdapter *adapter_a = nullptr;  // position 1: serial 1234
EmulatedAdapter *adapter_b = nullptr;  // position 2: serial 5678

// What the library had when its load was over.
struct AtLoad {
    int32_t devices = -1;
    std::vector<int32_t> serials;
    unsigned reads_a = 0, reads_b = 0;
} at_load;

[[gnu::constructor]] void note_start_up() {
    at_load.devices = GetNumberOfDevices();
    at_load.serials = cached_serials();
    if (adapter_a != nullptr && adapter_b != nullptr) {
        at_load.reads_a = adapter_a->serial_reads();
        at_load.reads_b = adapter_b->serial_reads();
    }
}

class EmulatedStartup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(adapter_b, nullptr);
        ASSERT_NE(loaded_toolkit_path().find("/toolkit/libusb/"), std::string::npos)
            << "not the libusb toolkit: " << loaded_toolkit_path();
    }
    Messages messages;
};

}  // namespace

namespace emulated {
void plug_adapters_at_load(UsbBench &) {
    adapter_a =
        &add_adapter({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "1234"}, kRevisionA);
    adapter_b =
        &add_adapter({.vendor_id = 0x18E4, .product_id = 0x2000, .serial = "5678"}, kRevisionB);
}
}  // namespace emulated

namespace {

TEST_F(EmulatedStartup, BothAdaptersAreListedAndReadAtLoadAndPositionOneIsSelected) {
    EXPECT_EQ(at_load.devices, 2);
    // The list is in the order the toolkit reported them, which libusb's
    // enumeration does not fix.
    ASSERT_EQ(at_load.serials.size(), 2u);
    std::vector<int32_t> sorted = at_load.serials;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{1234, 5678}));
    EXPECT_GE(at_load.reads_a, 1u);
    EXPECT_GE(at_load.reads_b, 1u);
    // No attach work was left once the load was over, so nothing moved the
    // selection after the start-up made it: the first command goes to position 1.
    const bool a_first = at_load.serials.front() == 1234;
    EmulatedAdapter &first = a_first ? *adapter_a : *adapter_b;
    EmulatedAdapter &second = a_first ? *adapter_b : *adapter_a;
    EXPECT_EQ(GetFirmwareRevision(), a_first ? kRevisionA : kRevisionB);
    EXPECT_EQ(first.packets_out(), (std::vector<std::vector<uint8_t>>{{0x01, 0xF0}}));
    EXPECT_TRUE(second.packets_out().empty());
    EXPECT_EQ(adapter_a->serial_reads(), at_load.reads_a) << "attach work went on after the load";
    EXPECT_EQ(adapter_b->serial_reads(), at_load.reads_b) << "attach work went on after the load";
    EXPECT_TRUE(messages.take().empty());
}

// A third adapter's attach re-reads every serial number; the first read gets no
// answer (it would wait out its 10-second limit). The shutdown has the toolkit
// end that read, and the handler reads nothing more.
TEST_F(EmulatedStartup, ShutdownEndsASerialReadInFlightAndTheHandlerReadsNoMore) {
    ASSERT_TRUE(settled_with(at_load.serials));
    // The adapter at position 1 is read first.
    EmulatedAdapter &first = at_load.serials.front() == 1234 ? *adapter_a : *adapter_b;
    EmulatedAdapter &second = &first == adapter_a ? *adapter_b : *adapter_a;
    first.set_serial_reads_unanswered(true);
    const unsigned reads_of_second = second.serial_reads();
    EmulatedAdapter &c =
        add_adapter({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "0042"}, 0x2C);
    ASSERT_TRUE(wait_until([&] { return first.waiting_serial_reads() == 1; }));

    auto shutdown = std::async(std::launch::async, [] { ShutdownProcedure(); });
    ASSERT_EQ(shutdown.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(first.waiting_serial_reads(), 0u) << "the read in flight was not ended";
    EXPECT_EQ(second.serial_reads(), reads_of_second) << "the handler read on after the shutdown";
    EXPECT_EQ(c.serial_reads(), 0u);
    EXPECT_TRUE(messages.take().empty()) << "a read the shutdown ended is no failure to show";
}

}  // namespace
