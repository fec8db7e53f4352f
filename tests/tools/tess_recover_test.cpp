// tess i2c recover on a simulated bus whose 24C02 holds SDA low until it has
// seen a number of SCL clocks: the sequence on the wire and the report.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

// What the recovery must send when SDA comes free after `clocks` clocks.
std::vector<std::string> expected_sequence(int clocks) {
    std::vector<std::string> packets{"01 8c", "01 8f"};  // I2C off, read the lines
    for (int i = 0; i < clocks; ++i) {
        packets.insert(packets.end(), {"01 8e 04", "01 8e 0c", "01 8f"});  // SCL low, high, look
    }
    packets.insert(packets.end(), {"01 8e 00", "01 8e 08", "01 8e 0c",  // STOP: SDA rises, SCL high
                                   "01 8f", "01 8d"});                 // look, I2C on
    return packets;
}

TEST(TessRecover, ClocksUntilSdaIsReleasedThenSendsStop) {
    struct Case {
        unsigned hold;
        int clocks;
        const char *report;
    };
    const Case cases[] = {
        {0, 0, "SDA is high: no clocks needed"},
        {1, 1, "SDA released after 1 clock"},
        {3, 3, "SDA released after 3 clocks"},
        {9, 9, "SDA released after 9 clocks"},
    };
    for (const Case &c : cases) {
        const Outcome run = run_tess({"--sim", "--sim-log", "--sim-hold-sda", std::to_string(c.hold),
                                  "i2c", "recover"});
        EXPECT_EQ(run.exit_code, 0) << c.hold << ": " << run.err;
        EXPECT_EQ(packets_sent(run.err), expected_sequence(c.clocks)) << c.hold;
        EXPECT_NE(run.out.find(c.report), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("the bus is free"), std::string::npos) << run.out;
    }
}

TEST(TessRecover, GivesUpAfterNineClocksAndReportsABusError) {
    const Outcome run = run_tess({"--sim", "--sim-log", "--sim-hold-sda", "20", "i2c", "recover"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(packets_sent(run.err), expected_sequence(9));
    EXPECT_NE(run.out.find("SDA still low after 9 clocks\n"
                           "no STOP: SDA is still held low; lines: SDA low, SCL high\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("STOP sent"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("a device still holds SDA low"), std::string::npos) << run.err;
}

// A device that wants 10 clocks gets its 10th from the STOP's own SCL rise and
// lets go: the report says so rather than that the clocks freed it.
TEST(TessRecover, SaysWhenTheStopsOwnClockFreedTheBus) {
    const Outcome run = run_tess({"--sim", "--sim-hold-sda", "10", "i2c", "recover"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("SDA still low after 9 clocks\n"
                           "STOP sent; its own clock was the one the device still waited for, and "
                           "SDA came free; lines: SDA high, SCL high\n"
                           "I2C function on; the bus is free\n"),
              std::string::npos)
        << run.out;
}

// The advice of a failed recovery works on the simulated device too.
TEST(TessRecover, SwitchingTheSupplyOffAndOnFreesTheBus) {
    const Outcome run = run_tess({"--sim", "--sim-hold-sda", "1000", "batch", "-"},
                                 "-i2c recover\npower 3v off\npower 3v on\ni2c get 0x48 0 -n 2\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("switch the device's supply off and on"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("0x19 0x00"), std::string::npos) << run.out;
}

TEST(TessRecover, AStuckBusFailsCommandsUntilRecovered) {
    const Outcome stuck = run_tess({"--sim", "--sim-hold-sda", "5", "i2c", "get", "0x50", "0"});
    EXPECT_EQ(stuck.exit_code, 1);
    EXPECT_NE(stuck.err.find("bus is busy"), std::string::npos) << stuck.err;
    EXPECT_NE(stuck.err.find("tess i2c recover"), std::string::npos) << stuck.err;

    const Outcome recovered = run_tess({"--sim", "--sim-hold-sda", "5", "batch", "-"},
                                   "i2c recover\ni2c get 0x48 0 -n 2\n");
    EXPECT_EQ(recovered.exit_code, 0) << recovered.err;
    EXPECT_NE(recovered.out.find("0x19 0x00"), std::string::npos) << recovered.out;
}

TEST(TessRecover, AFailureOnTheWaySwitchesTheI2cFunctionBackOn) {
    // The third packet (the first SCL clock) does not reach the adapter.
    const Outcome run = run_tess({"--sim", "--sim-log", "--sim-hold-sda", "5", "--sim-fail-out", "3",
                                  "i2c", "recover"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("driving the I2C lines: the command did not reach the adapter"),
              std::string::npos)
        << run.err;
    const auto packets = packets_sent(run.err);
    ASSERT_FALSE(packets.empty()) << run.err;
    EXPECT_EQ(packets.back(), "01 8d") << run.err;
}

}  // namespace
}  // namespace tesstest
