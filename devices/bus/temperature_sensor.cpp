#include "devices/bus/temperature_sensor.hpp"

#include <algorithm>

namespace devices {
namespace {

constexpr std::uint8_t kTemperature = 0x00;
constexpr std::uint8_t kConfiguration = 0x01;
constexpr std::uint8_t kHysteresis = 0x02;

}  // namespace

TemperatureSensor::TemperatureSensor() = default;

std::array<std::uint8_t, 2> TemperatureSensor::encode(int half_degrees) {
    // 9-bit two's complement, left-aligned in 16 bits.
    const auto raw = static_cast<unsigned>(half_degrees) & 0x1FFU;
    return {static_cast<std::uint8_t>(raw >> 1U), static_cast<std::uint8_t>((raw & 1U) << 7U)};
}

int TemperatureSensor::decode(std::uint8_t first, std::uint8_t second) {
    const auto raw = static_cast<int>((static_cast<unsigned>(first) << 1U) | (second >> 7U));
    return raw >= 0x100 ? raw - 0x200 : raw;
}

void TemperatureSensor::set_half_degrees(int half_degrees) {
    temperature_ = std::clamp(half_degrees, kMinHalfDegrees, kMaxHalfDegrees);
}

bool TemperatureSensor::start(bool read) {
    pointer_pending_ = !read;
    byte_index_ = 0;
    return true;
}

bool TemperatureSensor::write(std::uint8_t byte) {
    if (pointer_pending_) {
        pointer_ = byte & 0x03U;
        pointer_pending_ = false;
        byte_index_ = 0;
        return true;
    }
    store(byte);
    return true;
}

void TemperatureSensor::store(std::uint8_t byte) {
    switch (pointer_) {
        case kTemperature:
            break;  // read-only
        case kConfiguration:
            configuration_ = byte;
            break;
        default:
            if (byte_index_ == 0) {
                first_written_ = byte;
                byte_index_ = 1;
            } else if (byte_index_ == 1) {
                (pointer_ == kHysteresis ? hysteresis_ : overtemperature_) =
                    decode(first_written_, byte);
                byte_index_ = 2;
            }
            break;
    }
}

std::array<std::uint8_t, 2> TemperatureSensor::register_bytes() const {
    switch (pointer_) {
        case kTemperature:
            return encode(temperature_);
        case kConfiguration:
            return {configuration_, configuration_};
        case kHysteresis:
            return encode(hysteresis_);
        default:
            return encode(overtemperature_);
    }
}

std::uint8_t TemperatureSensor::read(bool /*ack_from_master*/) {
    const std::uint8_t byte = register_bytes()[byte_index_ % 2];
    byte_index_ = (byte_index_ + 1) % 2;
    return byte;
}

void TemperatureSensor::stop() {
    pointer_pending_ = false;
    byte_index_ = 0;
}

}  // namespace devices
