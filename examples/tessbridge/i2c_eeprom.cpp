// Writes a block into a 24C02 I2C EEPROM through libtessbridge and reads it back.
//
// The adapter is simulated: a bulk adapter model with a 24C02 at bus address
// 0xA0, plugged into the simulated driver toolkit. The library's start-up ran
// when this program was loaded; it found no adapter yet and waited 2 s.
#include <tessbridge.h>
#include <wdapi801_sim.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "devices/bulk_adapter/sim_adapter.hpp"
#include "devices/bus/i2c_eeprom.hpp"

namespace {

constexpr uint8_t kEeprom = 0xA0;      // 8-bit bus form; the library sets the R/W bit
constexpr uint8_t kBlockStart = 0x10;  // word address of the block, at a page start
constexpr std::size_t kPageBytes = 8;  // a 24C02 write must stay inside one page

}  // namespace

int main() {
    // A simulated adapter with a fresh 24C02 on its I2C bus.
    devices::SimAdapter adapter;
    adapter.with_firmware([](devices::BulkAdapterFirmware &firmware) {
        firmware.i2c_bus().attach(devices::I2cAddress::bus_form(kEeprom),
                                  std::make_shared<devices::Eeprom24C02>());
    });
    const wdsim_model model = adapter.model();
    const wdsim_adapter usb{0x04CC, 0xF297, 0, "1234", &model};
    const wd_handle device = wdsim_plug(&usb);
    if (device == 0 || wdsim_settle(5000) != 1) {
        std::fprintf(stderr, "the simulated adapter did not attach\n");
        return 1;
    }
    // The attach selected the new adapter: every command goes to it now.

    std::printf("I2C clock: %d Hz\n", SetI2CFrequency(100));

    // Write the block one page at a time: the word address, then the data. A
    // real part needs about 5 ms to program a page before it answers again;
    // the model programs at once.
    constexpr std::string_view text = "Tessbridge demo!";
    for (std::size_t offset = 0; offset < text.size(); offset += kPageBytes) {
        const auto *page = reinterpret_cast<const uint8_t *>(text.data() + offset);
        const auto count = static_cast<uint16_t>(std::min(kPageBytes, text.size() - offset));
        const uint8_t status =
            I2CWriteArray(kEeprom, static_cast<uint8_t>(kBlockStart + offset), count, page);
        if (status != 0) {
            std::fprintf(stderr, "page write at 0x%02zX failed: status %u\n", kBlockStart + offset,
                         status);
            return 1;
        }
    }

    // Read it back: the word address, a repeated start, then the bytes.
    std::array<uint8_t, text.size()> block{};
    const uint8_t status =
        I2CReadArray(kEeprom, kBlockStart, static_cast<uint16_t>(block.size()), block.data());
    if (status != 0) {
        std::fprintf(stderr, "read failed: status %u\n", status);
        return 1;
    }
    std::printf("EEPROM 0x%02X-0x%02zX:", kBlockStart, kBlockStart + block.size() - 1);
    for (const uint8_t byte : block) {
        std::printf(" %02X", byte);
    }
    std::printf("\nAs text: \"%.*s\"\n", static_cast<int>(block.size()),
                reinterpret_cast<const char *>(block.data()));

    ShutdownProcedure();
    wdsim_unplug(device);
    wdsim_settle(5000);
    return 0;
}
