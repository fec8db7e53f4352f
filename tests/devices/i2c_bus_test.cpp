#include <gtest/gtest.h>

#include <memory>

#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/i2c_master.hpp"
#include "devices/bus/register_device_10bit.hpp"

namespace devices {
namespace {

// Two register devices whose 10-bit addresses differ only in bits 9..8, and a
// 7-bit one: a routing fault shows up as data from the wrong device.
class DevicesI2cBus : public ::testing::Test {
protected:
    DevicesI2cBus() {
        near->set_register(3, 0x33);
        far->set_register(3, 0x99);
        seven->set_register(3, 0x77);
        bus.attach(I2cAddress::ten(0x2A5), near);
        bus.attach(I2cAddress::ten(0x1A5), far);
        bus.attach(I2cAddress::seven(0x50), seven);
    }
    std::string log() {
        const auto events = bus.events();
        bus.clear_events();
        return format_i2c_events(events);
    }

    I2cBus bus;
    std::shared_ptr<RegisterDevice10Bit> near = std::make_shared<RegisterDevice10Bit>();
    std::shared_ptr<RegisterDevice10Bit> far = std::make_shared<RegisterDevice10Bit>();
    std::shared_ptr<RegisterDevice10Bit> seven = std::make_shared<RegisterDevice10Bit>();
};

TEST_F(DevicesI2cBus, SevenBitDeviceAnswersAndAbsentAddressDoesNot) {
    const auto result = run_i2c_transfer(
        bus, {{0xA0, false, {0x03}, 0}, {0xA0, true, {}, 2}}, true);
    EXPECT_EQ(result.outcome, I2cOutcome::Done);
    EXPECT_EQ(log(), "S @A0+ 03+ Sr @A1+ <77+ <00- P");

    const auto absent = run_i2c_transfer(bus, {{0xA2, true, {}, 2}}, true);
    EXPECT_EQ(absent.outcome, I2cOutcome::AddressNotAcknowledged);
    EXPECT_EQ(absent.data, (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(log(), "S @A3- P");
}

TEST_F(DevicesI2cBus, BytesAfterAnUnansweredAddressFindNobody) {
    ASSERT_TRUE(bus.start());
    EXPECT_FALSE(bus.write(0xA2));
    EXPECT_FALSE(bus.write(0x03));
    EXPECT_EQ(bus.read(false), 0xFF);
    bus.stop();
    EXPECT_EQ(log(), "S @A2- 03- <FF- P");
    EXPECT_FALSE(bus.write(0x55)) << "no START: nothing listens";
}

TEST_F(DevicesI2cBus, TenBitWriteThenRepeatedStartReadReachesTheSameDevice) {
    const auto result = run_i2c_transfer(
        bus, {{0xF4, false, {0xA5, 0x03}, 0}, {0xF5, true, {}, 1}}, true);
    EXPECT_EQ(result.outcome, I2cOutcome::Done);
    EXPECT_EQ(result.data, std::vector<std::uint8_t>{0x33});
    EXPECT_EQ(log(), "S @F4+ @A5+ 03+ Sr @F5+ <33- P");

    const auto other = run_i2c_transfer(
        bus, {{0xF2, false, {0xA5, 0x03}, 0}, {0xF3, true, {}, 1}}, true);
    EXPECT_EQ(other.data, std::vector<std::uint8_t>{0x99});
}

TEST_F(DevicesI2cBus, TenBitAddressesThatDoNotMatchAreNotAcknowledged) {
    struct Case {
        std::vector<I2cSegment> segments;
        I2cOutcome outcome;
        const char *wire;
    };
    const Case cases[] = {
        // High bits 11: no 10-bit device there.
        {{{0xF6, false, {0xA5}, 0}}, I2cOutcome::AddressNotAcknowledged, "S @F6- P"},
        // High bits match, low byte does not: the second address byte is NACKed.
        {{{0xF4, false, {0xA6, 0x00}, 0}}, I2cOutcome::AddressNotAcknowledged, "S @F4+ @A6- P"},
        // The read form without a 10-bit write earlier in the transaction.
        {{{0xF5, true, {}, 1}}, I2cOutcome::AddressNotAcknowledged, "S @F5- P"},
    };
    for (const Case &c : cases) {
        const auto result = run_i2c_transfer(bus, c.segments, true);
        EXPECT_EQ(result.outcome, c.outcome) << c.wire;
        EXPECT_EQ(log(), c.wire);
    }
}

TEST_F(DevicesI2cBus, TenBitReadFormIsForgottenAfterStop) {
    run_i2c_transfer(bus, {{0xF4, false, {0xA5, 0x03}, 0}}, true);
    log();
    const auto result = run_i2c_transfer(bus, {{0xF5, true, {}, 1}}, true);
    EXPECT_EQ(result.outcome, I2cOutcome::AddressNotAcknowledged);
}

TEST_F(DevicesI2cBus, OpenTransactionContinuesWithRepeatedStart) {
    run_i2c_transfer(bus, {{0xA0, false, {0x03}, 0}}, false);
    EXPECT_TRUE(bus.in_transaction());
    const auto result = run_i2c_transfer(bus, {{0xA0, true, {}, 1}}, true);
    EXPECT_EQ(result.data, std::vector<std::uint8_t>{0x77});
    EXPECT_EQ(log(), "S @A0+ 03+ Sr @A1+ <77- P");
    EXPECT_FALSE(bus.in_transaction());
}

TEST_F(DevicesI2cBus, StuckDeviceBlocksStartUntilClockedFree) {
    seven->hold_sda_low(3);
    EXPECT_FALSE(bus.sda());
    EXPECT_EQ(run_i2c_transfer(bus, {{0xA0, true, {}, 1}}, true).outcome, I2cOutcome::BusBusy);
    EXPECT_EQ(log(), "BUSY");

    int clocks = 0;
    while (!bus.sda() && clocks < 9) {
        bus.drive_lines(true, false);
        bus.drive_lines(true, true);
        ++clocks;
    }
    EXPECT_EQ(clocks, 3);
    // STOP made with the lines: SDA low while SCL is low, SCL up, SDA up.
    bus.drive_lines(false, false);
    bus.drive_lines(false, true);
    bus.drive_lines(true, true);
    EXPECT_EQ(log(),
              "L(sda=0,scl=0) L(sda=0,scl=1) L(sda=0,scl=0) L(sda=0,scl=1) L(sda=0,scl=0) "
              "L(sda=1,scl=1) L(sda=0,scl=0) L(sda=0,scl=1) L(sda=1,scl=1) P");
    EXPECT_EQ(run_i2c_transfer(bus, {{0xA0, true, {}, 1}}, true).outcome, I2cOutcome::Done);
}

TEST_F(DevicesI2cBus, LinesHeldLowByTheMasterAlsoBlockStart) {
    bus.drive_lines(true, false);
    EXPECT_FALSE(bus.start());
    bus.drive_lines(false, true);
    EXPECT_FALSE(bus.start());
    bus.drive_lines(true, true);  // SDA rising with SCL high: a STOP
    EXPECT_TRUE(bus.start());
}

TEST_F(DevicesI2cBus, StopMadeWithTheLinesEndsAnOpenTransaction) {
    run_i2c_transfer(bus, {{0xA0, false, {0x03}, 0}}, false);
    bus.drive_lines(false, true);
    bus.drive_lines(true, true);
    EXPECT_FALSE(bus.in_transaction());
    EXPECT_TRUE(bus.start());
    bus.clear_events();
    bus.stop();
    EXPECT_EQ(log(), "P");
}

TEST_F(DevicesI2cBus, WriteNackStopsTheTransfer) {
    // A device that refuses data after the first byte.
    class Picky : public I2cDevice {
    public:
        bool start(bool) override { return true; }
        bool write(std::uint8_t) override { return ++count_ < 2; }
        std::uint8_t read(bool) override { return 0; }
        void stop() override {}

    private:
        int count_ = 0;
    };
    bus.attach(I2cAddress::seven(0x10), std::make_shared<Picky>());
    const auto result = run_i2c_transfer(bus, {{0x20, false, {1, 2, 3}, 0}}, false);
    EXPECT_EQ(result.outcome, I2cOutcome::DataNotAcknowledged);
    EXPECT_EQ(log(), "S @20+ 01+ 02- P");
    EXPECT_FALSE(bus.in_transaction());
}

}  // namespace
}  // namespace devices
