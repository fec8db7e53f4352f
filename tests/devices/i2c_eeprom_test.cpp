#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <vector>

#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/i2c_eeprom.hpp"
#include "devices/bus/i2c_master.hpp"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes counting(std::size_t count, std::uint8_t first) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

Bytes concat(Bytes head, const Bytes &tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

class DevicesEeprom : public ::testing::Test {
protected:
    DevicesEeprom() {
        bus.attach(I2cAddress::bus_form(0xA0), small);
        bus.attach(I2cAddress::bus_form(0xA8), large);
    }
    I2cOutcome write(std::uint8_t address, const Bytes &bytes) {
        return run_i2c_transfer(bus, {{address, false, bytes, 0}}, true).outcome;
    }
    Bytes read_at(std::uint8_t address, const Bytes &word_address, std::size_t count) {
        return run_i2c_transfer(bus, {{address, false, word_address, 0}, {address, true, {}, count}},
                                true)
            .data;
    }

    I2cBus bus;
    std::shared_ptr<Eeprom24C02> small = std::make_shared<Eeprom24C02>();
    std::shared_ptr<Eeprom24C256> large = std::make_shared<Eeprom24C256>();
};

TEST_F(DevicesEeprom, FreshPartReadsErased) {
    EXPECT_EQ(read_at(0xA0, {0x00}, 4), Bytes(4, 0xFF));
    EXPECT_EQ(read_at(0xA8, {0x12, 0x34}, 4), Bytes(4, 0xFF));
}

TEST_F(DevicesEeprom, PageWriteWrapsInsideThe8BytePage) {
    // 10 bytes from 0x06: 0x06, 0x07, then back to 0x00..0x07 of the same page.
    ASSERT_EQ(write(0xA0, concat({0x06}, counting(10, 0x10))), I2cOutcome::Done);
    EXPECT_EQ(read_at(0xA0, {0x00}, 9),
              (Bytes{0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0xFF}));
    EXPECT_EQ(small->address_counter(), 9U);
}

TEST_F(DevicesEeprom, SequentialReadWrapsAt256) {
    small->load(0xFE, Bytes{0xAA, 0xBB});
    small->load(0x00, Bytes{0xCC});
    EXPECT_EQ(read_at(0xA0, {0xFE}, 3), (Bytes{0xAA, 0xBB, 0xCC}));
}

TEST_F(DevicesEeprom, CurrentAddressReadContinuesAfterTheLastByte) {
    small->load(0x40, counting(4, 1));
    read_at(0xA0, {0x40}, 2);
    EXPECT_EQ(run_i2c_transfer(bus, {{0xA0, true, {}, 2}}, true).data, (Bytes{3, 4}));
}

TEST_F(DevicesEeprom, RepeatedStartBeforeStopProgramsNothing) {
    run_i2c_transfer(bus, {{0xA0, false, {0x20, 0x55}, 0}, {0xA0, true, {}, 1}}, true);
    EXPECT_EQ(small->contents()[0x20], 0xFF);
}

TEST_F(DevicesEeprom, TwoByteWordAddressHighByteFirstAnd64BytePages) {
    ASSERT_EQ(write(0xA8, concat({0x12, 0x3E}, counting(4, 1))), I2cOutcome::Done);
    EXPECT_EQ(large->contents()[0x123E], 1);
    EXPECT_EQ(large->contents()[0x123F], 2);
    EXPECT_EQ(large->contents()[0x1200], 3) << "wraps to the start of the 64-byte page";
    EXPECT_EQ(large->contents()[0x1201], 4);
    EXPECT_EQ(large->contents()[0x1240], 0xFF);
    EXPECT_EQ(read_at(0xA8, {0x12, 0x3E}, 2), (Bytes{1, 2}));
}

TEST_F(DevicesEeprom, LargePartIgnoresAddressBitsAboveItsSize) {
    large->load(0x0001, Bytes{0x5A});
    EXPECT_EQ(read_at(0xA8, {0x80, 0x01}, 1), Bytes{0x5A});
    EXPECT_EQ(read_at(0xA8, {0x7F, 0xFF}, 2), (Bytes{0xFF, 0xFF}));
}

}  // namespace
}  // namespace devices
