// Reads an SPI NOR flash through libtessbridge: its JEDEC ID, its status
// register and the start of its first page. It only reads.
//
// A plain host program: it talks to whichever bulk adapter is attached.
// `tess sim-run` runs it against the demo bench, whose flash is blank.
#include <tessbridge.h>

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr uint8_t kReadJedecId = 0x9F;
constexpr uint8_t kReadStatus = 0x05;
constexpr uint8_t kReadData = 0x03;  // then a 24-bit address, high byte first
constexpr uint16_t kIdBytes = 3;
constexpr uint16_t kShownBytes = 32;

}  // namespace

int main() {
    // SPI mode 0 at 1 MHz.
    Enable_SPI();
    SPI_Configure(0);
    std::printf("SPI clock: %d kHz\n", SPI_SetFrequency(1000));

    // JEDEC ID: send 0x9F, then read the three ID bytes.
    const uint8_t read_id[] = {kReadJedecId};
    std::array<uint8_t, kIdBytes> id{};
    const uint8_t read_status[] = {kReadStatus};
    std::array<uint8_t, 1> status{};
    // Page 0: send 0x03 and address 0, then read.
    const uint8_t read_page[] = {kReadData, 0x00, 0x00, 0x00};
    std::array<uint8_t, kShownBytes> page{};
    const bool read = SPI_WriteRead(sizeof read_id, kIdBytes, read_id, id.data()) == 0 &&
                      SPI_WriteRead(sizeof read_status, 1, read_status, status.data()) == 0 &&
                      SPI_WriteRead(sizeof read_page, kShownBytes, read_page, page.data()) == 0;
    ShutdownProcedure();
    if (!read) {
        std::fprintf(stderr, "the flash did not answer\n");
        return 1;
    }
    std::printf("JEDEC ID: manufacturer %02X, memory type %02X, capacity %02X\n", id[0], id[1],
                id[2]);
    std::printf("Status register: %02X\n", status[0]);
    std::printf("Page 0, first %u bytes:\n", unsigned{kShownBytes});
    for (std::size_t i = 0; i < page.size(); ++i) {
        std::printf("%02X%c", page[i], i % 16 == 15 ? '\n' : ' ');
    }
    return 0;
}
