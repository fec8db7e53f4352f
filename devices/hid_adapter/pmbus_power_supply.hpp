// A two-page PMBus power supply on the simulated I2C bus (a devices::I2cDevice).
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
// A write transaction sends the command byte, then its data; words go low byte
// first. The command byte selects what later reads answer. The write takes
// effect at STOP: a repeated START before it drops the data (the command stays
// selected, as for the usual "command, repeated START, read"). A read answers
// the selected command's data, then 0xFF bytes past its end.
//
// Not acknowledged, with the CML bit of STATUS_WORD set: an unsupported command
// byte, a data byte for a read-only command or for CLEAR_FAULTS, a bad PAGE
// value, a data byte past PAGE's one or VOUT_COMMAND's two, and the address of
// a read when the selected command has nothing to read. A refused write does
// nothing at STOP. A VOUT_COMMAND write with a single data byte is
// acknowledged (the byte count is only known at STOP), then sets CML and
// leaves VOUT_COMMAND unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/bus/i2c_device.hpp"

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

class PmbusPowerSupply final : public devices::I2cDevice {
  public:
    static constexpr std::size_t kPages = 2;

    struct PageState {
        std::uint16_t voutCommand = 0;  // linear16, exponent -9
        std::uint16_t iout = 0;         // linear11
        std::uint16_t temperature = 0;  // linear11
        std::uint16_t status = 0;
    };

    PmbusPowerSupply();

    bool start(bool read) override;
    bool write(std::uint8_t byte) override;
    std::uint8_t read(bool ack_from_master) override;
    void stop() override;

    [[nodiscard]] std::uint8_t page() const { return page_; }
    PageState &pageState(std::size_t page) { return pages_.at(page); }
    void setManufacturer(std::string id) { manufacturer_ = std::move(id); }

  private:
    [[nodiscard]] std::vector<std::uint8_t> readData(std::uint8_t command) const;
    [[nodiscard]] bool acceptsData(std::uint8_t byte) const;
    void execute();
    bool refuse();
    void endWrite();

    std::array<PageState, kPages> pages_{};
    std::uint8_t page_ = 0;
    std::uint8_t selected_ = 0;
    std::string manufacturer_ = "TESSPSU";

    // The write transaction in progress.
    bool writing_ = false;
    bool commandSeen_ = false;  // the command byte came
    bool refused_ = false;      // a byte was not acknowledged: nothing happens at STOP
    std::vector<std::uint8_t> data_;
    // The read transaction in progress.
    std::vector<std::uint8_t> reply_;
    std::size_t replyPosition_ = 0;
};

}  // namespace hid_adapter
