// The I2C bus clock. The adapter divides an 8 MHz time base by the sum of two
// divider counts (the bus clock period in 125 ns ticks): the first is half the
// period, the second the rest.
#include <tessbridge.h>

#include <array>

#include "i2c/i2c_exchange.hpp"
#include "i2c/i2c_packets.hpp"

namespace {

using namespace tessbridge;
using namespace tessbridge::i2c;

constexpr int32_t kTimeBaseKhz = 8000;
constexpr int32_t kTimeBaseHz = 8000000;
constexpr int32_t kSlowestKhz = 15;    // at or below: the slowest setting
constexpr int32_t kFastestKhz = 1000;  // above: the fastest setting
constexpr uint8_t kSlowestCount = 255;
constexpr uint8_t kFastestCount = 4;

struct Divider {
    uint8_t first;
    uint8_t second;
    [[nodiscard]] int32_t period() const { return int32_t{first} + int32_t{second}; }
};

Divider divider_for(int32_t khz) {
    if (khz <= kSlowestKhz) {
        return {kSlowestCount, kSlowestCount};
    }
    if (khz > kFastestKhz) {
        return {kFastestCount, kFastestCount};
    }
    // 16 to 1000 kHz: a period of 500 down to 8 ticks, so both halves fit a byte.
    const int32_t period = kTimeBaseKhz / khz;
    const auto first = static_cast<uint8_t>(period / 2);
    return {first, static_cast<uint8_t>(period - first)};
}

}  // namespace

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL SetI2CFrequency(int32_t khz) {
    return exported(int32_t{0}, [&] {
        const Divider divider = divider_for(khz);
        CommandPacket packet = set_clock_packet(divider.first, divider.second);
        return send_command(packet).sent ? kTimeBaseHz / divider.period() : 0;
    });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetI2CFrequency(void) {
    return exported(int32_t{0}, [] {
        // The reply: the two divider counts in force, then two hardware
        // information bytes that are not needed here.
        CommandPacket packet = query_clock_packet();
        std::array<uint8_t, 4> reply{};
        const CommandResult result = send_command(packet, reply);
        const Divider divider{reply[0], reply[1]};
        if (!result.sent || result.received < 2 || divider.period() == 0) {
            return 0;
        }
        return kTimeBaseKhz / divider.period();
    });
}
