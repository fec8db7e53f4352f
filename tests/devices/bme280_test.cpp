#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "devices/bus/bme280.hpp"
#include "devices/bus/i2c_bus.hpp"
#include "devices/bus/i2c_master.hpp"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DevicesBme280 : public ::testing::Test {
protected:
    static constexpr std::uint8_t kAddress = 0xEC;  // 7-bit 0x76

    DevicesBme280() { bus.attach(I2cAddress::bus_form(kAddress), sensor); }
    Bytes read_registers(std::uint8_t first, std::size_t count) {
        return run_i2c_transfer(bus, {{kAddress, false, {first}, 0}, {kAddress, true, {}, count}},
                                true)
            .data;
    }
    void write(const Bytes &bytes) { run_i2c_transfer(bus, {{kAddress, false, bytes, 0}}, true); }

    I2cBus bus;
    std::shared_ptr<Bme280> sensor = std::make_shared<Bme280>();
};

TEST_F(DevicesBme280, IdentifiesItselfAndHoldsTheCalibrationLowByteFirst) {
    EXPECT_EQ(read_registers(0xD0, 1), Bytes{0x60});
    // T1 32768, T2 16125, T3 -1000, P1 40000, P2 -10685, P3 3024, P4 2000,
    // P5 140, P6 -7, P7 15505, P8 -14592, P9 6016, a reserved byte, H1 64.
    EXPECT_EQ(read_registers(0x88, 26),
              (Bytes{0x00, 0x80, 0xFD, 0x3E, 0x18, 0xFC, 0x40, 0x9C, 0x43, 0xD6, 0xD0, 0x0B, 0xD0,
                     0x07, 0x8C, 0x00, 0xF9, 0xFF, 0x91, 0x3C, 0x00, 0xC7, 0x80, 0x17, 0x00, 0x40}));
    // H2 16384, H3 0, H4 325 (0x145) and H5 56 (0x038) sharing 0xE5, H6 32.
    EXPECT_EQ(read_registers(0xE1, 7), (Bytes{0x00, 0x40, 0x00, 0x14, 0x85, 0x03, 0x20}));
}

TEST_F(DevicesBme280, ForcedModeMeasuresOnceWithTheOversamplingInEffect) {
    EXPECT_EQ(read_registers(0xF7, 8), (Bytes{0x80, 0x00, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00}))
        << "nothing measured since power-on";

    write({0xF2, 0x01});  // humidity x1: not in effect before ctrl_meas is written
    write({0xF4, 0x21});  // temperature x1, pressure skipped, forced
    EXPECT_EQ(read_registers(0xF4, 1), Bytes{0x20}) << "back in sleep mode";
    EXPECT_EQ(read_registers(0xF7, 8), (Bytes{0x80, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x52, 0x9F}));

    sensor->set_conversion({.temperature = 0x12345, .pressure = 0xABCDE, .humidity = 0x4321});
    EXPECT_EQ(read_registers(0xF7, 8), (Bytes{0x80, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x52, 0x9F}))
        << "sleep mode keeps the last measurement";
    // One write of two register/data pairs: humidity skipped, then a forced
    // measurement with temperature and pressure x1.
    write({0xF2, 0x00, 0xF4, 0x25});
    EXPECT_EQ(read_registers(0xF7, 8), (Bytes{0xAB, 0xCD, 0xE0, 0x12, 0x34, 0x50, 0x80, 0x00}));
    EXPECT_EQ(sensor->measurements(), 2U);
}

TEST_F(DevicesBme280, NormalModeMeasuresForEveryReadAndResetRestoresPowerOn) {
    write({0xF2, 0x05, 0xF4, 0xB7, 0xF5, 0xA0});  // x16 each, normal mode, config
    EXPECT_EQ(read_registers(0xFD, 2), (Bytes{0x52, 0x9F}));
    sensor->set_conversion({.temperature = 1, .pressure = 2, .humidity = 3});
    EXPECT_EQ(read_registers(0xFD, 2), (Bytes{0x00, 0x03}));
    EXPECT_EQ(read_registers(0xF2, 4), (Bytes{0x05, 0x00, 0xB7, 0xA0}));

    write({0xD0, 0x99, 0xE0, 0xB6});  // the ID is read-only; the reset word
    EXPECT_EQ(read_registers(0xD0, 1), Bytes{0x60});
    EXPECT_EQ(read_registers(0xF2, 4), (Bytes{0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(read_registers(0xFA, 3), (Bytes{0x80, 0x00, 0x00}));
    // A read goes on past the last register to the first.
    EXPECT_EQ(read_registers(0xFE, 3), (Bytes{0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace devices
