#include "numbers.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tool_error.hpp"

namespace tess {

namespace {

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

std::int64_t parse_number(std::string_view text, std::string_view what, std::int64_t min,
                          std::int64_t max) {
    std::string digits(text);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.erase(0, 2);
    } else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'b' || digits[1] == 'B')) {
        base = 2;
        digits.erase(0, 2);
    }
    const std::string range = "a number from " + std::to_string(min) + " to " +
                              std::to_string(max) + " (decimal, 0x hex or 0b binary)";
    if (digits.empty() || digits[0] == '+' || digits[0] == ' ' ||
        (digits[0] == '-' && base != 10)) {
        throw bad_argument(std::string(what) + " " + quoted(text) + " is not a number",
                           "give " + range);
    }
    errno = 0;
    char *end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, base);
    if (end == digits.c_str() || *end != '\0') {
        throw bad_argument(std::string(what) + " " + quoted(text) + " is not a number",
                           "give " + range);
    }
    if (errno == ERANGE || value < min || value > max) {
        throw bad_argument(std::string(what) + " " + quoted(text) + " is out of range",
                           "give " + range);
    }
    return value;
}

std::uint8_t parse_address7(std::string_view text) {
    const auto value = parse_number(text, "address", 0, 0xFF);
    if (value > 0x7F) {
        char hint[160];
        (void)std::snprintf(hint, sizeof hint,
                            "addresses are 7-bit (0x00-0x7f); 0x%02llx looks like the 8-bit bus "
                            "form of 7-bit address 0x%02llx",
                            static_cast<unsigned long long>(value),
                            static_cast<unsigned long long>(value >> 1U));
        throw bad_argument("address " + quoted(text) + " is not a 7-bit address", hint);
    }
    return static_cast<std::uint8_t>(value);
}

std::uint16_t parse_address10(std::string_view text) {
    return static_cast<std::uint16_t>(parse_number(text, "10-bit address", 0, 0x3FF));
}

std::vector<std::uint8_t> parse_bytes(const std::vector<std::string> &words) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size());
    for (const std::string &word : words) {
        bytes.push_back(static_cast<std::uint8_t>(parse_number(word, "byte", 0, 0xFF)));
    }
    return bytes;
}

bool parse_on_off(std::string_view text) {
    if (text == "on" || text == "1" || text == "true") {
        return true;
    }
    if (text == "off" || text == "0" || text == "false") {
        return false;
    }
    throw bad_argument("expected on or off, got " + quoted(text), "write on or off");
}

std::string hex_byte(std::uint8_t byte) {
    char text[5];
    (void)std::snprintf(text, sizeof text, "0x%02x", unsigned{byte});
    return text;
}

std::string hex_bytes(const std::vector<std::uint8_t> &bytes) {
    std::string out;
    for (const std::uint8_t byte : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += hex_byte(byte);
    }
    return out;
}

}  // namespace tess
