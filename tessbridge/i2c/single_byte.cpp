// Transactions that move a single data byte, with or without a register byte.
#include <tessbridge.h>

#include <array>
#include <span>

#include "i2c/i2c_exchange.hpp"
#include "i2c/i2c_packets.hpp"

namespace {

using namespace tessbridge;
using namespace tessbridge::i2c;

// The reads store a data byte on every call once they have somewhere to store
// it: the byte read, or 0xFF when it did not arrive.
uint8_t read_one(CommandPacket &packet, uint8_t *data) {
    uint8_t value = kNoReplyByte;
    const ReadOutcome outcome = read_exchange(packet, std::span(&value, 1));
    *data = value;
    return outcome.status;
}

}  // namespace

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteByte(uint8_t address, uint8_t reg,
                                                               uint8_t data) {
    return exported(kNotSent, [&] {
        const std::array<uint8_t, 1> value{data};
        CommandPacket packet =
            write_packet(DeviceAddress::seven_bit(address), std::span(&reg, 1), value);
        return write_exchange(packet, 1);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CSendByte(uint8_t address, uint8_t data) {
    return exported(kNotSent, [&] {
        CommandPacket packet =
            write_packet(DeviceAddress::seven_bit(address), {}, std::span(&data, 1));
        // The adapter answers with two bytes; the second means nothing here.
        return write_exchange(packet, 2);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReceiveByte(uint8_t address, uint8_t *data) {
    return exported(kNotSent, [&] {
        if (!usable(data, 1)) {
            return kRefused;
        }
        CommandPacket packet = read_packet(DeviceAddress::seven_bit(address), 1, Ending::Stop);
        return read_one(packet, data);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadByte(uint8_t address, uint8_t reg,
                                                              uint8_t *data) {
    return exported(kNotSent, [&] {
        if (!usable(data, 1)) {
            return kRefused;
        }
        CommandPacket packet =
            write_read_packet(DeviceAddress::seven_bit(address), std::span(&reg, 1), 1);
        return read_one(packet, data);
    });
}
