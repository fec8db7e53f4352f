#include "devices/bus/i2c_event.hpp"

#include <array>

namespace devices {
namespace {

std::string hex_byte(std::uint8_t byte) {
    static constexpr std::array<char, 16> kDigits{'0', '1', '2', '3', '4', '5', '6', '7',
                                                  '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    return {kDigits[byte >> 4U], kDigits[byte & 0x0FU]};
}

std::string token(const I2cEvent &event) {
    const char *ack = event.ack ? "+" : "-";
    switch (event.kind) {
        case I2cEventKind::Start:
            return "S";
        case I2cEventKind::RepeatedStart:
            return "Sr";
        case I2cEventKind::Address:
            return std::string("@").append(hex_byte(event.byte)).append(ack);
        case I2cEventKind::Write:
            return hex_byte(event.byte).append(ack);
        case I2cEventKind::Read:
            return std::string("<").append(hex_byte(event.byte)).append(ack);
        case I2cEventKind::Stop:
            return "P";
        case I2cEventKind::BusBusy:
            return "BUSY";
        case I2cEventKind::Lines:
            return std::string("L(sda=") + (event.sda ? "1" : "0") + ",scl=" +
                   (event.scl ? "1" : "0") + ")";
    }
    return "?";
}

}  // namespace

std::string format_i2c_events(std::span<const I2cEvent> events) {
    std::string text;
    for (const I2cEvent &event : events) {
        if (!text.empty()) {
            text += ' ';
        }
        text += token(event);
    }
    return text;
}

}  // namespace devices
