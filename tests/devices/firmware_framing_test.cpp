#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "firmware_fixture.hpp"

namespace devices::test {
namespace {

using DevicesFirmwareFraming = FirmwareBench;

// A write packet of `count` data bytes to the 24C02, with the block count given.
std::vector<std::uint8_t> eeprom_write(std::size_t count, std::uint8_t blocks) {
    std::vector<std::uint8_t> packet{blocks, 0x00, static_cast<std::uint8_t>(count >> 8U),
                                     static_cast<std::uint8_t>(count), 0xA0};
    packet.resize(5 + count, 0x00);
    return packet;
}

TEST_F(DevicesFirmwareFraming, MalformedPacketsAreIgnoredWithoutEffect) {
    const char *const cases[] = {
        "",
        "01",
        "02 F0",                          // block count does not match the length
        "00 F0",
        "01 F0 00",                       // trailing byte
        "01 12",                          // unknown command code
        "01 FF",
        "01 00 00 03 A0 10 AA",           // data shorter than the count
        "01 00 00 01 A0 10 AA",           // data longer than the count
        "01 00 00",                       // no address byte
        "01 20 00",
        "01 20 01 F5 A1",                 // read count 501
        "01 21 00 01",
        "01 30 00 05 A0 10",              // first block cut short
        "01 30 00 01 A0 10 00 02 A2 11",  // second block cut short
        "01 30 00 01 A0 10 00",
        "01 40 00 01 00 02 A0 A1",        // write phase missing
        "01 40 00 01 01 F5 A0 A1 10",     // read count 501
        "01 40 00 01 00 02 A0",
        "01 60 00 02 06",
        "01 61 00 05 01 02",
        "01 61 01 F5",
        "01 62 00 01 01 F5 03",           // read count 501
        "01 62 00 01 00",
        "01 63 00 00",                    // the first byte is missing
        "01 63 FF FF 06",
        "01 64",
        "01 64 04",
        "01 65 00 00",
        "01 90 28",
        "01 90 00 28",
        "01 8E",
        "01 8A 20 00",
        "01 71 00",
        "01 8F 00",
    };
    std::size_t rejected = 0;
    for (const char *packet : cases) {
        EXPECT_EQ(send(packet), kNoReply) << packet;
        EXPECT_EQ(firmware.rejected_packets(), ++rejected) << packet;
    }
    EXPECT_EQ(bus_log(), "");
    EXPECT_TRUE(firmware.spi_bus().frames().empty());
    EXPECT_FALSE(firmware.supply_3v_on());
    EXPECT_EQ(firmware.i2c_dividers(), I2cDividers{});
    EXPECT_EQ(firmware.spi_clock_code(), 0);
}

TEST_F(DevicesFirmwareFraming, BlockCountFollowsThePacketLength) {
    struct Case {
        std::size_t data;
        std::uint8_t blocks;
        bool accepted;
    };
    const Case cases[] = {
        {59, 1, true},  {59, 2, false},  // 64 bytes
        {60, 2, true},  {60, 1, false},  // 65 bytes
        {507, 8, true}, {508, 8, false}, {508, 9, false},  // 512 is the longest packet
    };
    for (const Case &c : cases) {
        firmware.receive(eeprom_write(c.data, c.blocks));
        EXPECT_EQ(firmware.take_reply(2).has_value(), c.accepted) << c.data << " " << +c.blocks;
    }
}

TEST_F(DevicesFirmwareFraming, LongestExchangeIsAnswered) {
    std::vector<std::uint8_t> packet{0x08, 0x61, 0x01, 0xF4};
    packet.resize(504, 0x00);
    firmware.receive(packet);
    const auto reply = firmware.take_reply(4096);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->size(), 500U);
}

TEST_F(DevicesFirmwareFraming, RepliesQueueInOrderAndAShortReadDropsTheRest) {
    firmware.receive(hex("01 F7"));
    firmware.receive(hex("01 F0"));
    EXPECT_EQ(firmware.take_reply(2), hex("28 28"));
    EXPECT_EQ(firmware.take_reply(64), hex("15"));
    EXPECT_FALSE(firmware.take_reply(64).has_value());

    for (std::uint8_t revision = 1; revision <= 20; ++revision) {
        firmware.set_firmware_revision(revision);
        firmware.receive(hex("01 F0"));
    }
    EXPECT_EQ(firmware.pending_replies(), bulk::kMaxPendingReplies);
    EXPECT_EQ(firmware.take_reply(1), hex("05")) << "the oldest replies were dropped";
}

TEST_F(DevicesFirmwareFraming, RandomPacketsNeverBreakTheModel) {
    // Well-framed packets with random codes, counts and bytes: whatever they
    // ask for, the firmware stays within its buffers (sanitizer builds check)
    // and its reply queue stays bounded.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> length(2, 40);
    const std::uint8_t codes[] = {0x00, 0x01, 0x20, 0x21, 0x30, 0x40, 0x60, 0x61, 0x62,
                                  0x63, 0x64, 0x65, 0x8A, 0x8C, 0x8D, 0x8E, 0x90};
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::uint8_t> packet(length(random));
        for (auto &b : packet) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        packet[0] = 1;
        packet[1] = codes[static_cast<std::size_t>(byte(random)) % std::size(codes)];
        if (packet.size() > 2 && (i % 2) == 0) {
            packet[2] = 0;  // small counts, so more packets are well formed
        }
        firmware.receive(packet);
        ASSERT_LE(firmware.pending_replies(), bulk::kMaxPendingReplies);
    }
    EXPECT_GT(firmware.rejected_packets(), 0U);
    EXPECT_LT(firmware.rejected_packets(), 20000U);
}

}  // namespace
}  // namespace devices::test
