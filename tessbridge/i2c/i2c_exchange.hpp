// How an I2C export turns its packet into a result: the exchange with the adapter, and the status values the library
// produces itself. Every export is a few lines on top of these.
#pragma once

#include <cstdint>
#include <span>

#include "connection/c_boundary.hpp"
#include "connection/command.hpp"
#include "connection/limits.hpp"

namespace tessbridge::i2c {

inline constexpr uint8_t kNotSent = 0xFF;  // packet not out in full, or reply not in full
inline constexpr uint8_t kRefused = 0x0A;  // count over the limit, negative, or null buffer
inline constexpr std::size_t kLongestRead = 500;

// A write: sends the packet and reads `reply_length` (1 or 2) reply bytes. The
// first reply byte is the status; 255 when the packet did not go out in full or
// no reply byte arrived.
uint8_t write_exchange(CommandPacket &packet, std::size_t reply_length);

struct ReadOutcome {
    bool complete = false;      // the whole reply arrived and its data were copied
    uint8_t status = kNotSent;  // the adapter's status when complete, else 255
};

// A read of destination.size() bytes (at most 500): sends the packet and reads
// the status and the data. Only a reply that arrived in full is copied to
// `destination` and gives the adapter's status; anything less leaves it
// untouched and gives 255.
ReadOutcome read_exchange(CommandPacket &packet, std::span<uint8_t> destination);

}  // namespace tessbridge::i2c
