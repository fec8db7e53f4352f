// A 256-byte register memory (like a small EEPROM): the first written byte sets
// the register pointer, later bytes are stored from it on, reads continue from
// it; the pointer wraps from 0xFF to 0x00.
#pragma once

#include <array>

#include "i2c_bus.hpp"

namespace hid_adapter {

class RegisterMemory final : public I2cTarget {
  public:
    RegisterMemory();

    bool write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> bytes) override;

    std::array<std::uint8_t, 256> &cells() { return cells_; }

  private:
    std::array<std::uint8_t, 256> cells_{};
    std::uint8_t pointer_ = 0;
};

}  // namespace hid_adapter
