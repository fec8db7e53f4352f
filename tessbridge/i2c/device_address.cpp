#include "i2c/device_address.hpp"

namespace tessbridge::i2c {
namespace {

constexpr uint8_t kReadWriteBit = 0x01;
constexpr uint8_t kTenBitPrefix = 0xF0;  // 1 1 1 1 0 in bits 7-3
constexpr uint16_t kTenBitMask = 0x03FF;

}  // namespace

DeviceAddress DeviceAddress::seven_bit(uint8_t bus_form) {
    return {static_cast<uint8_t>(bus_form & ~kReadWriteBit), 0, 0};
}

DeviceAddress DeviceAddress::ten_bit(uint16_t address) {
    const auto value = static_cast<uint16_t>(address & kTenBitMask);
    const auto high_bits = static_cast<uint8_t>((value >> 8U) << 1U);  // A9 A8 into bits 2-1
    return {static_cast<uint8_t>(kTenBitPrefix | high_bits), static_cast<uint8_t>(value & 0xFFU),
            1};
}

}  // namespace tessbridge::i2c
