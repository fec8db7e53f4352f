// The pure conversions behind the SPI setup, bus-line and hardware information
// exports, checked over their whole input ranges. The exact bit positions on
// the wire are checked through the exports (io_pins_test, spi_test).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "spi_io/conversions.hpp"

namespace tessbridge {
namespace {

TEST(SpiLineBits, EveryLineValueSurvivesTheWayThereAndBack) {
    for (uint32_t lines = 0; lines < 16; ++lines) {
        const uint8_t pins = spi_pin_byte(lines);
        EXPECT_EQ(spi_lines_from(pins), lines);
        EXPECT_EQ(pins & 0xC3U, 0U) << "bits 0, 1, 6 and 7 are sent as 0";
        EXPECT_EQ(spi_pin_byte(lines | 0xFFFFFFF0U), pins) << "bits above 3 are ignored";
    }
    for (uint32_t pins = 0; pins < 256; ++pins) {
        EXPECT_EQ(spi_pin_byte(spi_lines_from(static_cast<uint8_t>(pins))), pins & 0x3CU);
    }
}

TEST(I2cLineBits, EveryLineValueSurvivesTheWayThereAndBack) {
    for (uint32_t lines = 0; lines < 4; ++lines) {
        EXPECT_EQ(i2c_lines_from(i2c_pin_byte(lines)), lines);
        EXPECT_EQ(i2c_pin_byte(lines | 0xFFFFFFFCU), i2c_pin_byte(lines));
    }
    for (uint32_t pins = 0; pins < 256; ++pins) {
        EXPECT_EQ(i2c_pin_byte(i2c_lines_from(static_cast<uint8_t>(pins))), pins & 0x0CU);
    }
}

TEST(SpiModeByte, CarriesTheModeAndOptionBitsOnlyWhateverElseIsSet) {
    for (uint32_t config = 0; config < 0x40; ++config) {
        const uint8_t mode = spi_mode_byte(config);
        EXPECT_EQ((mode >> 2U) & 3U, config & 3U);
        EXPECT_EQ((mode >> 5U) & 1U, (config >> 4U) & 1U);
        EXPECT_EQ(mode & 0xD3U, 0U) << "bits 0, 1, 4, 6 and 7 are always 0";
        EXPECT_EQ(spi_mode_byte(config | 0xFFFFFFECU), spi_mode_byte(config | 0x0CU));
        EXPECT_EQ(spi_mode_byte(config | 0x0CU), spi_mode_byte(config & ~0x0CU));
    }
}

TEST(SpiClock, PicksTheHighestRateNotAboveTheRequestOrTheLowest) {
    constexpr std::array<SpiClock, 4> kRates{{{3, 125}, {2, 250}, {1, 1000}, {0, 4000}}};
    for (uint32_t khz = 0; khz <= 10000; ++khz) {
        SpiClock expected = kRates[0];
        for (const SpiClock &rate : kRates) {
            if (static_cast<uint32_t>(rate.khz) <= khz) {
                expected = rate;
            }
        }
        ASSERT_EQ(spi_clock_for(khz), expected) << khz << " kHz";
    }
    EXPECT_EQ(spi_clock_for(UINT32_MAX), (SpiClock{0, 4000}));
}

struct DividerCase {
    uint8_t first, second, units;
};

TEST(HardwareClockByte, IsFourThousandOverThePeriodKeptToEightBits) {
    const DividerCase cases[] = {
        {40, 40, 50},    // 100 kHz
        {4, 4, 0xF4},    // 500 wraps to 244
        {255, 255, 7},   // slowest clock
        {0, 1, 0xA0},    // 4000 wraps to 160
        {0, 0, 0},       // no period: 0, not a division by zero
        {173, 174, 11},  // 4000 / 347
    };
    for (const DividerCase &c : cases) {
        EXPECT_EQ(i2c_clock_in_2khz_units(c.first, c.second), c.units)
            << int{c.first} << " + " << int{c.second};
    }
}

}  // namespace
}  // namespace tessbridge
