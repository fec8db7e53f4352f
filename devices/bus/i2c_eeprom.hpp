// Serial EEPROMs of the 24Cxx family on the simulated I2C bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/bus/i2c_device.hpp"

namespace devices {

// A 24Cxx-like EEPROM:
//   write: START, address, word address (1 or 2 bytes, high byte first), data
//          bytes; the data are latched in a page buffer (the in-page part of the
//          address wraps at the page end) and programmed at STOP. A repeated
//          START before the STOP drops the latched data (nothing is programmed);
//          a write with only the word address just sets the address counter.
//   read:  bytes from the address counter on, wrapping at the end of memory.
// Programming takes no time here (no acknowledge polling needed). Every byte
// is acknowledged. A fresh part reads 0xFF everywhere.
class I2cEeprom : public I2cDevice {
public:
    struct Geometry {
        std::size_t size;           // bytes, a power of two
        std::size_t page_size;      // bytes, a power of two
        std::size_t address_bytes;  // 1 or 2
    };

    explicit I2cEeprom(Geometry geometry);

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    [[nodiscard]] std::span<const std::uint8_t> contents() const { return memory_; }
    // Direct access for tests and demos (wraps at the end of memory).
    void load(std::size_t offset, std::span<const std::uint8_t> bytes);
    [[nodiscard]] std::size_t address_counter() const { return counter_; }
    [[nodiscard]] const Geometry &geometry() const { return geometry_; }

private:
    Geometry geometry_;
    std::vector<std::uint8_t> memory_;
    std::size_t counter_ = 0;
    std::size_t address_bytes_seen_ = 0;
    std::size_t word_address_ = 0;
    std::vector<std::optional<std::uint8_t>> page_latch_;
    std::size_t latch_page_ = 0;
    bool latched_ = false;
};

// 24C02: 256 bytes, 1-byte word address, 8-byte pages. Usually at 0xA0 (bus form).
class Eeprom24C02 : public I2cEeprom {
public:
    Eeprom24C02() : I2cEeprom({256, 8, 1}) {}
};

// 24C256: 32 KiB, 2-byte word address (high byte first), 64-byte pages.
class Eeprom24C256 : public I2cEeprom {
public:
    Eeprom24C256() : I2cEeprom({32768, 64, 2}) {}
};

}  // namespace devices
