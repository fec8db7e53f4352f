// A BME280 humidity, pressure and temperature sensor on the simulated I2C bus,
// after the sensor's public register map.
#pragma once

#include <array>
#include <cstdint>

#include "devices/bus/i2c_device.hpp"

namespace devices {

// The trimming parameters of one sensor, as its calibration registers hold them
// (words low byte first):
//   0x88..0x9F  T1 (unsigned), T2, T3, P1 (unsigned), P2..P9 (signed words)
//   0xA1        H1 (unsigned byte)
//   0xE1..0xE2  H2 (signed word)     0xE3  H3 (unsigned byte)
//   0xE4..0xE6  H4 and H5, signed 12 bits each: H4 = E4 << 4 | E5 bits 3..0,
//               H5 = E6 << 4 | E5 bits 7..4
//   0xE7        H6 (signed byte)
struct Bme280Calibration {
    std::uint16_t t1 = 0;
    std::int16_t t2 = 0, t3 = 0;
    std::uint16_t p1 = 0;
    std::int16_t p2 = 0, p3 = 0, p4 = 0, p5 = 0, p6 = 0, p7 = 0, p8 = 0, p9 = 0;
    std::uint8_t h1 = 0;
    std::int16_t h2 = 0;
    std::uint8_t h3 = 0;
    std::int16_t h4 = 0, h5 = 0;
    std::int8_t h6 = 0;
};

// What the sensor's converters read: 20-bit temperature and pressure, 16-bit
// humidity, before compensation.
struct Bme280Conversion {
    std::uint32_t temperature = 0;
    std::uint32_t pressure = 0;
    std::uint16_t humidity = 0;
};

// Registers:
//   0xD0 id: 0x60.   0xE0 reset: writing 0xB6 restores the power-on state.
//   0xF2 ctrl_hum: humidity oversampling (bits 2..0); takes effect with the
//        next write of ctrl_meas.
//   0xF3 status: 0 (a measurement completes at once).
//   0xF4 ctrl_meas: temperature oversampling (7..5), pressure oversampling
//        (4..2), mode (1..0: 00 sleep, 01 and 10 forced, 11 normal). A write in
//        forced mode measures once and returns to sleep; in normal mode every
//        read transaction sees a fresh measurement.
//   0xF5 config: kept, not used.
//   0xF7..0xFE data: press_msb, press_lsb, press_xlsb (bits 7..4), temp_msb,
//        temp_lsb, temp_xlsb (bits 7..4), hum_msb, hum_lsb. A measurement
//        with oversampling 0 (skipped) gives 0x80000 (0x8000 for humidity);
//        so do the registers before the first measurement.
// Reads start at the register written last and go on to the next registers
// (after 0xFF comes 0x00); registers not listed read 0. A write is the
// register address followed by data, then pairs of register address and data
// (no increment on writes). Writes to read-only registers are ignored. Every
// byte is acknowledged.
class Bme280 : public I2cDevice {
public:
    static constexpr std::uint8_t kChipId = 0x60;
    // The trimming of the simulated sensor and what its converters read, with
    // which it reads 25.0 C, 1023.55 hPa and about 44.83 %RH.
    static const Bme280Calibration kDefaultCalibration;
    static const Bme280Conversion kDefaultConversion;

    explicit Bme280(const Bme280Calibration &calibration = kDefaultCalibration);

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    // What the next measurements read.
    void set_conversion(const Bme280Conversion &conversion) { conversion_ = conversion; }
    [[nodiscard]] std::uint8_t register_value(std::uint8_t reg) const { return registers_[reg]; }
    // Measurements made since power-on.
    [[nodiscard]] unsigned measurements() const { return measurements_; }

private:
    void power_on();
    void store(std::uint8_t reg, std::uint8_t value);
    void measure();

    std::array<std::uint8_t, 256> registers_{};
    Bme280Conversion conversion_ = kDefaultConversion;
    std::uint8_t pointer_ = 0;
    std::uint8_t humidity_oversampling_ = 0;  // in effect since the last ctrl_meas write
    bool writing_ = false;
    bool register_next_ = false;  // the next byte written is a register address
    unsigned measurements_ = 0;
};

}  // namespace devices
