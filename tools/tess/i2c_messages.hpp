// The messages of a combined I2C transfer, parsed from the command line the way
// i2ctransfer does: "w3@0x50 0x00 0x10 0x20 r8" is a 3-byte write to 0x50, a
// repeated START, and an 8-byte read from the same address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tess {

struct I2cMessage {
    bool read = false;
    std::uint16_t address = 0;         // 7-bit, or 10-bit when the transfer is 10-bit
    std::size_t length = 0;            // bytes to read or write
    std::vector<std::uint8_t> data;    // the bytes of a write

    friend bool operator==(const I2cMessage &, const I2cMessage &) = default;
};

inline constexpr std::size_t kMaxWriteMessage = 500;    // one write command of the adapter
inline constexpr std::size_t kMaxReadMessage = 65535;   // one chunked read

// Parses the words after "transfer". A message is "r<len>[@addr]" or
// "w<len>[@addr]" followed by exactly <len> byte values; the first message must
// name its address, later ones default to the one before. `force` lets
// reserved 7-bit addresses through. Throws ToolError (BadArgument) with a hint
// on any mistake.
std::vector<I2cMessage> parse_i2c_messages(const std::vector<std::string> &words, bool ten_bit,
                                           bool force);

}  // namespace tess
