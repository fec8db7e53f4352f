// Writes of a run of bytes from the caller's buffer, each in one command:
// plain, after a register or a two-byte sub-address, to a 10-bit device, and
// two blocks joined by a repeated start.
#include <tessbridge.h>

#include <array>
#include <span>

#include "i2c/i2c_exchange.hpp"
#include "i2c/i2c_packets.hpp"

namespace {

using namespace tessbridge;
using namespace tessbridge::i2c;

constexpr int32_t kLongWriteLimit = 500;
constexpr int32_t kShortWriteLimit = 256;

// The write commands with a sub-address are answered with two bytes, the
// status and one that means nothing here.
constexpr std::size_t kArrayWriteReply = 2;
constexpr std::size_t kPlainWriteReply = 1;

// Write the sub-address and `count` bytes of `data` in one command.
uint8_t register_write(const char *function, int32_t limit, const DeviceAddress &device,
                       std::span<const uint8_t> sub_address, int32_t count, const uint8_t *data) {
    if (!within_limit(count, limit, function)) {
        return kRefused;
    }
    const auto length = static_cast<std::size_t>(count);
    if (!usable(data, length)) {
        return kRefused;
    }
    CommandPacket packet = write_packet(device, sub_address, std::span(data, length));
    return write_exchange(packet, kArrayWriteReply);
}

}  // namespace

// A count of 0 has nothing to write: nothing is sent and the result is 0.
extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWrite(uint8_t address, uint16_t count,
                                                           const uint8_t *data, int32_t end) {
    return exported(kNotSent, [&] {
        if (count == 0) {
            return uint8_t{0};
        }
        if (!within_limit(count, kLongWriteLimit, "I2CWrite")) {
            return kRefused;
        }
        if (!usable(data, count)) {
            return kRefused;
        }
        CommandPacket packet =
            write_packet(DeviceAddress::seven_bit(address), {}, std::span(data, count),
                         end != 0 ? Ending::Stop : Ending::KeepOpen);
        return write_exchange(packet, kPlainWriteReply);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteArray(uint8_t address, uint8_t reg,
                                                                uint16_t count,
                                                                const uint8_t *data) {
    return exported(kNotSent, [&] {
        return register_write("I2CWriteArray", kLongWriteLimit, DeviceAddress::seven_bit(address),
                              std::span(&reg, 1), count, data);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteArrayDB(uint8_t address, uint8_t sub_high,
                                                                  uint8_t sub_low, uint16_t count,
                                                                  const uint8_t *data) {
    return exported(kNotSent, [&] {
        const std::array<uint8_t, 2> sub_address{sub_high, sub_low};
        return register_write("I2CWriteArrayDB", kShortWriteLimit,
                              DeviceAddress::seven_bit(address), sub_address, count, data);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2C10WriteArray(uint16_t address, uint8_t reg,
                                                                  int32_t count,
                                                                  const uint8_t *data) {
    return exported(kNotSent, [&] {
        return register_write("I2C10WriteArray", kShortWriteLimit, DeviceAddress::ten_bit(address),
                              std::span(&reg, 1), count, data);
    });
}

// The limit applies to both blocks together.
extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL
I2CWriteRepWrite(uint8_t first_address, uint16_t first_count, const uint8_t *first_data,
                 uint8_t second_address, uint16_t second_count, const uint8_t *second_data) {
    return exported(kNotSent, [&] {
        if (!within_limit(int64_t{first_count} + int64_t{second_count}, kLongWriteLimit,
                          "I2CWriteRepWrite")) {
            return kRefused;
        }
        if (!usable(first_data, first_count) || !usable(second_data, second_count)) {
            return kRefused;
        }
        CommandPacket packet = write_write_packet(
            DeviceAddress::seven_bit(first_address), std::span(first_data, first_count),
            DeviceAddress::seven_bit(second_address), std::span(second_data, second_count));
        return write_exchange(packet, kPlainWriteReply);
    });
}
