// A simulated I2C bus at the byte level, as the wire sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "devices/bus/i2c_address.hpp"
#include "devices/bus/i2c_device.hpp"
#include "devices/bus/i2c_event.hpp"

namespace devices {

// The master's view of the bus: START, bytes with acknowledge, STOP, plus the
// two lines as open-drain IO. Devices are routed by 7-bit or 10-bit address:
//   - after a START, an address byte 11110xx0 is the first byte of a 10-bit
//     address; it is acknowledged when some 10-bit device has those two high
//     bits, and the next byte written completes the address;
//   - a repeated START followed by 11110xx1 addresses, for reading, the 10-bit
//     device that the same transaction addressed for writing (as the I2C-bus
//     specification defines); without such a write it is not acknowledged;
//   - any other address byte is a 7-bit address with the R/W bit in bit 0.
// An absent address is not acknowledged; the transaction's later bytes are
// then not acknowledged either and reads return 0xFF (the bus idles high).
//
// Every operation is recorded in an event log (the newest kLogCapacity events).
// Not thread-safe: the owner serialises access.
class I2cBus {
public:
    static constexpr std::size_t kLogCapacity = 4096;

    // Attaches a device at an address (replacing any there); the bus shares
    // ownership. A null device detaches the address.
    void attach(I2cAddress address, std::shared_ptr<I2cDevice> device);
    [[nodiscard]] std::shared_ptr<I2cDevice> device_at(I2cAddress address) const;

    // ---- byte level (the I2C function of an adapter) ----
    // START, or repeated START inside a transaction. Returns false, and makes
    // no START, when SDA is held low (bus busy) or the master holds a line low.
    bool start();
    // Sends a byte: the address byte right after a START, data otherwise.
    // Returns the acknowledge. Without a START nothing listens (false).
    bool write(std::uint8_t byte);
    // Clocks a byte in from the addressed device; `ack` is the master's answer.
    std::uint8_t read(bool ack);
    // STOP: ends the transaction; the addressed device sees stop().
    void stop();
    [[nodiscard]] bool in_transaction() const { return in_transaction_; }

    // ---- line level (the lines driven as IO) ----
    // The master drives SDA and SCL as open drain: true releases the line
    // (pulled high), false pulls it low. Each rising edge of SCL clocks every
    // device (a stuck device counts it); SDA rising while SCL is high is a STOP
    // condition and ends any transaction.
    void drive_lines(bool sda, bool scl);
    // The devices' supply went off: each lets go of SDA (I2cDevice::power_off).
    void power_off_devices();
    // Wired-AND levels: released by the master and by every device.
    [[nodiscard]] bool sda() const;
    [[nodiscard]] bool scl() const { return master_scl_; }

    // ---- event log ----
    [[nodiscard]] std::vector<I2cEvent> events() const { return {log_.begin(), log_.end()}; }
    void clear_events() { log_.clear(); }

private:
    enum class Phase : std::uint8_t { Idle, Address, TenBitLow, Writing, Reading, Unanswered };

    void record(const I2cEvent &event);
    bool address_byte(std::uint8_t byte);
    bool ten_bit_low_byte(std::uint8_t byte);
    [[nodiscard]] bool any_ten_bit_device_with_high_bits(std::uint8_t high_bits) const;
    void end_transaction();

    std::map<I2cAddress, std::shared_ptr<I2cDevice>> devices_;
    std::deque<I2cEvent> log_;
    Phase phase_ = Phase::Idle;
    bool in_transaction_ = false;
    std::shared_ptr<I2cDevice> target_;
    std::uint8_t ten_bit_high_ = 0;        // bits 9..8 of a 10-bit address being received
    bool ten_bit_written_ = false;         // this transaction addressed a 10-bit device for writing
    std::uint16_t ten_bit_address_ = 0;    // ... at this address
    bool master_sda_ = true;
    bool master_scl_ = true;
};

}  // namespace devices
