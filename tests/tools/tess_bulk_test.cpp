// tess against the simulated bulk adapter and its demo bench: what a user sees,
// and what goes over the wire.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

TEST(TessBulk, ScanDrawsTheGridWithTheBenchDevices) {
    const Outcome run = run_tess({"--sim", "i2c", "scan"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out,
              "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
              "00:                         -- -- -- -- -- -- -- --\n"
              "10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "20: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "40: -- -- -- -- -- -- -- -- 48 -- -- -- -- -- -- --\n"
              "50: 50 -- -- -- 54 -- -- -- -- -- -- -- -- -- -- --\n"
              "60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "70: -- -- -- -- -- -- 76 --\n");

    const Outcome json = run_tess({"--sim", "i2c", "scan", "--json", "--first", "0x48", "--last", "0x50"});
    ASSERT_EQ(json.exit_code, 0) << json.err;
    EXPECT_EQ(json.out, "{\"first\":72,\"last\":80,\"present\":[72,80]}\n");
}

TEST(TessBulk, TextWrittenIntoTheEepromShowsInTheDump) {
    // One batch, so that the simulated EEPROM keeps what was written. The text
    // crosses two 8-byte pages: --page-size splits the write there.
    const Outcome run = run_tess({"--sim", "batch", "-"},
                             "i2c set 0x50 0x04 --text \"Hello, bus!\" --page-size 8\n"
                             "i2c dump 0x50 --length 32\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("wrote 11 bytes to the device at 0x50 from register 0x04"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(
                  "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n"
                  "00: ff ff ff ff 48 65 6c 6c 6f 2c 20 62 75 73 21 ff    ....Hello, bus!.\n"
                  "10: ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff    ................\n"),
              std::string::npos)
        << run.out;
}

TEST(TessBulk, TwoByteSubAddressAndTenBitDevice) {
    const Outcome run = run_tess({"--sim", "--json", "batch", "-"},
                             "i2c set -w 0x54 0x1234 0xca 0xfe 0x42\n"
                             "i2c get -w 0x54 0x1234 -n 3\n"
                             "i2c get -t 0x2a5 0x00 -n 2\n"
                             "i2c get 0x48 0x00 -n 2\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 4U) << run.out;
    EXPECT_EQ(lines[1], "{\"address\":84,\"register\":4660,\"data\":[202,254,66]}");
    EXPECT_EQ(lines[2], "{\"address\":677,\"register\":0,\"data\":[165,0]}");  // identity 0xa5
    EXPECT_EQ(lines[3], "{\"address\":72,\"register\":0,\"data\":[25,0]}");    // 25.0 C
}

TEST(TessBulk, TransferIsOneTransactionWithRepeatedStarts) {
    const Outcome run = run_tess({"--sim", "--sim-log", "batch", "-"},
                             "i2c set 0x50 0x10 0x11 0x22 0x33\n"
                             "i2c transfer w1@0x50 0x10 r3\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("$ tess i2c transfer w1@0x50 0x10 r3\n0x11 0x22 0x33\n"),
              std::string::npos)
        << run.out;
    const auto packets = packets_sent(run.err);
    ASSERT_EQ(packets.size(), 3U) << run.err;
    EXPECT_EQ(packets[1], "01 01 00 01 a0 10");  // write, transaction left open
    EXPECT_EQ(packets[2], "01 20 00 03 a1");     // read, then STOP
}

TEST(TessBulk, TenBitTransferSendsTheTwoAddressBytes) {
    const Outcome run = run_tess({"--sim", "--sim-log", "i2c", "transfer", "-t", "w1@0x2a5", "0x00", "r1"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "0xa5\n");
    EXPECT_EQ(packets_sent(run.err), (std::vector<std::string>{"01 01 00 02 f4 a5 00", "01 20 00 01 f5"}));
}

// A 10-bit read needs its device addressed in full for writing first; the read
// alone would go out as 11110xx1 only, which no device answers.
TEST(TessBulk, TenBitReadAsTheFirstMessageAddressesTheDeviceFirst) {
    const Outcome run = run_tess({"--sim", "--sim-log", "i2c", "transfer", "-t", "r2@0x2a5"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "0xa5 0x00\n");
    EXPECT_EQ(packets_sent(run.err), (std::vector<std::string>{"01 01 00 01 f4 a5", "01 20 00 02 f5"}));

    // A read after a write to another device addresses its own device: the
    // device written to must not answer it.
    const Outcome two = run_tess({"--sim", "--sim-log", "i2c", "transfer", "-t", "w1@0x2a5", "0x00",
                                  "r1@0x2a4"});
    EXPECT_EQ(two.exit_code, 1) << two.out;  // nobody at 0x2a4
    EXPECT_NE(two.err.find("message 2 (read from the device at 10-bit 0x2a4), addressing it"),
              std::string::npos)
        << two.err;
    EXPECT_EQ(packets_sent(two.err), (std::vector<std::string>{"01 01 00 02 f4 a5 00", "01 01 00 01 f4 a4"}));
}

TEST(TessBulk, TimeUnitsOfTheClockAreTheSameSetAndRead) {
    const Outcome run = run_tess({"--sim", "--json", "batch", "-"}, "i2c clock 401\ni2c clock\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "{\"requested_khz\":401,\"khz\":421.052}\n{\"khz\":421}\n");
}

TEST(TessBulk, SpiFlashIdSupplyAndPins) {
    struct Case {
        std::vector<std::string> arguments;
        std::string out;
        std::vector<std::string> packets;
    };
    const std::vector<Case> cases{
        {{"spi", "write-read", "0x9f", "-r", "3"}, "0x5a 0x40 0x18\n", {"01 62 00 01 00 03 9f"}},
        {{"spi", "transfer", "0x9f", "0", "0", "0"}, "0xff 0x5a 0x40 0x18\n", {"01 61 00 04 9f 00 00 00"}},
        {{"spi", "clock", "300"}, "SPI clock 250 kHz (asked for 300 kHz)\n", {"01 64 02"}},
        {{"spi", "mode", "3"}, "SPI mode 3\n", {"01 65 0c"}},
        {{"power", "3v", "on"}, "3 V supply on\n", {"01 71"}},
        {{"power", "5v", "off"}, "5 V supply off\n", {"01 74"}},
        {{"io", "set", "high"}, "IO output high\n", {"01 87"}},
        {{"i2c", "clock", "400"}, "I2C clock set to 400 kHz (asked for 400 kHz)\n", {"01 90 0a 0a"}},
        {{"i2c", "clock", "401"}, "I2C clock set to 421.052 kHz (asked for 401 kHz)\n", {"01 90 09 0a"}},
        {{"io", "set", "on"}, "IO output high\n", {"01 87"}},
        {{"io", "set", "low"}, "IO output low\n", {"01 86"}},
        {{"i2c", "clock"}, "I2C clock: 100 kHz\n", {"01 f7"}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> arguments{"--sim", "--sim-log"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome run = run_tess(arguments);
        EXPECT_EQ(run.exit_code, 0) << c.arguments[0] << " " << c.arguments[1] << ": " << run.err;
        EXPECT_EQ(run.out, c.out) << c.arguments[0] << " " << c.arguments[1];
        EXPECT_EQ(packets_sent(run.err), c.packets) << c.arguments[0] << " " << c.arguments[1];
    }
}

TEST(TessBulk, SupplyAndPinStateIsRememberedWithinABatch) {
    const Outcome run = run_tess({"--sim", "batch", "-"},
                             "io set 1\nio get\nio bus i2c off\nio lines i2c 1\nio bus i2c on\n"
                             "io lines i2c\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("IO port 0x01: output high"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("$ tess io lines i2c 1\ni2c lines: SDA=1 SCL=0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("$ tess io lines i2c\ni2c lines: SDA=1 SCL=1"), std::string::npos) << run.out;
}

// The adapter ignores the lines while its bus function is on: driving them
// then did nothing, and says so.
TEST(TessBulk, DrivingLinesWhileTheFunctionIsOnFails) {
    struct Case {
        const char *bus;
        const char *levels;
        const char *says;
    };
    const Case cases[] = {
        {"i2c", "1", "the adapter did not drive the i2c lines: SCL driven low reads high"},
        {"spi", "9", "the adapter did not drive the spi lines: SCK driven high reads low"},
    };
    for (const Case &c : cases) {
        const Outcome run = run_tess({"--sim", "io", "lines", c.bus, c.levels});
        EXPECT_EQ(run.exit_code, 1) << c.bus;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(std::string("'tess io bus ") + c.bus + " off' first"), std::string::npos)
            << run.err;
    }
    const Outcome off = run_tess({"--sim", "batch", "-"}, "io bus spi off\nio lines spi 9\n");
    EXPECT_EQ(off.exit_code, 0) << off.err;
    EXPECT_NE(off.out.find("spi lines: SCK=1 MOSI=0 MISO=1 CS=1"), std::string::npos) << off.out;
}

// With its SPI function off the adapter reads 0xff and does not say why.
TEST(TessBulk, SpiReadsOfOnlyOnesAreWarnedAbout) {
    const Outcome run = run_tess({"--sim", "--json", "batch", "-"},
                                 "io bus spi off\nspi write-read 0x9f -r 3\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("tess: warning: every byte read is 0xff: the SPI function may be off"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("\"received\":[255,255,255],\"warnings\":[\"every byte read is 0xff"),
              std::string::npos)
        << run.out;

    const Outcome on = run_tess({"--sim", "spi", "write-read", "0x9f", "-r", "3"});
    EXPECT_EQ(on.err, "");
}

TEST(TessBulk, ListShowsWhichToolkitWasLoaded) {
    const Outcome simulated = run_tess({"--sim", "--json", "list"});
    EXPECT_NE(simulated.out.find("/toolkit/sim/libwdapi801.so\",\"simulated\":true}"),
              std::string::npos)
        << simulated.out;

    // From the build tree without --sim: the real toolkit that libtessbridge's
    // RUNPATH names (no adapter is attached to this machine).
    const Outcome real = run_tess({"--json", "list"});
    EXPECT_EQ(real.exit_code, 3) << real.err;
    EXPECT_NE(real.out.find("/toolkit/libusb/libwdapi801.so\",\"simulated\":false}"),
              std::string::npos)
        << real.out;

    const Outcome text = run_tess({"list"});
    EXPECT_NE(text.out.find("  driver toolkit: "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("/toolkit/libusb/libwdapi801.so (real, libusb)\n"), std::string::npos)
        << text.out;
}

TEST(TessBulk, ListNamesTheSimulatedAdapterAndItsDevices) {
    const Outcome run = run_tess({"--sim", "list"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("serial 1234: firmware revision 0x15, hardware info 02 1f, I2C clock 100 kHz"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("libtessbridge 1.8.1.1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("SPI NOR flash, JEDEC ID 5a 40 18"), std::string::npos) << run.out;

    const Outcome chosen = run_tess({"--sim", "--serial", "1234", "i2c", "get", "0x2a5", "0", "-t"});
    EXPECT_EQ(chosen.exit_code, 0) << chosen.err;
    EXPECT_EQ(chosen.out, "0xa5\n");
}

}  // namespace
}  // namespace tesstest
