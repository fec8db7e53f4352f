#include "devices/bus/bme280.hpp"

namespace devices {
namespace {

constexpr std::uint8_t kId = 0xD0;
constexpr std::uint8_t kReset = 0xE0;
constexpr std::uint8_t kResetWord = 0xB6;
constexpr std::uint8_t kCtrlHum = 0xF2;
constexpr std::uint8_t kCtrlMeas = 0xF4;
constexpr std::uint8_t kConfig = 0xF5;
constexpr std::uint8_t kPressMsb = 0xF7;
constexpr std::uint8_t kTempMsb = 0xFA;
constexpr std::uint8_t kHumMsb = 0xFD;

constexpr std::uint32_t kSkipped20 = 0x80000;
constexpr std::uint16_t kSkipped16 = 0x8000;

constexpr std::uint8_t kModeMask = 0x03;
constexpr std::uint8_t kModeNormal = 0x03;

std::uint8_t low(unsigned value) { return static_cast<std::uint8_t>(value & 0xFFU); }

void put_word(std::array<std::uint8_t, 256> &registers, std::uint8_t reg, unsigned value) {
    registers[reg] = low(value);
    registers[reg + 1U] = low(value >> 8U);
}

// A 20-bit conversion as msb, lsb, xlsb (bits 7..4).
void put_20bit(std::array<std::uint8_t, 256> &registers, std::uint8_t reg, std::uint32_t value) {
    registers[reg] = low(value >> 12U);
    registers[reg + 1U] = low(value >> 4U);
    registers[reg + 2U] = low((value & 0x0FU) << 4U);
}

}  // namespace

// Chosen so that the compensation comes out in round numbers: t_fine is
// 128000 (25.0 C), which makes the pressure formula's first term 0.
const Bme280Calibration Bme280::kDefaultCalibration{
    .t1 = 32768, .t2 = 16125, .t3 = -1000,
    .p1 = 40000, .p2 = -10685, .p3 = 3024, .p4 = 2000, .p5 = 140, .p6 = -7,
    .p7 = 15505, .p8 = -14592, .p9 = 6016,
    .h1 = 64, .h2 = 16384, .h3 = 0, .h4 = 325, .h5 = 56, .h6 = 32,
};
const Bme280Conversion Bme280::kDefaultConversion{
    .temperature = 0xA0000, .pressure = 0x58300, .humidity = 0x529F};

Bme280::Bme280(const Bme280Calibration &c) {
    put_word(registers_, 0x88, c.t1);
    put_word(registers_, 0x8A, static_cast<std::uint16_t>(c.t2));
    put_word(registers_, 0x8C, static_cast<std::uint16_t>(c.t3));
    put_word(registers_, 0x8E, c.p1);
    const std::int16_t pressure[] = {c.p2, c.p3, c.p4, c.p5, c.p6, c.p7, c.p8, c.p9};
    std::uint8_t reg = 0x90;
    for (const std::int16_t p : pressure) {
        put_word(registers_, reg, static_cast<std::uint16_t>(p));
        reg = static_cast<std::uint8_t>(reg + 2U);
    }
    registers_[0xA1] = c.h1;
    put_word(registers_, 0xE1, static_cast<std::uint16_t>(c.h2));
    registers_[0xE3] = c.h3;
    const auto h4 = static_cast<unsigned>(c.h4);
    const auto h5 = static_cast<unsigned>(c.h5);
    registers_[0xE4] = low(h4 >> 4U);
    registers_[0xE5] = low((h4 & 0x0FU) | ((h5 & 0x0FU) << 4U));
    registers_[0xE6] = low(h5 >> 4U);
    registers_[0xE7] = static_cast<std::uint8_t>(c.h6);
    registers_[kId] = kChipId;
    power_on();
}

void Bme280::power_on() {
    registers_[kCtrlHum] = 0;
    registers_[kCtrlMeas] = 0;
    registers_[kConfig] = 0;
    humidity_oversampling_ = 0;
    put_20bit(registers_, kPressMsb, kSkipped20);
    put_20bit(registers_, kTempMsb, kSkipped20);
    registers_[kHumMsb] = low(kSkipped16 >> 8U);
    registers_[kHumMsb + 1U] = low(kSkipped16);
}

void Bme280::measure() {
    const unsigned temperature_oversampling = registers_[kCtrlMeas] >> 5U;
    const unsigned pressure_oversampling = (registers_[kCtrlMeas] >> 2U) & 0x07U;
    put_20bit(registers_, kTempMsb,
              temperature_oversampling != 0 ? conversion_.temperature & 0xFFFFFU : kSkipped20);
    put_20bit(registers_, kPressMsb,
              pressure_oversampling != 0 ? conversion_.pressure & 0xFFFFFU : kSkipped20);
    const std::uint16_t humidity = humidity_oversampling_ != 0 ? conversion_.humidity : kSkipped16;
    registers_[kHumMsb] = low(humidity >> 8U);
    registers_[kHumMsb + 1U] = low(humidity);
    ++measurements_;
}

void Bme280::store(std::uint8_t reg, std::uint8_t value) {
    switch (reg) {
        case kReset:
            if (value == kResetWord) {
                power_on();
            }
            break;
        case kCtrlHum:
            registers_[kCtrlHum] = value & 0x07U;
            break;
        case kConfig:
            registers_[kConfig] = value;
            break;
        case kCtrlMeas: {
            registers_[kCtrlMeas] = value;
            humidity_oversampling_ = registers_[kCtrlHum];
            const unsigned mode = value & kModeMask;
            if (mode == 0x01 || mode == 0x02) {
                measure();
                registers_[kCtrlMeas] = static_cast<std::uint8_t>(value & ~kModeMask);
            }
            break;
        }
        default:
            break;  // read-only
    }
}

bool Bme280::start(bool read) {
    writing_ = !read;
    register_next_ = !read;
    if (read && (registers_[kCtrlMeas] & kModeMask) == kModeNormal) {
        measure();
    }
    return true;
}

bool Bme280::write(std::uint8_t byte) {
    if (!writing_) {
        return true;
    }
    if (register_next_) {
        pointer_ = byte;
    } else {
        store(pointer_, byte);
    }
    register_next_ = !register_next_;
    return true;
}

std::uint8_t Bme280::read(bool /*ack_from_master*/) {
    const std::uint8_t byte = registers_[pointer_];
    pointer_ = static_cast<std::uint8_t>(pointer_ + 1U);
    return byte;
}

void Bme280::stop() {
    writing_ = false;
    register_next_ = false;
}

}  // namespace devices
