// Byte strings written as hex text in test tables: "01 40 00 01".
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace devices::test {

inline std::vector<std::uint8_t> hex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

inline std::string to_hex(const std::vector<std::uint8_t> &bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4U];
        text += kDigits[byte & 0x0FU];
    }
    return text;
}

}  // namespace devices::test
