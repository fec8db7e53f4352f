// The I2C commands as data: each builder takes what the transaction does and
// returns its CommandPacket, so no export lays out bytes itself. Counts travel
// high byte first; CommandPacket sets the block count from the final length.
#pragma once

#include <cstdint>
#include <span>

#include "connection/command.hpp"
#include "i2c/device_address.hpp"

namespace tessbridge::i2c {

// Whether the adapter ends the bus transaction with the command (stop) or
// leaves it open for the command that follows.
enum class Ending { Stop, KeepOpen };

// Write: [count of bytes after the address] [write address] [extension]
// [prefix] [data]. The prefix is the register or sub-address, if any.
CommandPacket write_packet(const DeviceAddress &device, std::span<const uint8_t> prefix,
                           std::span<const uint8_t> data, Ending ending = Ending::Stop);

// Plain read: [count] [read address].
CommandPacket read_packet(const DeviceAddress &device, uint16_t count, Ending ending);

// Write, repeated start, read: [write phase count] [read count] [write address]
// [read address] [extension] [prefix]. The write phase is the extension and
// the prefix.
CommandPacket write_read_packet(const DeviceAddress &device, std::span<const uint8_t> prefix,
                                uint16_t read_count);

// Write, repeated start, write: one group of [count] [write address]
// [extension] [bytes] per block.
CommandPacket write_write_packet(const DeviceAddress &first, std::span<const uint8_t> first_data,
                                 const DeviceAddress &second, std::span<const uint8_t> second_data);

// Bus clock: set the two divider counts; query them (the reply carries them).
CommandPacket set_clock_packet(uint8_t first_count, uint8_t second_count);
CommandPacket query_clock_packet();

}  // namespace tessbridge::i2c
