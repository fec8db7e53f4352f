#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/i2c_master.hpp"
#include "devices/bus/temperature_sensor.hpp"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(DevicesTemperatureSensor, EncodesNineBitTwosComplementInHalfDegrees) {
    struct Case {
        int half_degrees;
        std::uint8_t first, second;
    };
    const Case cases[] = {
        {0, 0x00, 0x00},   {1, 0x00, 0x80},    {51, 0x19, 0x80},   {250, 0x7D, 0x00},
        {-1, 0xFF, 0x80},  {-50, 0xE7, 0x00},  {-110, 0xC9, 0x00},
    };
    for (const Case &c : cases) {
        const auto bytes = TemperatureSensor::encode(c.half_degrees);
        EXPECT_EQ(bytes[0], c.first) << c.half_degrees;
        EXPECT_EQ(bytes[1], c.second) << c.half_degrees;
        EXPECT_EQ(TemperatureSensor::decode(c.first, c.second), c.half_degrees);
    }
}

class DevicesTemperatureSensorOnBus : public ::testing::Test {
protected:
    DevicesTemperatureSensorOnBus() { bus.attach(I2cAddress::bus_form(0x90), sensor); }
    Bytes read_register(std::uint8_t pointer, std::size_t count) {
        return run_i2c_transfer(bus, {{0x90, false, {pointer}, 0}, {0x90, true, {}, count}}, true)
            .data;
    }

    I2cBus bus;
    std::shared_ptr<TemperatureSensor> sensor = std::make_shared<TemperatureSensor>();
};

TEST_F(DevicesTemperatureSensorOnBus, ReadsTheSetTemperatureClampedToRange) {
    sensor->set_half_degrees(-51);
    EXPECT_EQ(read_register(0x00, 2), (Bytes{0xE6, 0x80}));
    sensor->set_half_degrees(1000);
    EXPECT_EQ(sensor->half_degrees(), TemperatureSensor::kMaxHalfDegrees);
    EXPECT_EQ(read_register(0x00, 3), (Bytes{0x7D, 0x00, 0x7D})) << "the register repeats";
}

TEST_F(DevicesTemperatureSensorOnBus, LimitsAndConfigurationAreWritableTemperatureIsNot) {
    run_i2c_transfer(bus, {{0x90, false, {0x03, 0x50, 0x80}, 0}}, true);  // TOS 80.5 C
    run_i2c_transfer(bus, {{0x90, false, {0x01, 0x02}, 0}}, true);
    run_i2c_transfer(bus, {{0x90, false, {0x00, 0x11, 0x22}, 0}}, true);
    EXPECT_EQ(sensor->overtemperature_half_degrees(), 161);
    EXPECT_EQ(sensor->configuration(), 0x02);
    EXPECT_EQ(sensor->half_degrees(), 50);
    EXPECT_EQ(read_register(0x02, 2), (Bytes{0x4B, 0x00}));  // THYST default 75 C
    // Pointer kept from the last write: a plain read returns that register.
    EXPECT_EQ(run_i2c_transfer(bus, {{0x90, true, {}, 2}}, true).data, (Bytes{0x4B, 0x00}));
}

}  // namespace
}  // namespace devices
