#include "numbers.hpp"

#include <cstdio>
#include <limits>
#include <optional>

#include "tool_error.hpp"

namespace tess {

const char *const kAddressRangeHint =
    "7-bit addresses are 0x08-0x77; the reserved 0x00-0x07 and 0x78-0x7f need --force";

namespace {

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

int digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

struct Number {
    std::int64_t value;
    int base;
    bool too_large;  // more than 63 bits: value is not set
};

// The number `text` spells: decimal (with an optional '-'), 0x hexadecimal or
// 0b binary, every character after the prefix a digit of that base. Nullopt
// for anything else.
std::optional<Number> number_of(std::string_view text) {
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'b' || text[1] == 'B')) {
        base = 2;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    constexpr std::uint64_t kLimit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t magnitude = 0;
    bool too_large = false;
    for (const char c : text) {
        const int digit = digit_value(c);
        if (digit >= base) {
            return std::nullopt;
        }
        const auto d = static_cast<unsigned>(digit);
        const auto b = static_cast<unsigned>(base);
        if (too_large || magnitude > (kLimit - d) / b) {
            too_large = true;
            continue;
        }
        magnitude = magnitude * b + d;
    }
    const auto value = too_large ? 0 : static_cast<std::int64_t>(magnitude);
    return Number{negative ? -value : value, base, too_large};
}

std::string spelled(std::int64_t value, int base) {
    if (base == 16 && value >= 0) {
        char text[24];
        (void)std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
        return text;
    }
    return std::to_string(value);
}

std::string address_text(unsigned value) {
    char text[8];
    (void)std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

}  // namespace

std::int64_t parse_number(std::string_view text, std::string_view what, std::int64_t min,
                          std::int64_t max) {
    const auto number = number_of(text);
    const int base = number ? number->base : 10;
    const std::string range = "a number from " + spelled(min, base) + " to " + spelled(max, base) +
                              " (decimal, 0x hex or 0b binary)";
    if (!number) {
        throw bad_argument(std::string(what) + " " + quoted(text) + " is not a number",
                           "give " + range);
    }
    if (number->too_large || number->value < min || number->value > max) {
        throw bad_argument(std::string(what) + " " + quoted(text) + " is out of range",
                           "give " + range);
    }
    return number->value;
}

std::uint8_t parse_address7(std::string_view text, bool force) {
    const auto number = number_of(text);
    if (!number) {
        throw bad_argument("address " + quoted(text) + " is not a number", kAddressRangeHint);
    }
    const std::int64_t value = number->value;
    if (number->too_large || value < 0 || value > 0xFF) {
        throw bad_argument("address " + quoted(text) + " is not a 7-bit address", kAddressRangeHint);
    }
    const auto address = static_cast<unsigned>(value);
    if (address > 0x7F) {
        throw bad_argument("address " + quoted(text) + " is not a 7-bit address",
                           std::string(kAddressRangeHint) + "; " + address_text(address) +
                               " looks like the 8-bit bus form of 7-bit address " +
                               address_text(address >> 1U));
    }
    if (!force && (address < kFirstDeviceAddress || address > kLastDeviceAddress)) {
        throw bad_argument("address " + address_text(address) + " is reserved", kAddressRangeHint);
    }
    return static_cast<std::uint8_t>(address);
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
    if (text == "on" || text == "1" || text == "high" || text == "true") {
        return true;
    }
    if (text == "off" || text == "0" || text == "low" || text == "false") {
        return false;
    }
    throw bad_argument("expected on or off, got " + quoted(text),
                       "write on or off (or 1 and 0, high and low, true and false)");
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
