#include "hex.hpp"

#include <charconv>
#include <stdexcept>

namespace tbtest {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

Bytes hex(std::string_view text) {
    Bytes bytes;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && is_space(text[at])) {
            ++at;
        }
        if (at == text.size()) {
            return bytes;
        }
        std::size_t end = at;
        while (end < text.size() && !is_space(text[end])) {
            ++end;
        }
        const std::string_view token = text.substr(at, end - at);
        std::uint8_t value = 0;
        const auto [stop, error] = std::from_chars(token.data(), token.data() + token.size(), value, 16);
        if (error != std::errc{} || stop != token.data() + token.size()) {
            throw std::invalid_argument("not a hex byte: \"" + std::string(token) + "\"");
        }
        bytes.push_back(value);
        at = end;
    }
}

std::string to_hex(const Bytes &bytes) {
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

}  // namespace tbtest
