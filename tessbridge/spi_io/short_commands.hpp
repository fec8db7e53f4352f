// The short commands of the pin, supply and information exports: a command
// code, at most one argument byte, and at most a one-byte answer.
#pragma once

#include <cstdint>
#include <optional>

namespace tessbridge {

// Sends the command code alone; true when both packet bytes went out.
bool send_code(uint8_t code);

// Sends the command code with one argument byte; true when all three went out.
bool send_code(uint8_t code, uint8_t argument);

// Sends the command code and reads its one-byte answer; nothing when the packet
// did not go out in full or the answer byte did not arrive.
std::optional<uint8_t> query_byte(uint8_t code);

// Picks the code of an off/on pair: bit 0 of the code is the state.
constexpr uint8_t switch_code(uint8_t offCode, int32_t on) {
    return on != 0 ? static_cast<uint8_t>(offCode | 1U) : offCode;
}

}  // namespace tessbridge
