// The HID adapter's firmware: answers each output report with at most one
// input report, running I2C transfers on a simulated bus (devices::I2cBus).
//
// Reports carry the report ID in byte 0 (always 0) and 64 bytes after it.
// Every reply echoes bytes 1 and 2 of its command. I2C replies carry the
// transfer's status in byte 3 (see hid_adapter::status) and read data from
// byte 4. Address bytes are in their 8-bit bus form: bit 0 is ignored.
// A read is: START, address + W, register, repeated START, address + R, data,
// STOP. A write is: START, address + W, register and data, STOP.
//
//   0x00 version      reply bytes 3-4: firmware version, low byte first
//   0x41 'A' / 0x43 'C' read: [2] length, [3] address, [4] register
//   0x42 'B' / 0x44 'D' write: [2] 1, [3] length, [4] address, [5] register, [6..] data
//   0x45 'E' set clock: [3-4] value; reply bytes 3-4: the new setting
//   0x46 'F' get clock: reply bytes 3-4: the setting
//   0xA0 flash LED
//   0xFF reset: restores the default clock; no reply
// Unknown commands get no reply.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/bus/i2c_bus.hpp"

namespace hid_adapter {

using HidReport = std::vector<std::uint8_t>;

// Status byte of the I2C replies.
namespace status {
inline constexpr std::uint8_t kOk = 0;
// The address byte of the transfer was not acknowledged.
inline constexpr std::uint8_t kAddressNack = 1;
// The target refused a byte after acknowledging its address: a register or
// data byte, or the read that follows the register byte (its address byte
// after the repeated START).
inline constexpr std::uint8_t kDataNack = 2;
// SDA held low: no START could be made. Same code as the bulk adapter's.
inline constexpr std::uint8_t kBusBusy = 4;
}  // namespace status

class HidAdapterFirmware {
  public:
    static constexpr std::size_t kReportLength = 65;  // report ID + 64 bytes
    static constexpr std::uint16_t kVersion = 0x0105;
    static constexpr std::uint16_t kDefaultClock = 100;

    explicit HidAdapterFirmware(devices::I2cBus &bus) : bus_(bus) {}

    // Handles one output report (byte 0 the report ID). Returns the input report
    // (kReportLength bytes, byte 0 the report ID 0), or nullopt for no reply.
    std::optional<HidReport> handle(std::span<const std::uint8_t> report);

    [[nodiscard]] std::uint16_t clock() const { return clock_; }
    [[nodiscard]] unsigned ledFlashes() const { return ledFlashes_; }
    [[nodiscard]] unsigned resets() const { return resets_; }

  private:
    HidReport i2cRead(std::span<const std::uint8_t> report, HidReport reply);
    HidReport i2cWrite(std::span<const std::uint8_t> report, HidReport reply);

    devices::I2cBus &bus_;
    std::uint16_t clock_ = kDefaultClock;
    unsigned ledFlashes_ = 0;
    unsigned resets_ = 0;
};

}  // namespace hid_adapter
