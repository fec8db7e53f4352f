// The device side of the simulated SPI bus.
#pragma once

#include <cstdint>

namespace devices {

// A peripheral behind the SPI master's one chip select. A frame is select(),
// one exchange() per byte (MOSI in, MISO out, full duplex), deselect().
// None of them may throw.
class SpiDevice {
public:
    virtual ~SpiDevice() = default;
    virtual void select() = 0;
    virtual std::uint8_t exchange(std::uint8_t mosi) = 0;
    virtual void deselect() = 0;

protected:
    SpiDevice() = default;
    SpiDevice(const SpiDevice &) = default;
    SpiDevice &operator=(const SpiDevice &) = default;
};

}  // namespace devices
