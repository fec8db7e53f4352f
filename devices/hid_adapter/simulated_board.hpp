// The adapter with its I2C bus as the demos and tests use it: a PMBus power
// supply at 8-bit address 0xB0 (7-bit 0x58), a 256-byte register memory at
// 0xA0 (7-bit 0x50) and a BME280 sensor at 0xEC (7-bit 0x76).
#pragma once

#include <memory>

#include "devices/bus/bme280.hpp"
#include "devices/bus/i2c_address.hpp"
#include "devices/bus/i2c_bus.hpp"
#include "hid_adapter_firmware.hpp"
#include "pmbus_power_supply.hpp"
#include "register_memory.hpp"

namespace hid_adapter {

struct SimulatedBoard {
    static constexpr std::uint8_t kPowerSupplyAddress = 0xB0;
    static constexpr std::uint8_t kMemoryAddress = 0xA0;
    static constexpr std::uint8_t kBme280Address = 0xEC;

    SimulatedBoard() {
        bus.attach(devices::I2cAddress::bus_form(kPowerSupplyAddress), unowned(powerSupply));
        bus.attach(devices::I2cAddress::bus_form(kMemoryAddress), unowned(memory));
        bus.attach(devices::I2cAddress::bus_form(kBme280Address), unowned(bme280));
    }
    SimulatedBoard(const SimulatedBoard &) = delete;
    SimulatedBoard &operator=(const SimulatedBoard &) = delete;

    devices::I2cBus bus;
    PmbusPowerSupply powerSupply;
    RegisterMemory memory;
    devices::Bme280 bme280;
    HidAdapterFirmware firmware{bus};

  private:
    // The board owns its devices; the bus only points at them (a shared_ptr
    // that owns nothing).
    static std::shared_ptr<devices::I2cDevice> unowned(devices::I2cDevice &device) {
        return {std::shared_ptr<void>{}, &device};
    }
};

}  // namespace hid_adapter
