// Reads an SPI NOR flash through libtessbridge: its JEDEC ID, then one page.
//
// The adapter is simulated: a bulk adapter model with a flash on its SPI bus,
// plugged into the simulated driver toolkit. The library's start-up ran when
// this program was loaded; it found no adapter yet and waited 2 s.
#include <tessbridge.h>
#include <wdapi801_sim.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "devices/bulk_adapter/demo_bench.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"

namespace {

constexpr uint8_t kReadJedecId = 0x9F;
constexpr uint8_t kReadData = 0x03;  // then a 24-bit address, high byte first
constexpr uint16_t kIdBytes = 3;
constexpr uint16_t kPageBytes = 256;

}  // namespace

int main() {
    // A simulated adapter with a flash whose first page starts with a greeting.
    devices::SimAdapter adapter;
    const devices::DemoBench bench = devices::install_demo_bench(adapter);
    constexpr std::string_view greeting = "Hello from the SPI flash!";
    bench.flash->load(0, std::vector<uint8_t>(greeting.begin(), greeting.end()));

    const wdsim_model model = adapter.model();
    const wdsim_adapter usb{0x04CC, 0xF297, 0, "1234", &model};
    const wd_handle device = wdsim_plug(&usb);
    if (device == 0 || wdsim_settle(5000) != 1) {
        std::fprintf(stderr, "the simulated adapter did not attach\n");
        return 1;
    }
    // The attach selected the new adapter: every command goes to it now.

    // SPI mode 0 at 1 MHz.
    Enable_SPI();
    SPI_Configure(0);
    std::printf("SPI clock: %d kHz\n", SPI_SetFrequency(1000));

    // JEDEC ID: send 0x9F, then read the three ID bytes.
    const uint8_t readId[] = {kReadJedecId};
    std::array<uint8_t, kIdBytes> id{};
    if (SPI_WriteRead(sizeof readId, kIdBytes, readId, id.data()) != 0) {
        std::fprintf(stderr, "JEDEC ID read failed\n");
        return 1;
    }
    std::printf("JEDEC ID: manufacturer %02X, memory type %02X, capacity %02X\n", id[0], id[1],
                id[2]);

    // Page 0: send 0x03 and address 0, then read 256 bytes.
    const uint8_t readPage[] = {kReadData, 0x00, 0x00, 0x00};
    std::array<uint8_t, kPageBytes> page{};
    if (SPI_WriteRead(sizeof readPage, kPageBytes, readPage, page.data()) != 0) {
        std::fprintf(stderr, "page read failed\n");
        return 1;
    }
    std::printf("Page 0, first 32 bytes:\n");
    for (std::size_t i = 0; i < 32; ++i) {
        std::printf("%02X%c", page[i], i % 16 == 15 ? '\n' : ' ');
    }
    std::printf("As text: \"");
    for (std::size_t i = 0; i < 32 && std::isprint(page[i]); ++i) {
        std::putchar(page[i]);
    }
    std::printf("\"\n");

    ShutdownProcedure();
    wdsim_unplug(device);
    wdsim_settle(5000);
    return 0;
}
