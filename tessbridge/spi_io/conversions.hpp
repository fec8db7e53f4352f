// The pure conversions of the SPI, pin and information commands: argument
// values to the bytes the adapter takes, and reply bytes back to results.
#pragma once

#include <cstdint>

namespace tessbridge {

// ---- SPI setup ---------------------------------------------------------------

// A clock the adapter's SPI master can run at: the code sent with the clock
// select command, and the rate it stands for.
struct SpiClock {
    uint8_t code;
    int32_t khz;

    friend bool operator==(const SpiClock &, const SpiClock &) = default;
};

// The highest of the four rates that does not exceed `requestedKhz`; the lowest
// rate, 125 kHz, for anything below 250.
constexpr SpiClock spi_clock_for(uint32_t requestedKhz) {
    if (requestedKhz < 250) {
        return {3, 125};
    }
    if (requestedKhz < 1000) {
        return {2, 250};
    }
    if (requestedKhz < 4000) {
        return {1, 1000};
    }
    return {0, 4000};
}

// Mode byte of the mode set command: the mode number (bits 0-1 of `config`) in
// bits 2-3, the option bit (bit 4 of `config`) in bit 5. Other bits are ignored.
constexpr uint8_t spi_mode_byte(uint32_t config) {
    const uint32_t mode = config & 0x03U;
    const uint32_t option = (config >> 4U) & 0x01U;
    return static_cast<uint8_t>((mode << 2U) | (option << 5U));
}

// ---- Bus lines as plain IO ---------------------------------------------------

// The four SPI lines travel in pin byte bits 5 down to 2: line 0 in bit 5,
// line 3 in bit 2. Bits above 3 of `lines` are ignored.
constexpr uint8_t spi_pin_byte(uint32_t lines) {
    uint32_t pins = 0;
    for (uint32_t line = 0; line < 4; ++line) {
        if ((lines >> line) & 1U) {
            pins |= 1U << (5U - line);
        }
    }
    return static_cast<uint8_t>(pins);
}

// The SPI lines (0 to 15) from a pin byte; bits 0, 1, 6 and 7 are ignored.
constexpr uint8_t spi_lines_from(uint8_t pinByte) {
    uint32_t lines = 0;
    for (uint32_t line = 0; line < 4; ++line) {
        if ((static_cast<uint32_t>(pinByte) >> (5U - line)) & 1U) {
            lines |= 1U << line;
        }
    }
    return static_cast<uint8_t>(lines);
}

// The two I2C lines travel in pin byte bits 2 and 3, in the same order. Bits
// above 1 of `lines` are ignored.
constexpr uint8_t i2c_pin_byte(uint32_t lines) { return static_cast<uint8_t>((lines & 0x03U) << 2U); }

// The I2C lines (0 to 3) from a pin byte; all bits but 2 and 3 are ignored.
constexpr uint8_t i2c_lines_from(uint8_t pinByte) {
    return static_cast<uint8_t>((static_cast<uint32_t>(pinByte) & 0x0CU) >> 2U);
}

// ---- Hardware information ----------------------------------------------------

// First byte of the hardware information record: the I2C clock in units of
// 2 kHz, 4000 / (first + second) for the adapter's two divider counts, keeping
// the low 8 bits. A zero period gives 0 instead of a division by zero.
constexpr uint8_t i2c_clock_in_2khz_units(uint8_t firstCount, uint8_t secondCount) {
    const uint32_t period = uint32_t{firstCount} + uint32_t{secondCount};
    if (period == 0) {
        return 0;
    }
    return static_cast<uint8_t>((4000U / period) & 0xFFU);
}

}  // namespace tessbridge
