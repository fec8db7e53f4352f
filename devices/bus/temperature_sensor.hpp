// An LM75-like temperature sensor on the simulated I2C bus.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "devices/bus/i2c_device.hpp"

namespace devices {

// Registers, chosen by a pointer byte (its low two bits):
//   0x00 temperature, read-only, 2 bytes
//   0x01 configuration, 1 byte
//   0x02 hysteresis (THYST), 2 bytes, default 75.0 C
//   0x03 overtemperature (TOS), 2 bytes, default 80.0 C
// Two-byte registers hold a 9-bit two's complement value in 0.5 C steps,
// left-aligned: first byte the whole degrees (signed), bit 7 of the second
// byte the half degree, its other bits 0. 25.5 C reads 19 80, -0.5 C FF 80,
// -25 C E7 00.
// Write: the first byte sets the pointer, the next bytes go into the register
// (first byte first). Read: the register's bytes from its first, repeating
// while the master keeps reading. Every byte is acknowledged.
class TemperatureSensor : public I2cDevice {
public:
    static constexpr int kMinHalfDegrees = -110;  // -55 C
    static constexpr int kMaxHalfDegrees = 250;   // 125 C

    TemperatureSensor();

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    // Temperature in half degrees Celsius (51 is 25.5 C), clamped to the
    // sensor's range -55..125 C.
    void set_half_degrees(int half_degrees);
    [[nodiscard]] int half_degrees() const { return temperature_; }
    [[nodiscard]] std::uint8_t configuration() const { return configuration_; }
    [[nodiscard]] int hysteresis_half_degrees() const { return hysteresis_; }
    [[nodiscard]] int overtemperature_half_degrees() const { return overtemperature_; }

    // The two register bytes of a temperature in half degrees.
    static std::array<std::uint8_t, 2> encode(int half_degrees);
    // The temperature in half degrees of two register bytes.
    static int decode(std::uint8_t first, std::uint8_t second);

private:
    [[nodiscard]] std::array<std::uint8_t, 2> register_bytes() const;
    void store(std::uint8_t byte);

    int temperature_ = 50;  // 25.0 C
    std::uint8_t configuration_ = 0;
    int hysteresis_ = 150;
    int overtemperature_ = 160;
    std::uint8_t pointer_ = 0;
    bool pointer_pending_ = false;
    std::size_t byte_index_ = 0;
    std::uint8_t first_written_ = 0;
};

}  // namespace devices
