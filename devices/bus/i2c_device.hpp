// The device side of the simulated I2C bus: what a peripheral sees of the wire.
#pragma once

#include <cstdint>

namespace devices {

// A peripheral on the simulated I2C bus. The bus calls these on the device it
// addresses; none of them may throw.
//
// A transaction to a device is: start(read) once the address matches, then
// write() for each byte the master sends or read() for each byte it fetches,
// and stop() at the STOP condition. A repeated START that addresses the same
// device again calls start() again without stop() in between (the usual
// "write the register pointer, then read" pattern). A device that was left by a
// repeated START to another address gets no stop(); its next start() must
// discard whatever the unfinished transaction left pending.
class I2cDevice {
public:
    virtual ~I2cDevice() = default;

    // The master addressed this device; `read` is the R/W bit. Return true to
    // acknowledge the address.
    virtual bool start(bool read) = 0;
    // The master sent a data byte. Return true to acknowledge it.
    virtual bool write(std::uint8_t byte) = 0;
    // The master clocks a data byte out of the device. `ack_from_master` is
    // false for the last byte the master wants (it answers with a NACK).
    virtual std::uint8_t read(bool ack_from_master) = 0;
    // STOP condition that ends the transaction with this device.
    virtual void stop() = 0;

    // Stuck-bus model: the device holds SDA low (as a slave interrupted in the
    // middle of a read does) until it has seen `clocks` rising edges of SCL.
    // 0 releases SDA at once.
    void hold_sda_low(unsigned clocks) { sda_hold_clocks_ = clocks; }
    [[nodiscard]] bool holds_sda_low() const { return sda_hold_clocks_ > 0; }
    // Called by the bus on every rising edge of SCL that the master makes with
    // the lines driven as IO.
    void scl_rising_edge() {
        if (sda_hold_clocks_ > 0) {
            --sda_hold_clocks_;
        }
    }
    // Called by the bus when the device's supply goes off: a device without
    // power drives nothing, and starts up again with SDA released. What it
    // stores (an EEPROM's memory) is kept.
    void power_off() { sda_hold_clocks_ = 0; }

protected:
    I2cDevice() = default;
    I2cDevice(const I2cDevice &) = default;
    I2cDevice &operator=(const I2cDevice &) = default;

private:
    unsigned sda_hold_clocks_ = 0;
};

}  // namespace devices
