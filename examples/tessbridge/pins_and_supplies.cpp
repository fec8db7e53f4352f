// Identifies an adapter, then switches its supply outputs and pins through
// libtessbridge and reads them back.
//
// A plain host program: it talks to whichever bulk adapter is attached and
// switches its 3 V supply on and its 5 V supply off. `tess sim-run` runs it
// against a simulated adapter.
#include <tessbridge.h>

#include <array>
#include <cstdint>
#include <cstdio>

int main() {
    // Which adapter is this?
    std::array<int32_t, 10> serials{};
    const int32_t adapters = GetSerialNumbers(serials.data());
    if (adapters == 0) {
        std::fprintf(stderr, "no adapter attached\n");
        ShutdownProcedure();
        return 1;
    }
    std::printf("%d adapter(s), the first with serial number %04d\n", adapters, serials[0]);
    std::array<uint8_t, 3> info{};
    if (GetHardwareInfo(info.data()) == 0) {
        std::printf("I2C clock %d kHz, hardware information %02X %02X\n", 2 * info[0], info[1],
                    info[2]);
    }
    std::printf("Firmware revision %02X, library version %X\n", GetFirmwareRevision(),
                Get_DLL_Version());

    // Supplies: the switches answer -1 once the command went out; the adapter
    // does not report the supplies' state.
    std::printf("3 V supply on: result %d\n", Enable3VOutputPower(1));
    std::printf("5 V supply off: result %d\n", Enable5VOutputPower(0));

    // The general-purpose output; bit 0 of the IO byte reads it back.
    Write_IO(1);
    std::printf("IO byte after Write_IO(1): %02X\n", Read_IO());
    Write_IO(0);
    std::printf("IO byte after Write_IO(0): %02X\n", Read_IO());

    // The SPI lines as plain IO: bit 0 SCK, 1 MOSI, 2 MISO (an input), 3 CS.
    Disable_SPI();
    GPIO_SPI_Write(0x09);  // SCK and CS high, MOSI low
    // Reads back 0xD when MISO is pulled high.
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
    return 0;
}
