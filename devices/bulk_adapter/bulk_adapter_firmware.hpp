// The bulk adapter's firmware as a model: command packets in (bulk OUT 0x02),
// reply bytes out (bulk IN 0x82), with the I2C and SPI buses behind it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "devices/bulk_adapter/bulk_adapter_protocol.hpp"
#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/spi_bus.hpp"

namespace devices {

struct I2cDividers {
    std::uint8_t first = 40;  // ticks of the 8 MHz time base; 40 + 40 is 100 kHz
    std::uint8_t second = 40;

    friend bool operator==(const I2cDividers &, const I2cDividers &) = default;
};

// Framing. A packet is byte 0 the number of 64-byte blocks it fills, byte 1 the
// command code, then the command's fields (16-bit counts high byte first).
// A packet is REJECTED (no effect, no reply; rejected_packets() counts it) when
//   - it is shorter than 2 bytes or longer than 512,
//   - byte 0 is not (length + 63) / 64,
//   - the command code is unknown,
//   - its length is not exactly what its fields announce (a truncated or
//     overlong packet), or a read count is over 500.
// So a malformed packet never reads or writes out of bounds, and the host's
// IN transfer that follows it times out.
//
// Replies queue up in order (at most 16; the oldest is dropped beyond that).
// take_reply() hands out the oldest, cut to the length the host asks for (the
// rest of that reply is dropped, as with a short USB read).
//
// I2C commands (reply: status byte, then data):
//   0x00 / 0x01  count(2) addr data[count]: write; 0x00 ends with STOP, 0x01
//                leaves the transaction open so the next I2C command starts with
//                a repeated START. Reply: status, 0x00 (padding).
//   0x20 / 0x21  count(2) addr: read count bytes; STOP / left open as above.
//                Reply: status, count data bytes.
//   0x30         len1(2) addr1 data1[len1] len2(2) addr2 data2[len2]: write,
//                repeated START, write, STOP. Reply: status, 0x00.
//   0x40         wcount(2) rcount(2) waddr raddr wdata[wcount]: write, repeated
//                START, read rcount bytes, STOP. Reply: status, rcount data bytes.
//   The adapter forces the R/W bit of each address byte. A 10-bit address is
//   sent as the I2C-bus specification defines: first byte 11110xx0 as the
//   address, the second byte as the first data byte; the read phase re-sends
//   only the first byte with the R/W bit set. The master ACKs each byte it
//   reads except the last of each command. On a missing acknowledge the
//   command stops there and ends the transaction with a STOP, whatever its
//   code. Data bytes that were not read are 0xFF in the reply.
//   Status: 0 success, 1 address not acknowledged, 2 data byte not
//   acknowledged, 3 I2C function switched off (nothing on the bus), 4 bus busy
//   (SDA held low, no START).
//   0x90 first second: set the clock dividers (no reply; a pair with a 0 is
//   rejected). 0xF7: reply first, second, hardware info 0, hardware info 1.
//
// SPI commands (one chip select around each command's bytes):
//   0x60 count(2) data: write; reply 1 byte, the status (0, or 3 when the SPI
//        function is off and nothing was sent).
//   0x61 count(2) data: exchange; reply count bytes read from MISO.
//   0x62 wcount(2) rcount(2) data[wcount]: write, then read rcount bytes
//        (MOSI 0xFF while reading); reply rcount bytes.
//   0x63 count-1(2) data[count]: as 0x60, the length field counting the bytes
//        after the first (a field of 0xFFFF means no byte at all).
//   With the SPI function off, 0x61 and 0x62 reply with 0xFF bytes and send
//   nothing. 0x64 code: clock code 0..3 (larger codes are rejected).
//   0x65 mode: mode byte, kept with bits 5, 3, 2 (the rest dropped). The model
//   keeps mode and clock but does not shape the traffic by them.
//
// Supplies, IO and pins (no reply unless stated):
//   0x70/0x71, 0x74/0x75: 3 V / 5 V supply off/on (both start off). Switching
//        either off powers the I2C devices down: one that held SDA low lets go.
//   0x86/0x87: IO output low/high (starts low). 0x83: reply 1 byte, the IO
//        port: bit 0 the output level, bits 7..1 from set_io_inputs().
//   0x88/0x89: SPI function off/on; 0x8C/0x8D: I2C function off/on (both start
//        on). Switching I2C off ends an open transaction with a STOP; off or
//        on, the adapter releases both I2C lines.
//   0x8E pins: with the I2C function off, drive SDA (bit 2) and SCL (bit 3)
//        as open drain; each SCL rise clocks the bus devices, so a device that
//        holds SDA low lets go after its clocks. Ignored while the function is on.
//   0x8F: reply 1 byte, the I2C line levels (SDA bit 2, SCL bit 3).
//   0x8A pins: with the SPI function off, drive SCK (bit 5), MOSI (bit 4) and
//        CS (bit 2); ignored while the function is on. Not decoded as SPI.
//   0x8B: reply 1 byte, the SPI line levels (bits 5..2). With the function on,
//        the idle levels: SCK at the mode's clock polarity, MOSI, MISO and CS
//        high. MISO always reads high (pulled up).
//   0xF0: reply 1 byte, the firmware revision.
//
// Not thread-safe: SimAdapter adds the lock for the toolkit's threads.
class BulkAdapterFirmware {
public:
    // What the firmware answers to identification queries unless told otherwise:
    // revision 0x15; hardware info byte 0 the board revision (2), byte 1 feature
    // bits (bit 0 I2C, 1 SPI, 2 IO, 3 3 V supply, 4 5 V supply).
    static constexpr std::uint8_t kDefaultFirmwareRevision = 0x15;
    static constexpr std::array<std::uint8_t, 2> kDefaultHardwareInfo{0x02, 0x1F};

    BulkAdapterFirmware() = default;

    // ---- the two endpoints ----
    // One command packet as it arrived on bulk OUT 0x02.
    void receive(std::span<const std::uint8_t> packet);
    // The next reply for bulk IN 0x82, cut to max_length; nullopt when none is
    // pending (the IN transfer times out).
    std::optional<std::vector<std::uint8_t>> take_reply(std::size_t max_length);
    [[nodiscard]] std::size_t pending_replies() const { return replies_.size(); }
    [[nodiscard]] std::size_t rejected_packets() const { return rejected_; }

    // ---- the buses behind the adapter ----
    I2cBus &i2c_bus() { return i2c_; }
    [[nodiscard]] const I2cBus &i2c_bus() const { return i2c_; }
    SpiBus &spi_bus() { return spi_; }
    [[nodiscard]] const SpiBus &spi_bus() const { return spi_; }

    // ---- state the adapter remembers ----
    [[nodiscard]] bool supply_3v_on() const { return supply_3v_; }
    [[nodiscard]] bool supply_5v_on() const { return supply_5v_; }
    [[nodiscard]] bool io_output_high() const { return io_output_; }
    [[nodiscard]] bool i2c_enabled() const { return i2c_enabled_; }
    [[nodiscard]] bool spi_enabled() const { return spi_enabled_; }
    [[nodiscard]] bool i2c_transaction_open() const { return i2c_.in_transaction(); }
    [[nodiscard]] std::uint8_t i2c_pin_byte() const;  // as 0x8F answers
    [[nodiscard]] std::uint8_t spi_pin_byte() const;  // as 0x8B answers
    [[nodiscard]] std::uint8_t io_port_byte() const;  // as 0x83 answers
    [[nodiscard]] std::uint8_t spi_mode_byte() const { return spi_mode_; }
    [[nodiscard]] std::uint8_t spi_clock_code() const { return spi_clock_; }
    [[nodiscard]] I2cDividers i2c_dividers() const { return dividers_; }
    [[nodiscard]] std::uint8_t firmware_revision() const { return revision_; }
    [[nodiscard]] std::array<std::uint8_t, 2> hardware_info() const { return hardware_info_; }

    void set_firmware_revision(std::uint8_t revision) { revision_ = revision; }
    void set_hardware_info(std::array<std::uint8_t, 2> info) { hardware_info_ = info; }
    // Levels of the IO port's input bits 7..1 (bit 0 is the output).
    void set_io_inputs(std::uint8_t inputs) { io_inputs_ = inputs; }

private:
    bool dispatch(std::span<const std::uint8_t> packet);
    bool run_i2c(std::span<const std::uint8_t> packet);
    bool run_spi(std::span<const std::uint8_t> packet);
    bool run_control(std::span<const std::uint8_t> packet);
    void reply(std::vector<std::uint8_t> bytes);

    I2cBus i2c_;
    SpiBus spi_;
    std::deque<std::vector<std::uint8_t>> replies_;
    std::size_t rejected_ = 0;

    bool supply_3v_ = false;
    bool supply_5v_ = false;
    bool io_output_ = false;
    std::uint8_t io_inputs_ = 0;
    bool i2c_enabled_ = true;
    bool spi_enabled_ = true;
    std::uint8_t spi_pins_ = kSpiIdlePins;  // levels driven as IO (bits 5..2)
    std::uint8_t spi_mode_ = 0;
    std::uint8_t spi_clock_ = 0;
    I2cDividers dividers_;
    std::uint8_t revision_ = kDefaultFirmwareRevision;
    std::array<std::uint8_t, 2> hardware_info_ = kDefaultHardwareInfo;

    static constexpr std::uint8_t kSpiIdlePins =
        bulk::kSpiPinMosi | bulk::kSpiPinMiso | bulk::kSpiPinCs;
};

}  // namespace devices
