#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "devices/bus/spi_bus.hpp"
#include "devices/bus/spi_nor_flash.hpp"

namespace devices {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DevicesSpiNorFlash : public ::testing::Test {
protected:
    DevicesSpiNorFlash() { bus.attach(flash); }

    // One chip-select frame; returns MISO.
    Bytes frame(const Bytes &mosi) {
        Bytes miso;
        bus.select();
        for (const std::uint8_t byte : mosi) {
            miso.push_back(bus.exchange(byte));
        }
        bus.deselect();
        return miso;
    }
    Bytes read(std::uint32_t address, std::size_t count) {
        Bytes command{0x03, static_cast<std::uint8_t>(address >> 16U),
                      static_cast<std::uint8_t>(address >> 8U), static_cast<std::uint8_t>(address)};
        command.resize(4 + count, 0x00);
        const Bytes miso = frame(command);
        return {miso.begin() + 4, miso.end()};
    }
    void program(std::uint32_t address, const Bytes &data) {
        Bytes command{0x02, static_cast<std::uint8_t>(address >> 16U),
                      static_cast<std::uint8_t>(address >> 8U), static_cast<std::uint8_t>(address)};
        command.insert(command.end(), data.begin(), data.end());
        frame(command);
    }
    std::uint8_t status() { return frame({0x05, 0x00})[1]; }

    SpiBus bus;
    std::shared_ptr<SpiNorFlash> flash = std::make_shared<SpiNorFlash>();
};

TEST_F(DevicesSpiNorFlash, AnswersJedecIdAndStartsErased) {
    EXPECT_EQ(frame({0x9F, 0, 0, 0, 0}), (Bytes{0xFF, 0x5A, 0x40, 0x18, 0xFF}));
    EXPECT_EQ(flash->capacity(), 16U * 1024U * 1024U);
    EXPECT_EQ(read(0x000100, 4), Bytes(4, 0xFF));
    EXPECT_EQ(status(), 0x00);
}

TEST_F(DevicesSpiNorFlash, WriteEnableIsNeededAndConsumedByProgram) {
    program(0x000010, {0x12});
    EXPECT_EQ(read(0x000010, 1), Bytes{0xFF}) << "ignored without WEL";

    frame({0x06});
    EXPECT_EQ(status(), SpiNorFlash::kStatusWriteEnabled);
    frame({0x04});
    EXPECT_EQ(status(), 0x00) << "write disable clears WEL";

    frame({0x06});
    program(0x000010, {0x12, 0x34});
    EXPECT_EQ(read(0x000010, 3), (Bytes{0x12, 0x34, 0xFF}));
    EXPECT_EQ(status(), 0x00) << "program clears WEL";
    program(0x000010, {0x00});
    EXPECT_EQ(read(0x000010, 1), Bytes{0x12});
}

TEST_F(DevicesSpiNorFlash, ProgramOnlyClearsBitsAndWrapsInsideThePage) {
    flash->load(0x0001FE, Bytes{0xF0, 0xF0});
    frame({0x06});
    program(0x0001FE, {0x3C, 0x3C, 0x11, 0x22});
    EXPECT_EQ(read(0x0001FE, 2), (Bytes{0x30, 0x30}));
    EXPECT_EQ(read(0x000100, 2), (Bytes{0x11, 0x22})) << "wrapped to the page start";
    EXPECT_EQ(read(0x000200, 1), Bytes{0xFF}) << "next page untouched";
}

TEST_F(DevicesSpiNorFlash, MoreThanAPageKeepsTheLastBytesPerOffset) {
    Bytes data(258);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i);
    }
    data[256] = 0xA0;
    data[257] = 0xA1;
    frame({0x06});
    program(0x000300, data);
    EXPECT_EQ(read(0x000300, 3), (Bytes{0xA0, 0xA1, 0x02}));
    EXPECT_EQ(read(0x0003FF, 1), Bytes{0xFF});
}

TEST_F(DevicesSpiNorFlash, SectorEraseClearsOnly4KiB) {
    flash->load(0x000FFF, Bytes{0x00, 0x00});
    flash->load(0x001800, Bytes{0x00});
    frame({0x20, 0x00, 0x18, 0x00});
    EXPECT_EQ(read(0x001800, 1), Bytes{0x00}) << "ignored without WEL";
    frame({0x06});
    frame({0x20, 0x00, 0x18, 0x00});
    EXPECT_EQ(read(0x000FFF, 2), (Bytes{0x00, 0xFF}));
    EXPECT_EQ(read(0x001800, 1), Bytes{0xFF});
}

TEST_F(DevicesSpiNorFlash, ReadWrapsAtTheEndOfMemoryAndStatusShowsBusyPolls) {
    flash->load(0xFFFFFF, Bytes{0x01});
    flash->load(0x000000, Bytes{0x02});
    EXPECT_EQ(read(0xFFFFFF, 2), (Bytes{0x01, 0x02}));

    flash->set_busy_polls(2);
    frame({0x06});
    program(0, {0x00});
    EXPECT_EQ(frame({0x05, 0, 0, 0}), (Bytes{0xFF, 0x01, 0x01, 0x00}));
}

TEST(DevicesSpiBus, WithoutDeviceMisoIsHighAndFramesAreLogged) {
    SpiBus bus;
    bus.select();
    EXPECT_EQ(bus.exchange(0x12), 0xFF);
    bus.deselect();
    EXPECT_EQ(bus.exchange(0x34), 0xFF) << "outside a frame";
    EXPECT_EQ(bus.frames(), (std::vector<SpiFrame>{{{0x12}, {0xFF}}}));
}

}  // namespace
}  // namespace devices
