// What happened on the simulated I2C wire, for tests and tools to inspect.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace devices {

enum class I2cEventKind : std::uint8_t {
    Start,          // START condition
    RepeatedStart,  // repeated START (no STOP since the last START)
    Address,        // address byte after a START (and the second byte of a 10-bit address)
    Write,          // data byte from the master; `ack` is the receiver's acknowledge
    Read,           // data byte from a device; `ack` is the master's acknowledge
    Stop,           // STOP condition (also one made with the lines driven as IO)
    BusBusy,        // a START was attempted while SDA was held low; nothing went out
    Lines,          // the master drove the lines as IO; `sda`/`scl` are the levels after it
};

struct I2cEvent {
    I2cEventKind kind = I2cEventKind::Start;
    std::uint8_t byte = 0;  // Address, Write, Read
    bool ack = false;       // Address, Write, Read
    bool sda = true;        // Lines
    bool scl = true;        // Lines

    friend bool operator==(const I2cEvent &, const I2cEvent &) = default;
};

// Compact text of a log, one token per event separated by spaces:
//   S, Sr, P, BUSY, address "@A0+" / "@A0-", write "A0+" / "A0-",
//   read "<5A+" / "<5A-" (+ ACK, - NACK), lines "L(sda=1,scl=0)".
// Example: "S @A0+ 10+ Sr @A1+ <5A+ <5B- P".
std::string format_i2c_events(std::span<const I2cEvent> events);

}  // namespace devices
