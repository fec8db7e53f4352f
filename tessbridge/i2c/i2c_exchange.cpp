#include "i2c/i2c_exchange.hpp"

#include <algorithm>
#include <array>


namespace tessbridge::i2c {

uint8_t write_exchange(CommandPacket &packet, std::size_t reply_length) {
    std::array<uint8_t, 2> reply{};
    const auto area = std::span(reply).first(std::min(reply_length, reply.size()));
    const CommandResult result = send_command(packet, area);
    // Where no reply byte came the area holds 0xFF, so a reply with no byte reads as 255.
    return result.sent ? area[0] : kNotSent;
}

ReadOutcome read_exchange(CommandPacket &packet, std::span<uint8_t> destination) {
    std::array<uint8_t, 1 + kLongestRead> reply;  // send_command fills the used part
    const auto area = std::span(reply).first(1 + std::min(destination.size(), kLongestRead));
    const CommandResult result = send_command(packet, area);
    if (!result.answered(area.size())) {
        return {};
    }
    std::copy(area.begin() + 1, area.end(), destination.begin());
    return {true, area[0]};
}

}  // namespace tessbridge::i2c
