// With no adapter attached, every SPI, pin, supply and information export says
// so once through the channel, moves nothing and returns its failure value.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tessbridge_fixture.hpp"

namespace tbtest {
namespace {

struct NoAdapterCase {
    const char *name;
    std::function<int64_t(const TessbridgeApi &)> call;
    int64_t result;
    bool toldNoHardware;  // the channel's "No hardware detected"
};

using NoAdapter = TessbridgeTest;

TEST_F(NoAdapter, EveryExportFailsWithItsOwnValue) {
    std::array<uint8_t, 8> buffer{};
    buffer.fill(0xEE);
    int32_t serials[10] = {};
    const uint8_t data[3] = {0x9F, 0, 0};
    const std::vector<NoAdapterCase> cases = {
        {"GetSerialNumbers", [&](auto &api) { return api.GetSerialNumbers(serials); }, 0, false},
        {"Get_DLL_Version", [](auto &api) { return api.Get_DLL_Version(); }, 0x1811, false},
        {"GetHardwareInfo", [&](auto &api) { return api.GetHardwareInfo(buffer.data()); }, 255, true},
        {"GetFirmwareRevision", [](auto &api) { return api.GetFirmwareRevision(); }, 255, true},
        {"Enable3VOutputPower", [](auto &api) { return api.Enable3VOutputPower(1); }, 0, true},
        {"Enable5VOutputPower", [](auto &api) { return api.Enable5VOutputPower(0); }, 0, true},
        {"Write_IO", [](auto &api) { return api.Write_IO(1); }, 0, true},
        {"Read_IO", [](auto &api) { return api.Read_IO(); }, -1, true},
        {"Enable_I2C", [](auto &api) { return api.Enable_I2C(); }, 0, true},
        {"Disable_I2C", [](auto &api) { return api.Disable_I2C(); }, 0, true},
        {"GPIO_I2C_Write", [](auto &api) { return api.GPIO_I2C_Write(3); }, 0, true},
        {"GPIO_I2C_Read", [](auto &api) { return api.GPIO_I2C_Read(); }, 255, true},
        {"Enable_SPI", [](auto &api) { return api.Enable_SPI(); }, 0, true},
        {"Disable_SPI", [](auto &api) { return api.Disable_SPI(); }, 0, true},
        {"GPIO_SPI_Write", [](auto &api) { return api.GPIO_SPI_Write(15); }, 0, true},
        {"GPIO_SPI_Read", [](auto &api) { return api.GPIO_SPI_Read(); }, 255, true},
        {"SPI_Configure", [](auto &api) { return api.SPI_Configure(1); }, 255, true},
        {"SPI_SetFrequency", [](auto &api) { return api.SPI_SetFrequency(1000); }, 255, true},
        {"SPI_Generic", [&](auto &api) { return api.SPI_Generic(3, data, buffer.data()); }, 255, true},
        {"SPI_Write", [&](auto &api) { return api.SPI_Write(3, data); }, 255, true},
        {"SPI_WriteWithOC", [&](auto &api) { return api.SPI_WriteWithOC(3, data); }, 255, true},
        {"SPI_WriteRead", [&](auto &api) { return api.SPI_WriteRead(1, 3, data, buffer.data()); }, 255, true},
    };

    load();
    for (const NoAdapterCase &c : cases) {
        SCOPED_TRACE(c.name);
        forget();
        EXPECT_EQ(c.call(tb), c.result);
        EXPECT_EQ(messages, c.toldNoHardware ? std::vector<std::string>{"No hardware detected"}
                                             : std::vector<std::string>{});
        EXPECT_TRUE(transfers().empty());
    }
    EXPECT_EQ(serials[0], 0) << "no serial number was written";
    // GetHardwareInfo zeroes its record; the SPI reads copy nothing.
    EXPECT_EQ(buffer, (std::array<uint8_t, 8>{0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

}  // namespace
}  // namespace tbtest
