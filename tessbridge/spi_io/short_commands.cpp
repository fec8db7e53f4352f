#include "short_commands.hpp"

#include <array>

#include "connection/command.hpp"

namespace tessbridge {

bool send_code(uint8_t code) {
    CommandPacket packet(code);
    return send_command(packet).sent;
}

bool send_code(uint8_t code, uint8_t argument) {
    CommandPacket packet(code);
    packet.byte(argument);
    return send_command(packet).sent;
}

std::optional<uint8_t> query_byte(uint8_t code) {
    CommandPacket packet(code);
    std::array<uint8_t, 1> answer{};
    if (!send_command(packet, answer).answered(answer.size())) {
        return std::nullopt;
    }
    return answer[0];
}

}  // namespace tessbridge
