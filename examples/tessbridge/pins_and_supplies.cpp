// Identifies an adapter, then switches its supply outputs and pins through
// libtessbridge and reads them back.
//
// The adapter is simulated: a bulk adapter model that remembers its supplies
// and pins, plugged into the simulated driver toolkit. The library's start-up
// ran when this program was loaded; it found no adapter yet and waited 2 s.
#include <tessbridge.h>
#include <wdapi801_sim.h>

#include <array>
#include <cstdint>
#include <cstdio>

#include "devices/bulk_adapter/sim_adapter.hpp"

namespace {

const char *on_off(bool on) { return on ? "on" : "off"; }

}  // namespace

int main() {
    devices::SimAdapter adapter;
    const wdsim_model model = adapter.model();
    const wdsim_adapter usb{0x04CC, 0xF297, 0, "0815", &model};
    const wd_handle device = wdsim_plug(&usb);
    if (device == 0 || wdsim_settle(5000) != 1) {
        std::fprintf(stderr, "the simulated adapter did not attach\n");
        return 1;
    }

    // Which adapter is this?
    std::array<int32_t, 10> serials{};
    const int32_t adapters = GetSerialNumbers(serials.data());
    std::printf("%d adapter(s), the first with serial number %04d\n", adapters, serials[0]);
    std::array<uint8_t, 3> info{};
    if (GetHardwareInfo(info.data()) == 0) {
        std::printf("I2C clock %d kHz, hardware information %02X %02X\n", 2 * info[0], info[1],
                    info[2]);
    }
    std::printf("Firmware revision %02X, library version %X\n", GetFirmwareRevision(),
                Get_DLL_Version());

    // Supplies: the switches answer -1 once the command went out. The adapter
    // does not report them, so the model is asked what it holds.
    const int32_t switched3v = Enable3VOutputPower(1);
    const int32_t switched5v = Enable5VOutputPower(0);
    const auto [on3v, on5v] = adapter.with_firmware([](const devices::BulkAdapterFirmware &fw) {
        return std::array<bool, 2>{fw.supply_3v_on(), fw.supply_5v_on()};
    });
    std::printf("3 V supply %s (result %d), 5 V supply %s (result %d)\n", on_off(on3v), switched3v,
                on_off(on5v), switched5v);

    // The general-purpose output; bit 0 of the IO byte reads it back.
    Write_IO(1);
    std::printf("IO byte after Write_IO(1): %02X\n", Read_IO());
    Write_IO(0);
    std::printf("IO byte after Write_IO(0): %02X\n", Read_IO());

    // The SPI lines as plain IO: bit 0 SCK, 1 MOSI, 2 MISO (an input), 3 CS.
    Disable_SPI();
    GPIO_SPI_Write(0x09);  // SCK and CS high, MOSI low
    // Reads back 0xD: MISO is pulled high.
    std::printf("SPI lines after writing 0x9: %X\n", GPIO_SPI_Read());
    Enable_SPI();

    // The I2C lines as plain IO: bit 0 SDA, bit 1 SCL.
    Disable_I2C();
    GPIO_I2C_Write(0x02);  // SCL high, SDA pulled low
    std::printf("I2C lines after writing 0x2: %X\n", GPIO_I2C_Read());
    GPIO_I2C_Write(0x03);  // both released
    std::printf("I2C lines after writing 0x3: %X\n", GPIO_I2C_Read());
    Enable_I2C();

    ShutdownProcedure();
    wdsim_unplug(device);
    wdsim_settle(5000);
    return 0;
}
