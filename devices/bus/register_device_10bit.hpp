// A register-file device, used on the demo bench at a 10-bit address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "devices/bus/i2c_device.hpp"

namespace devices {

// A small register file with an auto-incrementing register pointer:
//   write: the first byte sets the pointer, later bytes are stored from there;
//   read:  bytes from the pointer on.
// The pointer wraps at the register count. Every byte is acknowledged.
// Registers start at 0 except register 0, which holds kIdentity.
// The device does not know its address; the bus routes it (for instance at a
// 10-bit address, see I2cAddress::ten).
class RegisterDevice10Bit : public I2cDevice {
public:
    static constexpr std::uint8_t kIdentity = 0xA5;

    explicit RegisterDevice10Bit(std::size_t register_count = 16);

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    [[nodiscard]] std::span<const std::uint8_t> registers() const { return registers_; }
    void set_register(std::size_t index, std::uint8_t value);
    [[nodiscard]] std::size_t pointer() const { return pointer_; }

private:
    std::vector<std::uint8_t> registers_;
    std::size_t pointer_ = 0;
    bool pointer_pending_ = false;
};

}  // namespace devices
