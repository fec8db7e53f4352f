// Numbers, addresses and byte lists as users type them on the command line.
// Every parser throws ToolError (ExitCode::BadArgument) with a hint on bad input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// A number in decimal, hexadecimal (0x...) or binary (0b...), within [min, max].
// `what` names the value in the error message ("register", "count", ...).
std::int64_t parse_number(std::string_view text, std::string_view what, std::int64_t min,
                          std::int64_t max);

// The 7-bit device addresses (0x08-0x77) and the reserved ones around them
// (0x00-0x07 and 0x78-0x7f), as i2c-tools have them.
inline constexpr unsigned kFirstDeviceAddress = 0x08;
inline constexpr unsigned kLastDeviceAddress = 0x77;
// The hint that names the range.
extern const char *const kAddressRangeHint;

// A 7-bit I2C address. A reserved one is refused unless `force` is set; an
// 8-bit bus form such as 0xA0 is refused with the 7-bit address it stands for
// in the hint.
std::uint8_t parse_address7(std::string_view text, bool force);
// A 10-bit I2C address (0x000-0x3FF).
std::uint16_t parse_address10(std::string_view text);

// Bytes: each argument a number 0-255.
std::vector<std::uint8_t> parse_bytes(const std::vector<std::string> &words);

// A switch: on, 1, high or true; off, 0, low or false.
bool parse_on_off(std::string_view text);

// "0x5a" style, two digits; and a list "5a 40 18".
std::string hex_byte(std::uint8_t byte);
std::string hex_bytes(const std::vector<std::uint8_t> &bytes);

}  // namespace tess
