// A 256-byte register memory (like a small EEPROM, a devices::I2cDevice): the
// first byte of a write sets the register pointer, later bytes are stored from
// it on at once, reads continue from it; the pointer wraps from 0xFF to 0x00
// (there are no pages). Every byte is acknowledged.
#pragma once

#include <array>
#include <cstdint>

#include "devices/bus/i2c_device.hpp"

namespace hid_adapter {

class RegisterMemory final : public devices::I2cDevice {
  public:
    RegisterMemory();

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    std::array<std::uint8_t, 256> &cells() { return cells_; }

  private:
    std::array<std::uint8_t, 256> cells_{};
    std::uint8_t pointer_ = 0;
    bool pointerNext_ = false;  // the next byte written sets the pointer
};

}  // namespace hid_adapter
