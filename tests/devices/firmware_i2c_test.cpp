#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware_fixture.hpp"

namespace devices::test {
namespace {

class DevicesFirmwareI2c : public FirmwareBench {
protected:
    DevicesFirmwareI2c() {
        bench.eeprom_24c02->load(0x10, hex("11 22 33 44"));
        bench.eeprom_24c256->load(0x1234, hex("C1 C2"));
        bench.ten_bit->set_register(7, 0x77);
        bench.ten_bit->set_register(8, 0x88);
        bench.ten_bit->set_register(9, 0x99);
        bench.temperature->set_half_degrees(51);
    }
};

struct Exchange {
    const char *packet;
    const char *reply;
    const char *wire;  // the bus log of this command
};

TEST_F(DevicesFirmwareI2c, WriteThenReadCommandsReplyStatusAndData) {
    for (const Exchange &e : std::vector<Exchange>{
             {"01 40 00 01 00 04 A0 A1 10", "00 11 22 33 44",
              "S @A0+ 10+ Sr @A1+ <11+ <22+ <33+ <44- P"},
             // The adapter forces the R/W bits whatever the packet carries.
             {"01 40 00 01 00 01 A1 A0 10", "00 11", "S @A0+ 10+ Sr @A1+ <11- P"},
             {"01 40 00 02 00 02 A8 A9 12 34", "00 C1 C2",
              "S @A8+ 12+ 34+ Sr @A9+ <C1+ <C2- P"},
             // 10-bit: the read phase re-sends only the first address byte.
             {"01 40 00 02 00 03 F4 F5 A5 07", "00 77 88 99",
              "S @F4+ @A5+ 07+ Sr @F5+ <77+ <88+ <99- P"},
             {"01 40 00 01 00 02 90 91 00", "00 19 80", "S @90+ 00+ Sr @91+ <19+ <80- P"},
             {"01 40 00 01 00 00 A0 A1 10", "00", "S @A0+ 10+ Sr @A1+ P"},
             // Absent devices: status 1, data bytes 0xFF.
             {"01 40 00 01 00 02 B0 B1 00", "01 FF FF", "S @B0- P"},
             {"01 40 00 02 00 01 F4 F5 A6 07", "01 FF", "S @F4+ @A6- P"},
             {"01 40 00 02 00 01 F6 F7 A5 07", "01 FF", "S @F6- P"},
         }) {
        EXPECT_EQ(send(e.packet), e.reply) << e.packet;
        EXPECT_EQ(bus_log(), e.wire) << e.packet;
    }
}

TEST_F(DevicesFirmwareI2c, WriteCommandsReplyStatusAndPadding) {
    for (const Exchange &e : std::vector<Exchange>{
             {"01 00 00 03 A1 20 AA BB", "00 00", "S @A0+ 20+ AA+ BB+ P"},
             {"01 00 00 04 A8 12 34 AA BB", "00 00", "S @A8+ 12+ 34+ AA+ BB+ P"},
             {"01 00 00 04 F4 A5 07 AA BB", "00 00", "S @F4+ @A5+ 07+ AA+ BB+ P"},
             {"01 00 00 00 A0", "00 00", "S @A0+ P"},
             {"01 00 00 01 B0 7E", "01 00", "S @B0- P"},
             // Second address byte of a 10-bit device that is not there.
             {"01 00 00 02 F4 A6 07", "01 00", "S @F4+ @A6- P"},
             // Sensor pointer, repeated START, EEPROM write: programmed at the STOP.
             {"01 30 00 01 90 03 00 02 A0 30 5A", "00 00", "S @90+ 03+ Sr @A0+ 30+ 5A+ P"},
             {"01 30 00 01 90 03 00 01 B0 30", "01 00", "S @90+ 03+ Sr @B0- P"},
         }) {
        EXPECT_EQ(send(e.packet), e.reply) << e.packet;
        EXPECT_EQ(bus_log(), e.wire) << e.packet;
    }
    EXPECT_EQ(bench.eeprom_24c02->contents()[0x20], 0xAA);
    EXPECT_EQ(bench.eeprom_24c02->contents()[0x21], 0xBB);
    EXPECT_EQ(bench.eeprom_24c02->contents()[0x30], 0x5A);
    EXPECT_EQ(bench.eeprom_24c256->contents()[0x1235], 0xBB);
    EXPECT_EQ(bench.ten_bit->registers()[8], 0xBB);
}

TEST_F(DevicesFirmwareI2c, EepromPageWrapThroughTheAdapter) {
    EXPECT_EQ(send("01 00 00 0B A0 06 01 02 03 04 05 06 07 08 09 0A"), "00 00");
    EXPECT_EQ(send("01 40 00 01 00 08 A0 A1 00"), "00 03 04 05 06 07 08 09 0A");
}

TEST_F(DevicesFirmwareI2c, OpenCommandsContinueWithRepeatedStart) {
    EXPECT_EQ(send("01 01 00 01 A0 10"), "00 00");
    EXPECT_TRUE(firmware.i2c_transaction_open());
    EXPECT_EQ(send("01 21 00 02 A1"), "00 11 22");
    EXPECT_TRUE(firmware.i2c_transaction_open());
    EXPECT_EQ(send("01 20 00 02 A1"), "00 33 44");
    EXPECT_FALSE(firmware.i2c_transaction_open());
    EXPECT_EQ(bus_log(), "S @A0+ 10+ Sr @A1+ <11+ <22- Sr @A1+ <33+ <44- P");

    // A 10-bit write left open, then the read form of the first byte alone.
    EXPECT_EQ(send("01 01 00 02 F4 A5 08"), "00 00");
    EXPECT_EQ(send("01 20 00 01 F5"), "00 88");
    EXPECT_EQ(bus_log(), "S @F4+ @A5+ 08+ Sr @F5+ <88- P");
}

TEST_F(DevicesFirmwareI2c, NackEndsAnOpenTransaction) {
    EXPECT_EQ(send("01 01 00 00 B0"), "01 00");
    EXPECT_FALSE(firmware.i2c_transaction_open());
    EXPECT_EQ(bus_log(), "S @B0- P");
}

TEST_F(DevicesFirmwareI2c, DataNotAcknowledgedIsStatus2) {
    class TakesOneByte : public I2cDevice {
    public:
        bool start(bool) override {
            taken_ = 0;
            return true;
        }
        bool write(std::uint8_t) override { return ++taken_ == 1; }
        std::uint8_t read(bool) override { return 0; }
        void stop() override {}

    private:
        int taken_ = 0;
    };
    firmware.i2c_bus().attach(I2cAddress::bus_form(0x40), std::make_shared<TakesOneByte>());
    EXPECT_EQ(send("01 00 00 03 40 01 02 03"), "02 00");
    EXPECT_EQ(bus_log(), "S @40+ 01+ 02- P");
    EXPECT_EQ(send("01 40 00 02 00 01 40 41 01 02"), "02 FF");
    EXPECT_EQ(bus_log(), "S @40+ 01+ 02- P");
}

TEST_F(DevicesFirmwareI2c, FunctionOffAnswersStatus3AndLeavesTheBusAlone) {
    send("01 8C");
    bus_log();
    EXPECT_EQ(send("01 40 00 01 00 02 A0 A1 10"), "03 FF FF");
    EXPECT_EQ(send("01 00 00 01 A0 10"), "03 00");
    EXPECT_EQ(send("01 20 00 01 A1"), "03 FF");
    EXPECT_EQ(bus_log(), "");
    send("01 8D");
    bus_log();
    EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "00 11");
}

TEST_F(DevicesFirmwareI2c, StuckSdaIsReleasedByClockingSclAsIo) {
    bench.temperature->hold_sda_low(5);
    EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "04 FF");
    EXPECT_EQ(bus_log(), "BUSY");

    // The recovery a host makes: function off, read the lines, clock SCL until
    // SDA is high (at most 9 times), make a STOP, function on.
    send("01 8C");
    EXPECT_EQ(send("01 8F"), "08") << "SCL high, SDA held low";
    int clocks = 0;
    while (send("01 8F") != "0C" && clocks < 9) {
        EXPECT_EQ(send("01 8E 04"), kNoReply);  // SCL low
        send("01 8E 0C");                       // SCL high
        ++clocks;
    }
    EXPECT_EQ(clocks, 5);
    send("01 8E 00");  // SCL low, then SDA low
    send("01 8E 08");  // SCL high
    send("01 8E 0C");  // SDA rises while SCL is high: STOP
    send("01 8D");
    const std::string log = bus_log();
    EXPECT_TRUE(log.ends_with("L(sda=0,scl=0) L(sda=0,scl=1) L(sda=1,scl=1) P L(sda=1,scl=1)"))
        << log;
    EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "00 11");
}

// A device that lost its supply drives nothing: switching a supply off frees
// a bus that no clocking could (the advice tess gives when recovery fails).
TEST_F(DevicesFirmwareI2c, SwitchingASupplyOffReleasesAStuckSda) {
    for (const char *off : {"01 70", "01 74"}) {
        bench.temperature->hold_sda_low(1000);
        EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "04 FF") << off;
        send("01 71");
        EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "04 FF") << "switching on alone: " << off;
        send(off);
        send("01 71");
        EXPECT_EQ(send("01 40 00 01 00 01 A0 A1 10"), "00 11") << off;
    }
}

TEST_F(DevicesFirmwareI2c, PinWritesAreIgnoredWhileTheFunctionIsOn) {
    send("01 8E 00");
    EXPECT_EQ(send("01 8F"), "0C");
    EXPECT_EQ(bus_log(), "");
}

TEST_F(DevicesFirmwareI2c, SwitchingOffEndsAnOpenTransaction) {
    send("01 01 00 01 A0 10");
    send("01 8C");
    EXPECT_FALSE(firmware.i2c_transaction_open());
    EXPECT_EQ(bus_log(), "S @A0+ 10+ P L(sda=1,scl=1)");
}

}  // namespace
}  // namespace devices::test
