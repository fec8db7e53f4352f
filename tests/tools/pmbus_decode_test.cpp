// PMBus decoding against values worked out by hand from the data formats.
#include <gtest/gtest.h>

#include "pmbus_decode.hpp"

namespace tess::pmbus {
namespace {

struct Linear11Case {
    std::uint16_t raw;
    double value;
};

TEST(Pmbus, Linear11) {
    const Linear11Case cases[] = {
        {0xF015, 5.25},              // exponent 11110 = -2, mantissa 21
        {0xF853, 41.5},              // exponent -1, mantissa 83
        {0x0026, 38.0},              // exponent 0, mantissa 38
        {0xE3C0, 60.0},              // exponent 11100 = -4, mantissa 960
        {0x07D8, -40.0},             // exponent 0, mantissa 11111011000 = -40
        {0x07FF, -1.0},              // mantissa -1
        {0x9807, 7.0 / 8192.0},      // exponent 10011 = -13, mantissa 7
        {0x7BFF, 1023.0 * 32768.0},  // exponent 15, largest mantissa
        {0x0400, -1024.0},           // smallest mantissa
    };
    for (const auto &c : cases) {
        EXPECT_DOUBLE_EQ(linear11(c.raw), c.value) << std::hex << c.raw;
    }
}

TEST(Pmbus, VoutModeAndLinear16) {
    EXPECT_EQ(vout_mode_exponent(0x17), -9);
    EXPECT_EQ(vout_mode_exponent(0x1F), -1);
    EXPECT_EQ(vout_mode_exponent(0x10), -16);
    EXPECT_EQ(vout_mode_exponent(0x0A), 10);
    EXPECT_EQ(vout_mode_exponent(0x00), 0);
    EXPECT_EQ(vout_mode_exponent(0x20), std::nullopt);  // VID
    EXPECT_EQ(vout_mode_exponent(0x40), std::nullopt);  // direct
    EXPECT_EQ(vout_mode_exponent(0x97), std::nullopt);
    EXPECT_DOUBLE_EQ(linear16(0x1800, -9), 12.0);
    EXPECT_DOUBLE_EQ(linear16(1690, -9), 3.30078125);
    EXPECT_DOUBLE_EQ(linear16(0xFFFF, -12), 65535.0 / 4096.0);  // the mantissa is unsigned
    EXPECT_DOUBLE_EQ(linear16(3, 2), 12.0);
    EXPECT_EQ(word_of(0x15, 0xF0), 0xF015);
}

TEST(Pmbus, StatusWordBitsByName) {
    EXPECT_TRUE(status_word_bits(0x0000).empty());
    EXPECT_EQ(status_word_bits(0x0002), (std::vector<std::string>{"CML"}));
    EXPECT_EQ(status_word_bits(0x8000), (std::vector<std::string>{"VOUT"}));
    EXPECT_EQ(status_word_bits(0x0841),
              (std::vector<std::string>{"POWER_GOOD#", "OFF", "NONE_OF_THE_ABOVE"}));
    EXPECT_EQ(status_word_bits(0xFFFF),
              (std::vector<std::string>{"VOUT", "IOUT/POUT", "INPUT", "MFR", "POWER_GOOD#", "FANS",
                                        "OTHER", "UNKNOWN", "BUSY", "OFF", "VOUT_OV", "IOUT_OC",
                                        "VIN_UV", "TEMPERATURE", "CML", "NONE_OF_THE_ABOVE"}));
}

TEST(Pmbus, BlockText) {
    const std::vector<std::uint8_t> block{7, 'T', 'E', 'S', 'S', 'P', 'S', 'U', 0xFF, 0xFF};
    EXPECT_EQ(block_text(block), "TESSPSU");
    const std::vector<std::uint8_t> short_block{9, 'A', 'B'};
    EXPECT_EQ(block_text(short_block), "AB");  // count beyond the bytes read
    const std::vector<std::uint8_t> odd{3, 'A', 0x01, 0xC3};
    EXPECT_EQ(block_text(odd), "A??");
    EXPECT_EQ(block_text({}), "");
}

}  // namespace
}  // namespace tess::pmbus
