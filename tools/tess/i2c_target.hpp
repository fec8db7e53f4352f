// An I2C device as the commands name it: a 7-bit or 10-bit address.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "numbers.hpp"

namespace tess {

struct I2cTarget {
    std::uint16_t address = 0;
    bool ten_bit = false;

    // `force` lets a reserved 7-bit address through.
    static I2cTarget parse(const std::string &text, bool ten_bit, bool force) {
        return ten_bit ? I2cTarget{parse_address10(text), true}
                       : I2cTarget{parse_address7(text, force), false};
    }
    // The 8-bit bus form the library takes for 7-bit addresses.
    [[nodiscard]] std::uint8_t bus_form() const { return static_cast<std::uint8_t>(address << 1U); }
    // The first byte of a 10-bit address: 11110, address bits 9-8, then the R/W bit.
    [[nodiscard]] std::uint8_t ten_bit_first_byte(bool read) const {
        return static_cast<std::uint8_t>(0xF0U | ((address >> 7U) & 0x06U) | (read ? 1U : 0U));
    }
    [[nodiscard]] std::string name() const {
        char text[32];
        (void)std::snprintf(text, sizeof text, ten_bit ? "device at 10-bit 0x%03x" : "device at 0x%02x",
                            unsigned{address});
        return text;
    }
};

}  // namespace tess
