// A device address on the simulated I2C bus: 7-bit or 10-bit.
#pragma once

#include <compare>
#include <cstdint>

namespace devices {

struct I2cAddress {
    std::uint16_t value = 0;  // 0..0x7F for 7-bit, 0..0x3FF for 10-bit
    bool ten_bit = false;

    // 7-bit address, e.g. 0x50.
    static constexpr I2cAddress seven(std::uint8_t address) {
        return {static_cast<std::uint16_t>(address & 0x7FU), false};
    }
    // 7-bit address given in its 8-bit bus form (address in bits 7..1), e.g. 0xA0.
    static constexpr I2cAddress bus_form(std::uint8_t address_byte) {
        return {static_cast<std::uint16_t>(address_byte >> 1U), false};
    }
    // 10-bit address, e.g. 0x2A5; bits above 9 are dropped.
    static constexpr I2cAddress ten(std::uint16_t address) {
        return {static_cast<std::uint16_t>(address & 0x3FFU), true};
    }

    friend constexpr auto operator<=>(const I2cAddress &, const I2cAddress &) = default;
};

// First byte of a 10-bit address as the I2C-bus specification sends it:
// 1 1 1 1 0 A9 A8 R/W.
constexpr std::uint8_t ten_bit_first_byte(std::uint16_t address, bool read) {
    return static_cast<std::uint8_t>(0xF0U | ((address >> 7U) & 0x06U) | (read ? 1U : 0U));
}

// True for an address byte of the 10-bit form 11110xxR.
constexpr bool is_ten_bit_first_byte(std::uint8_t byte) { return (byte & 0xF8U) == 0xF0U; }

}  // namespace devices
