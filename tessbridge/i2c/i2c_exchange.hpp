// How an I2C export turns its packet into a result: the limit check with its
// message, the exchange with the adapter, and the status values the library
// produces itself. Every export is a few lines on top of these.
#pragma once

#include <cstdint>
#include <span>

#include "connection/command.hpp"

namespace tessbridge::i2c {

inline constexpr uint8_t kNotSent = 0xFF;  // packet not out in full, or reply not in full
inline constexpr uint8_t kRefused = 0x0A;  // count over the limit, negative, or null buffer
inline constexpr std::size_t kLongestRead = 500;

// True when 0 <= count <= limit. Otherwise shows "Maximum bytes is limited
// to\r<limit> in the <function> function.\rTransmission aborted." and returns false.
bool within_limit(int64_t count, int32_t limit, const char *function) noexcept;

// True when `count` bytes can be taken from or put at `buffer`: it is not null,
// or there are no bytes to move.
bool usable(const void *buffer, std::size_t count) noexcept;

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

// Runs an export's body so that no exception leaves the library: a body that
// throws gives `failure`.
template <typename Result, typename Body>
Result at_boundary(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace tessbridge::i2c
