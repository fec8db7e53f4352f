#include "tessbridge_cases.hpp"

#include <array>
#include <cstdint>

namespace bench {
namespace {

// Caller buffers, as large as the largest call needs.
std::array<uint8_t, 65535> in_bytes{};
std::array<uint8_t, 500> out_bytes{};
std::array<int32_t, 10> serials{};
std::array<uint8_t, 3> record{};

using Api = tbtest::TessbridgeApi;

void present_nothing(const char * /*text*/, void * /*context*/) {}

// I2CRead of 65535 bytes goes out as 131 commands of 500 bytes and one of 35.
constexpr TessbridgeCase kCases[] = {
    {"GetNumberOfDevices", 0, [](const Api &a) { (void)a.GetNumberOfDevices(); }},
    {"SelectBySerialNumber", 0, [](const Api &a) { (void)a.SelectBySerialNumber(1234); }},
    {"GetSerialNumbers", 0, [](const Api &a) { (void)a.GetSerialNumbers(serials.data()); }},
    {"GetHardwareInfo", 1, [](const Api &a) { (void)a.GetHardwareInfo(record.data()); }},
    {"GetFirmwareRevision", 1, [](const Api &a) { (void)a.GetFirmwareRevision(); }},
    {"Get_DLL_Version", 0, [](const Api &a) { (void)a.Get_DLL_Version(); }},
    {"Enable3VOutputPower", 1, [](const Api &a) { (void)a.Enable3VOutputPower(1); }},
    {"Enable5VOutputPower", 1, [](const Api &a) { (void)a.Enable5VOutputPower(1); }},
    {"Write_IO", 1, [](const Api &a) { (void)a.Write_IO(1); }},
    {"Read_IO", 1, [](const Api &a) { (void)a.Read_IO(); }},
    {"Enable_I2C", 1, [](const Api &a) { (void)a.Enable_I2C(); }},
    {"Disable_I2C", 1, [](const Api &a) { (void)a.Disable_I2C(); }},
    {"Enable_SPI", 1, [](const Api &a) { (void)a.Enable_SPI(); }},
    {"Disable_SPI", 1, [](const Api &a) { (void)a.Disable_SPI(); }},
    {"GPIO_I2C_Write", 1, [](const Api &a) { (void)a.GPIO_I2C_Write(3); }},
    {"GPIO_SPI_Write", 1, [](const Api &a) { (void)a.GPIO_SPI_Write(15); }},
    {"GPIO_I2C_Read", 1, [](const Api &a) { (void)a.GPIO_I2C_Read(); }},
    {"GPIO_SPI_Read", 1, [](const Api &a) { (void)a.GPIO_SPI_Read(); }},
    {"SetI2CFrequency", 1, [](const Api &a) { (void)a.SetI2CFrequency(400); }},
    {"GetI2CFrequency", 1, [](const Api &a) { (void)a.GetI2CFrequency(); }},
    {"I2CWriteByte", 1, [](const Api &a) { (void)a.I2CWriteByte(0xA0, 0x10, 0x55); }},
    {"I2CSendByte", 1, [](const Api &a) { (void)a.I2CSendByte(0xA0, 0x55); }},
    {"I2CReceiveByte", 1, [](const Api &a) { (void)a.I2CReceiveByte(0xA0, in_bytes.data()); }},
    {"I2CReadByte", 1, [](const Api &a) { (void)a.I2CReadByte(0xA0, 0x10, in_bytes.data()); }},
    {"I2CReadArray/256", 1,
     [](const Api &a) { (void)a.I2CReadArray(0xA0, 0, 256, in_bytes.data()); }},
    {"I2CReadArrayDB/256", 1,
     [](const Api &a) { (void)a.I2CReadArrayDB(0xA0, 0, 0, 256, in_bytes.data()); }},
    {"I2C10ReadArray/256", 1,
     [](const Api &a) { (void)a.I2C10ReadArray(0x2A5, 0, 256, in_bytes.data()); }},
    {"I2CRead/500", 1, [](const Api &a) { (void)a.I2CRead(0xA0, 500, in_bytes.data(), 1); }},
    {"I2CRead/65535", 132, [](const Api &a) { (void)a.I2CRead(0xA0, 65535, in_bytes.data(), 1); }},
    {"I2CWrite/500", 1, [](const Api &a) { (void)a.I2CWrite(0xA0, 500, out_bytes.data(), 1); }},
    {"I2CWriteArray/500", 1,
     [](const Api &a) { (void)a.I2CWriteArray(0xA0, 0, 500, out_bytes.data()); }},
    {"I2CWriteArrayDB/256", 1,
     [](const Api &a) { (void)a.I2CWriteArrayDB(0xA0, 0, 0, 256, out_bytes.data()); }},
    {"I2C10WriteArray/256", 1,
     [](const Api &a) { (void)a.I2C10WriteArray(0x2A5, 0, 256, out_bytes.data()); }},
    {"I2CWriteRepWrite/250+250", 1,
     [](const Api &a) {
         (void)a.I2CWriteRepWrite(0xA0, 250, out_bytes.data(), 0xA2, 250, out_bytes.data());
     }},
    {"SPI_Configure", 1, [](const Api &a) { (void)a.SPI_Configure(3); }},
    {"SPI_SetFrequency", 1, [](const Api &a) { (void)a.SPI_SetFrequency(4000); }},
    {"SPI_Generic/500", 1,
     [](const Api &a) { (void)a.SPI_Generic(500, out_bytes.data(), in_bytes.data()); }},
    {"SPI_Write/500", 1, [](const Api &a) { (void)a.SPI_Write(500, out_bytes.data()); }},
    {"SPI_WriteWithOC/500", 1,
     [](const Api &a) { (void)a.SPI_WriteWithOC(500, out_bytes.data()); }},
    {"SPI_WriteRead/4+500", 1,
     [](const Api &a) { (void)a.SPI_WriteRead(4, 500, out_bytes.data(), in_bytes.data()); }},
    {"SetMessagePresenter", 0,
     [](const Api &a) { a.SetMessagePresenter(present_nothing, nullptr); }},
};

}  // namespace

std::span<const TessbridgeCase> tessbridge_cases() {
    return kCases;
}

}  // namespace bench
