// Reads of a run of bytes: after a register or two-byte sub-address (up to 256
// bytes, one command), or plain (up to 65535 bytes in commands of 500).
#include <tessbridge.h>

#include <algorithm>
#include <array>
#include <span>

#include "i2c/i2c_exchange.hpp"
#include "i2c/i2c_packets.hpp"

namespace {

using namespace tessbridge;
using namespace tessbridge::i2c;

constexpr int32_t kRegisterReadLimit = 256;

// Write the sub-address, repeated start, read `count` bytes into `buffer`.
uint8_t register_read(const char *function, const DeviceAddress &device,
                      std::span<const uint8_t> sub_address, int32_t count, uint8_t *buffer) {
    if (!within_limit(count, kRegisterReadLimit, function)) {
        return kRefused;
    }
    const auto length = static_cast<uint16_t>(count);
    if (!usable(buffer, length)) {
        return kRefused;
    }
    CommandPacket packet = write_read_packet(device, sub_address, length);
    return read_exchange(packet, std::span(buffer, length)).status;
}

}  // namespace

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadArray(uint8_t address, uint8_t reg,
                                                               uint16_t count, uint8_t *buffer) {
    return exported(kNotSent, [&] {
        return register_read("I2CReadArray", DeviceAddress::seven_bit(address), std::span(&reg, 1),
                             count, buffer);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadArrayDB(uint8_t address, uint8_t sub_high,
                                                                 uint8_t sub_low, uint16_t count,
                                                                 uint8_t *buffer) {
    return exported(kNotSent, [&] {
        const std::array<uint8_t, 2> sub_address{sub_high, sub_low};
        return register_read("I2CReadArrayDB", DeviceAddress::seven_bit(address), sub_address,
                             count, buffer);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2C10ReadArray(uint16_t address, uint8_t reg,
                                                                 int32_t count, uint8_t *buffer) {
    return exported(kNotSent, [&] {
        return register_read("I2C10ReadArray", DeviceAddress::ten_bit(address), std::span(&reg, 1),
                             count, buffer);
    });
}

// Commands of 500 bytes, each naming the device again. Every command but the
// last leaves the transaction open; the last ends it or not by `end`, also when
// it is a full 500-byte command. A command that fails stops the read with 255;
// bytes of earlier commands stay in the buffer.
extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CRead(uint8_t address, uint16_t count,
                                                          uint8_t *buffer, int32_t end) {
    return exported(kNotSent, [&] {
        if (count == 0) {
            return uint8_t{0};
        }
        if (!usable(buffer, count)) {
            return kRefused;
        }
        const DeviceAddress device = DeviceAddress::seven_bit(address);
        const std::span destination(buffer, count);
        ReadOutcome outcome;
        for (std::size_t offset = 0; offset < destination.size(); offset += kLongestRead) {
            const auto chunk = destination.subspan(offset).first(
                std::min(kLongestRead, destination.size() - offset));
            const bool last = offset + chunk.size() == destination.size();
            const Ending ending = last && end != 0 ? Ending::Stop : Ending::KeepOpen;
            CommandPacket packet = read_packet(device, static_cast<uint16_t>(chunk.size()), ending);
            outcome = read_exchange(packet, chunk);
            if (!outcome.complete) {
                break;
            }
        }
        return outcome.status;
    });
}
