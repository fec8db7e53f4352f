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

// A 7-bit I2C address (0x00-0x7F). An 8-bit bus form such as 0xA0 is refused
// with the 7-bit address it stands for in the hint.
std::uint8_t parse_address7(std::string_view text);
// A 10-bit I2C address (0x000-0x3FF).
std::uint16_t parse_address10(std::string_view text);

// Bytes: each argument a number 0-255; with `text` set, the text's characters.
std::vector<std::uint8_t> parse_bytes(const std::vector<std::string> &words);

// "on"/"off" (also 1/0, true/false).
bool parse_on_off(std::string_view text);

// "0x5a" style, two digits; and a list "5a 40 18".
std::string hex_byte(std::uint8_t byte);
std::string hex_bytes(const std::vector<std::uint8_t> &bytes);

}  // namespace tess
