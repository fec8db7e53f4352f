#include "devices/bus/i2c_master.hpp"

#include "devices/bus/i2c_address.hpp"

namespace devices {
namespace {

// Runs one segment; returns Done or the reason it stopped. Bytes read are
// stored into `out` from `offset` on.
I2cOutcome run_segment(I2cBus &bus, const I2cSegment &segment, std::vector<std::uint8_t> &out,
                       std::size_t offset) {
    if (!bus.start()) {
        return I2cOutcome::BusBusy;
    }
    const auto address = static_cast<std::uint8_t>(segment.read ? (segment.address_byte | 1U)
                                                                : (segment.address_byte & 0xFEU));
    if (!bus.write(address)) {
        return I2cOutcome::AddressNotAcknowledged;
    }
    if (segment.read) {
        for (std::size_t i = 0; i < segment.read_length; ++i) {
            out[offset + i] = bus.read(i + 1 < segment.read_length);
        }
        return I2cOutcome::Done;
    }
    const bool ten_bit = is_ten_bit_first_byte(address);
    for (std::size_t i = 0; i < segment.data.size(); ++i) {
        if (!bus.write(segment.data[i])) {
            return ten_bit && i == 0 ? I2cOutcome::AddressNotAcknowledged
                                     : I2cOutcome::DataNotAcknowledged;
        }
    }
    return I2cOutcome::Done;
}

}  // namespace

I2cTransferResult run_i2c_transfer(I2cBus &bus, const std::vector<I2cSegment> &segments,
                                   bool stop_at_end) {
    std::size_t total_read = 0;
    for (const I2cSegment &segment : segments) {
        if (segment.read) {
            total_read += segment.read_length;
        }
    }
    I2cTransferResult result{I2cOutcome::Done, std::vector<std::uint8_t>(total_read, 0xFF)};
    std::size_t offset = 0;
    for (const I2cSegment &segment : segments) {
        result.outcome = run_segment(bus, segment, result.data, offset);
        if (result.outcome == I2cOutcome::BusBusy) {
            return result;  // no START went out, so no STOP either
        }
        if (result.outcome != I2cOutcome::Done) {
            bus.stop();
            return result;
        }
        if (segment.read) {
            offset += segment.read_length;
        }
    }
    if (stop_at_end) {
        bus.stop();
    }
    return result;
}

}  // namespace devices
