// Decoding of PMBus telemetry: the LINEAR11 and LINEAR16 data formats, VOUT_MODE,
// STATUS_WORD and block-read text, as the PMBus specification defines them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tess::pmbus {

// Command codes the read-out uses.
inline constexpr std::uint8_t kPage = 0x00;
inline constexpr std::uint8_t kVoutMode = 0x20;
inline constexpr std::uint8_t kStatusWord = 0x79;
inline constexpr std::uint8_t kReadVout = 0x8B;
inline constexpr std::uint8_t kReadIout = 0x8C;
inline constexpr std::uint8_t kReadTemperature1 = 0x8D;
inline constexpr std::uint8_t kMfrId = 0x99;

// LINEAR11: bits 15-11 a signed exponent N, bits 10-0 a signed mantissa Y;
// the value is Y * 2^N.
double linear11(std::uint16_t raw);

// The signed 5-bit exponent of VOUT_MODE when its mode bits (7-5) say linear
// (000); nullopt for the VID, direct and IEEE half modes.
std::optional<int> vout_mode_exponent(std::uint8_t vout_mode);

// LINEAR16: an unsigned 16-bit mantissa, the exponent from VOUT_MODE.
double linear16(std::uint16_t raw, int exponent);

// The names of the STATUS_WORD bits that are set, from bit 15 down to bit 0.
std::vector<std::string> status_word_bits(std::uint16_t status);

// A word as PMBus sends it: low byte first.
inline std::uint16_t word_of(std::uint8_t low, std::uint8_t high) {
    return static_cast<std::uint16_t>(low | (high << 8U));
}

// The text of a block read (a count byte, then the bytes). The count is cut to
// the bytes present; characters outside printable ASCII become '?'.
std::string block_text(std::span<const std::uint8_t> block);

}  // namespace tess::pmbus
