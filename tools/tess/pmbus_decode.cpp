#include "pmbus_decode.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace tess::pmbus {

namespace {

// A two's complement field of `bits` bits.
int sign_extend(unsigned value, unsigned bits) {
    const unsigned sign = 1U << (bits - 1U);
    const unsigned mask = (1U << bits) - 1U;
    value &= mask;
    return (value & sign) != 0U ? static_cast<int>(value) - static_cast<int>(mask + 1U)
                                : static_cast<int>(value);
}

// STATUS_WORD bit names, bit 15 first.
constexpr std::array<const char *, 16> kStatusWordNames{
    "VOUT",    "IOUT/POUT", "INPUT",   "MFR",         "POWER_GOOD#", "FANS",
    "OTHER",   "UNKNOWN",   "BUSY",    "OFF",         "VOUT_OV",     "IOUT_OC",
    "VIN_UV",  "TEMPERATURE", "CML",   "NONE_OF_THE_ABOVE"};

}  // namespace

double linear11(std::uint16_t raw) {
    const int exponent = sign_extend(raw >> 11U, 5);
    const int mantissa = sign_extend(raw & 0x7FFU, 11);
    return std::ldexp(static_cast<double>(mantissa), exponent);
}

std::optional<int> vout_mode_exponent(std::uint8_t vout_mode) {
    if ((vout_mode >> 5U) != 0U) {
        return std::nullopt;
    }
    return sign_extend(vout_mode & 0x1FU, 5);
}

double linear16(std::uint16_t raw, int exponent) {
    return std::ldexp(static_cast<double>(raw), exponent);
}

std::vector<std::string> status_word_bits(std::uint16_t status) {
    std::vector<std::string> names;
    for (unsigned bit = 0; bit < 16; ++bit) {
        if ((status & (0x8000U >> bit)) != 0U) {
            names.emplace_back(kStatusWordNames[bit]);
        }
    }
    return names;
}

std::string block_text(std::span<const std::uint8_t> block) {
    if (block.empty()) {
        return {};
    }
    const std::size_t count = std::min<std::size_t>(block[0], block.size() - 1);
    std::string text;
    for (const std::uint8_t byte : block.subspan(1, count)) {
        text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '?';
    }
    return text;
}

}  // namespace tess::pmbus
