// tess against the emulated HID adapter (umockdev) with the PMBus power supply
// model. Expected values are worked out by hand from the raw words:
//   page 0: READ_VOUT 0x1800 with VOUT_MODE 0x17 (exponent -9): 6144 / 512 = 12 V;
//           READ_IOUT 0xf015: exponent -2, mantissa 21: 5.25 A;
//           READ_TEMPERATURE_1 0xf853: exponent -1, mantissa 83: 41.5 C.
//   page 1: READ_VOUT 1690 / 512 = 3.30078125 V; READ_IOUT 0xf803: 3 / 2 = 1.5 A;
//           READ_TEMPERATURE_1 0x0026: 38 C.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

TEST(TessHid, PmbusReadOutDecodesTheTelemetry) {
    const Outcome run = run_tess({"--sim", "hid", "pmbus"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out,
              "PMBus device at 0x58, page 0\n"
              "  MFR_ID      TESSPSU\n"
              "  VOUT           12.000 V  (READ_VOUT 0x1800, VOUT_MODE 0x17: linear, exponent -9)\n"
              "  IOUT            5.250 A  (READ_IOUT 0xf015)\n"
              "  TEMPERATURE      41.5 C  (READ_TEMPERATURE_1 0xf853)\n"
              "  STATUS_WORD    0x0000 (no bit set)\n");

    const Outcome page1 = run_tess({"--sim", "--json", "hid", "pmbus", "0x58", "--page", "1"});
    ASSERT_EQ(page1.exit_code, 0) << page1.err;
    EXPECT_EQ(page1.out,
              "{\"address\":88,\"page\":1,\"mfr_id\":\"TESSPSU\",\"vout\":3.30078125,\"vout_mode\":23,"
              "\"iout\":1.5,\"temperature\":38,\"status_word\":0,\"status_bits\":[]}\n");
}

TEST(TessHid, RefusedCommandShowsAsCmlInStatusWord) {
    // Writing a PAGE the supply does not have is refused (not acknowledged) and
    // sets the CML bit; the leading '-' lets the batch go on.
    const Outcome run = run_tess({"--sim", "--json", "batch", "-"}, "-hid set 0x58 0x00 0x05\nhid pmbus\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("did not acknowledge a data byte"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("\"status_word\":2,\"status_bits\":[\"CML\"]"), std::string::npos) << run.out;
}

TEST(TessHid, RegistersVersionClockAndLed) {
    const Outcome run = run_tess({"--sim", "batch", "-"},
                             "hid version\n"
                             "hid set 0x50 0x10 --text tess\n"
                             "hid get 0x50 0x10 -n 4\n"
                             "hid clock 400\n"
                             "hid clock\n"
                             "hid led\n");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("firmware version 0x0105, libtesslink 0x0408"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("$ tess hid get 0x50 0x10 -n 4\n0x74 0x65 0x73 0x73\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("$ tess hid clock\nI2C clock setting 400\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("LED flashed"), std::string::npos) << run.out;
}

TEST(TessHid, ListShowsBothSimulatedAdapters) {
    const Outcome run = run_tess({"--sim", "list"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("HID adapter (libtesslink 0x0408): firmware version 0x0105"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("PMBus power supply at 0x58"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tesstest
