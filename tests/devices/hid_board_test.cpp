// The HID adapter's board on the simulated I2C bus: the PMBus power supply and
// the register memory as byte-level devices, and the firmware's transfers and
// status bytes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/i2c_event.hpp"
#include "devices/bus/i2c_master.hpp"
#include "pmbus_power_supply.hpp"
#include "register_memory.hpp"
#include "simulated_board.hpp"

namespace hid_adapter {
namespace {

using Bytes = std::vector<std::uint8_t>;
using devices::I2cAddress;
using devices::I2cOutcome;
using devices::run_i2c_transfer;

constexpr std::uint8_t kPsu = 0xB0;
constexpr std::uint8_t kMemory = 0xA0;

class DevicesHidBoardDevices : public ::testing::Test {
protected:
    DevicesHidBoardDevices() {
        bus.attach(I2cAddress::bus_form(kPsu), psu);
        bus.attach(I2cAddress::bus_form(kMemory), memory);
    }
    I2cOutcome write(std::uint8_t address, const Bytes &bytes) {
        return run_i2c_transfer(bus, {{address, false, bytes, 0}}, true).outcome;
    }
    // Register (command) byte, repeated START, read.
    devices::I2cTransferResult read_at(std::uint8_t address, std::uint8_t reg, std::size_t count) {
        return run_i2c_transfer(bus, {{address, false, {reg}, 0}, {address, true, {}, count}},
                                true);
    }
    std::string log() {
        const auto events = bus.events();
        bus.clear_events();
        return devices::format_i2c_events(events);
    }
    std::uint16_t status(std::size_t page) { return psu->pageState(page).status; }

    devices::I2cBus bus;
    std::shared_ptr<PmbusPowerSupply> psu = std::make_shared<PmbusPowerSupply>();
    std::shared_ptr<RegisterMemory> memory = std::make_shared<RegisterMemory>();
};

TEST_F(DevicesHidBoardDevices, PmbusReadsAnswerTheCommandThenFF) {
    struct Case {
        std::uint8_t command;
        std::size_t count;
        Bytes expected;
    };
    const Case cases[] = {
        {pmbus::kPage, 2, {0x00, 0xFF}},
        {pmbus::kVoutMode, 2, {0x17, 0xFF}},
        {pmbus::kVoutCommand, 2, {0x00, 0x18}},
        {pmbus::kReadVout, 3, {0x00, 0x18, 0xFF}},
        {pmbus::kReadIout, 2, {0x15, 0xF0}},
        {pmbus::kReadTemperature1, 2, {0x53, 0xF8}},
        {pmbus::kStatusWord, 2, {0x00, 0x00}},
        {pmbus::kMfrId, 9, {7, 'T', 'E', 'S', 'S', 'P', 'S', 'U', 0xFF}},
    };
    for (const Case &c : cases) {
        const auto result = read_at(kPsu, c.command, c.count);
        EXPECT_EQ(result.outcome, I2cOutcome::Done) << int{c.command};
        EXPECT_EQ(result.data, c.expected) << int{c.command};
    }
    EXPECT_EQ(status(0), 0);
    bus.clear_events();
    read_at(kPsu, pmbus::kReadVout, 2);
    EXPECT_EQ(log(), "S @B0+ 8B+ Sr @B1+ <00+ <18- P");
}

TEST_F(DevicesHidBoardDevices, PmbusRefusalsAreNotAcknowledgedSetCmlAndChangeNothing) {
    struct Case {
        const char *what;
        Bytes bytes;
        std::string log;
    };
    const Case cases[] = {
        {"unsupported command", {0x42}, "S @B0+ 42- P"},
        {"data for a read-only command", {pmbus::kReadVout, 0x00}, "S @B0+ 8B+ 00- P"},
        {"data for CLEAR_FAULTS", {pmbus::kClearFaults, 0x00}, "S @B0+ 03+ 00- P"},
        {"PAGE past the last page", {pmbus::kPage, 2}, "S @B0+ 00+ 02- P"},
        {"a second PAGE byte", {pmbus::kPage, 1, 1}, "S @B0+ 00+ 01+ 01- P"},
        {"a third VOUT_COMMAND byte", {pmbus::kVoutCommand, 0x34, 0x12, 0x00},
         "S @B0+ 21+ 34+ 12+ 00- P"},
    };
    for (const Case &c : cases) {
        psu = std::make_shared<PmbusPowerSupply>();
        bus.attach(I2cAddress::bus_form(kPsu), psu);
        bus.clear_events();
        EXPECT_NE(write(kPsu, c.bytes), I2cOutcome::Done) << c.what;
        EXPECT_EQ(log(), c.log) << c.what;
        EXPECT_EQ(status(0), pmbus::kStatusCml) << c.what;
        EXPECT_EQ(psu->page(), 0) << c.what;
        EXPECT_EQ(psu->pageState(0).voutCommand, 12 * 512) << c.what;
    }
}

TEST_F(DevicesHidBoardDevices, ReadingACommandWithNoDataRefusesTheReadAddress) {
    const auto result = read_at(kPsu, pmbus::kClearFaults, 2);
    EXPECT_EQ(result.outcome, I2cOutcome::AddressNotAcknowledged);
    EXPECT_EQ(log(), "S @B0+ 03+ Sr @B1- P");
    EXPECT_EQ(status(0), pmbus::kStatusCml) << "the repeated START dropped the CLEAR_FAULTS";
}

TEST_F(DevicesHidBoardDevices, PmbusWritesTakeEffectAtStopAndFollowThePage) {
    // Without a STOP the PAGE write is dropped; PAGE stays selected for the read.
    const auto dropped =
        run_i2c_transfer(bus, {{kPsu, false, {pmbus::kPage, 1}, 0}, {kPsu, true, {}, 1}}, true);
    EXPECT_EQ(dropped.data, Bytes{0});
    EXPECT_EQ(psu->page(), 0);

    ASSERT_EQ(write(kPsu, {pmbus::kPage, 1}), I2cOutcome::Done);
    EXPECT_EQ(psu->page(), 1);
    ASSERT_EQ(write(kPsu, {pmbus::kVoutCommand, 0x9A, 0x06}), I2cOutcome::Done);
    EXPECT_EQ(psu->pageState(1).voutCommand, 0x069A);
    EXPECT_EQ(psu->pageState(0).voutCommand, 12 * 512);
    EXPECT_EQ(read_at(kPsu, pmbus::kReadVout, 2).data, (Bytes{0x9A, 0x06}));

    // A half word is acknowledged byte by byte, then refused at STOP.
    EXPECT_EQ(write(kPsu, {pmbus::kVoutCommand, 0x11}), I2cOutcome::Done);
    EXPECT_EQ(psu->pageState(1).voutCommand, 0x069A);
    EXPECT_EQ(status(1), pmbus::kStatusCml);
    EXPECT_EQ(status(0), 0);

    ASSERT_EQ(write(kPsu, {pmbus::kClearFaults}), I2cOutcome::Done);
    EXPECT_EQ(status(1), 0);
}

TEST_F(DevicesHidBoardDevices, ManufacturerIsABlockReadOfTheSetText) {
    psu->setManufacturer("AB");
    EXPECT_EQ(read_at(kPsu, pmbus::kMfrId, 4).data, (Bytes{2, 'A', 'B', 0xFF}));
}

TEST_F(DevicesHidBoardDevices, MemoryAutoIncrementsWithoutPagesAndWrapsAt256) {
    EXPECT_EQ(read_at(kMemory, 0x10, 3).data, (Bytes{0x10, 0x11, 0x12}));

    // Ten bytes from 0x06 cross the 8-byte boundary of a 24C02 page unwrapped.
    ASSERT_EQ(write(kMemory, {0x06, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), I2cOutcome::Done);
    EXPECT_EQ(read_at(kMemory, 0x05, 12).data, (Bytes{5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0x10}));
    EXPECT_EQ(memory->cells()[0x0F], 10);

    ASSERT_EQ(write(kMemory, {0xFE, 0xAA, 0xBB, 0xCC}), I2cOutcome::Done);
    EXPECT_EQ(memory->cells()[0x00], 0xCC);
    // A read without a register byte continues from the pointer.
    EXPECT_EQ(run_i2c_transfer(bus, {{kMemory, true, {}, 2}}, true).data, (Bytes{0x01, 0x02}));
}

// The firmware's I2C commands as they appear on the board's bus, and their
// status bytes.
TEST(DevicesHidBoardFirmware, ReadAndWriteCommandsRunOnTheBoardBus) {
    SimulatedBoard board;
    const auto run = [&board](Bytes report) {
        report.resize(HidAdapterFirmware::kReportLength, 0);
        board.bus.clear_events();
        const auto reply = board.firmware.handle(report);
        return std::make_pair(reply.value_or(HidReport{}),
                              devices::format_i2c_events(board.bus.events()));
    };

    const auto [readReply, readLog] = run({0, 0x41, 2, kPsu, pmbus::kReadVout});
    EXPECT_EQ(Bytes(readReply.begin(), readReply.begin() + 7),
              (Bytes{0, 0x41, 2, 0, 0x00, 0x18, 0}));
    EXPECT_EQ(readLog, "S @B0+ 8B+ Sr @B1+ <00+ <18- P");

    // Bit 0 of the address byte is ignored.
    const auto [writeReply, writeLog] = run({0, 0x42, 1, 1, kMemory | 1, 0x40, 0x5A});
    EXPECT_EQ(writeReply[3], status::kOk);
    EXPECT_EQ(writeLog, "S @A0+ 40+ 5A+ P");
    EXPECT_EQ(board.memory.cells()[0x40], 0x5A);
}

TEST(DevicesHidBoardFirmware, TransferOutcomesMapToTheStatusByte) {
    struct Case {
        const char *what;
        Bytes report;
        std::uint8_t status;
    };
    const Case cases[] = {
        {"read ok", {0, 0x43, 1, kPsu, pmbus::kVoutMode}, status::kOk},
        {"read from an absent address", {0, 0x41, 2, 0x30, 0}, status::kAddressNack},
        {"write to an absent address", {0, 0x42, 1, 0, 0x30, 0}, status::kAddressNack},
        {"unsupported command byte", {0, 0x41, 2, kPsu, 0x42}, status::kDataNack},
        {"read refused after the command byte", {0, 0x41, 2, kPsu, pmbus::kClearFaults},
         status::kDataNack},
        {"refused data byte", {0, 0x44, 1, 1, kPsu, pmbus::kReadVout, 0}, status::kDataNack},
    };
    for (const Case &c : cases) {
        SimulatedBoard board;
        Bytes report = c.report;
        report.resize(HidAdapterFirmware::kReportLength, 0xEE);
        const auto reply = board.firmware.handle(report);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ((*reply)[3], c.status) << c.what;
        if (c.status != status::kOk) {
            EXPECT_EQ(Bytes(reply->begin() + 4, reply->end()), Bytes(61, 0)) << c.what;
        }
    }
}

TEST(DevicesHidBoardFirmware, StuckSdaIsBusBusy) {
    SimulatedBoard board;
    board.memory.hold_sda_low(9);
    Bytes report{0, 0x41, 2, kPsu, pmbus::kReadVout};
    report.resize(HidAdapterFirmware::kReportLength, 0);
    const auto reply = board.firmware.handle(report);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[3], status::kBusBusy);
    EXPECT_EQ(Bytes(reply->begin() + 4, reply->begin() + 6), (Bytes{0, 0}));
    EXPECT_EQ(devices::format_i2c_events(board.bus.events()), "BUSY");
}

}  // namespace
}  // namespace hid_adapter
