// The adapter with its I2C bus as the demos and tests use it: a PMBus power
// supply at 8-bit address 0xB0 (7-bit 0x58) and a 256-byte register memory at
// 0xA0 (7-bit 0x50).
#pragma once

#include "hid_adapter_firmware.hpp"
#include "i2c_bus.hpp"
#include "pmbus_power_supply.hpp"
#include "register_memory.hpp"

namespace hid_adapter {

struct SimulatedBoard {
    static constexpr std::uint8_t kPowerSupplyAddress = 0xB0;
    static constexpr std::uint8_t kMemoryAddress = 0xA0;

    SimulatedBoard() {
        bus.attach(kPowerSupplyAddress >> 1, powerSupply);
        bus.attach(kMemoryAddress >> 1, memory);
    }
    SimulatedBoard(const SimulatedBoard &) = delete;
    SimulatedBoard &operator=(const SimulatedBoard &) = delete;

    I2cBus bus;
    PmbusPowerSupply powerSupply;
    RegisterMemory memory;
    HidAdapterFirmware firmware{bus};
};

}  // namespace hid_adapter
