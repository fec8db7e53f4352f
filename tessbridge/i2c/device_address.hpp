// The address bytes of an I2C device, formed in one place for every command.
//
// A 7-bit device is passed in its 8-bit bus form (address in bits 7-1); bit 0
// as passed is never trusted: the write byte has it clear, the read byte set.
// A 10-bit device (0 to 1023, higher bits dropped) travels as the I2C-bus
// specification encodes it: a first byte 1 1 1 1 0 A9 A8 R/W, then address
// bits 7-0 as the first byte after the write address byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessbridge::i2c {

class DeviceAddress {
  public:
    static DeviceAddress seven_bit(uint8_t bus_form);
    static DeviceAddress ten_bit(uint16_t address);

    [[nodiscard]] uint8_t write_byte() const { return write_byte_; }
    [[nodiscard]] uint8_t read_byte() const { return static_cast<uint8_t>(write_byte_ | 0x01U); }
    // Bytes that follow the write address byte before any register or data:
    // the low address byte of a 10-bit device, nothing for a 7-bit one.
    [[nodiscard]] std::span<const uint8_t> extension() const {
        return {&low_byte_, extension_size_};
    }

  private:
    DeviceAddress(uint8_t write_byte, uint8_t low_byte, std::size_t extension_size)
        : write_byte_(write_byte), low_byte_(low_byte), extension_size_(extension_size) {}

    uint8_t write_byte_;
    uint8_t low_byte_;
    std::size_t extension_size_;
};

}  // namespace tessbridge::i2c
