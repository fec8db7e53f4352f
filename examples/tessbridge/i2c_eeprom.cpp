// Writes a block into a 24C02 I2C EEPROM through libtessbridge and reads it back.
//
// A plain host program: it talks to whichever bulk adapter is attached and
// writes into the EEPROM at 7-bit address 0x50. `tess sim-run` runs it against
// the demo bench, whose 24C02 sits at that address.
#include <tessbridge.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <thread>

namespace {

constexpr uint8_t kEeprom = 0x50 << 1;  // 8-bit bus form; the library sets the R/W bit
constexpr uint8_t kBlockStart = 0x10;   // word address of the block, at a page start
constexpr std::size_t kPageBytes = 8;   // a 24C02 write must stay inside one page
constexpr auto kPageWriteTime = std::chrono::milliseconds(5);

}  // namespace

int main() {
    std::printf("I2C clock: %d Hz\n", SetI2CFrequency(100));

    // Write the block one page at a time: the word address, then the data. The
    // part programs a page for up to 5 ms before it answers again.
    constexpr std::string_view text = "Tessbridge demo!";
    for (std::size_t offset = 0; offset < text.size(); offset += kPageBytes) {
        const auto *page = reinterpret_cast<const uint8_t *>(text.data() + offset);
        const auto count = static_cast<uint16_t>(std::min(kPageBytes, text.size() - offset));
        const uint8_t status =
            I2CWriteArray(kEeprom, static_cast<uint8_t>(kBlockStart + offset), count, page);
        if (status != 0) {
            std::fprintf(stderr, "page write at 0x%02zX failed: status %u\n", kBlockStart + offset,
                         status);
            ShutdownProcedure();
            return 1;
        }
        std::this_thread::sleep_for(kPageWriteTime);
    }

    // Read it back: the word address, a repeated start, then the bytes.
    std::array<uint8_t, text.size()> block{};
    const uint8_t status =
        I2CReadArray(kEeprom, kBlockStart, static_cast<uint16_t>(block.size()), block.data());
    ShutdownProcedure();
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
    return 0;
}
