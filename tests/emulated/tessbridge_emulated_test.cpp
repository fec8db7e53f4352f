// Tessbridge end to end on the real libusb toolkit and emulated adapters.
//
// Run as: umockdev-wrapper emulated_tessbridge_test --gtest_filter=<one case>,
// with LD_LIBRARY_PATH naming the libusb toolkit's folder; one case per
// process, because the library starts its driver connection once per process.
//
// How "an adapter present at load" is arranged
//   libtessbridge starts up in its constructor: WDU_Init, then a wait of at most
//   2 seconds for the first attach. The adapter must therefore be on the bus
//   before that constructor runs, and the library must be loaded with the
//   program (under umockdev, a start-up inside dlopen cannot see an attach in
//   time: the preload library needs the loader lock that dlopen holds).
//   This executable links libtessbridge and, after it, the bench library
//   (emulated_usb_bench). The loader runs the constructors of a program's
//   needed libraries in the reverse order of their listing (dependencies always
//   first), so the bench's constructor runs before libtessbridge's: it creates
//   the umockdev testbed and calls plug_adapters_at_load() below. The
//   program's own constructor (note_start_up) runs after every library
//   constructor, libtessbridge's included; it records how often the adapter's
//   serial descriptor had been read by then and how many adapters the library
//   counted. A read before that point happened inside the start-up, so the
//   adapter was found during it; the first case checks exactly that, so a
//   change in the load order shows up as a failure, not as a slower test.
#include "tessbridge_host.hpp"

#include "devices/bus/i2c_eeprom.hpp"

#include <tessbridge.h>

#include <gtest/gtest.h>

#include <array>
#include <future>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

namespace {

using emulated::AdapterDescription;
using emulated::add_adapter;
using emulated::EmulatedAdapter;
using emulated::loaded_toolkit_path;
using emulated::Messages;
using emulated::settled_with;
using emulated::UsbBench;
using emulated::wait_until;

constexpr uint8_t kRevisionA = 0x2A;
constexpr uint8_t kRevisionB = 0x2B;
constexpr uint8_t kRevisionC = 0x2C;

EmulatedAdapter *adapter_a = nullptr;  // present at load, serial 1234, EEPROM at 0xA0
std::shared_ptr<devices::Eeprom24C02> eeprom_a;
unsigned serial_reads_during_load = 0;
int32_t devices_after_load = -1;

std::vector<uint8_t> eeprom_pattern() {
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return bytes;
}

[[gnu::constructor]] void note_start_up() {
    if (adapter_a != nullptr) {
        serial_reads_during_load = adapter_a->serial_reads();
    }
    devices_after_load = GetNumberOfDevices();
}

class EmulatedTessbridge : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(adapter_a, nullptr);
        ASSERT_NE(loaded_toolkit_path().find("/toolkit/libusb/"), std::string::npos)
            << "not the libusb toolkit: " << loaded_toolkit_path();
    }
    Messages messages;
};

}  // namespace

namespace emulated {
void plug_adapters_at_load(UsbBench &bench) {
    adapter_a = &bench.add({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "1234"});
    eeprom_a = std::make_shared<devices::Eeprom24C02>();
    eeprom_a->load(0, eeprom_pattern());
    adapter_a->with_firmware([](devices::BulkAdapterFirmware &firmware) {
        firmware.set_firmware_revision(kRevisionA);
        firmware.i2c_bus().attach(devices::I2cAddress::bus_form(0xA0), eeprom_a);
    });
    bench.plug(*adapter_a);
}
}  // namespace emulated

namespace {

TEST_F(EmulatedTessbridge, AdapterPresentAtLoadIsFoundDuringStartUpAndSelected) {
    EXPECT_GE(serial_reads_during_load, 1u) << "the start-up ended before the adapter was read";
    EXPECT_EQ(devices_after_load, 1);
    ASSERT_TRUE(settled_with({1234}));
    EXPECT_EQ(GetNumberOfDevices(), 1);

    EXPECT_EQ(GetFirmwareRevision(), kRevisionA);
    EXPECT_EQ(adapter_a->packets_out(), (std::vector<std::vector<uint8_t>>{{0x01, 0xF0}}));
    EXPECT_EQ(SelectBySerialNumber(1234), 1);
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(EmulatedTessbridge, AdaptersPluggedOneAfterAnotherAreSelectedBySerialNumber) {
    ASSERT_TRUE(settled_with({1234}));
    const unsigned reads_of_a = adapter_a->serial_reads();

    EmulatedAdapter &b =
        add_adapter({.vendor_id = 0x18E4, .product_id = 0x2000, .serial = "5678"}, kRevisionB);
    ASSERT_TRUE(settled_with({1234, 5678}));
    EXPECT_GT(adapter_a->serial_reads(), reads_of_a) << "A's serial number is read again";
    EXPECT_EQ(GetFirmwareRevision(), kRevisionB) << "the newest adapter is selected";

    EmulatedAdapter &c =
        add_adapter({.vendor_id = 0x04CC, .product_id = 0xF297, .serial = "0042"}, kRevisionC);
    ASSERT_TRUE(settled_with({1234, 5678, 42}));
    EXPECT_EQ(GetNumberOfDevices(), 3);

    struct Case {
        int32_t serial;
        uint8_t revision;
    };
    for (const Case c_ : {Case{5678, kRevisionB}, Case{1234, kRevisionA}, Case{42, kRevisionC}}) {
        SCOPED_TRACE(c_.serial);
        EXPECT_EQ(SelectBySerialNumber(c_.serial), 1);
        EXPECT_EQ(GetFirmwareRevision(), c_.revision);
    }
    EXPECT_EQ(b.packets_out().size(), 2u);
    EXPECT_EQ(c.packets_out().size(), 1u);
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(EmulatedTessbridge, CommandCrossesTheBulkEndpointsByteForByte) {
    ASSERT_TRUE(settled_with({1234}));
    const std::vector<uint8_t> pattern = eeprom_pattern();

    // I2CReadArray(0xA1, 0x10, 16): one packet out on 0x02, 17 bytes in on 0x82.
    std::array<uint8_t, 16> data{};
    EXPECT_EQ(I2CReadArray(0xA1, 0x10, 16, data.data()), 0);
    EXPECT_EQ(adapter_a->packets_out().back(),
              (std::vector<uint8_t>{0x01, 0x40, 0x00, 0x01, 0x00, 0x10, 0xA0, 0xA1, 0x10}));
    std::vector<uint8_t> reply(pattern.begin() + 0x0F, pattern.begin() + 0x20);
    reply[0] = 0x00;  // the adapter's status, then the 16 data bytes
    EXPECT_EQ(adapter_a->replies_in().back(), reply);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), pattern.begin() + 0x10));

    // A packet of several 64-byte USB packets goes out as one transfer, intact.
    std::vector<uint8_t> page(8);
    std::iota(page.begin(), page.end(), uint8_t{0xC0});
    std::vector<uint8_t> long_write(120, 0x5A);
    EXPECT_EQ(I2CWriteArray(0xA0, 0x40, static_cast<uint16_t>(page.size()), page.data()), 0);
    EXPECT_EQ(I2CWrite(0x70, static_cast<uint16_t>(long_write.size()), long_write.data(), 1), 1)
        << "nobody at 0x70: the adapter's 'address not acknowledged'";
    const auto sent = adapter_a->packets_out();
    ASSERT_GE(sent.size(), 2u);
    const auto &long_packet = sent.back();
    ASSERT_GT(long_packet.size(), 64u);
    EXPECT_EQ(long_packet[0], (long_packet.size() + 63) / 64);
    EXPECT_TRUE(std::equal(long_write.begin(), long_write.end(),
                           long_packet.end() - static_cast<std::ptrdiff_t>(long_write.size())));
    const auto stored = adapter_a->with_firmware([](auto &) {
        return std::vector<uint8_t>(eeprom_a->contents().begin() + 0x40,
                                    eeprom_a->contents().begin() + 0x48);
    });
    EXPECT_EQ(stored, page);
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(EmulatedTessbridge, ReplyThatNeverComesEndsInTheTimeOutStatus) {
    ASSERT_TRUE(settled_with({1234}));
    adapter_a->set_replies_dropped(true);
    EXPECT_EQ(GetFirmwareRevision(), 255);  // waits out the channel's 4000 ms
    EXPECT_EQ(messages.take(),
              (std::vector<std::string>{"WDU_Transfer() failed: error 0x20000005 (Transfer timed out)"}));

    adapter_a->set_replies_dropped(false);
    EXPECT_EQ(GetFirmwareRevision(), kRevisionA) << "the channel works again";
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(EmulatedTessbridge, UnplugFailsCommandsCleanlyAndReplugWorksAgain) {
    ASSERT_TRUE(settled_with({1234}));

    // A command waiting for its reply when the adapter is pulled out.
    adapter_a->set_replies_dropped(true);
    auto waiting = std::async(std::launch::async, [] { return GetFirmwareRevision(); });
    ASSERT_TRUE(wait_until([] { return adapter_a->waiting_reads() == 1; }));
    UsbBench::get().unplug(*adapter_a);
    EXPECT_EQ(waiting.get(), 255);
    EXPECT_EQ(messages.take(), (std::vector<std::string>{
                                   "WDU_Transfer() failed: error 0x20000004 (Device is no "
                                   "longer connected)"}));

    // The detach notification arrives; later commands fail with the channel's message.
    ASSERT_TRUE(wait_until([] { return GetNumberOfDevices() == 0; }));
    EXPECT_EQ(GetFirmwareRevision(), 255);
    std::array<uint8_t, 4> data{};
    EXPECT_EQ(I2CReadArray(0xA1, 0x00, 4, data.data()), 255);
    const std::string stale =
        "ReadWritePipesMenu: WDU_GetDeviceInfo() failed: error 0x20000001 (Invalid handle "
        "(closed, detached or unknown))";
    EXPECT_EQ(messages.take(), (std::vector<std::string>{stale, stale}));

    // Plugged in again: found, read and selected like any new adapter.
    adapter_a->set_replies_dropped(false);
    UsbBench::get().plug(*adapter_a);
    ASSERT_TRUE(settled_with({1234}));
    EXPECT_EQ(GetFirmwareRevision(), kRevisionA);
    EXPECT_EQ(I2CReadArray(0xA1, 0x00, 4, data.data()), 0);
    EXPECT_TRUE(messages.take().empty());
}

}  // namespace
