#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "firmware_fixture.hpp"

namespace devices::test {
namespace {

using DevicesFirmwareControl = FirmwareBench;

TEST_F(DevicesFirmwareControl, QueriesAnswerTheStartingState) {
    struct Case {
        const char *packet;
        const char *reply;
    };
    const Case cases[] = {
        {"01 F7", "28 28 02 1F"},  // 40 + 40 ticks of 8 MHz: 100 kHz
        {"01 F0", "15"},
        {"01 83", "00"},
        {"01 8F", "0C"},  // SDA and SCL high
        {"01 8B", "1C"},  // MOSI, MISO, CS high; SCK low (mode 0)
    };
    for (const Case &c : cases) {
        EXPECT_EQ(send(c.packet), c.reply) << c.packet;
    }
    EXPECT_FALSE(firmware.supply_3v_on());
    EXPECT_FALSE(firmware.supply_5v_on());
    EXPECT_TRUE(firmware.i2c_enabled());
    EXPECT_TRUE(firmware.spi_enabled());
}

TEST_F(DevicesFirmwareControl, SwitchCommandsAreRememberedAndNotAnswered) {
    using State = std::function<bool(const BulkAdapterFirmware &)>;
    struct Case {
        const char *packet;
        State state;
        bool expected;
    };
    const State supply3 = [](const auto &f) { return f.supply_3v_on(); };
    const State supply5 = [](const auto &f) { return f.supply_5v_on(); };
    const State io = [](const auto &f) { return f.io_output_high(); };
    const State spi = [](const auto &f) { return f.spi_enabled(); };
    const State i2c = [](const auto &f) { return f.i2c_enabled(); };
    const Case cases[] = {
        {"01 71", supply3, true}, {"01 70", supply3, false}, {"01 75", supply5, true},
        {"01 74", supply5, false}, {"01 87", io, true},      {"01 86", io, false},
        {"01 88", spi, false},    {"01 89", spi, true},      {"01 8C", i2c, false},
        {"01 8D", i2c, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(send(c.packet), kNoReply) << c.packet;
        EXPECT_EQ(c.state(firmware), c.expected) << c.packet;
    }
    EXPECT_EQ(send("01 75"), kNoReply);
    EXPECT_TRUE(firmware.supply_5v_on());
    EXPECT_FALSE(firmware.supply_3v_on()) << "the supplies are independent";
}

TEST_F(DevicesFirmwareControl, ClockDividersAreSetAndReported) {
    EXPECT_EQ(send("01 90 AD AE"), kNoReply);
    EXPECT_EQ(firmware.i2c_dividers(), (I2cDividers{0xAD, 0xAE}));
    EXPECT_EQ(send("01 F7"), "AD AE 02 1F");
    EXPECT_EQ(send("01 90 00 04"), kNoReply);
    EXPECT_EQ(firmware.i2c_dividers(), (I2cDividers{0xAD, 0xAE})) << "a zero divider is refused";
}

TEST_F(DevicesFirmwareControl, IdentificationIsConfigurable) {
    firmware.set_firmware_revision(0x21);
    firmware.set_hardware_info({0x07, 0x03});
    EXPECT_EQ(send("01 F0"), "21");
    EXPECT_EQ(send("01 F7"), "28 28 07 03");
}

TEST_F(DevicesFirmwareControl, IoPortReadsOutputInBit0AndInputsAbove) {
    firmware.set_io_inputs(0xA5);
    EXPECT_EQ(send("01 83"), "A4");
    send("01 87");
    EXPECT_EQ(send("01 83"), "A5");
}

TEST_F(DevicesFirmwareControl, SpiLinesAsIo) {
    send("01 8A 00");
    EXPECT_EQ(send("01 8B"), "1C") << "ignored while the SPI function is on";
    send("01 65 08");
    EXPECT_EQ(send("01 8B"), "3C") << "clock idles high in modes 2 and 3";

    send("01 88");
    EXPECT_EQ(send("01 8B"), "3C") << "lines keep their idle levels";
    struct Case {
        const char *write;
        const char *read;
    };
    const Case cases[] = {
        {"01 8A 00", "08"},  // MISO is an input, pulled high
        {"01 8A 20", "28"},
        {"01 8A 14", "1C"},
        {"01 8A FF", "3C"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(send(c.write), kNoReply) << c.write;
        EXPECT_EQ(send("01 8B"), c.read) << c.write;
        EXPECT_EQ(firmware.spi_pin_byte(), hex(c.read)[0]);
    }
}

TEST_F(DevicesFirmwareControl, I2cLinesAsIo) {
    send("01 8C");
    struct Case {
        const char *write;
        const char *read;
    };
    const Case cases[] = {
        {"01 8E 00", "00"}, {"01 8E 04", "04"}, {"01 8E 08", "08"}, {"01 8E F3", "00"},
        {"01 8E FF", "0C"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(send(c.write), kNoReply) << c.write;
        EXPECT_EQ(send("01 8F"), c.read) << c.write;
    }
    send("01 8E 00");
    send("01 8D");
    EXPECT_EQ(send("01 8F"), "0C") << "switching on releases both lines";
}

}  // namespace
}  // namespace devices::test
