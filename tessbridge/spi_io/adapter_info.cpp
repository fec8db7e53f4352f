// Adapter information and supply outputs: the cached serial numbers, the
// hardware information and firmware revision queries, the library version and
// the 3 V and 5 V supply switches.
#include <tessbridge.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "connection/c_boundary.hpp"
#include "connection/command.hpp"
#include "connection/driver_state.hpp"
#include "conversions.hpp"
#include "i2c/i2c_packets.hpp"
#include "short_commands.hpp"

namespace {

constexpr uint8_t k3VSupplyOff = 0x70;  // 0x71 switches it on
constexpr uint8_t k5VSupplyOff = 0x74;  // 0x75 switches it on
constexpr uint8_t kFirmwareRevisionQuery = 0xF0;

constexpr int32_t kLibraryVersion = 0x1811;  // 1.8.1.1, one hex digit per part
constexpr int32_t kSupplySwitched = -1;      // the supply switches' success value
constexpr uint8_t kNotAnswered = 255;

int32_t switch_supply(uint8_t offCode, int32_t on) {
    return tessbridge::send_code(tessbridge::switch_code(offCode, on)) ? kSupplySwitched : 0;
}

}  // namespace

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetSerialNumbers(int32_t *serialNumbers) {
    using namespace tessbridge;
    return exported<int32_t>(0, [&] {
        if (serialNumbers == nullptr || SerialTable.front().load() == 0) {
            return 0;
        }
        // The table has ten slots; adapters beyond the tenth have no serial number cached.
        const std::size_t count =
            std::min<std::size_t>(driverState.adapterCount.load(), SerialTable.size());
        for (std::size_t slot = 0; slot < count; ++slot) {
            serialNumbers[slot] = SerialTable[slot].load();
        }
        return static_cast<int32_t>(count);
    });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetHardwareInfo(uint8_t *record) {
    using namespace tessbridge;
    return exported<int32_t>(kNotAnswered, [&] {
        if (record == nullptr) {
            return int32_t{kNotAnswered};
        }
        // The I2C clock query answers with the two clock divider counts, then
        // the two hardware information bytes.
        CommandPacket packet = i2c::query_clock_packet();
        std::array<uint8_t, 4> answer{};
        if (!send_command(packet, answer).answered(answer.size())) {
            std::fill_n(record, 3, uint8_t{0});
            return int32_t{kNotAnswered};
        }
        record[0] = i2c_clock_in_2khz_units(answer[0], answer[1]);
        record[1] = answer[2];
        record[2] = answer[3];
        return 0;
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GetFirmwareRevision(void) {
    using namespace tessbridge;
    return exported(kNotAnswered,
                    [] { return query_byte(kFirmwareRevisionQuery).value_or(kNotAnswered); });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Get_DLL_Version(void) {
    return tessbridge::exported(kLibraryVersion, [] { return kLibraryVersion; });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable3VOutputPower(int32_t on) {
    return tessbridge::exported(0, [&] { return switch_supply(k3VSupplyOff, on); });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable5VOutputPower(int32_t on) {
    return tessbridge::exported(0, [&] { return switch_supply(k5VSupplyOff, on); });
}
