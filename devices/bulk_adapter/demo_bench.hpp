// The standard set of simulated devices behind a bulk adapter.
#pragma once

#include <memory>

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"
#include "devices/bus/bme280.hpp"
#include "devices/bus/i2c_address.hpp"
#include "devices/bus/i2c_eeprom.hpp"
#include "devices/bus/register_device_10bit.hpp"
#include "devices/bus/spi_nor_flash.hpp"
#include "devices/bus/temperature_sensor.hpp"

namespace devices {

// Where the demo bench puts its devices.
inline constexpr I2cAddress kBenchEeprom24C02 = I2cAddress::bus_form(0xA0);
inline constexpr I2cAddress kBenchEeprom24C256 = I2cAddress::bus_form(0xA8);
inline constexpr I2cAddress kBenchTenBitDevice = I2cAddress::ten(0x2A5);
inline constexpr I2cAddress kBenchTemperatureSensor = I2cAddress::bus_form(0x90);
inline constexpr I2cAddress kBenchBme280 = I2cAddress::bus_form(0xEC);

// Handles on the installed devices, for tests and demos to set up or inspect
// (access them under SimAdapter::with_firmware when the toolkit may be busy).
struct DemoBench {
    std::shared_ptr<Eeprom24C02> eeprom_24c02;         // 0xA0
    std::shared_ptr<Eeprom24C256> eeprom_24c256;       // 0xA8, 2-byte sub-address
    std::shared_ptr<RegisterDevice10Bit> ten_bit;      // 10-bit 0x2A5
    std::shared_ptr<TemperatureSensor> temperature;    // 0x90, 25.0 C
    std::shared_ptr<Bme280> bme280;                    // 0xEC, Bme280::kDefaultCalibration
    std::shared_ptr<SpiNorFlash> flash;                // the SPI bus, SpiNorFlash::kDefaultId
};

// Attaches fresh demo devices to the firmware's buses (replacing any at those
// addresses and the SPI device) and returns them.
DemoBench install_demo_bench(BulkAdapterFirmware &firmware);
// The same, under the adapter's lock.
DemoBench install_demo_bench(SimAdapter &adapter);

}  // namespace devices
