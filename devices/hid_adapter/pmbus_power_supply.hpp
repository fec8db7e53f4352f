// A two-page PMBus power supply on the simulated I2C bus.
//
// Commands (PMBus specification codes):
//   PAGE 0x00               read/write byte, 0 or 1
//   CLEAR_FAULTS 0x03       send byte, clears STATUS_WORD of the page
//   VOUT_MODE 0x20          read byte, linear mode with exponent -9 (0x17)
//   VOUT_COMMAND 0x21       read/write word, linear16; READ_VOUT follows it
//   STATUS_WORD 0x79        read word
//   READ_VOUT 0x8B          read word, linear16
//   READ_IOUT 0x8C          read word, linear11
//   READ_TEMPERATURE_1 0x8D read word, linear11
//   MFR_ID 0x99             block read: count byte, then ASCII text
// Words go low byte first. A read past a command's data gives 0xFF bytes. An
// unsupported command, a write to a read-only command or a bad PAGE value is
// not acknowledged and sets the CML bit of STATUS_WORD.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "i2c_bus.hpp"

namespace hid_adapter {

namespace pmbus {
enum Command : std::uint8_t {
    kPage = 0x00,
    kClearFaults = 0x03,
    kVoutMode = 0x20,
    kVoutCommand = 0x21,
    kStatusWord = 0x79,
    kReadVout = 0x8B,
    kReadIout = 0x8C,
    kReadTemperature1 = 0x8D,
    kMfrId = 0x99,
};
inline constexpr std::uint16_t kStatusCml = 0x0002;
inline constexpr std::uint8_t kVoutModeLinearExp9 = 0x17;

// Linear11: 5-bit signed exponent in bits 15-11, 11-bit signed mantissa.
constexpr std::uint16_t linear11(int mantissa, int exponent) {
    return static_cast<std::uint16_t>(((static_cast<unsigned>(exponent) & 0x1FU) << 11) |
                                      (static_cast<unsigned>(mantissa) & 0x7FFU));
}
}  // namespace pmbus

class PmbusPowerSupply final : public I2cTarget {
  public:
    static constexpr std::size_t kPages = 2;

    struct PageState {
        std::uint16_t voutCommand = 0;  // linear16, exponent -9
        std::uint16_t iout = 0;         // linear11
        std::uint16_t temperature = 0;  // linear11
        std::uint16_t status = 0;
    };

    PmbusPowerSupply();

    bool write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> bytes) override;

    [[nodiscard]] std::uint8_t page() const { return page_; }
    PageState &pageState(std::size_t page) { return pages_.at(page); }
    void setManufacturer(std::string id) { manufacturer_ = std::move(id); }

  private:
    [[nodiscard]] std::vector<std::uint8_t> readData(std::uint8_t command) const;
    bool refuse();

    std::array<PageState, kPages> pages_{};
    std::uint8_t page_ = 0;
    std::uint8_t selected_ = 0;
    std::string manufacturer_ = "TESSPSU";
};

}  // namespace hid_adapter
