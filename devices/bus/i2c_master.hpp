// Runs an I2C transfer, described as data, on the simulated bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/bus/i2c_bus.hpp"

namespace devices {

// One segment of a transfer: a (repeated) START, the address byte, then either
// the bytes written or the number of bytes read. Segments after the first
// begin with a repeated START.
struct I2cSegment {
    std::uint8_t address_byte = 0;  // 8-bit bus form; bit 0 is forced by `read`
    bool read = false;
    std::vector<std::uint8_t> data;  // bytes written (write segments)
    std::size_t read_length = 0;     // bytes read (read segments)
};

enum class I2cOutcome : std::uint8_t {
    Done,
    AddressNotAcknowledged,  // an address byte (either byte of a 10-bit address) got no ACK
    DataNotAcknowledged,     // a data byte got no ACK
    BusBusy,                 // no START could be made: SDA is held low
};

struct I2cTransferResult {
    I2cOutcome outcome = I2cOutcome::Done;
    std::vector<std::uint8_t> data;  // every byte read, 0xFF for those never clocked
};

// Runs the segments in order. The master acknowledges every byte it reads
// except the last of each read segment. On the first missing acknowledge the
// transfer stops and a STOP ends the transaction. When every segment went
// through, a STOP follows only if `stop_at_end`; otherwise the transaction is
// left open and the next start() on the bus is a repeated START.
// In a write segment whose address byte has the 10-bit form, the first data
// byte is the second address byte: its NACK counts as an address NACK.
I2cTransferResult run_i2c_transfer(I2cBus &bus, const std::vector<I2cSegment> &segments,
                                   bool stop_at_end);

}  // namespace devices
