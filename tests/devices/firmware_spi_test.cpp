#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware_fixture.hpp"

namespace devices::test {
namespace {

using DevicesFirmwareSpi = FirmwareBench;

TEST_F(DevicesFirmwareSpi, DataCommandsReachTheFlashAndReplyAsTheyShould) {
    struct Case {
        const char *packet;
        const char *reply;
        const char *mosi;  // the frame the flash saw ("" for none)
    };
    const Case cases[] = {
        {"01 61 00 04 9F 00 00 00", "FF 5A 40 18", "9F 00 00 00"},
        {"01 62 00 01 00 03 9F", "5A 40 18", "9F FF FF FF"},
        {"01 60 00 01 06", "00", "06"},
        {"01 62 00 01 00 02 05", "02 02", "05 FF FF"},
        // Length field 3 counts the bytes after the first: 4 go out.
        {"01 63 00 03 02 00 01 00", "00", "02 00 01 00"},
        {"01 63 00 00 06", "00", "06"},
        {"01 60 00 06 02 00 01 00 AA BB", "00", "02 00 01 00 AA BB"},
        {"01 62 00 04 00 03 03 00 01 00", "AA BB FF", "03 00 01 00 FF FF FF"},
        {"01 61 00 00", "", ""},
    };
    for (const Case &c : cases) {
        firmware.spi_bus().clear_frames();
        EXPECT_EQ(send(c.packet), c.reply) << c.packet;
        const auto frames = firmware.spi_bus().frames();
        ASSERT_EQ(frames.size(), 1U) << c.packet;
        EXPECT_EQ(to_hex(frames[0].mosi), c.mosi) << c.packet;
    }
    EXPECT_EQ(bench.flash->peek(0x000100, 3), hex("AA BB FF"));
}

TEST_F(DevicesFirmwareSpi, FunctionOffSendsNothing) {
    send("01 88");
    EXPECT_EQ(send("01 60 00 01 06"), "03");
    EXPECT_EQ(send("01 63 00 00 06"), "03");
    EXPECT_EQ(send("01 61 00 02 9F 00"), "FF FF");
    EXPECT_EQ(send("01 62 00 01 00 03 9F"), "FF FF FF");
    EXPECT_TRUE(firmware.spi_bus().frames().empty());
    send("01 89");
    EXPECT_EQ(send("01 62 00 01 00 01 9F"), "5A");
}

TEST_F(DevicesFirmwareSpi, ClockCodeAndModeByteAreKept) {
    EXPECT_EQ(firmware.spi_clock_code(), 0);
    EXPECT_EQ(send("01 64 03"), kNoReply);
    EXPECT_EQ(firmware.spi_clock_code(), 3);
    EXPECT_EQ(send("01 64 04"), kNoReply);
    EXPECT_EQ(firmware.spi_clock_code(), 3) << "codes above 3 are refused";

    EXPECT_EQ(send("01 65 FF"), kNoReply);
    EXPECT_EQ(firmware.spi_mode_byte(), 0x2C) << "reserved bits dropped";
    EXPECT_EQ(send("01 65 04"), kNoReply);
    EXPECT_EQ(firmware.spi_mode_byte(), 0x04);
}

}  // namespace
}  // namespace devices::test
