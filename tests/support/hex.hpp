// Byte strings written as hex text in test tables: "01 40 00 01".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tbtest {

using Bytes = std::vector<std::uint8_t>;

// The bytes of whitespace-separated hex pairs. Throws std::invalid_argument
// on anything else, so that a mistyped table row fails instead of shrinking.
Bytes hex(std::string_view text);

// The bytes as upper-case hex pairs separated by spaces.
std::string to_hex(const Bytes &bytes);

}  // namespace tbtest
