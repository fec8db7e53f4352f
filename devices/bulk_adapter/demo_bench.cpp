#include "devices/bulk_adapter/demo_bench.hpp"

namespace devices {

DemoBench install_demo_bench(BulkAdapterFirmware &firmware) {
    DemoBench bench{
        .eeprom_24c02 = std::make_shared<Eeprom24C02>(),
        .eeprom_24c256 = std::make_shared<Eeprom24C256>(),
        .ten_bit = std::make_shared<RegisterDevice10Bit>(),
        .temperature = std::make_shared<TemperatureSensor>(),
        .bme280 = std::make_shared<Bme280>(),
        .flash = std::make_shared<SpiNorFlash>(),
    };
    I2cBus &i2c = firmware.i2c_bus();
    i2c.attach(kBenchEeprom24C02, bench.eeprom_24c02);
    i2c.attach(kBenchEeprom24C256, bench.eeprom_24c256);
    i2c.attach(kBenchTenBitDevice, bench.ten_bit);
    i2c.attach(kBenchTemperatureSensor, bench.temperature);
    i2c.attach(kBenchBme280, bench.bme280);
    firmware.spi_bus().attach(bench.flash);
    return bench;
}

DemoBench install_demo_bench(SimAdapter &adapter) {
    return adapter.with_firmware(
        [](BulkAdapterFirmware &firmware) { return install_demo_bench(firmware); });
}

}  // namespace devices
